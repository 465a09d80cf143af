#pragma once

#include "anim/AnimSettings.h"
#include "anim/FrameSequence.h"
#include "jpeg/JpegOptions.h"
#include "options/AviOptions.h"
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
    CameraMove camera; // --size, a fractional --step, --duration, --ease, --hold; its rate is the output's
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
    // Frames per second of AVI and video files (and of the camera's
    // durations); unset: 10 for AVI, 30 for the others.
    std::optional<std::uint16_t> rate;
    std::uint16_t aviQuality = 10000;
    bool listCodecs = false;
    TVideoOptions video; // -f mp4|webm|mkv|gif|webp; its rate is --rate
    std::string site; // --for: the video site the file is made for (youtube, shorts, reels, tiktok)
    std::int64_t maxBitsPerSecond = 0; // the site's ceiling
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
    // 360° views: the picture's projection (unset: its Photo Sphere
    // metadata, else flat), the view, its field and pitch in degrees, and
    // the little planet's opening.
    std::optional<SphereProjection> inputProjection;
    std::optional<ViewProjection> view;
    std::optional<double> fov;
    std::optional<double> pitch;
    bool planetIntro = false;
    bool help = false;
    bool version = false;
};

// The frame rate the options give: --rate, or the format's default (10 for
// AVI, 30 for video files and frame series).
std::uint16_t RateOf(const CliOptions &options);

// "1920x1080" (any letter case for the x), or one of the sizes by name:
// 720p, 1080p, 1440p, 2160p (16:9), vertical (1080 x 1920), square (1080 x
// 1080). Nothing for anything else, or a side below 2.
std::optional<PictureSize> SizeFromText(const std::string &text);

// Parses the arguments after the program name; on a usage error returns
// nothing and sets error.
std::optional<CliOptions> ParseCliOptions(const std::vector<std::string> &args, std::string &error);

// What the main window's panel would hold after opening a picture of that
// size at start-up, for every value the user did not give: the scroll type
// follows the picture's shape; a wide picture under a horizontal scroll gets
// a 4:3 frame of its own height, anything else 1024 x 768 (choosing the
// other scroll type resets the size). The base folder is the picture's own;
// the base name IMAGE, or ANIM for an AVI file.
// Views of a 360° panorama (views) have frames of 1920 x 1080 by default.
void ResolveDefaults(CliOptions &options, int pictureWidth, int pictureHeight, bool views = false);

// The field of view of a view when --fov is not given: 90 degrees
// rectilinear, 270 stereographic.
double FovOf(const CliOptions &options);

std::string CliUsage();
