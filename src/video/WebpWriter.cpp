#include "video/WebpWriter.h"

#include "common/Bitmap24.h"
#include "video/QualityScale.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace {

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

WebPConfig makeConfig(const AnimationParams &params)
{
    WebPConfig config;
    WebPConfigInit(&config);
    config.lossless = params.lossless ? 1 : 0;
    config.quality
        = float(MapQuality(params.lossless ? QualityTarget::WebpLossless : QualityTarget::WebpLossy, params.quality));
    config.method = 6 - std::clamp(params.speed, 0, 6);
    config.thread_level = 1;
    return config;
}

} // namespace

WebpWriter::WebpWriter(std::string path, const AnimationParams &params)
    : m_path(std::move(path))
    , m_params(params)
{
    if (params.rate <= 0)
        fail("the frame rate must be at least 1");
    WebPConfig config = makeConfig(params);
    if (!WebPValidateConfig(&config))
        fail("libwebp refuses the settings");
    WebPAnimEncoderOptions options;
    if (!WebPAnimEncoderOptionsInit(&options))
        fail("libwebp version mismatch");
    options.anim_params.loop_count = 0; // for ever
    options.allow_mixed = 0;
    if (params.keyInterval == 1) {
        options.kmax = 1;
    } else if (params.keyInterval > 1) {
        options.kmax = params.keyInterval;
        options.kmin = std::max(1, std::min(params.keyInterval - 1, params.keyInterval / 2 + 1));
    }
    if (params.width <= 0 || params.height <= 0 || params.width > WEBP_MAX_DIMENSION
        || params.height > WEBP_MAX_DIMENSION)
        fail("a WebP frame is 1 to 16383 pixels each way, not " + std::to_string(params.width) + " x "
            + std::to_string(params.height));
    m_file = std::make_unique<AtomicFile>(m_path);
    if (!m_file->isOpen())
        fail(std::strerror(m_file->error()));
    m_encoder = WebPAnimEncoderNew(params.width, params.height, &options);
    if (!m_encoder)
        fail("libwebp could not start (out of memory or bad options)");
}

WebpWriter::~WebpWriter()
{
    if (m_encoder)
        WebPAnimEncoderDelete(m_encoder);
}

void WebpWriter::fail(const std::string &reason)
{
    m_failed = true;
    throw AnimationError("Cannot write the WebP file " + m_path + ": " + reason);
}

std::int64_t WebpWriter::timestamp(std::int64_t frame) const
{
    return (frame * 1000 + m_params.rate / 2) / m_params.rate;
}

void WebpWriter::addFrame(const Bitmap24 &frame)
{
    if (m_failed)
        throw AnimationError("Cannot write the WebP file " + m_path + ": the writer stopped after an earlier failure");
    if (frame.width() != m_params.width || frame.height() != m_params.height)
        fail("a frame of another size");
    WebPPicture picture;
    if (!WebPPictureInit(&picture))
        fail("libwebp version mismatch");
    picture.width = frame.width();
    picture.height = frame.height();
    picture.use_argb = 1;
    struct Free {
        WebPPicture &picture;
        ~Free() { WebPPictureFree(&picture); }
    } freeLater { picture };
    if (!WebPPictureImportBGR(&picture, frame.bits(), int(frame.stride())))
        fail("out of memory");
    WebPConfig config = makeConfig(m_params);
    if (!WebPAnimEncoderAdd(m_encoder, &picture, int(timestamp(m_frames)), &config)) {
        const char *why = WebPAnimEncoderGetError(m_encoder);
        fail(why && *why ? why : pictureError(picture.error_code));
    }
    ++m_frames;
}

std::string WebpWriter::finish(const VideoPublishing &publishing)
{
    if (m_failed)
        throw AnimationError("Cannot write the WebP file " + m_path + ": the writer stopped after an earlier failure");
    m_failed = true; // finishing happens once, whatever its outcome
    // The last frame lasts one frame too.
    if (!WebPAnimEncoderAdd(m_encoder, nullptr, int(timestamp(m_frames)), nullptr))
        fail(WebPAnimEncoderGetError(m_encoder));
    WebPData data;
    WebPDataInit(&data);
    if (!WebPAnimEncoderAssemble(m_encoder, &data)) {
        WebPDataClear(&data);
        fail(WebPAnimEncoderGetError(m_encoder));
    }
    const bool written = m_file->write(data.bytes, data.size);
    WebPDataClear(&data);
    if (!written)
        fail(std::strerror(m_file->error()));
    return PublishAnimationFile(*m_file, publishing, "WebP");
}
