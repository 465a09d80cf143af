#include "video/VideoEncoder.h"

#include "video/JpegFramePipeline.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// How the quality (0..10000) reaches each encoder: linearly from the value
// for 0 to the value for 10000 on the encoder's own scale.
//
// | encoders                                            | setting                               | 0 -> 10000 |
// |-----------------------------------------------------|---------------------------------------|------------|
// | mjpeg (made by libjpeg-turbo, 4:2:0)                | libjpeg's quality, quality / 100      | 1 -> 100   |
// | mpeg1video, mpeg2video, mpeg4, msmpeg4v2,           | fixed quantiser: AV_CODEC_FLAG_QSCALE | 31 -> 1    |
// | msmpeg4 (v3), wmv1, wmv2, h263p, flv, amv, speedhq, | and global_quality (also set on each  |            |
// | snow, asv1, asv2, libxvid                           | frame), qmin lowered to 1             |            |
// | libtheora                                           | the same flag, its 0..10 quality      | 0 -> 10    |
// | libx264                                             | crf                                   | 51 -> 16   |
// | libx265                                             | crf                                   | 51 -> 18   |
// | libvpx-vp9                                          | crf, no bit rate: constant quality    | 63 -> 12   |
// | libaom-av1                                          | crf, no bit rate: constant quality    | 63 -> 0    |
// | libvpx (VP8)                                        | qmin = qmax = crf                     | 63 -> 4    |
// | librav1e                                            | qp                                    | 255 -> 0   |
// | lossless codecs (ffv1, huffyuv, ffvhuff, utvideo,   | none: the encoder's default           |            |
// | magicyuv, png, zlib, zmbv...) and all others        |                                       |            |
//
// A data rate, when given, replaces the quality: bit_rate = 8 x bytes per second
// (MJPEG has no rate control: it keeps its quality).
//
// Quality 10000 is "visually lossless", not a lossless mode: H.264, MPEG-4,
// VP8 and VP9 always go out as 4:2:0 with the colour range, matrix and
// primaries tagged (BT.709, limited range), which every player decodes.
// Lossless files come from the lossless compressors.
enum class QualityKnob { FixedQuantiser, Crf, Qp, QuantiserRange, JpegQuality };

struct QualityRule {
    const char *encoder;
    QualityKnob knob;
    int atZero;
    int atFull;
};

constexpr QualityRule kQualityRules[] = {
    { "mjpeg", QualityKnob::JpegQuality, 1, 100 },
    { "mpeg1video", QualityKnob::FixedQuantiser, 31, 1 },
    { "mpeg2video", QualityKnob::FixedQuantiser, 31, 1 },
    { "mpeg4", QualityKnob::FixedQuantiser, 31, 1 },
    { "msmpeg4v2", QualityKnob::FixedQuantiser, 31, 1 },
    { "msmpeg4", QualityKnob::FixedQuantiser, 31, 1 },
    { "wmv1", QualityKnob::FixedQuantiser, 31, 1 },
    { "wmv2", QualityKnob::FixedQuantiser, 31, 1 },
    { "h263p", QualityKnob::FixedQuantiser, 31, 1 },
    { "flv", QualityKnob::FixedQuantiser, 31, 1 },
    { "amv", QualityKnob::FixedQuantiser, 31, 1 },
    { "speedhq", QualityKnob::FixedQuantiser, 31, 1 },
    { "snow", QualityKnob::FixedQuantiser, 31, 1 },
    { "asv1", QualityKnob::FixedQuantiser, 31, 1 },
    { "asv2", QualityKnob::FixedQuantiser, 31, 1 },
    { "libxvid", QualityKnob::FixedQuantiser, 31, 1 },
    { "libtheora", QualityKnob::FixedQuantiser, 0, 10 },
    { "libx264", QualityKnob::Crf, 51, 16 },
    { "libx265", QualityKnob::Crf, 51, 18 },
    { "libvpx-vp9", QualityKnob::Crf, 63, 12 },
    { "libaom-av1", QualityKnob::Crf, 63, 0 },
    { "libvpx", QualityKnob::QuantiserRange, 63, 4 },
    { "librav1e", QualityKnob::Qp, 255, 0 },
};

