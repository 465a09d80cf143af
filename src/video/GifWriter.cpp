#include "video/GifWriter.h"

#include "common/Bitmap24.h"
#include "common/OrderedPipeline.h"
#include "video/FFmpegObjects.h"
#include "video/FFmpegOutputFile.h"
#include "video/QualityScale.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
}

#include <cerrno>
#include <cstring>
#include <new>
#include <optional>

struct GifWriter::Codec {
    explicit Codec(AtomicFile &file)
        : output(file)
    {
    }
    FFmpegOutputFile output; // closed last
    AVCodecContext *context = nullptr;
    AVPacket *packet = nullptr;

    ~Codec()
    {
        av_packet_free(&packet);
        avcodec_free_context(&context);
    }
};

struct GifWriter::Pending {
    Bitmap24 pixels; // shares the frame handed in until dithered
    ffmpeg::FramePtr indices;
};

namespace {

// Frames waiting for a dithering thread, at most; a frame and its indices
// are 4 bytes a pixel.
constexpr std::size_t kBytesInFlight = std::size_t(64) << 20;

} // namespace

float GifWriter::DitherFor(int quality)
{
    return float(MapQuality(QualityTarget::GifDither, quality));
}

GifWriter::GifWriter(std::string path, const AnimationParams &params, GifPalette palette)
    : m_path(std::move(path))
    , m_params(params)
    , m_dither(std::move(palette), DitherFor(params.quality))
{
    const auto fail = [this](const std::string &step, int code) {
        throw AnimationError("Cannot write the GIF file " + m_path + ": " + step + ": " + ffmpeg::errorText(code));
    };
    if (params.width <= 0 || params.height <= 0 || params.width > 65535 || params.height > 65535)
        throw AnimationError("Cannot write the GIF file " + m_path + ": a GIF frame is 1 to 65535 pixels each way, not "
            + std::to_string(params.width) + " x " + std::to_string(params.height));
    if (params.rate <= 0)
        throw AnimationError("Cannot write the GIF file " + m_path + ": the frame rate must be at least 1");
    m_file = std::make_unique<AtomicFile>(m_path);
    if (!m_file->isOpen())
        throw AnimationError("Cannot write the GIF file " + m_path + ": " + std::strerror(m_file->error()));

    m_codec = std::make_unique<Codec>(*m_file);
    Codec &c = *m_codec;
    if (const int e = c.output.open("gif"); e < 0)
        fail(e == AVERROR(ENOMEM) ? "output buffer" : "no GIF muxer", e);

    const AVCodec *encoder = avcodec_find_encoder(AV_CODEC_ID_GIF);
    if (!encoder)
        fail("no GIF encoder", AVERROR_ENCODER_NOT_FOUND);
    c.context = avcodec_alloc_context3(encoder);
    c.packet = av_packet_alloc();
    if (!c.context || !c.packet)
        fail("set-up", AVERROR(ENOMEM));
    c.context->width = params.width;
    c.context->height = params.height;
    c.context->pix_fmt = AV_PIX_FMT_PAL8;
    c.context->time_base = AVRational { 1, params.rate };
    c.context->framerate = AVRational { params.rate, 1 };
    // Store only the changed rectangle, and unchanged pixels as transparent.
    av_opt_set(c.context->priv_data, "gifflags", "+offsetting+transdiff", 0);
    if (const int e = avcodec_open2(c.context, encoder, nullptr); e < 0)
        fail("GIF encoder", e);
    AVDictionary *options = nullptr;
    av_dict_set(&options, "loop", "0", 0); // for ever
    const int e = c.output.writeHeader(c.context, &options);
    av_dict_free(&options);
    if (e < 0)
        fail("GIF header", e);

    m_pipeline = std::make_unique<OrderedPipeline>(OrderedPipeline::defaultWorkers(), kBytesInFlight);
}

GifWriter::~GifWriter() = default; // an unfinished file is discarded by AtomicFile

void GifWriter::drain()
{
    Codec &c = *m_codec;
    bool encoding = false;
    if (const int e = c.output.writeReady(c.context, c.packet, true, encoding); e < 0) {
        m_failed = true;
        throw AnimationError(
            "Cannot write the GIF file " + m_path + ": " + (encoding ? "encoding: " : "") + ffmpeg::errorText(e));
    }
}

