#include "video/EncoderDescription.h"

#include "video/FFmpegObjects.h"
#include "video/FourCC.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>

namespace {

// What sets an encoder apart, by libavcodec's name; the rest is read from
// libavcodec itself.
struct EncoderTraits {
    const char *name;
    const char *presetOption = nullptr;
    const char *presetNames = nullptr;
    int presetLowest = 0, presetHighest = 0;
    const char *defaultPreset = nullptr;
    const char *paramsOption = nullptr;
    const char *quietParams = nullptr;
    const char *exactKeyParams = nullptr;
    bool rowThreads = false;
    const char *logLevelVariable = nullptr;
    int minWidth = 0, minHeight = 0, maxWidth = 0, maxHeight = 0, widthMultiple = 1;
    bool sizeForPlayers = false; // the maximum is what players take, not what the encoder can
    bool drainBeforeClose = false;
};

// The speed presets x264 and x265 share, fastest first; they check a name
// only when opened and then say nothing usable.
constexpr const char *kX26xPresets
    = "ultrafast, superfast, veryfast, faster, fast, medium, slow, slower, veryslow, placebo";

constexpr EncoderTraits kTraits[] = {
    { .name = "libx264",
        .presetOption = "preset",
        .presetNames = kX26xPresets,
        .paramsOption = "x264-params",
        .exactKeyParams = "scenecut=0",
        // Level 5.1, what hardware decoders, phones and the sites take.
        .maxWidth = 4096,
        .maxHeight = 4096,
        .sizeForPlayers = true },
    { .name = "libx265",
        .presetOption = "preset",
        .presetNames = kX26xPresets,
        .paramsOption = "x265-params",
        .quietParams = "log-level=none",
        .exactKeyParams = "scenecut=0:open-gop=0" },
    { .name = "libsvtav1",
        .presetOption = "preset",
        .presetLowest = 0,
        .presetHighest = 13,
        .logLevelVariable = "SVT_LOG",
        .minWidth = 64,
        .minHeight = 64,
        .maxWidth = 16384,
        .maxHeight = 8704,
        .drainBeforeClose = true },
    // VP9 has no named presets: its speed is cpu-used, 0 (slow) to 8.
    { .name = "libvpx-vp9",
        .presetOption = "cpu-used",
        .presetLowest = 0,
        .presetHighest = 8,
        .defaultPreset = "4",
        .rowThreads = true,
        .maxWidth = 16384,
        .maxHeight = 16384 },
    // Sizes they take but cannot write decodable frames for.
    { .name = "speedhq", .widthMultiple = 16 },
    { .name = "zlib", .widthMultiple = 4 },
    { .name = "cljr", .widthMultiple = 4 },
};

const EncoderTraits *traitsOf(const char *name)
{
    for (const EncoderTraits &t : kTraits)
        if (std::strcmp(t.name, name) == 0)
            return &t;
    return nullptr;
}

// Codecs that players expect in 4:2:0, and that refuse other sizes here.
bool playersWant420(AVCodecID id)
{
    return id == AV_CODEC_ID_H264 || id == AV_CODEC_ID_HEVC || id == AV_CODEC_ID_AV1 || id == AV_CODEC_ID_MPEG4
        || id == AV_CODEC_ID_VP8 || id == AV_CODEC_ID_VP9;
}

bool losslessOnly(AVCodecID id)
{
    const AVCodecDescriptor *d = avcodec_descriptor_get(id);
    return d && (d->props & AV_CODEC_PROP_LOSSLESS) && !(d->props & AV_CODEC_PROP_LOSSY);
}

const AVOutputFormat *aviMuxer()
{
    static const AVOutputFormat *avi = av_guess_format("avi", nullptr, nullptr);
    return avi;
}

bool inList(std::string_view list, std::string_view name)
{
    for (std::size_t at = 0; at < list.size();) {
        const std::size_t end = std::min(list.find(", ", at), list.size());
        if (list.substr(at, end - at) == name)
            return true;
        at = end + 2;
    }
    return false;
}

} // namespace