const QualityRule *qualityRule(const AVCodec *codec)
{
    for (const QualityRule &rule : kQualityRules)
        if (std::strcmp(rule.encoder, codec->name) == 0)
            return &rule;
    return nullptr;
}

bool applyQuality(AVCodecContext *context, const QualityRule &rule, std::uint32_t quality)
{
    const int value = rule.atZero + int(std::lround((rule.atFull - rule.atZero) * (quality / 10000.0)));
    switch (rule.knob) {
    case QualityKnob::FixedQuantiser:
        context->flags |= AV_CODEC_FLAG_QSCALE;
        context->global_quality = FF_QP2LAMBDA * value;
        if (value >= 1)
            context->qmin = std::min(context->qmin, value); // the default 2 would clip quantiser 1
        return true;
    case QualityKnob::Crf:
        return av_opt_set_double(context, "crf", value, AV_OPT_SEARCH_CHILDREN) >= 0;
    case QualityKnob::Qp:
        return av_opt_set_int(context, "qp", value, AV_OPT_SEARCH_CHILDREN) >= 0;
    case QualityKnob::JpegQuality:
        return true; // read by the JPEG compressor itself
    case QualityKnob::QuantiserRange:
        context->qmin = context->qmax = value;
        // libvpx's constant-quality level must lie inside that range.
        return av_opt_set_int(context, "crf", value, AV_OPT_SEARCH_CHILDREN) >= 0;
    }
    return false;
}

// Codecs that players expect in 4:2:0.
bool playersWant420(const AVCodec *codec)
{
    return codec->id == AV_CODEC_ID_H264 || codec->id == AV_CODEC_ID_MPEG4 || codec->id == AV_CODEC_ID_VP8
        || codec->id == AV_CODEC_ID_VP9;
}

// Sizes that compressors take but cannot write decodable frames for,
// known by name so that the refusal says what would work.
struct SizeRule {
    const char *encoder;
    int widthMultiple;
};
constexpr SizeRule kSizeRules[] = { { "speedhq", 16 }, { "zlib", 4 }, { "cljr", 4 } };

std::string sizeRefusal(const AVCodec *codec, int width)
{
    for (const SizeRule &rule : kSizeRules)
        if (std::strcmp(rule.encoder, codec->name) == 0 && width % rule.widthMultiple != 0)
            return "needs a width that is a multiple of " + std::to_string(rule.widthMultiple);
    return {};
}

// Encodes one grey frame and decodes it back; the reason when that fails.
std::string roundTripRefusal(const AVCodec *codec, EncoderParams params)
{
    params.checkDecodes = false;
    VideoEncoder encoder;
    if (!encoder.open(codec, params))
        return encoder.refusal();
    const std::size_t stride = (std::size_t(params.width) * 3 + 3) & ~std::size_t(3);
    const std::vector<std::uint8_t> grey(stride * std::size_t(params.height), 128);
    ffmpeg::PacketPtr packet(av_packet_alloc());
    ffmpeg::FramePtr frame(av_frame_alloc());
    const AVCodec *decoder = avcodec_find_decoder(codec->id);
    ffmpeg::CodecContextPtr context(decoder ? avcodec_alloc_context3(decoder) : nullptr);
    if (!packet || !frame || !context)
        return {}; // nothing to check with: the encoder is taken at its word
    const ffmpeg::ErrorCapture capture;
    context->width = params.width;
    context->height = params.height;
    context->codec_tag = encoder.context()->codec_tag;
    context->bits_per_coded_sample = encoder.context()->bits_per_coded_sample;
    if (encoder.context()->extradata_size > 0) {
        context->extradata = static_cast<std::uint8_t *>(
            av_mallocz(std::size_t(encoder.context()->extradata_size) + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!context->extradata)
            return {};
        std::memcpy(context->extradata, encoder.context()->extradata, std::size_t(encoder.context()->extradata_size));
        context->extradata_size = encoder.context()->extradata_size;
    }
    std::string failure;
    if (encoder.send(grey.data(), stride, 0, true) < 0 || encoder.flush() < 0)
        failure = "cannot compress a frame of this size";
    else if (encoder.receive(packet.get()) < 0)
        failure = "cannot compress a frame of this size";
    else if (avcodec_open2(context.get(), decoder, nullptr) < 0 || avcodec_send_packet(context.get(), packet.get()) < 0
        || avcodec_send_packet(context.get(), nullptr) < 0 || avcodec_receive_frame(context.get(), frame.get()) < 0
        || frame->width != params.width || frame->height != params.height)
        failure = "writes frames of this size that do not decode";
    if (failure.empty() && !capture.last().empty())
        failure = "writes frames of this size that do not decode";
    if (!failure.empty() && !capture.last().empty())
        failure += " (" + capture.last() + ")";
    return failure;
}

bool losslessOnly(const AVCodec *codec)
{
    const AVCodecDescriptor *descriptor = avcodec_descriptor_get(codec->id);
    return descriptor && (descriptor->props & AV_CODEC_PROP_LOSSLESS) && !(descriptor->props & AV_CODEC_PROP_LOSSY);
}

} // namespace

