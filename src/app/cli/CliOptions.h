#pragma once

#include "anim/AnimSettings.h"
#include "options/AviOptions.h"
#include "options/JpegOptions.h"
#include "options/VideoOptions.h"
#include "output/FrameFile.h"
#include "output/OutputFormat.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The options of travelia-cli as typed. Values that depend on the picture
// (scroll type, frame size, base folder) stay unset until resolveDefaults.
struct CliOptions {
    std::string panorama;
    std::optional<std::int32_t> width;
    std::optional<std::int32_t> height;
    std::int32_t step = 1;
    std::optional<TScrollKind> scrollType;
    bool reverse = false;
    bool oneWay = false;
    bool loop360 = false;
    bool center = true;
    TOutputFormat format = FormatBmp;
    std::optional<std::string> folder;
    std::string subDir = "./anim";
    bool useSubDir = true;
    std::optional<std::string> name; // IMAGE, or ANIM for an AVI file
    std::string codec = "none"; // AVI compressor: handler code, or none
    std::optional<std::uint16_t> rate; // frames per second of a video file; unset: FrameRate's default
    std::uint16_t aviQuality = 10000;
    bool listCodecs = false;
    TVideoOptions video; // -f mp4|webm|mkv|gif|webp; its rate is --rate
    std::int32_t start = 0;
    bool formattedNumbers = true;
    TJpegOptions jpeg;
    FrameEncoding frames; // PNG and TIFF settings (its JPEG half is unused: see jpeg)
    unsigned threads = 0; // frame-file workers; 0 = one per processor
    bool nextFree = false;
    bool overwrite = false;
    bool test = false;
    bool quiet = false;
    bool verbose = false;
    bool help = false;
    bool version = false;
};

// Parses the arguments after the program name; on a usage error returns
// nothing and sets error.
std::optional<CliOptions> ParseCliOptions(const std::vector<std::string> &args, std::string &error);

// What the main window's panel would hold after opening a picture of that
// size at start-up, for every value the user did not give: the scroll type
// follows the picture's shape; a wide picture under a horizontal scroll gets
// a 4:3 frame of its own height, anything else 1024 x 768 (choosing the
// other scroll type resets the size). The base folder is the picture's own;
// the base name IMAGE, or ANIM for an AVI file.
void ResolveDefaults(CliOptions &options, int pictureWidth, int pictureHeight);

// The frames per second of the video file: --rate, else the output's default,
// the window's too: 10 for AVI, 30 for MP4, WebM, MKV, GIF and WebP.
std::uint16_t FrameRate(const CliOptions &options);

std::string CliUsage();
