#include "video/GifWriter.h"

#include "common/Bitmap24.h"
#include "video/FFmpegObjects.h"
#include "video/QualityScale.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
}

#include <cerrno>
#include <cstring>

namespace {

// The temporary file behind libavformat's output.
int writeToFile(void *opaque, ffmpeg::IoWriteBuffer data, int size)
{
    auto *file = static_cast<AtomicFile *>(opaque);
    return file->write(data, std::size_t(size)) ? size : AVERROR(file->error() ? file->error() : EIO);
}

} // namespace

struct GifWriter::Codec {
    AVFormatContext *format = nullptr;
    AVIOContext *io = nullptr;
    AVCodecContext *context = nullptr;
    AVStream *stream = nullptr;
    AVFrame *frame = nullptr;
    AVPacket *packet = nullptr;
    bool open = false; // header written, trailer not yet

    ~Codec()
    {
        // FFmpeg's GIF muxer frees its held-back packet only in its trailer;
        // what it writes goes to the temporary file, which is then discarded.
        if (open)
            av_write_trailer(format);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&context);
        if (format)
            avformat_free_context(format);
        if (io) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }
};

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

    m_codec = std::make_unique<Codec>();
    Codec &c = *m_codec;
    if (const int e = avformat_alloc_output_context2(&c.format, nullptr, "gif", nullptr); e < 0)
        fail("no GIF muxer", e);
    auto *buffer = static_cast<std::uint8_t *>(av_malloc(1 << 16));
    c.io = buffer ? avio_alloc_context(buffer, 1 << 16, 1, m_file.get(), nullptr, writeToFile, nullptr) : nullptr;
    if (!c.io) {
        av_free(buffer);
        fail("output buffer", AVERROR(ENOMEM));
    }
    c.format->pb = c.io;
    c.format->flags |= AVFMT_FLAG_CUSTOM_IO;

    const AVCodec *encoder = avcodec_find_encoder(AV_CODEC_ID_GIF);
    if (!encoder)
        fail("no GIF encoder", AVERROR_ENCODER_NOT_FOUND);
    c.stream = avformat_new_stream(c.format, nullptr);
    c.context = avcodec_alloc_context3(encoder);
    c.frame = av_frame_alloc();
    c.packet = av_packet_alloc();
    if (!c.stream || !c.context || !c.frame || !c.packet)
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
    if (const int e = avcodec_parameters_from_context(c.stream->codecpar, c.context); e < 0)
        fail("stream parameters", e);
    c.stream->time_base = c.context->time_base;
    AVDictionary *options = nullptr;
    av_dict_set(&options, "loop", "0", 0); // for ever
    const int e = avformat_write_header(c.format, &options);
    av_dict_free(&options);
    if (e < 0)
        fail("GIF header", e);
    c.open = true;

    c.frame->format = AV_PIX_FMT_PAL8;
    c.frame->width = params.width;
    c.frame->height = params.height;
    if (const int e2 = av_frame_get_buffer(c.frame, 0); e2 < 0)
        fail("frame buffer", e2);
}

GifWriter::~GifWriter() = default; // an unfinished file is discarded by AtomicFile

void GifWriter::drain()
{
    Codec &c = *m_codec;
    for (;;) {
        const int e = avcodec_receive_packet(c.context, c.packet);
        if (e == AVERROR(EAGAIN) || e == AVERROR_EOF)
            return;
        if (e < 0) {
            m_failed = true;
            throw AnimationError("Cannot write the GIF file " + m_path + ": encoding: " + ffmpeg::errorText(e));
        }
        c.packet->duration = 1;
        av_packet_rescale_ts(c.packet, c.context->time_base, c.stream->time_base);
        c.packet->stream_index = c.stream->index;
        if (const int w = av_write_frame(c.format, c.packet); w < 0) {
            m_failed = true;
            av_packet_unref(c.packet);
            throw AnimationError("Cannot write the GIF file " + m_path + ": " + ffmpeg::errorText(w));
        }
        av_packet_unref(c.packet);
    }
}

void GifWriter::addFrame(const Bitmap24 &frame)
{
    if (m_failed || !m_codec)
        throw AnimationError("Cannot write the GIF file " + m_path + ": the writer stopped after an earlier failure");
    if (frame.width() != m_params.width || frame.height() != m_params.height)
        throw AnimationError("Cannot write the GIF file " + m_path + ": a frame of another size");
    Codec &c = *m_codec;
    if (const int e = av_frame_make_writable(c.frame); e < 0)
        throw AnimationError("Cannot write the GIF file " + m_path + ": frame buffer: " + ffmpeg::errorText(e));
    m_dither.remap(frame, c.frame->data[0], std::size_t(c.frame->linesize[0]));
    auto *colours = reinterpret_cast<std::uint32_t *>(c.frame->data[1]);
    const std::vector<GifPaletteColour> &palette = m_dither.palette().colours;
    for (std::size_t i = 0; i < 256; ++i) {
        const GifPaletteColour p = i < palette.size() ? palette[i] : GifPaletteColour {};
        colours[i] = 0xFF000000u | std::uint32_t(p.r) << 16 | std::uint32_t(p.g) << 8 | p.b;
    }
    colours[255] = 0; // free, fully transparent: the encoder's "unchanged" colour
    c.frame->pts = m_frames;
    if (const int e = avcodec_send_frame(c.context, c.frame); e < 0) {
        m_failed = true;
        throw AnimationError("Cannot write the GIF file " + m_path + ": encoding: " + ffmpeg::errorText(e));
    }
    drain();
    ++m_frames;
}

std::string GifWriter::finish(const VideoPublishing &publishing)
{
    if (m_failed || !m_codec)
        throw AnimationError("Cannot write the GIF file " + m_path + ": the writer stopped after an earlier failure");
    Codec &c = *m_codec;
    if (const int e = avcodec_send_frame(c.context, nullptr); e < 0) {
        m_failed = true;
        throw AnimationError("Cannot write the GIF file " + m_path + ": encoding: " + ffmpeg::errorText(e));
    }
    drain();
    m_failed = true; // finishing happens once, whatever its outcome
    c.open = false;
    if (const int e = av_write_trailer(c.format); e < 0)
        throw AnimationError("Cannot write the GIF file " + m_path + ": " + ffmpeg::errorText(e));
    avio_flush(c.io);
    if (c.io->error < 0)
        throw AnimationError("Cannot write the GIF file " + m_path + ": " + ffmpeg::errorText(c.io->error));
    return PublishAnimationFile(*m_file, publishing, "GIF");
}