AVPixelFormat encoderPixelFormat(const AVCodec *codec, int width, int height)
{
    const AVPixelFormat *formats = ffmpeg::supportedPixelFormats(codec);
    if (!formats)
        return AV_PIX_FMT_NONE;
    if (playersWant420(codec)) {
        for (const AVPixelFormat *format = formats; *format != AV_PIX_FMT_NONE; ++format)
            if (*format == AV_PIX_FMT_YUV420P)
                return width % 2 == 0 && height % 2 == 0 ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_NONE;
    }
    const bool exactWanted = losslessOnly(codec);
    AVPixelFormat exact = AV_PIX_FMT_NONE, fitting = AV_PIX_FMT_NONE, first = AV_PIX_FMT_NONE;
    int exactBits = INT_MAX;
    for (const AVPixelFormat *format = formats; *format != AV_PIX_FMT_NONE; ++format) {
        const AVPixFmtDescriptor *descriptor = av_pix_fmt_desc_get(*format);
        if (!descriptor || !sws_isSupportedOutput(*format))
            continue;
        if (first == AV_PIX_FMT_NONE)
            first = *format;
        if (fitting == AV_PIX_FMT_NONE && width % (1 << descriptor->log2_chroma_w) == 0
            && height % (1 << descriptor->log2_chroma_h) == 0)
            fitting = *format;
        if (exactWanted && av_get_pix_fmt_loss(*format, AV_PIX_FMT_BGR24, 0) == 0) {
            const int bits = av_get_padded_bits_per_pixel(descriptor);
            if (bits < exactBits) {
                exact = *format;
                exactBits = bits;
            }
        }
    }
    return exact != AV_PIX_FMT_NONE ? exact : fitting != AV_PIX_FMT_NONE ? fitting : first;
}

bool encoderHasQuality(const AVCodec *codec)
{
    return qualityRule(codec) != nullptr;
}

VideoEncoder::VideoEncoder() = default;

VideoEncoder::~VideoEncoder()
{
    // Some encoders (SVT-AV1) hang when closed without the end of the stream.
    if (m_context && !m_flushed && flush() >= 0) {
        ffmpeg::PacketPtr packet(av_packet_alloc());
        while (packet && receive(packet.get()) >= 0)
            av_packet_unref(packet.get());
    }
}

bool VideoEncoder::refuse(std::string reason)
{
    m_refusal = std::move(reason);
    return false;
}

