#include "app/cli/CliOptions.h"

#include "common/TextFormat.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>

namespace {

bool readNumber(const std::string &option, const std::string &text, std::int32_t &value, std::string &error)
{
    const auto number = parseInt32(text);
    if (!number) {
        error = "invalid number for " + option + ": '" + text + "'";
        return false;
    }
    value = *number;
    return true;
}

// A number of seconds: decimal, at least 0.
bool readSeconds(const std::string &option, const std::string &text, double &value, std::string &error)
{
    char *end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(seconds) || seconds < 0
        || seconds > 86400) {
        error = "invalid number of seconds for " + option + ": '" + text + "'";
        return false;
    }
    value = seconds;
    return true;
}

// What a video site asks of the files it takes: H.264 in MP4, index first,
// key frames (closed groups) every half second, under a bit-rate ceiling.
struct SitePreset {
    const char *name;
    PictureSize size;
    std::int64_t maxBitsPerSecond; // at that size
};
constexpr SitePreset kSites[] = {
    { "youtube", { 1920, 1080 }, 12'000'000 },
    { "shorts", { 1080, 1920 }, 10'000'000 },
    { "reels", { 1080, 1920 }, 8'000'000 },
    { "tiktok", { 1080, 1920 }, 10'000'000 },
};

constexpr PictureSize kDefaultViewSize { kDefaultViewWidth, kDefaultViewHeight };

// "12.5", "-90", "200": as short as the value allows.
std::string numberText(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

struct NamedSize {
    const char *name;
    PictureSize size;
};
constexpr NamedSize kNamedSizes[] = {
    { "720p", { 1280, 720 } },
    { "1080p", { 1920, 1080 } },
    { "1440p", { 2560, 1440 } },
    { "2160p", { 3840, 2160 } },
    { "vertical", { 1080, 1920 } },
    { "square", { 1080, 1080 } },
};

// A number of degrees within [low, high] (or the open bounds): the refusal
// names the value and the range.
bool readDegrees(const std::string &option, const std::string &text, double &value, std::string &error)
{
    char *end = nullptr;
    const double degrees = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(degrees)) {
        error = "invalid number of degrees for " + option + ": '" + text + "'";
        return false;
    }
    value = degrees;
    return true;
}

} // namespace

double FovOf(const CliOptions &options)
{
    if (options.fov)
        return *options.fov;
    return options.view == ViewProjection::Stereographic ? kDefaultStereographicFov : kDefaultRectilinearFov;
}

std::uint16_t RateOf(const CliOptions &options)
{
    if (options.rate)
        return *options.rate;
    return options.format == FormatAvi ? TAviOptions {}.Rate : std::uint16_t(TVideoOptions {}.Rate);
}

std::optional<PictureSize> SizeFromText(const std::string &text)
{
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    for (const NamedSize &named : kNamedSizes)
        if (lower == named.name)
            return named.size;
    const std::size_t x = lower.find('x');
    if (x == std::string::npos)
        return std::nullopt;
    const std::string w = lower.substr(0, x), h = lower.substr(x + 1);
    const auto digits = [](const std::string &t) {
        return !t.empty() && t.size() <= 5
            && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(w) || !digits(h))
        return std::nullopt;
    const PictureSize size { std::stoi(w), std::stoi(h) };
    if (size.width < 2 || size.height < 2)
        return std::nullopt;
    return size;
}

