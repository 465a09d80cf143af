#include "video/MuxedVideoWriter.h"

#include "common/Bitmap24.h"
#include "video/FFmpegObjects.h"
#include "video/FFmpegOutputFile.h"
#include "video/QualityScale.h"
#include "video/Yuv420Conversion.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <string_view>
#include <unistd.h>

namespace {

// The converter's reference to a frame's pixels, which the caller owns.
void KeepPixels(void *, std::uint8_t *) { }

} // namespace

struct MuxedVideoWriter::Codec {
    explicit Codec(AtomicFile &file)
        : output(file)
    {
    }
    FFmpegOutputFile output; // closed last
    AVCodecContext *context = nullptr;
    AVFrame *frame = nullptr;
    AVPacket *packet = nullptr;
    SwsContext *sws = nullptr;
    AVFrame *source = nullptr; // the frame being converted, borrowed
    bool open = false; // header written, trailer not yet

    ~Codec()
    {
        sws_freeContext(sws);
        av_frame_free(&source);
        // Some encoders (SVT-AV1) hang when closed before the end of the stream.
        if (open && context && packet && avcodec_send_frame(context, nullptr) >= 0)
            while (avcodec_receive_packet(context, packet) >= 0)
                av_packet_unref(packet);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&context);
    }
};

namespace {

// The speed presets x264 and x265 share, fastest first.
constexpr const char *kX26xPresets = "ultrafast, superfast, veryfast, faster, fast, medium, slow, slower, veryslow, placebo";

bool IsX26xPreset(const std::string &name)
{
    std::string_view list = kX26xPresets;
    for (std::size_t at = 0; at < list.size();) {
        const std::size_t end = std::min(list.find(", ", at), list.size());
        if (list.substr(at, end - at) == name)
            return true;
        at = end + 2;
    }
    return false;
}

} // namespace

namespace {

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
    m_codec = std::make_unique<Codec>(*m_file);
    Codec &c = *m_codec;
    if (const int e = c.output.open(format.muxer); e < 0)
        fail(e == AVERROR(ENOMEM) ? std::string("output buffer") : std::string("no ") + format.muxer + " muxer", e);

    c.context = avcodec_alloc_context3(encoder);
    c.frame = av_frame_alloc();
    c.packet = av_packet_alloc();
    if (!c.context || !c.frame || !c.packet)
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
        cx->chroma_sample_location = AVCHROMA_LOC_CENTER; // ConvertBgrToYuv420's siting
    }
    if (c.output.wantsGlobalHeader())
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
        // x264 and x265 check a preset's name only when opened, and say
        // nothing usable: their names are checked here.
        if ((std::strcmp(format.encoder, "libx264") == 0 || std::strcmp(format.encoder, "libx265") == 0)
            && !IsX26xPreset(format.preset))
            refuse(std::string(format.encoder) + " has no speed preset '" + format.preset + "' (" + kX26xPresets
                + ")");
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
    AVDictionary *options = nullptr;
    if (std::strcmp(format.muxer, "mp4") == 0)
        av_dict_set(&options, "movflags", "+faststart", 0);
    const int e = c.output.writeHeader(cx, &options);
    av_dict_free(&options);
    if (e < 0)
        fail("header", e);
    c.open = true;

    c.frame->format = pixels;
    c.frame->width = params.width;
    c.frame->height = params.height;
    if (const int e2 = av_frame_get_buffer(c.frame, 0); e2 < 0)
        fail("frame buffer", e2);
    c.source = av_frame_alloc();
    if (!c.source)
        fail("set-up", AVERROR(ENOMEM));
    if (!lossless)
        return; // 4:2:0 frames are converted by ConvertBgrToYuv420
    // The lossless frames only gain a fourth byte; swscale does it in bands
    // on every core (0: one thread per core).
    c.sws = sws_alloc_context();
    if (!c.sws)
        fail("colour conversion", AVERROR(ENOMEM));
    av_opt_set_int(c.sws, "srcw", params.width, 0);
    av_opt_set_int(c.sws, "srch", params.height, 0);
    av_opt_set_int(c.sws, "src_format", AV_PIX_FMT_BGR24, 0);
    av_opt_set_int(c.sws, "dstw", params.width, 0);
    av_opt_set_int(c.sws, "dsth", params.height, 0);
    av_opt_set_int(c.sws, "dst_format", pixels, 0);
    av_opt_set_int(c.sws, "sws_flags", SWS_BICUBIC | SWS_ACCURATE_RND, 0);
    av_opt_set_int(c.sws, "threads", 0, 0);
    if (const int e2 = sws_init_context(c.sws, nullptr, nullptr); e2 < 0)
        fail("colour conversion", e2);
}

MuxedVideoWriter::~MuxedVideoWriter() = default; // an unfinished file is discarded by AtomicFile

void MuxedVideoWriter::drain()
{
    Codec &c = *m_codec;
    bool encoding = false;
    if (const int e = c.output.writeReady(c.context, c.packet, false, encoding); e < 0)
        fail(encoding ? "encoding" : "writing", e);
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
    if (!c.sws) {
        ConvertBgrToYuv420(frame.bits(), std::ptrdiff_t(frame.stride()), frame.width(), frame.height(),
            { c.frame->data[0], c.frame->linesize[0], c.frame->data[1], c.frame->linesize[1], c.frame->data[2],
                c.frame->linesize[2] });
        sendFrame();
        return;
    }
    // The frame's rows lent to the converter, which takes a counted reference.
    AVFrame *source = c.source;
    source->format = AV_PIX_FMT_BGR24;
    source->width = frame.width();
    source->height = frame.height();
    source->data[0] = const_cast<std::uint8_t *>(frame.bits());
    source->linesize[0] = int(frame.stride());
    source->buf[0] = av_buffer_create(source->data[0], frame.byteCount(), KeepPixels, nullptr, AV_BUFFER_FLAG_READONLY);
    if (!source->buf[0])
        fail("colour conversion", AVERROR(ENOMEM));
    const int converted = sws_scale_frame(c.sws, c.frame, source);
    av_frame_unref(source);
    if (converted < 0)
        fail("colour conversion", converted);
    sendFrame();
}

void MuxedVideoWriter::sendFrame()
{
    Codec &c = *m_codec;
    c.frame->pts = m_frames;
    if (const int e = avcodec_send_frame(c.context, c.frame); e < 0)
        fail("encoding", e);
    drain();
    ++m_frames;
}

std::int64_t MuxedVideoWriter::queuedFrames() const
{
    return m_codec ? m_frames - m_codec->output.packetsWritten() : 0;
}

std::int64_t MuxedVideoWriter::framesWritten() const
{
    return m_codec ? m_codec->output.packetsWritten() : 0;
}

std::string MuxedVideoWriter::finish(const VideoPublishing &publishing)
{
    if (m_failed || !m_codec)
        throw AnimationError("Cannot write the video file " + m_path + ": the writer stopped after an earlier failure");
    Codec &c = *m_codec;
    if (const int e = avcodec_send_frame(c.context, nullptr); e < 0)
        fail("encoding", e);
    // The look-ahead's frames, unless the user gives them up: the file then
    // ends with the packets written, all of them decodable.
    bool encoding = false;
    if (const int e = c.output.writeReady(c.context, c.packet, false, encoding, publishing.dropQueued); e < 0)
        fail(encoding ? "encoding" : "writing", e);
    m_failed = true; // finishing happens once, whatever its outcome
    c.open = false;
    if (const int e = c.output.finish(); e < 0)
        fail("index", e);
    return PublishAnimationFile(*m_file, publishing, "video");
}
