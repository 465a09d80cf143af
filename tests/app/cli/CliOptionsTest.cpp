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
        // One default rate per output, the window's too: AVI 10, every other video file 30.
        ParseCase { "aviRateByDefault", { "-f", "avi" }, [](const CliOptions &o) { return FrameRate(o) == 10; } },
        ParseCase { "mp4RateByDefault", { "-f", "mp4" }, [](const CliOptions &o) { return FrameRate(o) == 30; } },
        ParseCase { "gifRateByDefault", { "-f", "gif" }, [](const CliOptions &o) { return FrameRate(o) == 30; } },
        ParseCase {
            "aviRateGiven", { "-f", "avi", "--rate", "25" }, [](const CliOptions &o) { return FrameRate(o) == 25; } },
        ParseCase { "webpRateGiven", { "--rate", "12", "-f", "webp" },
            [](const CliOptions &o) { return FrameRate(o) == 12; } }),
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
        BadCase { "twoPanoramas", { "a.bmp", "b.bmp" }, "more than one" }),
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