std::optional<CliOptions> ParseCliOptions(const std::vector<std::string> &args, std::string &error)
{
    CliOptions o;
    using Flag = std::function<void()>;
    using Valued = std::function<bool(const std::string &option, const std::string &value)>;
    const auto number = [&](std::int32_t &target) {
        return Valued([&](const std::string &option, const std::string &value) {
            return readNumber(option, value, target, error);
        });
    };
    std::int32_t width = 0, height = 0, quality = 0;

    const std::map<std::string, Flag> flags {
        { "--horizontal", [&] { o.scrollType = ScrollHorizontal; } },
        { "--vertical", [&] { o.scrollType = ScrollVertical; } },
        { "--reverse", [&] { o.reverse = true; } },
        { "--one-way", [&] { o.oneWay = true; } },
        { "--loop360", [&] { o.loop360 = true; } },
        { "--lossless", [&] { o.video.Lossless = true; } },
        { "--no-center", [&] { o.center = false; } },
        { "--no-subdir", [&] { o.useSubDir = false; } },
        { "--plain-numbers", [&] { o.formattedNumbers = false; } },
        { "--grayscale", [&] { o.jpeg.Grayscale = true; } },
        { "--progressive", [&] { o.jpeg.ProgressiveEncoding = true; } },
        { "--subsample-h", [&] { o.jpeg.HorzSubSampling = true; } },
        { "--subsample-v", [&] { o.jpeg.VertSubSampling = true; } },
        { "--next-free", [&] { o.nextFree = true; } },
        { "--overwrite", [&] { o.overwrite = true; } },
        { "--test", [&] { o.test = true; } },
        { "--list-codecs", [&] { o.listCodecs = true; } },
        { "-q", [&] { o.quiet = true; } },
        { "-v", [&] { o.verbose = true; } },
        { "--verbose", [&] { o.verbose = true; } },
        { "--quiet", [&] { o.quiet = true; } },
        { "-h", [&] { o.help = true; } },
        { "--help", [&] { o.help = true; } },
        { "--version", [&] { o.version = true; } },
    };
    const Valued setWidth = [&](const std::string &opt, const std::string &v) {
        if (!readNumber(opt, v, width, error))
            return false;
        o.width = width;
        return true;
    };
    const Valued setHeight = [&](const std::string &opt, const std::string &v) {
        if (!readNumber(opt, v, height, error))
            return false;
        o.height = height;
        return true;
    };
    const Valued setFormat = [&](const std::string &opt, const std::string &v) {
        std::string name = v;
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        if (name == "bmp")
            o.format = FormatBmp;
        else if (name == "jpg" || name == "jpeg")
            o.format = FormatJpg;
        else if (name == "avi")
            o.format = FormatAvi;
        else if (name == "png")
            o.format = FormatPng;
        else if (name == "tif" || name == "tiff")
            o.format = FormatTiff;
        else if (const auto container = ContainerFromName(name)) {
            o.format = FormatVideo;
            o.video.Container = *container;
        } else {
            error
                = "unknown format for " + opt + ": '" + v + "' (bmp, jpg, png, tif, avi, mp4, webm, mkv, gif or webp)";
            return false;
        }
        return true;
    };
    const Valued setQuality = [&](const std::string &opt, const std::string &v) {
        if (!readNumber(opt, v, quality, error))
            return false;
        if (quality < 5 || quality > 100) {
            error = "JPEG quality must lie between 5 and 100";
            return false;
        }
        o.jpeg.CompressionQuality = std::uint8_t(quality);
        return true;
    };
    const auto text = [&](auto &target) {
        return Valued([&](const std::string &, const std::string &v) {
            target = v;
            return true;
        });
    };
    // A 16-bit AVI value: negative is refused, above the maximum is held there.
    const auto aviValue = [&](std::uint16_t &target, std::int32_t maximum) {
        return Valued([&, maximum](const std::string &opt, const std::string &v) {
            std::int32_t value = 0;
            if (!readNumber(opt, v, value, error))
                return false;
            if (value < 0) {
                error = opt + " cannot be negative";
                return false;
            }
            target = std::uint16_t(std::min(value, maximum));
            return true;
        });
    };
    std::uint16_t rate = 0;
    const Valued setRate = [&, setValue = aviValue(rate, 65535)](const std::string &opt, const std::string &v) {
        if (!setValue(opt, v))
            return false;
        o.rate = rate;
        return true;
    };
    const Valued setThreads = [&](const std::string &opt, const std::string &v) {
        std::int32_t n = 0;
        if (!readNumber(opt, v, n, error))
            return false;
        if (n < 1 || n > 256) {
            error = opt + " must lie between 1 and 256";
            return false;
        }
        o.threads = unsigned(n);
        return true;
    };
    const Valued setPngLevel = [&](const std::string &opt, const std::string &v) {
        std::int32_t n = 0;
        if (!readNumber(opt, v, n, error))
            return false;
        if (n < 0 || n > kMaxPngLevel) {
            error = opt + " must lie between 0 and 9";
            return false;
        }
        o.frames.pngLevel = n;
        return true;
    };
    const Valued setTiffCompression = [&](const std::string &opt, const std::string &v) {
        if (v == "deflate")
            o.frames.tiff = TiffCompression::Deflate;
        else if (v == "none")
            o.frames.tiff = TiffCompression::None;
        else {
            error = "unknown value for " + opt + ": '" + v + "' (deflate or none)";
            return false;
        }
        return true;
    };
    const Valued setFolder = [&](const std::string &, const std::string &v) {
        o.folder = v;
        return true;
    };
    const Valued setSubDir = [&](const std::string &, const std::string &v) {
        o.subDir = v;
        o.useSubDir = true;
        return true;
    };
    const Valued setVideoCodec = [&](const std::string &opt, const std::string &v) {
        const auto codec = CodecFromName(v);
        if (!codec) {
            error = "unknown codec for " + opt + ": '" + v + "' (h264, h265, av1, vp9 or ffv1)";
            return false;
        }
        o.video.Codec = *codec;
        return true;
    };
    const Valued setVideoQuality = [&](const std::string &opt, const std::string &v) {
        if (!readNumber(opt, v, o.video.Quality, error))
            return false;
        if (o.video.Quality < 0 || o.video.Quality > 100) {
            error = opt + " must lie between 0 and 100";
            return false;
        }
        return true;
    };
    const Valued setKeyInterval = [&](const std::string &opt, const std::string &v) {
        if (!readNumber(opt, v, o.video.KeyInterval, error))
            return false;
        if (o.video.KeyInterval < 1) {
            error = opt + " must be at least 1";
            return false;
        }
        return true;
    };
    // A whole number of pixels as always, or a fractional one for the camera.
    const Valued setStep = [&](const std::string &opt, const std::string &v) {
        if (const auto whole = parseInt32(v)) {
            o.step = *whole;
            o.camera.Step = 0;
            return true;
        }
        char *end = nullptr;
        const double pixels = std::strtod(v.c_str(), &end);
        if (v.empty() || end != v.c_str() + v.size() || !std::isfinite(pixels) || pixels <= 0 || pixels > 1e7) {
            error = "invalid number for " + opt + ": '" + v + "'";
            return false;
        }
        o.camera.Step = pixels;
        return true;
    };
    const Valued setSize = [&](const std::string &opt, const std::string &v) {
        const std::optional<PictureSize> size = SizeFromText(v);
        if (!size) {
            error = "invalid size for " + opt + ": '" + v
                + "' (WIDTHxHEIGHT, 720p, 1080p, 1440p, 2160p, vertical or square)";
            return false;
        }
        o.camera.OutputWidth = size->width;
        o.camera.OutputHeight = size->height;
        return true;
    };
    const auto seconds = [&](double &target) {
        return Valued([&](const std::string &opt, const std::string &v) { return readSeconds(opt, v, target, error); });
    };
    const Valued setEase = [&](const std::string &opt, const std::string &v) {
        if (v == "linear")
            o.camera.Ease = Easing::Linear;
        else if (v == "smooth")
            o.camera.Ease = Easing::Smooth;
        else {
            error = "unknown value for " + opt + ": '" + v + "' (linear or smooth)";
            return false;
        }
        return true;
    };
    const Valued setSite = [&](const std::string &opt, const std::string &v) {
        for (const SitePreset &site : kSites)
            if (v == site.name) {
                o.site = v;
                return true;
            }
        error = "unknown site for " + opt + ": '" + v + "' (youtube, shorts, reels or tiktok)";
        return false;
    };
    const Valued setInputProjection = [&](const std::string &opt, const std::string &v) {
        if (v == "flat")
            o.inputProjection = SphereProjection::Flat;
        else if (v == "cylindrical")
            o.inputProjection = SphereProjection::Cylindrical;
        else if (v == "equirectangular")
            o.inputProjection = SphereProjection::Equirectangular;
        else {
            error = "unknown value for " + opt + ": '" + v + "' (flat, cylindrical or equirectangular)";
            return false;
        }
        return true;
    };
    const Valued setView = [&](const std::string &opt, const std::string &v) {
        if (v == "rectilinear")
            o.view = ViewProjection::Rectilinear;
        else if (v == "stereographic")
            o.view = ViewProjection::Stereographic;
        else {
            error = "unknown value for " + opt + ": '" + v + "' (rectilinear or stereographic)";
            return false;
        }
        return true;
    };
    const auto degrees = [&](std::optional<double> &target) {
        return Valued([&](const std::string &opt, const std::string &v) {
            double value = 0;
            if (!readDegrees(opt, v, value, error))
                return false;
            target = value;
            return true;
        });
    };
    const Valued setIntro = [&](const std::string &opt, const std::string &v) {
        if (v != "planet") {
            error = "unknown value for " + opt + ": '" + v + "' (planet)";
            return false;
        }
        o.planetIntro = true;
        return true;
    };
    const std::map<std::string, Valued> valued {
        { "--input-projection", setInputProjection },
        { "--view", setView },
        { "--fov", degrees(o.fov) },
        { "--pitch", degrees(o.pitch) },
        { "--intro", setIntro },
        { "-W", setWidth },
        { "--width", setWidth },
        { "-H", setHeight },
        { "--height", setHeight },
        { "-s", setStep },
        { "--step", setStep },
        { "--size", setSize },
        { "--duration", seconds(o.camera.Duration) },
        { "--hold", seconds(o.camera.Hold) },
        { "--audio", text(o.camera.AudioFile) },
        { "--ease", setEase },
        { "--for", setSite },
        { "-f", setFormat },
        { "--format", setFormat },
        { "-o", setFolder },
        { "--folder", setFolder },
        { "--subdir", setSubDir },
        { "-n", text(o.name) },
        { "--name", text(o.name) },
        { "--start", number(o.start) },
        { "--quality", setQuality },
        { "--codec", text(o.codec) },
        { "--rate", setRate },
        { "--avi-quality", aviValue(o.aviQuality, 10000) },
        { "--video-codec", setVideoCodec },
        { "--video-quality", setVideoQuality },
        { "--keyint", setKeyInterval },
        { "--preset", text(o.video.Preset) },
        { "--threads", setThreads },
        { "--png-level", setPngLevel },
        { "--tiff-compression", setTiffCompression },
    };

    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::optional<std::string> inlineValue;
        if (const std::size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg.erase(eq);
        }
        if (const auto f = flags.find(arg); f != flags.end() && !inlineValue) {
            f->second();
            continue;
        }
        const auto v = valued.find(arg);
        if (v == valued.end()) {
            error = "unknown option: " + args[i];
            return std::nullopt;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size()) {
                error = "missing value after " + arg;
                return std::nullopt;
            }
            inlineValue = args[++i];
        }
        if (!v->second(arg, *inlineValue))
            return std::nullopt;
    }
    if (o.help || o.listCodecs || o.version)
        return o;
    if (o.camera.Scales() && (o.width || o.height)) {
        error = "--size sets the frame: give it or -W/-H, not both";
        return std::nullopt;
    }
    if (!o.site.empty()) {
        // The site's file, where the options do not say otherwise.
        if (o.format != FormatBmp && !(o.format == FormatVideo && o.video.Container == VideoContainer::Mp4)) {
            error = "--for makes an MP4 file: -f mp4 or nothing";
            return std::nullopt;
        }
        o.format = FormatVideo;
        o.video.Container = VideoContainer::Mp4;
        if (o.video.Codec != VideoCodec::Default && o.video.Codec != VideoCodec::H264) {
            error = "--for makes H.264 video";
            return std::nullopt;
        }
        o.video.Codec = VideoCodec::H264;
        const SitePreset *site
            = std::find_if(std::begin(kSites), std::end(kSites), [&](const SitePreset &p) { return o.site == p.name; });
        if (!o.camera.Scales() && !o.width && !o.height) {
            o.camera.OutputWidth = site->size.width;
            o.camera.OutputHeight = site->size.height;
        }
        if (!o.rate)
            o.rate = 30;
        if (o.video.KeyInterval == 0)
            o.video.KeyInterval = std::max(1, *o.rate / 2);
        // The ceiling grows with the frame's pixels (2160p: four times 1080p's).
        const double pixels = o.camera.Scales() ? double(o.camera.OutputWidth) * o.camera.OutputHeight
                                                : double(site->size.width) * site->size.height;
        o.maxBitsPerSecond = std::int64_t(
            double(site->maxBitsPerSecond) * std::max(0.25, pixels / (double(site->size.width) * site->size.height)));
    }
    if (!o.camera.AudioFile.empty()
        && (o.format != FormatVideo
            || !(o.video.Container == VideoContainer::Mp4 || o.video.Container == VideoContainer::Webm
                || o.video.Container == VideoContainer::Mkv))) {
        const char *what = o.format == FormatAvi       ? "an AVI file has no sound"
            : o.format != FormatVideo                  ? "a series of frame files has no sound"
            : o.video.Container == VideoContainer::Gif ? "a GIF file has no sound"
                                                       : "an animated WebP has no sound";
        error = std::string("--audio puts music under MP4, WebM or Matroska video (-f mp4, webm or mkv): ") + what;
        return std::nullopt;
    }
    if (o.fov) {
        const bool stereographic = o.view == ViewProjection::Stereographic;
        const double widest = stereographic ? 360 : 180;
        if (!(*o.fov > 0 && *o.fov < widest)) {
            error = formatText("--fov %s is out of range: a %s view takes more than 0 and less than %d degrees",
                { numberText(*o.fov), std::string(stereographic ? "stereographic" : "rectilinear"),
                    std::int64_t(widest) });
            return std::nullopt;
        }
    }
    if (o.pitch && !(*o.pitch >= -90 && *o.pitch <= 90)) {
        error = "--pitch " + numberText(*o.pitch) + " is out of range: from -90 (straight down) to 90 (straight up)";
        return std::nullopt;
    }
    if (o.inputProjection == SphereProjection::Flat && (o.view || o.fov || o.pitch || o.planetIntro)) {
        error = "--view, --fov, --pitch and --intro show a sphere: not with --input-projection flat";
        return std::nullopt;
    }
    if (positional.size() != 1) {
        error = positional.empty() ? "no panorama given" : "more than one panorama given";
        return std::nullopt;
    }
    o.panorama = positional[0];
    return o;
}

