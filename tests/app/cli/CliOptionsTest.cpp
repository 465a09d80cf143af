#include "app/cli/CliOptions.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct ParseCase {
    const char *label;
    std::vector<std::string> args;
    std::function<bool(const CliOptions &)> check;
};

class CliParseTable : public testing::TestWithParam<ParseCase> { };

TEST_P(CliParseTable, setsTheOption)
{
    std::string error;
    auto args = GetParam().args;
    args.push_back("pano.bmp");
    const auto options = ParseCliOptions(args, error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->panorama, "pano.bmp");
    EXPECT_TRUE(GetParam().check(*options));
}

INSTANTIATE_TEST_SUITE_P(Options, CliParseTable,
    testing::Values(ParseCase { "defaults", {},
                        [](const CliOptions &o) {
                            return !o.width && !o.height && o.step == 1 && !o.scrollType && !o.reverse && !o.oneWay
                                && o.center && o.format == FormatBmp && !o.folder && o.subDir == "./anim" && o.useSubDir
                                && !o.name && o.start == 0 && o.formattedNumbers && o.jpeg == TJpegOptions {}
                            && !o.nextFree && !o.overwrite && !o.test && !o.quiet;
                        } },
        ParseCase { "widthShort", { "-W", "640" }, [](const CliOptions &o) { return o.width == 640; } },
        ParseCase { "widthHex", { "--width", "$280" }, [](const CliOptions &o) { return o.width == 640; } },
        ParseCase { "widthInline", { "--width=0x280" }, [](const CliOptions &o) { return o.width == 640; } },
        ParseCase { "widthLeadingBlank", { "-W", " 640" }, [](const CliOptions &o) { return o.width == 640; } },
        ParseCase { "widthNegativePassesTheParser", { "-W", "-5" }, [](const CliOptions &o) { return o.width == -5; } },
        ParseCase { "height", { "-H", "480" }, [](const CliOptions &o) { return o.height == 480; } },
        ParseCase { "step", { "--step", "-3" }, [](const CliOptions &o) { return o.step == -3; } },
        ParseCase { "vertical", { "--vertical" }, [](const CliOptions &o) { return o.scrollType == ScrollVertical; } },
        ParseCase {
            "horizontal", { "--horizontal" }, [](const CliOptions &o) { return o.scrollType == ScrollHorizontal; } },
        ParseCase { "reverse", { "--reverse" }, [](const CliOptions &o) { return o.reverse; } },
        ParseCase { "oneWay", { "--one-way" }, [](const CliOptions &o) { return o.oneWay; } },
        ParseCase { "loop360", { "--loop360" }, [](const CliOptions &o) { return o.loop360 && !o.oneWay; } },
        ParseCase { "noCenter", { "--no-center" }, [](const CliOptions &o) { return !o.center; } },
        ParseCase { "jpg", { "-f", "jpg" }, [](const CliOptions &o) { return o.format == FormatJpg; } },
        // Format names in any letter case (before, "JPEG" was refused).
        ParseCase { "formatUpperJpeg", { "-f", "JPEG" }, [](const CliOptions &o) { return o.format == FormatJpg; } },
        ParseCase { "png", { "-f", "PNG", "--png-level", "6" },
            [](const CliOptions &o) { return o.format == FormatPng && o.frames.pngLevel == 6; } },
        ParseCase { "tiffUncompressed", { "-f", "tif", "--tiff-compression", "none" },
            [](const CliOptions &o) { return o.format == FormatTiff && o.frames.tiff == TiffCompression::None; } },
        ParseCase { "tiffDefaults", { "-f", "tiff" },
            [](const CliOptions &o) {
                return o.format == FormatTiff && o.frames.tiff == TiffCompression::Deflate
                    && o.frames.pngLevel == kDefaultPngLevel && o.threads == 0;
            } },
        ParseCase { "threads", { "--threads", "1" }, [](const CliOptions &o) { return o.threads == 1; } },
        ParseCase { "folder", { "-o", "/out" }, [](const CliOptions &o) { return o.folder == "/out"; } },
        ParseCase { "subdir", { "--subdir", "frames" }, [](const CliOptions &o) { return o.subDir == "frames"; } },
        ParseCase { "noSubdir", { "--no-subdir" }, [](const CliOptions &o) { return !o.useSubDir; } },
        ParseCase { "name", { "-n", "shot" }, [](const CliOptions &o) { return o.name == "shot"; } },
        ParseCase { "start", { "--start", "+12" }, [](const CliOptions &o) { return o.start == 12; } },
        ParseCase { "plain", { "--plain-numbers" }, [](const CliOptions &o) { return !o.formattedNumbers; } },
        ParseCase { "jpegSettings",
            { "--quality", "80", "--grayscale", "--progressive", "--subsample-h", "--subsample-v" },
            [](const CliOptions &o) {
                return o.jpeg.CompressionQuality == 80 && o.jpeg.Grayscale && o.jpeg.ProgressiveEncoding
                    && o.jpeg.HorzSubSampling && o.jpeg.VertSubSampling;
            } },
        ParseCase { "policy", { "--next-free", "--overwrite", "--test", "-q" },
            [](const CliOptions &o) { return o.nextFree && o.overwrite && o.test && o.quiet; } },
        ParseCase { "panoramaAfterDoubleDash", { "--" }, [](const CliOptions &) { return true; } },
        // The camera: a fractional step, an output size by name or in pixels,
        // a duration, easing and holds; a whole step stays what it was.
        ParseCase { "fractionalStep", { "--step", "0.25" },
            [](const CliOptions &o) { return o.step == 1 && o.camera.Step == 0.25 && o.camera.Active(); } },
        ParseCase { "wholeStepIsNoCamera", { "--step", "4" },
            [](const CliOptions &o) { return o.step == 4 && !o.camera.Active(); } },
        ParseCase { "sizeByName", { "--size", "1080p" },
            [](const CliOptions &o) { return o.camera.OutputWidth == 1920 && o.camera.OutputHeight == 1080; } },
        ParseCase { "sizeVertical", { "--size", "Vertical" },
            [](const CliOptions &o) { return o.camera.OutputWidth == 1080 && o.camera.OutputHeight == 1920; } },
        ParseCase { "sizeInPixels", { "--size", "1280X720" },
            [](const CliOptions &o) { return o.camera.OutputWidth == 1280 && o.camera.OutputHeight == 720; } },
        ParseCase { "durationEaseHold", { "--duration", "20", "--ease", "smooth", "--hold", "1.5" },
            [](const CliOptions &o) {
                return o.camera.Duration == 20 && o.camera.Ease == Easing::Smooth && o.camera.Hold == 1.5;
            } },
        ParseCase { "rateDefaultsByFormat", { "-f", "avi" },
            [](const CliOptions &o) { return RateOf(o) == 10 && !o.rate; } },
        ParseCase { "gifRateByDefault", { "-f", "gif" }, [](const CliOptions &o) { return RateOf(o) == 30; } },
        ParseCase { "videoRateDefault", { "-f", "webm" }, [](const CliOptions &o) { return RateOf(o) == 30; } },
        ParseCase { "rateGiven", { "-f", "webm", "--rate", "24" }, [](const CliOptions &o) { return RateOf(o) == 24; } },
        // A site's file: H.264 MP4 at its size and rate, key frames every half
        // second, under its ceiling; what the options say wins.
        ParseCase { "forYoutube", { "--for", "youtube" },
            [](const CliOptions &o) {
                return o.format == FormatVideo && o.video.Container == VideoContainer::Mp4
                    && o.video.Codec == VideoCodec::H264 && o.camera.OutputWidth == 1920 && RateOf(o) == 30
                    && o.video.KeyInterval == 15 && o.maxBitsPerSecond == 12'000'000;
            } },
        ParseCase { "forReelsAt2160p", { "--for", "reels", "--size", "2160x3840", "--rate", "60" },
            [](const CliOptions &o) {
                return o.camera.OutputHeight == 3840 && RateOf(o) == 60 && o.video.KeyInterval == 30
                    && o.maxBitsPerSecond == 32'000'000;
            } },
        // 360° views: the projection, the view, its field and pitch, the opening.
        ParseCase { "noSphereByDefault", {},
            [](const CliOptions &o) {
                return !o.inputProjection && !o.view && !o.fov && !o.pitch && !o.planetIntro && FovOf(o) == 90;
            } },
        ParseCase { "equirectangular", { "--input-projection", "equirectangular" },
            [](const CliOptions &o) { return o.inputProjection == SphereProjection::Equirectangular; } },
        ParseCase { "cylindrical", { "--input-projection=cylindrical" },
            [](const CliOptions &o) { return o.inputProjection == SphereProjection::Cylindrical; } },
        ParseCase { "flat", { "--input-projection", "flat" },
            [](const CliOptions &o) { return o.inputProjection == SphereProjection::Flat; } },
        ParseCase { "stereographicDefaultFov", { "--view", "stereographic" },
            [](const CliOptions &o) { return o.view == ViewProjection::Stereographic && FovOf(o) == 270; } },
        ParseCase { "rectilinearFov", { "--view", "rectilinear", "--fov", "120.5" },
            [](const CliOptions &o) { return o.view == ViewProjection::Rectilinear && FovOf(o) == 120.5; } },
        ParseCase { "stereographicWide", { "--view", "stereographic", "--fov", "300" },
            [](const CliOptions &o) { return FovOf(o) == 300; } },
        ParseCase { "pitchDown", { "--pitch", "-90" }, [](const CliOptions &o) { return o.pitch == -90; } },
        ParseCase { "pitchUp", { "--pitch", "45.5" }, [](const CliOptions &o) { return o.pitch == 45.5; } },
        ParseCase { "planetIntro", { "--intro", "planet" }, [](const CliOptions &o) { return o.planetIntro; } }),
    [](const testing::TestParamInfo<ParseCase> &info) { return std::string(info.param.label); });

