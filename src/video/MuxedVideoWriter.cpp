#include "video/MuxedVideoWriter.h"

#include "common/Bitmap24.h"
#include "video/FFmpegObjects.h"
#include "video/QualityScale.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <cerrno>
#include <cmath>
#include <cstring>
#include <unistd.h>

namespace {

// A view of the unnamed file with its own position: the muxer writes through
// one and, for the index at the front, reads back through a second one.
struct FileView {
    int fd = -1;
    std::int64_t position = 0;
    std::int64_t *size = nullptr; // shared by the views
};

int writeView(void *opaque, ffmpeg::IoWriteBuffer data, int length)
{
    auto *view = static_cast<FileView *>(opaque);
    int done = 0;
    while (done < length) {
        const ssize_t n = ::pwrite(view->fd, data + done, std::size_t(length - done), view->position);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return AVERROR(errno);
        }
        done += int(n);
        view->position += n;
    }
    *view->size = std::max(*view->size, view->position);
    return done;
}

int readView(void *opaque, std::uint8_t *data, int length)
{
    auto *view = static_cast<FileView *>(opaque);
    for (;;) {
        const ssize_t n = ::pread(view->fd, data, std::size_t(length), view->position);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return AVERROR(errno);
        if (n == 0)
            return AVERROR_EOF;
        view->position += n;
        return int(n);
    }
}

std::int64_t seekView(void *opaque, std::int64_t offset, int whence)
{
    auto *view = static_cast<FileView *>(opaque);
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return *view->size;
    case SEEK_SET:
        view->position = offset;
        break;
    case SEEK_CUR:
        view->position += offset;
        break;
    case SEEK_END:
        view->position = *view->size + offset;
        break;
    default:
        return AVERROR(EINVAL);
    }
    return view->position;
}

AVIOContext *openView(FileView *view, bool write)
{
    auto *buffer = static_cast<std::uint8_t *>(av_malloc(1 << 16));
    if (!buffer)
        return nullptr;
    AVIOContext *io = avio_alloc_context(
        buffer, 1 << 16, write ? 1 : 0, view, write ? nullptr : readView, write ? writeView : nullptr, seekView);
    if (!io)
        av_free(buffer);
    return io;
}

void closeView(AVIOContext *&io)
{
    if (!io)
        return;
    av_freep(&io->buffer);
    avio_context_free(&io);
}

} // namespace

struct MuxedVideoWriter::Codec {
    std::int64_t size = 0;
    FileView view;
    FileView readBack; // the muxer's second pass
    AVFormatContext *format = nullptr;
    AVIOContext *io = nullptr;
    AVCodecContext *context = nullptr;
    AVStream *stream = nullptr;
    AVFrame *frame = nullptr;
    AVPacket *packet = nullptr;
    SwsContext *sws = nullptr;
    bool open = false; // header written, trailer not yet

    ~Codec()
    {
        sws_freeContext(sws);
        // Some encoders (SVT-AV1) hang when closed before the end of the stream.
        if (open && context && packet && avcodec_send_frame(context, nullptr) >= 0)
            while (avcodec_receive_packet(context, packet) >= 0)
                av_packet_unref(packet);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&context);
        if (format) {
            if (open)
                av_write_trailer(format); // into the unnamed file, which is then dropped
            avformat_free_context(format);
        }
        closeView(io);
    }
};

namespace {

// The muxer reopens its output by name for the second pass of the MP4 index;
// the unnamed file has none, so it gets a reading view of it instead.
int openReadBack(AVFormatContext *format, AVIOContext **pb, const char *, int flags, AVDictionary **)
{
    auto *view = static_cast<FileView *>(format->opaque);
    if (flags & AVIO_FLAG_WRITE)
        return AVERROR(EPERM);
    view->position = 0;
    *pb = openView(view, false);
    return *pb ? 0 : AVERROR(ENOMEM);
}

#if LIBAVFORMAT_VERSION_MAJOR >= 59
int closeReadBack(AVFormatContext *, AVIOContext *pb)
{
    closeView(pb);
    return 0;
}
#endif

struct EncoderQuality {
    const char *encoder;
    QualityTarget target;
    const char *option;
};
constexpr EncoderQuality kEncoderQuality[] = {
    { "libx264", QualityTarget::X264Crf, "crf" },
    { "libx265", QualityTarget::X265Crf, "crf" },
    { "libsvtav1", QualityTarget::SvtAv1Crf, "crf" },
    { "libvpx-vp9", QualityTarget::Vp9Crf, "crf" },
};

} // namespace

void MuxedVideoWriter::fail(const std::string &step, int code)
{
    m_failed = true;
    throw AnimationError("Cannot write the video file " + m_path + ": " + step + ": " + ffmpeg::errorText(code));
}