void ResolveDefaults(CliOptions &options, int pictureWidth, int pictureHeight, bool views)
{
    if (views && !options.camera.Scales() && !options.width && !options.height) {
        options.width = kDefaultViewSize.width;
        options.height = kDefaultViewSize.height;
    }
    const bool wide = pictureWidth > pictureHeight;
    const TScrollKind shape = wide ? ScrollHorizontal : ScrollVertical;
    if (!options.scrollType)
        options.scrollType = shape;
    const bool ownSize = wide && *options.scrollType == ScrollHorizontal;
    if (options.camera.Scales()) {
        // The frame is the output size; the panorama is scaled to it.
        options.width = options.camera.OutputWidth;
        options.height = options.camera.OutputHeight;
    }
    if (!options.width)
        options.width = ownSize ? std::int32_t(std::int64_t(pictureHeight) * 4 / 3) : 1024;
    if (!options.height)
        options.height = ownSize ? pictureHeight : 768;
    options.camera.Rate = RateOf(options);
    if (!options.folder) {
        std::error_code ec;
        const auto full = std::filesystem::absolute(options.panorama, ec);
        options.folder = (ec ? std::filesystem::path(options.panorama) : full).parent_path().string();
    }
    if (!options.name)
        options.name = options.format == FormatAvi || options.format == FormatVideo ? "ANIM" : "IMAGE";
    // Unlike the panel, a folder typed without its trailing "/" gets one.
    if (options.folder->empty() || options.folder->back() != '/')
        *options.folder += '/';
}

