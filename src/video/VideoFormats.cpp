#include "video/VideoFormats.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace {

struct ContainerRow {
    VideoContainer container;
    const char *name;
    const char *extension;
};
constexpr ContainerRow kContainers[] = {
    { VideoContainer::Avi, "avi", ".AVI" },
    { VideoContainer::Mp4, "mp4", ".MP4" },
    { VideoContainer::Webm, "webm", ".WEBM" },
    { VideoContainer::Mkv, "mkv", ".MKV" },
    { VideoContainer::Gif, "gif", ".GIF" },
    { VideoContainer::Webp, "webp", ".WEBP" },
};

struct CodecRow {
    VideoCodec codec;
    const char *name;
};
constexpr CodecRow kCodecs[] = {
    { VideoCodec::H264, "h264" },
    { VideoCodec::H265, "h265" },
    { VideoCodec::Av1, "av1" },
    { VideoCodec::Vp9, "vp9" },
    { VideoCodec::Ffv1, "ffv1" },
};

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

} // namespace

std::string RateText(VideoRate rate)
{
    std::string text = std::to_string(rate.num);
    if (rate.den != 1) {
        text += '/';
        text += std::to_string(rate.den);
    }
    return text;
}

std::optional<VideoContainer> ContainerFromName(const std::string &name)
{
    const std::string wanted = lower(name);
    for (const ContainerRow &row : kContainers)
        if (wanted == row.name)
            return row.container;
    return std::nullopt;
}

const char *ContainerName(VideoContainer container)
{
    for (const ContainerRow &row : kContainers)
        if (row.container == container)
            return row.name;
    return "";
}

std::string ContainerExtension(VideoContainer container)
{
    for (const ContainerRow &row : kContainers)
        if (row.container == container)
            return row.extension;
    return "";
}

std::optional<VideoCodec> CodecFromName(const std::string &name)
{
    const std::string wanted = lower(name);
    for (const CodecRow &row : kCodecs)
        if (wanted == row.name)
            return row.codec;
    return std::nullopt;
}

const char *CodecName(VideoCodec codec)
{
    for (const CodecRow &row : kCodecs)
        if (row.codec == codec)
            return row.name;
    return "";
}

bool ContainerAccepts(VideoContainer container, VideoCodec codec)
{
    if (codec == VideoCodec::Default)
        return true;
    switch (container) {
    case VideoContainer::Avi:
        return false; // its compressors are chosen by their four-character code
    case VideoContainer::Mp4:
        return codec == VideoCodec::H264 || codec == VideoCodec::H265 || codec == VideoCodec::Av1;
    case VideoContainer::Webm:
        return codec == VideoCodec::Vp9 || codec == VideoCodec::Av1;
    case VideoContainer::Mkv:
        return true;
    case VideoContainer::Gif:
    case VideoContainer::Webp:
        return false; // their own picture coding
    }
    return false;
}
