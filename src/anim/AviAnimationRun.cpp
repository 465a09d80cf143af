#include "anim/AviAnimationRun.h"

#include "anim/FilePasses.h"
#include "anim/FrameSequence.h"
#include "common/Bitmap24.h"
#include "common/TextFormat.h"
#include "options/AviOptions.h"
#include "output/FrameNames.h"
#include "platform/BusyCursor.h"
#include "video/AviCompression.h"
#include "video/VideoOutput.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <stdexcept>

namespace {

[[noreturn]] void fail(const char *message, const std::string &cause)
{
    throw AviRunError(message, cause);
}

} // namespace

AviRunResult RunAviAnimation(
    const Bitmap24 &panorama, const TAviOptions &options, AviRunHost &host, bool &stopRequested)
{
    stopRequested = false;
    // A video needs at least one frame a second: refused before anything is
    // created.
    if (options.Rate == 0)
        throw AviSettingsError("AVI frame rate must be at least 1 frame per second");

    Bitmap24 frame; // freed on every way out, last
    tanimprm prm;
    const std::optional<PassPlan> outward = ReadFileRunSettings(host, prm, frame, panorama);
    if (!outward)
        return {};

    AviRunResult result;
    result.FileName = AbsolutePath(prm.FileName);
    const ScopedBusyCursor busy(host.cursors(), BusyCursors::Cursor::AppStart);
    // A name that cannot be a file fails before any question is asked.
    if (const std::string cause = CheckVideoTarget(result.FileName); !cause.empty())
        fail("Failed to create AVI file", cause);
    if (frame.isEmpty())
        fail("Failed to retrieve bitmap info", "the frame is empty");

    AviCompression compression;
    compression.compressor = options.CodecHandler;
    compression.quality = options.Quality;
    compression.keyFrameEvery = 1;
    if (!host.chooseCompression(compression))
        fail("Failed to get AVI Compression Options", {});
    VideoOutputSpec spec;
    spec.container = VideoContainer::Avi;
    spec.aviCompressor = compression.compressor;
    spec.width = frame.width();
    spec.height = frame.height();
    spec.rate = { options.Rate, 1 };
    spec.quality = compression.quality > 10000 ? -1 : compression.quality / 100.0;
    spec.keyInterval = int(std::min<std::uint32_t>(compression.keyFrameEvery, 1u << 30));
    spec.bytesPerSecond = compression.bytesPerSecond;
    std::unique_ptr<VideoOutput> output;
    try {
        output = OpenVideoOutput(result.FileName, spec);
    } catch (const VideoError &e) {
        throw AviRunError(VideoFailureText(VideoContainer::Avi, e), {});
    }

    FilePassRun run { panorama, host, host.progress(), stopRequested, result.FileName, prm.FileName };
    const auto writeRows = [&](const FrameRows &rows) {
        try {
            output->writeFrame(rows);
            return true;
        } catch (const VideoError &e) {
            run.failure = e.cause();
            return false;
        }
    };
    const FrameSink sink = [&](const Bitmap24 &shown) { return writeRows(FrameRows::of(shown)); };
    // Stored uncompressed for a host that does not look at the frames: a
    // frame that is panorama pixels only goes from the panorama's rows.
    WindowSink fromPanorama;
    if (!host.showsFrames() && output->storesRowsAsTheyCome())
        fromPanorama = [&](const PanoramaWindow &window, int height) {
            return writeRows({ window.top, std::ptrdiff_t(window.stride), frame.width(), height });
        };
    WriteFilePasses(run, prm, *outward, sink, fromPanorama);

    // The finish: the compressor's queued frames, the trailer and index, the
    // close and the publishing, whose failure is the run's.
    if (const std::int64_t queued = output->queuedFrames(); queued > 0)
        host.finishingQueuedFrames(queued);
    PublishedVideo published;
    std::optional<VideoError> finishFailure;
    try {
        published = output->finish(FilePublishing(prm, result.FileName, host));
    } catch (const VideoError &e) {
        finishFailure = e;
        published = { e.keptName(), e.keptFrames() };
    }
    output.reset();
    result.FramesWritten = std::int32_t(published.frames);
    result.FileWritten = !published.name.empty();
    if (result.FileWritten)
        result.FileName = published.name;
    if (!run.failure.empty() || finishFailure) {
        const VideoError error = run.failure.empty()
            ? VideoError(finishFailure->reason(), finishFailure->cause(), published.frames, published.name)
            : VideoError(VideoError::Reason::Frame, run.failure, published.frames, published.name);
        throw AviRunError(VideoFailureText(VideoContainer::Avi, error), {}, result.FramesWritten,
            result.FileWritten ? result.FileName : std::string());
    }
    // With consent to replace and no frame, the old file is as it was.
    result.KeptOldFile = !result.FileWritten && prm.ReplaceExisting;
    if (result.FileWritten && result.FileName != AbsolutePath(prm.FileName))
        host.setStatusText(
            formatText("%s - Frame%4.4d / %4.4d", { result.FileName, std::int64_t(run.frameIndex) - 1, run.total }));
    host.setStatusText(host.statusText() + "-" + "OK!");
    return result;
}
