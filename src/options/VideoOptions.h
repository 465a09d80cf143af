#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Container and encoder choices of a video or animated picture file.
enum class VideoContainer { Mp4, Webm, Mkv, Gif, Webp };
enum class VideoCodec { Default, H264, H265, Av1, Vp9, Ffv1 };

// Settings of "Vidéo" runs: held for the whole program like the AVI options,
// read by the run when it starts writing.
struct TVideoOptions {
    VideoContainer Container = VideoContainer::Mp4;
    VideoCodec Codec = VideoCodec::Default; // the container's usual encoder
    std::int32_t Rate = 25; // frames per second
    std::int32_t Quality = 75; // 0 (smallest) to 100 (best)
    std::int32_t KeyInterval = 0; // a key frame every N frames; 0: the encoder's choice
    std::string Preset; // the encoder's speed preset; empty: its default
    bool Lossless = false; // animated WebP: lossless frames
};

// "mp4", "webm", "mkv", "gif", "webp" (any letter case) and back.
std::optional<VideoContainer> ContainerFromName(const std::string &name);
const char *ContainerName(VideoContainer container);
// "h264", "h265", "av1", "vp9", "ffv1" (any letter case) and back.
std::optional<VideoCodec> CodecFromName(const std::string &name);
const char *CodecName(VideoCodec codec);
// The file's extension with its dot, upper case as every extension of the program: ".MP4".
std::string ContainerExtension(VideoContainer container);
// Whether the container can hold the codec; Default fits every container.
bool ContainerAccepts(VideoContainer container, VideoCodec codec);