bool VideoEncoder::open(const AVCodec *codec, const EncoderParams &params)
{
    m_refusal.clear();
    if (m_context || !codec)
        return refuse("no such compressor");
    if (params.width <= 0 || params.height <= 0)
        return refuse("an empty frame");
    if (params.rate == 0 || params.scale == 0 || params.rate > INT_MAX || params.scale > INT_MAX)
        return refuse("a frame rate of 0");
    if (codec->id == AV_CODEC_ID_MJPEG)
        return openJpeg(codec, params);
    const AVPixelFormat format = encoderPixelFormat(codec, params.width, params.height);
    if (format == AV_PIX_FMT_NONE)
        return refuse(playersWant420(codec) ? "needs an even width and height (4:2:0)"
                                            : "takes no pixel format that 24-bit frames convert to");
    ffmpeg::CodecContextPtr context(avcodec_alloc_context3(codec));
    ffmpeg::FramePtr frame(av_frame_alloc());
    if (!context || !frame)
        return refuse("out of memory");
    context->width = params.width;
    context->height = params.height;
    context->pix_fmt = format;
    context->time_base = { int(params.scale), int(params.rate) };
    context->framerate = { int(params.rate), int(params.scale) };
    context->sample_aspect_ratio = { 1, 1 };
    context->max_b_frames = 0; // one packet per frame, in order: sample n is frame n
    context->thread_count = 0;
    const AVPixFmtDescriptor *descriptor = av_pix_fmt_desc_get(format);
    const bool yuv = descriptor && !(descriptor->flags & AV_PIX_FMT_FLAG_RGB) && descriptor->nb_components >= 3;
    if (yuv) {
        // Tagged, so that players convert back with the matrix we used.
        context->color_range = AVCOL_RANGE_MPEG;
        context->colorspace = AVCOL_SPC_BT709;
        context->color_primaries = AVCOL_PRI_BT709;
        context->color_trc = AVCOL_TRC_BT709;
    }
    if (params.keyFrameEvery > 0)
        context->gop_size = int(std::min<std::uint32_t>(params.keyFrameEvery, INT_MAX));
    if (params.bytesPerSecond > 0) {
        context->bit_rate = std::int64_t(params.bytesPerSecond) * 8;
    } else if (params.quality <= 10000) {
        if (const QualityRule *rule = qualityRule(codec); rule && !applyQuality(context.get(), *rule, params.quality))
            return refuse("refuses its quality setting");
    }
    if (std::strcmp(codec->name, "libx265") == 0)
        // It prints on stderr itself; should the option go, it is only chattier.
        (void)av_opt_set(context.get(), "x265-params", "log-level=none", AV_OPT_SEARCH_CHILDREN);

    frame->format = format;
    frame->width = params.width;
    frame->height = params.height;
    ffmpeg::SwsPtr sws(sws_getContext(params.width, params.height, AV_PIX_FMT_BGR24, params.width, params.height,
        format, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr));
    if (!sws || av_frame_get_buffer(frame.get(), 0) < 0)
        return refuse("out of memory");
    if (yuv) {
        const int *bt709 = sws_getCoefficients(SWS_CS_ITU709);
        sws_setColorspaceDetails(sws.get(), bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    }
    const ffmpeg::ErrorCapture capture;
    if (std::string reason = sizeRefusal(codec, params.width); !reason.empty())
        return refuse(reason);
    if (const int ret = avcodec_open2(context.get(), codec, nullptr); ret < 0) {
        const std::string said = capture.last();
        const std::string text = ffmpeg::errorText(ret);
        return refuse("refuses " + std::to_string(params.width) + " x " + std::to_string(params.height) + " at "
            + std::to_string(params.rate) + (params.scale != 1 ? "/" + std::to_string(params.scale) : "")
            + " frames per second: " + (said.empty() ? std::string(text) : said));
    }
    if (const AVCodecDescriptor *d = avcodec_descriptor_get(codec->id);
        params.checkDecodes && d && (d->props & AV_CODEC_PROP_INTRA_ONLY)) {
        if (std::string reason = roundTripRefusal(codec, params); !reason.empty())
            return refuse(reason);
    }
    m_context = std::move(context);
    m_sws = std::move(sws);
    m_frame = std::move(frame);
    return true;
}

bool VideoEncoder::openJpeg(const AVCodec *codec, const EncoderParams &params)
{
    ffmpeg::CodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context)
        return refuse("out of memory");
    context->width = params.width;
    context->height = params.height;
    context->pix_fmt = AV_PIX_FMT_YUVJ420P;
    context->color_range = AVCOL_RANGE_JPEG;
    context->time_base = { int(params.scale), int(params.rate) };
    context->framerate = { int(params.rate), int(params.scale) };
    context->sample_aspect_ratio = { 1, 1 };
    const int quality = params.quality <= 10000 ? int(std::lround(params.quality / 100.0)) : 75; // libjpeg's default
    try {
        m_jpeg = std::make_unique<JpegFramePipeline>(
            params.width, params.height, quality, std::max(1u, std::thread::hardware_concurrency()));
    } catch (const std::exception &e) {
        return refuse(e.what()); // no worker thread, no memory
    }
    m_context = std::move(context);
    return true;
}

