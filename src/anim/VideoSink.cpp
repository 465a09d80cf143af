#include "anim/VideoSink.h"

#include "anim/RunFeedback.h"
#include "common/Bitmap24.h"
#include "common/DiskSpace.h"
#include "common/TextFormat.h"
#include "output/FrameNames.h"

VideoSink::VideoSink(VideoOutputSettings outputSettings, OutputNames names, std::optional<FileIdentity> inputPicture,
    RunFeedback &feedback)
    : m_outputSettings(std::move(outputSettings))
    , m_names(std::move(names))
    , m_inputPicture(std::move(inputPicture))
    , m_feedback(feedback)
    , m_path(AbsolutePath(m_names.FileName))
    , m_folder(m_path.substr(0, m_path.rfind('/') + 1))
{
}

VideoSink::~VideoSink() = default; // an output not finished leaves nothing behind

void VideoSink::fail(const VideoError &error)
{
    throw VideoRunError(
        VideoFailureText(m_outputSettings.container, error, m_path), error.keptFrames(), error.keptName());
}

void VideoSink::begin(const RunPlan &plan)
{
    m_total = plan.total();
    try {
        m_output = OpenVideoOutput(m_path, m_outputSettings);
    } catch (const VideoError &e) {
        fail(e);
    }
}

std::string VideoSink::statusText(std::int64_t index, std::int64_t total) const
{
    return formatText("%s - Frame%4.4d / %4.4d", { m_path, index, total });
}

std::string VideoSink::progressText(std::int64_t index, std::int64_t total) const
{
    const std::int64_t freeKo = FreeDiskBytes(m_folder) / 1024;
    return formatText("Frame %4.4d / %4.4d - Disque Libre %d Ko", { index, total, freeKo < 0 ? 0 : freeKo });
}

bool VideoSink::takesPanoramaRows() const
{
    return m_output && m_output->storesRowsAsTheyCome();
}

bool VideoSink::write(const FrameRows &rows)
{
    try {
        m_output->writeFrame(rows);
    } catch (const VideoError &e) {
        m_failure = VideoError(VideoError::Reason::Frame, e.cause()); // whatever failed, this frame did
        return false;
    }
    ++m_frames;
    return true;
}

bool VideoSink::take(const Bitmap24 &frame)
{
    return write(FrameRows::of(frame));
}

bool VideoSink::takeRows(const PanoramaWindow &window, int width, int height)
{
    return write({ window.top, std::ptrdiff_t(window.stride), width, height });
}

void VideoSink::end(const std::string &failure)
{
    if (!m_output)
        return;
    VideoPublishing publishing;
    publishing.target = m_path;
    publishing.replace = m_names.ReplaceExisting;
    publishing.nextName = [this](int attempt) {
        constexpr int kMaxAttempts = 10000;
        if (attempt > kMaxAttempts)
            return std::string();
        const OutputNames &n = m_names;
        return AbsolutePath(MakeFrameName(n.NameFormat, n.DstDir, n.DstName, FrameNumber(n.NumStart, attempt), n.Ext));
    };
    publishing.dropQueued = [this] { return m_feedback.dropQueuedFrames(); };
    publishing.keep = m_inputPicture;

    std::optional<VideoError> error = m_failure;
    if (!error && !failure.empty())
        error = VideoError(VideoError::Reason::Frame, failure);
    if (error) {
        // The frames written stay where the container can close on them.
        if (!m_output->keepsFramesOnFailure() || m_frames == 0) {
            m_output->abandon();
            fail(*error);
        }
        try {
            m_published = m_output->finish(publishing);
        } catch (const VideoError &e) {
            // The first failure is the one to tell; the file may still hold
            // the frames written before it.
            fail(VideoError(VideoError::Reason::Frame, error->cause(), e.keptFrames(), e.keptName()));
        }
        fail(VideoError(VideoError::Reason::Frame, error->cause(), m_published.frames, m_published.name));
    }
    if (m_frames == 0) {
        m_output->abandon(); // nothing to show: no file, any old one as it was
        m_keptOldFile = m_names.ReplaceExisting;
        return;
    }
    if (const std::int64_t queued = m_output->queuedFrames(); queued > 0)
        m_feedback.finishingQueuedFrames(queued);
    try {
        m_published = m_output->finish(publishing);
    } catch (const VideoError &e) {
        fail(e);
    }
    if (!m_published.name.empty() && m_published.name != m_path)
        m_feedback.setStatusText(formatText("%s - Frame%4.4d / %4.4d", { m_published.name, m_frames - 1, m_total }));
}