std::string CliUsage()
{
    return R"(Usage: travelia-cli [options] PANORAMA

Turns a panorama picture into a numbered series of BMP, JPEG, PNG or TIFF
frames that scroll across it, or into one video file of those frames (AVI,
MP4, WebM, Matroska, GIF or animated WebP).

Frames:
  -W, --width N      frame width in pixels
  -H, --height N     frame height in pixels
                     Default: for a picture wider than high and a horizontal
                     scroll, (height * 4 / 3) x height; otherwise 1024 x 768.
  -s, --step N       pixels between two frames (default 1; 0 counts as 1);
                     a fractional step (0.25) moves the frame by parts of a
                     pixel, each frame resampled (Lanczos)
  --horizontal       scroll horizontally (default for a picture wider than high)
  --vertical         scroll vertically (default for any other picture)
  --reverse          right to left, or bottom to top
  --one-way          no return pass (default: there and back)
  --loop360          the picture is a full 360° turn: the view wraps past the
                     far edge and goes once round in round(length / step)
                     frames that loop without a seam (no return pass)
  --no-center        a picture smaller than the frame sits at the top/left
                     instead of being centred

Camera:
  --size S           the frame in output pixels: WIDTHxHEIGHT, or 720p, 1080p,
                     1440p, 2160p (16:9), vertical (1080x1920), square
                     (1080x1080); the panorama is scaled once (Lanczos) so
                     that its side across the travel fits the frame
  --duration T       one pass lasts T seconds at the frame rate, its first and
                     last frames on the pass's ends exactly (a 360° loop: the
                     turn); frames stand at fractional positions
  --ease E           linear (default) or smooth: starts and stops gently
  --hold T           the frame stays T seconds at each end of a pass
  --for SITE         a file as the video site asks for it: youtube (1080p),
                     shorts, reels or tiktok (vertical, 1080x1920): H.264 MP4,
                     30 frames per second, the index first, a key frame every
                     half second, under the site's bit-rate ceiling (12, 10, 8,
                     10 Mbit/s at those sizes); --size, --rate, --keyint win
  A pan that crosses one frame width in less than about 7 seconds judders;
  the command line says so, with the duration that would be smooth.