int VideoEncoder::send(const std::uint8_t *bottomRow, std::ptrdiff_t pitch, std::int64_t pts, bool keyFrame)
{
    if (m_jpeg)
        return m_flushed ? AVERROR(EINVAL) : m_jpeg->send(bottomRow, pitch, pts); // every frame a key frame
    if (!m_frame || m_flushed)
        return AVERROR(EINVAL);
    if (const int ret = av_frame_make_writable(m_frame.get()); ret < 0)
        return ret; // the encoder may still hold the previous picture
    const int height = m_context->height;
    // Read top row first, whichever way the rows lie: no flip, no copy.
    const std::uint8_t *source[4] = { bottomRow + std::ptrdiff_t(height - 1) * pitch, nullptr, nullptr, nullptr };
    const int sourceStride[4] = { -int(pitch), 0, 0, 0 };
    if (sws_scale(m_sws.get(), source, sourceStride, 0, height, m_frame->data, m_frame->linesize) != height)
        return AVERROR(EINVAL);
    m_frame->pts = pts;
    ffmpeg::requestKeyFrame(m_frame.get(), keyFrame);
    if (m_context->flags & AV_CODEC_FLAG_QSCALE)
        m_frame->quality = m_context->global_quality; // fixed-quantiser encoders read it from each frame
    return avcodec_send_frame(m_context.get(), m_frame.get());
}

void VideoEncoder::dropQueued()
{
    // SVT-AV1 hangs when closed without the end of its stream: it keeps it.
    if (m_context && std::strcmp(m_context->codec->name, "libsvtav1") != 0)
        m_flushed = true;
    if (m_jpeg)
        m_jpeg->drop();
}

int VideoEncoder::flush()
{
    if (!m_context)
        return AVERROR(EINVAL);
    if (m_flushed)
        return 0;
    m_flushed = true;
    if (m_jpeg)
        return m_jpeg->flush();
    return avcodec_send_frame(m_context.get(), nullptr);
}

int VideoEncoder::receive(AVPacket *packet)
{
    if (m_jpeg)
        return m_jpeg->receive(packet);
    return m_context ? avcodec_receive_packet(m_context.get(), packet) : AVERROR(EINVAL);
}

bool probeEncoder(const AVCodec *codec, std::uint32_t &ownTag)
{
    ownTag = 0;
    constexpr int width = 160, height = 120; // divides every chroma subsampling
    VideoEncoder encoder;
    if (!encoder.open(codec, EncoderParams { width, height }))
        return false;
    const std::size_t stride = (width * 3 + 3) & ~3;
    const std::vector<std::uint8_t> black(stride * height, 0);
    ffmpeg::PacketPtr packet(av_packet_alloc());
    if (!packet || encoder.send(black.data(), stride, 0, true) < 0 || encoder.flush() < 0)
        return false;
    int packets = 0, ret = 0;
    while ((ret = encoder.receive(packet.get())) >= 0) {
        ++packets;
        av_packet_unref(packet.get());
    }
    ownTag = encoder.context()->codec_tag;
    return ret == AVERROR_EOF && packets > 0;
}
