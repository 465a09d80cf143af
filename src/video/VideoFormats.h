#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The containers and codecs a run can write, by the names the command line
// and the windows use.
enum class VideoContainer { Avi, Mp4, Webm, Mkv, Gif, Webp };
enum class VideoCodec { Default, H264, H265, Av1, Vp9, Ffv1 };

// Frames per second: num / den (AVI stores every whole rate 1..65535 exactly).
struct VideoRate {
    std::uint32_t num = 25;
    std::uint32_t den = 1;
    bool operator==(const VideoRate &) const = default;
};

// "25", or "30000/1001".
std::string RateText(VideoRate rate);

// "avi", "mp4", "webm", "mkv", "gif", "webp" (any letter case) and back.
std::optional<VideoContainer> ContainerFromName(const std::string &name);
const char *ContainerName(VideoContainer container);
// "h264", "h265", "av1", "vp9", "ffv1" (any letter case) and back.
std::optional<VideoCodec> CodecFromName(const std::string &name);
const char *CodecName(VideoCodec codec);
// The file's extension with its dot, upper case as every extension of the program: ".MP4".
std::string ContainerExtension(VideoContainer container);
// Whether the container can hold the codec; Default fits every container.
bool ContainerAccepts(VideoContainer container, VideoCodec codec);
