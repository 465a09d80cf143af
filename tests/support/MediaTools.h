#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Runs the ffprobe and ffmpeg command-line tools on a video file.
struct ToolRun {
    int exitCode = -1; // -1: the program could not run
    std::string out, err;
};
ToolRun runTool(const std::string &program, const std::vector<std::string> &arguments);

// The first video stream as ffprobe sees it, reading the whole file.
struct VideoStreamProbe {
    std::string codecTag; // codec_tag_string: "FFV1", "[0][0][0][0]"
    int width = 0, height = 0;
    std::string frameRate; // r_frame_rate: "10/1"
    long packets = 0; // packets read
    std::vector<std::string> packetFlags; // "K_", "__"...
};
VideoStreamProbe probeVideo(const std::filesystem::path &file);

// The whole file decoded by ffmpeg.
struct DecodedVideo {
    std::string errors; // what "ffmpeg -v error" prints: empty when clean
    std::vector<std::uint8_t> bgr; // every frame as decoded, rows top first, not padded
};
DecodedVideo decodeVideo(const std::filesystem::path &file);