EncoderDescription DescribeEncoder(const AVCodec *codec)
{
    EncoderDescription d;
    if (!codec)
        return d;
    d.codec = codec;
    d.name = codec->name;
    d.title = codec->name;
    if (const AVOutputFormat *avi = aviMuxer())
        d.aviCode = av_codec_get_tag(avi->codec_tag, codec->id);
    d.quality = FindQuality(codec->name);
    if (const EncoderTraits *t = traitsOf(codec->name)) {
        d.presetOption = t->presetOption;
        d.presetNames = t->presetNames;
        d.presetLowest = t->presetLowest;
        d.presetHighest = t->presetHighest;
        d.defaultPreset = t->defaultPreset;
        d.paramsOption = t->paramsOption;
        d.quietParams = t->quietParams;
        d.exactKeyParams = t->exactKeyParams;
        d.rowThreads = t->rowThreads;
        d.logLevelVariable = t->logLevelVariable;
        d.minWidth = t->minWidth;
        d.minHeight = t->minHeight;
        d.maxWidth = t->maxWidth;
        d.maxHeight = t->maxHeight;
        d.sizeForPlayers = t->sizeForPlayers;
        d.widthMultiple = t->widthMultiple;
        d.drainBeforeClose = t->drainBeforeClose;
    }
    const AVCodecDescriptor *descriptor = avcodec_descriptor_get(codec->id);
    d.checkDecodes = descriptor && (descriptor->props & AV_CODEC_PROP_INTRA_ONLY) && codec->id != AV_CODEC_ID_MJPEG
        && codec->id != AV_CODEC_ID_GIF;
    return d;
}

AVPixelFormat EncoderDescription::pixelFormat(int width, int height, PixelRoute &route) const
{
    route = PixelRoute::Swscale;
    if (!codec)
        return AV_PIX_FMT_NONE;
    if (codec->id == AV_CODEC_ID_MJPEG) {
        route = PixelRoute::Jpeg;
        return AV_PIX_FMT_YUVJ420P;
    }
    if (codec->id == AV_CODEC_ID_GIF) {
        route = PixelRoute::Palette;
        return AV_PIX_FMT_PAL8;
    }
    const AVPixelFormat *formats = ffmpeg::supportedPixelFormats(codec);
    if (!formats)
        return AV_PIX_FMT_NONE;
    if (playersWant420(codec->id)) {
        for (const AVPixelFormat *f = formats; *f != AV_PIX_FMT_NONE; ++f)
            if (*f == AV_PIX_FMT_YUV420P) {
                route = PixelRoute::Yuv420;
                return width % 2 == 0 && height % 2 == 0 ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_NONE;
            }
    }
    // Lossless codecs get exact RGB, the fewest bits a pixel; packed before
    // planar, which our rows become by a plain copy.
    const bool exactWanted = losslessOnly(codec->id);
    AVPixelFormat exact = AV_PIX_FMT_NONE, fitting = AV_PIX_FMT_NONE, first = AV_PIX_FMT_NONE;
    int exactBits = INT_MAX;
    bool exactPlanar = true;
    for (const AVPixelFormat *f = formats; *f != AV_PIX_FMT_NONE; ++f) {
        const AVPixFmtDescriptor *descriptor = av_pix_fmt_desc_get(*f);
        if (!descriptor || !sws_isSupportedOutput(*f))
            continue;
        if (first == AV_PIX_FMT_NONE)
            first = *f;
        if (fitting == AV_PIX_FMT_NONE && width % (1 << descriptor->log2_chroma_w) == 0
            && height % (1 << descriptor->log2_chroma_h) == 0)
            fitting = *f;
        if (exactWanted && av_get_pix_fmt_loss(*f, AV_PIX_FMT_BGR24, 0) == 0) {
            const int bits = av_get_padded_bits_per_pixel(descriptor);
            const bool planar = descriptor->flags & AV_PIX_FMT_FLAG_PLANAR;
            if ((exactPlanar && !planar) || (planar == exactPlanar && bits < exactBits)) {
                exact = *f;
                exactBits = bits;
                exactPlanar = planar;
            }
        }
    }
    const AVPixelFormat chosen = exact != AV_PIX_FMT_NONE ? exact : fitting != AV_PIX_FMT_NONE ? fitting : first;
    if (chosen == AV_PIX_FMT_YUV420P)
        route = PixelRoute::Yuv420;
    return chosen;
}

std::string EncoderDescription::sizeRefusal(int width, int height) const
{
    const auto size = [&] { return std::to_string(width) + " x " + std::to_string(height); };
    PixelRoute route;
    if (pixelFormat(width, height, route) == AV_PIX_FMT_NONE)
        return route == PixelRoute::Yuv420 ? "needs an even width and height (4:2:0), not " + size()
                                           : "takes no pixel format that 24-bit frames convert to";
    if (sizeForPlayers && ((maxWidth && width > maxWidth) || (maxHeight && height > maxHeight)))
        return "frames play on phones and hardware players only up to " + std::to_string(maxWidth)
            + " pixels a side, not " + size();
    if ((maxWidth && width > maxWidth) || (maxHeight && height > maxHeight))
        return "takes frames of at most " + std::to_string(maxWidth) + " x " + std::to_string(maxHeight)
            + " pixels, not " + size();
    if (width < minWidth || height < minHeight)
        return "takes frames of at least " + std::to_string(minWidth) + " x " + std::to_string(minHeight)
            + " pixels, not " + size();
    if (width % widthMultiple != 0)
        return "needs a width that is a multiple of " + std::to_string(widthMultiple);
    return {};
}

