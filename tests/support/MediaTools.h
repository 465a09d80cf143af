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

// A sound file made by the ffmpeg tool: a 440 Hz tone of that many seconds
// at half volume, at that sample rate and channel count, in the format its
// name says (.wav, .flac, .ogg...). False when the tool fails.
bool makeToneFile(const std::filesystem::path &file, double seconds, int sampleRate = 44100, int channels = 1);

// The first audio stream of a file as the ffmpeg tool decodes it (edit
// lists and encoder delay applied): mono, 48 kHz, floats.
struct DecodedAudio {
    std::string errors; // empty when clean
    std::vector<float> samples;
};
DecodedAudio decodeAudio(const std::filesystem::path &file);

// The codec name of each stream of the file, in order ("h264", "aac").
std::vector<std::string> streamCodecs(const std::filesystem::path &file);

// The MD5 of each decoded frame of the first video stream.
std::vector<std::string> videoFrameMd5s(const std::filesystem::path &file);

// The root mean square of samples [from, to) (clamped to the samples).
double rmsOf(const std::vector<float> &samples, std::size_t from, std::size_t to);

// A JPEG of the test panorama (makeTestPanorama) with an XMP packet whose
// rdf:Description carries `attributes` (Photo Sphere fields, prefix GPano).
void writeJpegWithPhotoSphere(const std::filesystem::path &path, int width, int height, const std::string &attributes);