360° views (a camera turning inside the panorama):
  --input-projection P  flat, cylindrical or equirectangular: how the picture
                     lies on the sphere. Default: from its Photo Sphere (GPano)
                     metadata, else flat; a picture of exactly 2:1 without it
                     stays flat, and the command line says that
                     --input-projection equirectangular would show it as a
                     sphere. The projection used is named in one line with
                     where it comes from.
  --view V           rectilinear (default: a pinhole camera) or stereographic
                     (the "little planet")
  --fov DEGREES      the horizontal field of view: more than 0 and less than
                     180 rectilinear (default 90), less than 360 stereographic
                     (default 270)
  --pitch DEGREES    looking up (positive) or down (negative), -90 to 90
  --intro planet     3 seconds opening eased from the little planet (straight
                     down, stereographic) to the view, then the pan
  Yaw 0 looks at the picture's centre, positive yaw turns right, positive
  pitch looks up (as FFmpeg's v360 filter). The pan turns the yaw: with
  --loop360 one full turn that loops without a seam (refused on a panorama
  covering less than 360°); otherwise a pass across the covered angle of a
  partial panorama, or a full turn of a full one, there and back unless
  --one-way. --duration, --ease, --hold and --rate apply; --step is in
  pixels at the frame's centre; --size sets the frame (default 1920x1080).

Output:
  -f, --format F     bmp (default), jpg, png, tif: a series of frame files;
                     avi, mp4, webm, mkv, gif, webp: one file
  -o, --folder DIR       base folder (default: the picture's folder)
  --subdir NAME          sub-folder of the base folder (default ./anim)
  --no-subdir            write into the base folder itself
  -n, --name BASE        base name of the files (default IMAGE, ANIM for AVI;
                         a path or an extension given here is dropped)
  --start N              number of the first file (default 0)
  --plain-numbers        no zero padding (IMAGE7.BMP instead of IMAGE0007.BMP)
  Files are named FOLDER/SUBDIR/BASE0000.BMP, BASE0001.BMP, ... counted over
  both passes; an AVI file is FOLDER/SUBDIR/BASE0000.AVI. A missing output
  folder is created with its parents.

AVI settings:
  --codec CODE       compressor by its handler code (MJPG, FFV1, H264...), or
                     none (default): uncompressed 24-bit frames
  --rate N           frames per second (default 10 for AVI; above 65535
                     gives 65535)
  --avi-quality N    0 to 10000 (default 10000; above gives 10000)
  --list-codecs      list the compressors of this machine and exit
  Every frame is a key frame.

Video and animated pictures (-f mp4, webm, mkv, gif, webp):
  --video-codec C    h264, h265 or av1 in mp4; vp9 or av1 in webm; ffv1 in mkv
  --video-quality N  0 (smallest file) to 100 (best picture), default 75
  --keyint N         a key frame at least every N frames (1: every frame)
  --preset NAME      the encoder's speed preset
  --lossless         lossless animated WebP
  --audio FILE       music under an MP4, WebM or Matroska video: any sound file
                     FFmpeg reads, as AAC (MP4) or Opus (WebM, Matroska),
                     cut to the video's length with a fade-out over its last
                     second (a third of a shorter video), silence after the
                     music's end; a file that cannot be read is refused
                     before anything is made
  --rate N           frames per second (default 30), as for AVI
  The file is FOLDER/SUBDIR/BASE0000.GIF (.WEBP, .MP4...), BASE being ANIM.
  It appears only when complete, and replaces an existing file only with
  --overwrite. A GIF or WebP loops for ever.

JPEG settings:
  --quality N        5 to 100 (default 95)
  --grayscale        one-component greyscale JPEG
  --progressive      progressive encoding
  --subsample-h      horizontal chroma subsampling
  --subsample-v      vertical chroma subsampling

PNG and TIFF settings (24-bit RGB):
  --png-level N      deflate level, 0 (none) to 9 (smallest); default 1 (fast)
  --tiff-compression deflate|none   default deflate

Existing files:
  --next-free        if the first file exists, start at the next free number
  --overwrite        replace existing files. Without it no file is ever
                     replaced: an existing first file stops the run before
                     anything is written (unless --next-free), later existing
                     files are skipped.

Other:
  --test             render every frame, write nothing
  --threads N        frame files encoded and written by N threads while the
                     next frames are rendered (default: one per processor;
                     1 writes each file before the next frame)
  -q, --quiet        no progress bar (it is shown on a terminal only)
  -v, --verbose      say which decoder read the picture, and show the
                     warnings of the picture libraries (FFmpeg, Qt's image
                     plug-ins, libjpeg)
  -h, --help         this text
  --version          the program's name and version

Numbers may be decimal (with a sign) or hexadecimal ($280, 0x280, x280).
Format names are read in any letter case (jpg, JPG, jpeg, JPEG, bmp, BMP).
Ctrl-C stops after the current frame, or the loading of the picture.
A run stops at the first frame that finds the disk full (no space left or
quota exceeded), the file system read-only, or the frame too large for its
format; the frames already under way are not put in place but counted as
failed: the series on disk runs on from its first frame, without a gap.
A run is refused before anything is written when another run is writing
the same series (IMAGE*.PNG in that folder), or when one of its names is
the picture being read.

Exit status: 0 every frame written or rendered (skipped existing files
included), 1 usage or settings error (another run on the series, the
picture among the names included), 2 picture unreadable, 3 some frame (or
the video file) could not be written, 130 interrupted (Ctrl-C or SIGTERM).
)";
}
