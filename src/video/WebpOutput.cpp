#include "video/WebpOutput.h"

#include "common/AtomicFile.h"
#include "common/OrderedPipeline.h"
#include "video/MuxerFile.h"
#include "video/PublishVideoFile.h"
#include "video/QualityScale.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <cerrno>
#include <cstring>
#include <new>

struct WebpOutput::Pending {
    WebPPicture picture;
    WebPMemoryWriter coded;
    bool ok = false;
    Pending()
    {
        WebPPictureInit(&picture);
        WebPMemoryWriterInit(&coded);
    }
    ~Pending()
    {
        WebPPictureFree(&picture);
        WebPMemoryWriterClear(&coded);
    }
};

namespace {

// Frames waiting for a worker, at most (4 bytes a pixel each).
constexpr std::size_t kBytesInFlight = std::size_t(128) << 20;

WebPConfig configFor(const VideoOutputSettings &outputSettings)
{
    WebPConfig config;
    WebPConfigInit(&config);
    config.lossless = outputSettings.lossless ? 1 : 0;
    const QualityMapping *mapping
        = FindQuality("libwebp", outputSettings.lossless ? QualityKnob::WebpEffort : QualityKnob::WebpQuality);
    config.quality
        = float(mapping ? MapQuality(*mapping, outputSettings.quality < 0 ? 75 : outputSettings.quality) : 75);
    config.method = 2; // speed 4 of 0 (slowest) to 6
    return config;
}

const char *pictureError(WebPEncodingError error)
{
    switch (error) {
    case VP8_ENC_ERROR_OUT_OF_MEMORY:
    case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY:
        return "out of memory";
    case VP8_ENC_ERROR_BAD_DIMENSION:
        return "frame size not allowed";
    case VP8_ENC_ERROR_FILE_TOO_BIG:
        return "file too big";
    default:
        return "encoding failed";
    }
}

// Milliseconds from the start to frame k.
std::int64_t timestamp(std::int64_t k, VideoRate rate)
{
    return (k * 1000 * std::int64_t(rate.den) + rate.num / 2) / rate.num;
}

} // namespace

std::string WebpSettingsRefusal(const VideoOutputSettings &outputSettings)
{
    WebPConfig config = configFor(outputSettings);
    return WebPValidateConfig(&config) ? std::string() : "libwebp refuses the settings";
}

WebpOutput::WebpOutput(const std::string &target, const VideoOutputSettings &outputSettings)
    : m_target(target)
    , m_outputSettings(outputSettings)
    , m_pipeline(std::make_unique<OrderedPipeline>(OrderedPipeline::defaultWorkers(), kBytesInFlight))
{
    if (std::string why = WebpSettingsRefusal(outputSettings); !why.empty())
        fail(VideoError::Reason::Settings, why);
    if (const int error = TargetNameError(target))
        fail(VideoError::Reason::File, std::string(std::strerror(error)) + ": " + target);
    m_file = std::make_unique<AtomicFile>(target);
    if (!m_file->isOpen())
        fail(VideoError::Reason::File, std::string(std::strerror(m_file->error())) + ": " + target);
}

WebpOutput::~WebpOutput()
{
    m_pipeline.reset(); // its jobs work on m_pending
}

void WebpOutput::fail(VideoError::Reason reason, const std::string &cause)
{
    m_failed = true;
    throw VideoError(reason, cause);
}

std::int64_t WebpOutput::queuedFrames() const
{
    return std::int64_t(m_pending.size());
}