struct BadCase {
    const char *label;
    std::vector<std::string> args;
    const char *errorPart;
};

class CliParseErrors : public testing::TestWithParam<BadCase> { };

TEST_P(CliParseErrors, refusesWithAMessage)
{
    std::string error;
    EXPECT_FALSE(ParseCliOptions(GetParam().args, error));
    EXPECT_NE(error.find(GetParam().errorPart), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(Usage, CliParseErrors,
    testing::Values(BadCase { "letters", { "-W", "abc", "p.bmp" }, "-W: 'abc'" },
        BadCase { "trailingBlank", { "-W", "640 ", "p.bmp" }, "invalid number" },
        BadCase { "tooLarge", { "-H", "2147483648", "p.bmp" }, "invalid number" },
        BadCase { "empty", { "--step", "", "p.bmp" }, "invalid number" },
        BadCase { "signBeforeHex", { "--start", "-$10", "p.bmp" }, "invalid number" },
        BadCase { "missingValue", { "p.bmp", "--width" }, "missing value" },
        BadCase { "quality", { "--quality", "101", "p.bmp" }, "between 5 and 100" },
        BadCase { "format", { "-f", "tga", "p.bmp" }, "unknown format" },
        BadCase { "threadsZero", { "--threads", "0", "p.bmp" }, "between 1 and 256" },
        BadCase { "pngLevel", { "--png-level", "10", "p.bmp" }, "between 0 and 9" },
        BadCase { "tiffCompression", { "--tiff-compression", "lzw", "p.bmp" }, "deflate or none" },
        BadCase { "unknownOption", { "--fast", "p.bmp" }, "unknown option" },
        BadCase { "flagWithValue", { "--test=1", "p.bmp" }, "unknown option" },
        BadCase { "noPanorama", { "-W", "10" }, "no panorama" },
        BadCase { "twoPanoramas", { "a.bmp", "b.bmp" }, "more than one" },
        BadCase { "stepNotANumber", { "--step", "1.5x", "p.bmp" }, "invalid number" },
        BadCase { "stepZeroFraction", { "--step", "0.0", "p.bmp" }, "invalid number" },
        BadCase { "sizeUnknown", { "--size", "4k", "p.bmp" }, "720p, 1080p" },
        BadCase { "sizeTooSmall", { "--size", "1x1", "p.bmp" }, "invalid size" },
        BadCase { "sizeAndWidth", { "--size", "720p", "-W", "10", "p.bmp" }, "not both" },
        BadCase { "durationNegative", { "--duration", "-1", "p.bmp" }, "seconds" },
        BadCase { "ease", { "--ease", "bounce", "p.bmp" }, "linear or smooth" },
        BadCase { "site", { "--for", "vimeo", "p.bmp" }, "youtube, shorts" },
        BadCase { "siteNotMp4", { "--for", "youtube", "-f", "webm", "p.bmp" }, "MP4 file" },
        BadCase { "siteNotH264", { "--for", "youtube", "--video-codec", "av1", "p.bmp" }, "H.264" },
        BadCase { "projection", { "--input-projection", "fisheye", "p.bmp" },
            "'fisheye' (flat, cylindrical or equirectangular)" },
        BadCase { "view", { "--view", "fisheye", "p.bmp" }, "'fisheye' (rectilinear or stereographic)" },
        BadCase { "fovRectilinearTooWide", { "--fov", "180", "p.bmp" },
            "--fov 180 is out of range: a rectilinear view takes more than 0 and less than 180 degrees" },
        BadCase { "fovZero", { "--fov", "0", "p.bmp" }, "--fov 0 is out of range" },
        BadCase { "fovStereographicTooWide", { "--view", "stereographic", "--fov", "360", "p.bmp" },
            "a stereographic view takes more than 0 and less than 360 degrees" },
        BadCase { "fovNotANumber", { "--fov", "wide", "p.bmp" }, "invalid number of degrees for --fov: 'wide'" },
        BadCase { "pitchBelow", { "--pitch", "-91", "p.bmp" },
            "--pitch -91 is out of range: from -90 (straight down) to 90 (straight up)" },
        BadCase { "pitchAbove", { "--pitch", "90.5", "p.bmp" }, "--pitch 90.5 is out of range" },
        BadCase { "intro", { "--intro", "zoom", "p.bmp" }, "'zoom' (planet)" },
        BadCase { "viewOnFlat", { "--input-projection", "flat", "--view", "rectilinear", "p.bmp" },
            "not with --input-projection flat" }),
    [](const testing::TestParamInfo<BadCase> &info) { return std::string(info.param.label); });

TEST(CliParse, helpNeedsNoPanorama)
{
    std::string error;
    const auto o = ParseCliOptions({ "--help" }, error);
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->help);
    for (const char *option : { "--width", "--height", "--step", "--horizontal", "--vertical", "--reverse", "--one-way",
             "--no-center", "--format", "--folder", "--subdir", "--no-subdir", "--name", "--start", "--plain-numbers",
             "--quality", "--grayscale", "--progressive", "--subsample-h", "--subsample-v", "--next-free",
             "--overwrite", "--test", "--quiet", "--verbose", "130 interrupted" })
        EXPECT_NE(CliUsage().find(option), std::string::npos) << option << " undocumented";
}

struct DefaultCase {
    const char *label;
    int w, h;
    std::optional<TScrollKind> chosen;
    TScrollKind scroll;
    int frameW, frameH;
};

class CliDefaults : public testing::TestWithParam<DefaultCase> { };

TEST_P(CliDefaults, followThePanelAfterOpeningThePicture)
{
    const DefaultCase &c = GetParam();
    CliOptions o;
    o.panorama = "/photos/pano.bmp";
    o.scrollType = c.chosen;
    ResolveDefaults(o, c.w, c.h);
    EXPECT_EQ(o.scrollType, c.scroll);
    EXPECT_EQ(o.width, c.frameW);
    EXPECT_EQ(o.height, c.frameH);
    EXPECT_EQ(o.folder, "/photos/");
}

INSTANTIATE_TEST_SUITE_P(Shapes, CliDefaults,
    testing::Values(DefaultCase { "wide", 5000, 800, std::nullopt, ScrollHorizontal, 1066, 800 },
        DefaultCase { "wideOddHeight", 5000, 601, std::nullopt, ScrollHorizontal, 801, 601 },
        DefaultCase { "tall", 600, 4000, std::nullopt, ScrollVertical, 1024, 768 },
        DefaultCase { "square", 900, 900, std::nullopt, ScrollVertical, 1024, 768 },
        DefaultCase { "wideChosenVertical", 5000, 800, ScrollVertical, ScrollVertical, 1024, 768 },
        DefaultCase { "tallChosenHorizontal", 600, 4000, ScrollHorizontal, ScrollHorizontal, 1024, 768 }),
    [](const testing::TestParamInfo<DefaultCase> &info) { return std::string(info.param.label); });

TEST(CliDefaults, givenValuesStayAndTheFolderGetsItsSeparator)
{
    CliOptions o;
    o.panorama = "/photos/pano.bmp";
    o.width = 320;
    o.folder = "/out";
    ResolveDefaults(o, 5000, 800);
    EXPECT_EQ(o.width, 320);
    EXPECT_EQ(o.height, 800);
    EXPECT_EQ(o.folder, "/out/");
    EXPECT_EQ(o.name, "IMAGE");
}

} // namespace