void GifWriter::addFrame(const Bitmap24 &frame)
{
    if (m_failed || !m_codec)
        throw AnimationError("Cannot write the GIF file " + m_path + ": the writer stopped after an earlier failure");
    if (frame.width() != m_params.width || frame.height() != m_params.height)
        throw AnimationError("Cannot write the GIF file " + m_path + ": a frame of another size");
    auto pending = std::make_unique<Pending>();
    pending->indices.reset(av_frame_alloc());
    AVFrame *out = pending->indices.get();
    if (!out)
        throw AnimationError(
            "Cannot write the GIF file " + m_path + ": frame buffer: " + ffmpeg::errorText(AVERROR(ENOMEM)));
    out->format = AV_PIX_FMT_PAL8;
    out->width = frame.width();
    out->height = frame.height();
    if (const int e = av_frame_get_buffer(out, 0); e < 0)
        throw AnimationError("Cannot write the GIF file " + m_path + ": frame buffer: " + ffmpeg::errorText(e));
    auto *colours = reinterpret_cast<std::uint32_t *>(out->data[1]);
    const std::vector<GifPaletteColour> &palette = m_dither.palette().colours;
    for (std::size_t i = 0; i < 256; ++i) {
        const GifPaletteColour p = i < palette.size() ? palette[i] : GifPaletteColour {};
        colours[i] = 0xFF000000u | std::uint32_t(p.r) << 16 | std::uint32_t(p.g) << 8 | p.b;
    }
    colours[255] = 0; // free, fully transparent: the encoder's "unchanged" colour
    out->pts = m_handed;

    // A thread shares the frame's pixels; the caller's next frame gets fresh
    // ones (copy on write). Without threads the job runs here, on the frame.
    const bool inline_ = m_pipeline->workers() == 0;
    if (!inline_)
        pending->pixels.share(frame);
    const Bitmap24 &pixels = inline_ ? frame : pending->pixels;
    Pending *state = pending.get();
    m_pending.push_back(std::move(pending));
    ++m_handed;
    const std::size_t bytes = frame.byteCount() + std::size_t(out->linesize[0]) * std::size_t(out->height);
    m_pipeline->submit(bytes, [this, state, &pixels] {
        AVFrame *indices = state->indices.get();
        m_dither.remap(pixels, indices->data[0], std::size_t(indices->linesize[0]));
        state->pixels.clear();
    });
    encodeDithered(false);
}

// Codes the dithered frames in order: those ready, or (wait) all of them.
void GifWriter::encodeDithered(bool wait)
{
    Codec &c = *m_codec;
    while (const std::optional<OrderedPipeline::Finished> finished = m_pipeline->takeNext(wait)) {
        const std::unique_ptr<Pending> pending = std::move(m_pending.front());
        m_pending.pop_front();
        if (finished->error) {
            m_failed = true;
            std::string reason = "unknown failure";
            try {
                std::rethrow_exception(finished->error);
            } catch (const std::bad_alloc &) {
                reason = std::strerror(ENOMEM);
            } catch (const std::exception &e) {
                reason = e.what();
            } catch (...) {
            }
            throw AnimationError("Cannot write the GIF file " + m_path + ": dithering: " + reason);
        }
        if (const int e = avcodec_send_frame(c.context, pending->indices.get()); e < 0) {
            m_failed = true;
            throw AnimationError("Cannot write the GIF file " + m_path + ": encoding: " + ffmpeg::errorText(e));
        }
        drain();
        ++m_frames;
    }
}

std::string GifWriter::finish(const VideoPublishing &publishing)
{
    if (m_failed || !m_codec)
        throw AnimationError("Cannot write the GIF file " + m_path + ": the writer stopped after an earlier failure");
    encodeDithered(true);
    Codec &c = *m_codec;
    if (const int e = avcodec_send_frame(c.context, nullptr); e < 0) {
        m_failed = true;
        throw AnimationError("Cannot write the GIF file " + m_path + ": encoding: " + ffmpeg::errorText(e));
    }
    drain();
    m_failed = true; // finishing happens once, whatever its outcome
    if (const int e = c.output.finish(); e < 0)
        throw AnimationError("Cannot write the GIF file " + m_path + ": " + ffmpeg::errorText(e));
    return PublishAnimationFile(*m_file, publishing, "GIF");
}