void WebpOutput::writeFrame(const FrameRows &frame)
{
    if (m_failed || m_done)
        throw VideoError(VideoError::Reason::Frame, "the output stopped after an earlier failure");
    if (frame.width != m_outputSettings.width || frame.height != m_outputSettings.height)
        throw VideoError(VideoError::Reason::Frame, "a frame of another size");
    auto pending = std::make_unique<Pending>();
    WebPPicture &picture = pending->picture;
    picture.width = frame.width;
    picture.height = frame.height;
    picture.use_argb = 1;
    if (!WebPPictureImportBGR(&picture, frame.top, int(frame.pitch)))
        fail(VideoError::Reason::Frame, "out of memory");
    Pending *state = pending.get();
    m_pending.push_back(std::move(pending));
    const std::size_t bytes = std::size_t(frame.width) * std::size_t(frame.height) * 4;
    m_pipeline->submit(bytes, [state, config = configFor(m_outputSettings)] {
        state->picture.writer = WebPMemoryWrite;
        state->picture.custom_ptr = &state->coded;
        state->ok = WebPEncode(&config, &state->picture) != 0;
        WebPPictureFree(&state->picture); // the pixels are coded
    });
    takeCoded(false);
}

void WebpOutput::takeCoded(bool wait)
{
    while (const std::optional<OrderedPipeline::Finished> finished = m_pipeline->takeNext(wait)) {
        const std::unique_ptr<Pending> pending = std::move(m_pending.front());
        m_pending.pop_front();
        if (finished->error || !pending->ok)
            fail(VideoError::Reason::Frame,
                std::string("libwebp could not code a frame: ")
                    + (finished->error ? "out of memory" : pictureError(pending->picture.error_code)));
        m_coded.emplace_back(pending->coded.mem, pending->coded.mem + pending->coded.size);
    }
}

PublishedVideo WebpOutput::finish(const VideoPublishing &publishing)
{
    if (m_failed || m_done)
        throw VideoError(VideoError::Reason::Frame, "the output stopped after an earlier failure");
    m_done = true;
    takeCoded(true);
    PublishedVideo none;
    if (m_coded.empty())
        return none; // no frame, no file
    struct MuxFree {
        void operator()(WebPMux *mux) const { WebPMuxDelete(mux); }
    };
    const std::unique_ptr<WebPMux, MuxFree> mux(WebPMuxNew());
    if (!mux || WebPMuxSetCanvasSize(mux.get(), m_outputSettings.width, m_outputSettings.height) != WEBP_MUX_OK)
        fail(VideoError::Reason::File, "libwebp could not assemble the animation (out of memory)");
    WebPMuxAnimParams params;
    params.bgcolor = 0xFFFFFFFF;
    params.loop_count = 0; // for ever
    if (WebPMuxSetAnimationParams(mux.get(), &params) != WEBP_MUX_OK)
        fail(VideoError::Reason::File, "libwebp could not assemble the animation");
    for (std::size_t k = 0; k < m_coded.size(); ++k) {
        WebPMuxFrameInfo info {};
        info.bitstream.bytes = m_coded[k].data();
        info.bitstream.size = m_coded[k].size();
        info.id = WEBP_CHUNK_ANMF;
        info.duration = int(
            timestamp(std::int64_t(k) + 1, m_outputSettings.rate) - timestamp(std::int64_t(k), m_outputSettings.rate));
        info.dispose_method = WEBP_MUX_DISPOSE_NONE;
        info.blend_method = WEBP_MUX_NO_BLEND; // each frame whole
        if (WebPMuxPushFrame(mux.get(), &info, 0) != WEBP_MUX_OK)
            fail(VideoError::Reason::File, "libwebp could not assemble the animation");
    }
    WebPData data;
    WebPDataInit(&data);
    if (WebPMuxAssemble(mux.get(), &data) != WEBP_MUX_OK) {
        WebPDataClear(&data);
        fail(VideoError::Reason::File, "libwebp could not assemble the animation");
    }
    const bool written = m_file->write(data.bytes, data.size) && m_file->close();
    WebPDataClear(&data);
    if (!written)
        fail(VideoError::Reason::File,
            std::string(std::strerror(m_file->error() ? m_file->error() : EIO)) + ": " + m_target);
    try {
        const PublishedVideo published = PublishVideoFile(*m_file, publishing, framesInFile());
        m_file.reset();
        return published;
    } catch (const VideoError &) {
        m_file.reset();
        throw;
    }
}

void WebpOutput::abandon()
{
    m_done = true;
    m_pipeline->dropQueued();
    m_coded.clear();
    m_file.reset(); // unnamed or temporary: gone
}