std::string EncoderDescription::presetRefusal(const std::string &preset) const
{
    if (preset.empty())
        return {};
    if (!presetOption)
        return "has no speed presets";
    if (presetNames)
        return inList(presetNames, preset) ? std::string()
                                           : "has no speed preset '" + preset + "' (" + presetNames + ")";
    std::string range = "(";
    range += std::to_string(presetLowest) + " to " + std::to_string(presetHighest) + ")";
    std::size_t used = 0;
    int value = 0;
    try {
        value = std::stoi(preset, &used);
    } catch (const std::exception &) {
        used = 0;
    }
    if (used != preset.size() || value < presetLowest || value > presetHighest)
        return "has no speed preset '" + preset + "' " + range;
    return {};
}

EncoderDescription EncoderForCodec(VideoContainer container, VideoCodec codec, std::string &why)
{
    if (codec == VideoCodec::Default) {
        switch (container) {
        case VideoContainer::Mp4:
            codec = VideoCodec::H264;
            break;
        case VideoContainer::Webm:
            codec = VideoCodec::Vp9;
            break;
        case VideoContainer::Mkv:
            codec = VideoCodec::Ffv1;
            break;
        case VideoContainer::Gif:
        case VideoContainer::Avi:
        case VideoContainer::Webp:
            break;
        }
    }
    const char *name = nullptr;
    switch (codec) {
    case VideoCodec::H264:
        name = "libx264";
        break;
    case VideoCodec::H265:
        name = "libx265";
        break;
    case VideoCodec::Av1:
        name = "libsvtav1";
        break;
    case VideoCodec::Vp9:
        name = "libvpx-vp9";
        break;
    case VideoCodec::Ffv1:
        name = "ffv1";
        break;
    case VideoCodec::Default:
        if (container != VideoContainer::Gif)
            return {};
        name = "gif";
        break;
    }
    const AVCodec *encoder = avcodec_find_encoder_by_name(name);
    if (!encoder)
        why = std::string("this machine's FFmpeg has no ") + name + " encoder";
    return DescribeEncoder(encoder);
}

std::vector<EncoderDescription> AviEncoders()
{
    std::vector<EncoderDescription> found;
    const AVOutputFormat *avi = aviMuxer();
    if (!avi)
        return found;
    void *iterator = nullptr;
    while (const AVCodec *codec = av_codec_iterate(&iterator)) {
        if (av_codec_is_encoder(codec) && codec->type == AVMEDIA_TYPE_VIDEO && codec->id != AV_CODEC_ID_RAWVIDEO
            && !(codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL)
            && avformat_query_codec(avi, codec->id, FF_COMPLIANCE_NORMAL) == 1)
            found.push_back(DescribeEncoder(codec));
    }
    return found;
}

std::vector<EncoderDescription> AviEncodersFor(std::uint32_t code)
{
    const AVOutputFormat *avi = aviMuxer();
    if (!avi || code == 0)
        return {};
    // The codecs whose own code it is, in FFmpeg's order ("H263": H.263, then
    // H.263+, which serves sizes H.263 cannot; "LJPG": lossless JPEG, not the
    // Motion JPEG the table also knows it for), else the table's for it (its
    // matching, too, is without regard to case); each codec's encoders in
    // FFmpeg's order.
    std::vector<EncoderDescription> all = AviEncoders();
    std::vector<AVCodecID> ids;
    for (const EncoderDescription &d : all)
        if (fourccUpper(d.aviCode) == fourccUpper(code) && std::find(ids.begin(), ids.end(), d.codec->id) == ids.end())
            ids.push_back(d.codec->id);
    if (ids.empty())
        if (const AVCodecID id = av_codec_get_id(avi->codec_tag, code); id != AV_CODEC_ID_NONE)
            ids.push_back(id);
    std::vector<EncoderDescription> found;
    for (const AVCodecID id : ids)
        for (const EncoderDescription &d : all)
            if (d.codec->id == id)
                found.push_back(d);
    return found;
}