MuxedVideoWriter::MuxedVideoWriter(std::string path, const AnimationParams &params, const MuxedVideoFormat &format)
    : m_path(std::move(path))
    , m_params(params)
{
    const auto refuse = [this](const std::string &reason) {
        m_failed = true;
        throw AnimationError("Cannot write the video file " + m_path + ": " + reason);
    };
    if (params.width <= 0 || params.height <= 0)
        refuse("an empty frame");
    if (params.rate <= 0)
        refuse("the frame rate must be at least 1");
    ffmpeg::routeLogs(); // FFmpeg's messages go to the program's log, not the terminal
    const AVCodec *encoder = avcodec_find_encoder_by_name(format.encoder);
    if (!encoder)
        refuse(std::string("this machine's FFmpeg has no ") + format.encoder + " encoder");
    const bool lossless = encoder->id == AV_CODEC_ID_FFV1;
    const AVPixelFormat pixels = lossless ? AV_PIX_FMT_BGR0 : AV_PIX_FMT_YUV420P;
    if (!lossless && (params.width % 2 || params.height % 2))
        refuse(std::string(format.encoder) + " needs an even width and height (4:2:0), not "
            + std::to_string(params.width) + " x " + std::to_string(params.height));

    m_file = std::make_unique<AtomicFile>(m_path);
    if (!m_file->isOpen())
        refuse(std::strerror(m_file->error()));
    m_codec = std::make_unique<Codec>();
    Codec &c = *m_codec;
    c.view = { m_file->fd(), 0, &c.size };
    c.readBack = { m_file->fd(), 0, &c.size };
    if (const int e = avformat_alloc_output_context2(&c.format, nullptr, format.muxer, nullptr); e < 0)
        fail(std::string("no ") + format.muxer + " muxer", e);
    c.io = openView(&c.view, true);
    if (!c.io)
        fail("output buffer", AVERROR(ENOMEM));
    c.format->pb = c.io;
    c.format->flags |= AVFMT_FLAG_CUSTOM_IO;
    c.format->opaque = &c.readBack;
    c.format->io_open = openReadBack;
#if LIBAVFORMAT_VERSION_MAJOR >= 59
    c.format->io_close2 = closeReadBack;
#endif

    c.stream = avformat_new_stream(c.format, nullptr);
    c.context = avcodec_alloc_context3(encoder);
    c.frame = av_frame_alloc();
    c.packet = av_packet_alloc();
    if (!c.stream || !c.context || !c.frame || !c.packet)
        fail("set-up", AVERROR(ENOMEM));
    AVCodecContext *cx = c.context;
    cx->width = params.width;
    cx->height = params.height;
    cx->pix_fmt = pixels;
    cx->time_base = AVRational { 1, params.rate };
    cx->framerate = AVRational { params.rate, 1 };
    cx->sample_aspect_ratio = AVRational { 1, 1 };
    cx->thread_count = 0;
    if (!lossless) {
        cx->color_range = AVCOL_RANGE_MPEG;
        cx->colorspace = AVCOL_SPC_BT709;
        cx->color_primaries = AVCOL_PRI_BT709;
        cx->color_trc = AVCOL_TRC_BT709;
    }
    if (c.format->oformat->flags & AVFMT_GLOBALHEADER)
        cx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (params.keyInterval > 0) {
        // Exactly every N frames: no extra key frames at scene cuts.
        cx->gop_size = params.keyInterval;
        cx->keyint_min = params.keyInterval;
        if (std::strcmp(format.encoder, "libx264") == 0)
            av_opt_set(cx->priv_data, "x264-params", "scenecut=0", 0);
        if (std::strcmp(format.encoder, "libx265") == 0)
            av_opt_set(cx->priv_data, "x265-params", "scenecut=0:open-gop=0:log-level=none", 0);
    } else if (std::strcmp(format.encoder, "libx265") == 0) {
        av_opt_set(cx->priv_data, "x265-params", "log-level=none", 0);
    }
    for (const EncoderQuality &q : kEncoderQuality)
        if (std::strcmp(q.encoder, format.encoder) == 0
            && av_opt_set_int(cx->priv_data, q.option, std::lround(MapQuality(q.target, params.quality)), 0) < 0)
            refuse(std::string(format.encoder) + " refuses its quality setting");
    if (std::strcmp(format.encoder, "libvpx-vp9") == 0) {
        cx->bit_rate = 0; // constant quality
        av_opt_set_int(cx->priv_data, "row-mt", 1, 0);
    }
    if (!format.preset.empty()) {
        // VP9 has no named presets: its speed is cpu-used, 0 (slow) to 8.
        const char *option = std::strcmp(format.encoder, "libvpx-vp9") == 0 ? "cpu-used" : "preset";
        if (av_opt_set(cx->priv_data, option, format.preset.c_str(), 0) < 0)
            refuse(std::string(format.encoder) + " has no speed preset '" + format.preset + "'");
    } else if (std::strcmp(format.encoder, "libvpx-vp9") == 0) {
        av_opt_set_int(cx->priv_data, "cpu-used", 4, 0);
    }
    {
        const ffmpeg::ErrorCapture capture; // the encoder's own words for a refusal
        if (const int e = avcodec_open2(cx, encoder, nullptr); e < 0) {
            const std::string said = capture.last();
            refuse(std::string(format.encoder) + " refuses " + std::to_string(params.width) + " x "
                + std::to_string(params.height) + " at " + std::to_string(params.rate) + " frames per second"
                + (format.preset.empty() ? "" : " with the preset '" + format.preset + "'") + ": "
                + (said.empty() ? ffmpeg::errorText(e) : said));
        }
    }
    if (const int e = avcodec_parameters_from_context(c.stream->codecpar, cx); e < 0)
        fail("stream parameters", e);
    c.stream->time_base = cx->time_base;
    c.stream->avg_frame_rate = cx->framerate;
    AVDictionary *options = nullptr;
    if (std::strcmp(format.muxer, "mp4") == 0)
        av_dict_set(&options, "movflags", "+faststart", 0);
    const int e = avformat_write_header(c.format, &options);
    av_dict_free(&options);
    if (e < 0)
        fail("header", e);
    c.open = true;

    c.frame->format = pixels;
    c.frame->width = params.width;
    c.frame->height = params.height;
    if (const int e2 = av_frame_get_buffer(c.frame, 0); e2 < 0)
        fail("frame buffer", e2);
    c.sws = sws_getContext(params.width, params.height, AV_PIX_FMT_BGR24, params.width, params.height, pixels,
        SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
    if (!c.sws)
        fail("colour conversion", AVERROR(ENOMEM));
    if (!lossless) {
        const int *bt709 = sws_getCoefficients(SWS_CS_ITU709);
        sws_setColorspaceDetails(c.sws, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    }
}

MuxedVideoWriter::~MuxedVideoWriter() = default; // an unfinished file is discarded by AtomicFile

void MuxedVideoWriter::drain()
{
    Codec &c = *m_codec;
    for (;;) {
        const int e = avcodec_receive_packet(c.context, c.packet);
        if (e == AVERROR(EAGAIN) || e == AVERROR_EOF)
            return;
        if (e < 0)
            fail("encoding", e);
        av_packet_rescale_ts(c.packet, c.context->time_base, c.stream->time_base);
        c.packet->stream_index = c.stream->index;
        const int w = av_interleaved_write_frame(c.format, c.packet);
        av_packet_unref(c.packet);
        if (w < 0)
            fail("writing", w);
    }
}

void MuxedVideoWriter::addFrame(const Bitmap24 &frame)
{
    if (m_failed || !m_codec)
        throw AnimationError("Cannot write the video file " + m_path + ": the writer stopped after an earlier failure");
    if (frame.width() != m_params.width || frame.height() != m_params.height)
        throw AnimationError("Cannot write the video file " + m_path + ": a frame of another size");
    Codec &c = *m_codec;
    if (const int e = av_frame_make_writable(c.frame); e < 0)
        fail("frame buffer", e);
    const std::uint8_t *rows[1] = { frame.bits() };
    const int strides[1] = { int(frame.stride()) };
    sws_scale(c.sws, rows, strides, 0, frame.height(), c.frame->data, c.frame->linesize);
    c.frame->pts = m_frames;
    if (const int e = avcodec_send_frame(c.context, c.frame); e < 0)
        fail("encoding", e);
    drain();
    ++m_frames;
}

std::string MuxedVideoWriter::finish(const VideoPublishing &publishing)
{
    if (m_failed || !m_codec)
        throw AnimationError("Cannot write the video file " + m_path + ": the writer stopped after an earlier failure");
    Codec &c = *m_codec;
    if (const int e = avcodec_send_frame(c.context, nullptr); e < 0)
        fail("encoding", e);
    drain();
    m_failed = true; // finishing happens once, whatever its outcome
    c.open = false;
    if (const int e = av_write_trailer(c.format); e < 0)
        fail("index", e);
    avio_flush(c.io);
    if (c.io->error < 0)
        fail("writing", c.io->error);
    return PublishAnimationFile(*m_file, publishing, "video");
}
