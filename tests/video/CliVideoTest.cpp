#include "app/cli/CliRun.h"

#include "MediaTools.h"
#include "TestUtils.h"
#include "WebpDecode.h"
#include "output/FrameFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// travelia-cli -f gif|webp over a 40 x 10 panorama: 13 x 10 frames.
class CliVideo : public testing::Test {
protected:
    void SetUp() override
    {
        panorama = (dir / "pano.bmp").string();
        ASSERT_TRUE(WriteBmpFile(makeTestPanorama(40, 10), panorama));
    }

    int run(std::vector<std::string> args)
    {
        args.insert(args.begin(), "travelia-cli");
        args.push_back(panorama);
        std::vector<const char *> argv;
        for (const auto &a : args)
            argv.push_back(a.c_str());
        out.str({});
        err.str({});
        return runCli(int(argv.size()), argv.data(), out, err, {});
    }

    std::size_t filesIn(const fs::path &folder) const
    {
        return std::size_t(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }

    TempDir dir;
    std::string panorama;
    std::ostringstream out, err;
};

// The frame the engine renders at x, wrapping past the right edge.
std::vector<std::uint8_t> wrappedCrop(int x, int width, int height, int panoWidth)
{
    std::vector<std::uint8_t> bgr;
    for (int y = 0; y < height; ++y)
        for (int c = 0; c < width; ++c) {
            const PixelBgr p = testPanoramaPixel((x + c) % panoWidth, y);
            bgr.insert(bgr.end(), { p.b, p.g, p.r });
        }
    return bgr;
}

// A lossless 360° WebP holds exactly the wrapped crops at round(k * W / n),
// so its last frame leads into its first by one step.
TEST_F(CliVideo, losslessLoopHoldsTheWrappedCrops)
{
    ASSERT_EQ(run({ "-f", "webp", "--lossless", "--loop360", "-s", "9" }), 0) << err.str();
    const fs::path file = dir / "anim" / "ANIM0000.WEBP";
    EXPECT_EQ(out.str().rfind("4 frames written to " + file.string(), 0), 0u) << out.str();
    const DecodedWebp webp = decodeWebp(file);
    ASSERT_TRUE(webp.ok);
    EXPECT_EQ(webp.loopCount, 0u);
    ASSERT_EQ(webp.frames.size(), 4u);
    for (int k = 0; k < 4; ++k)
        EXPECT_TRUE(webp.frames[std::size_t(k)] == wrappedCrop(10 * k, 13, 10, 40)) << "frame " << k;
}

struct ExistingCase {
    const char *label;
    const char *format;
    std::vector<std::string> options;
    int status;
    bool replaced;
};

std::ostream &operator<<(std::ostream &os, const ExistingCase &c)
{
    return os << c.label;
}

class CliVideoExisting : public CliVideo, public testing::WithParamInterface<ExistingCase> { };

// An existing file is replaced only with --overwrite; --next-free moves on.
TEST_P(CliVideoExisting, replacesOnlyWithConsent)
{
    const ExistingCase &c = GetParam();
    fs::create_directory(dir / "anim");
    const fs::path existing = dir / "anim" / (std::string("ANIM0000.") + c.format);
    writeFileBytes(existing, { 'o', 'l', 'd' });
    std::vector<std::string> args { "-f", c.format, "--one-way", "-s", "9" };
    args.insert(args.end(), c.options.begin(), c.options.end());
    EXPECT_EQ(run(args), c.status) << err.str();
    EXPECT_EQ(readFileBytes(existing) == std::vector<std::uint8_t>({ 'o', 'l', 'd' }), !c.replaced);
    if (c.replaced) {
        EXPECT_EQ(decodeVideo(existing).errors, "");
    }
    EXPECT_EQ(filesIn(dir / "anim"), c.options == std::vector<std::string> { "--next-free" } ? 2u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Consent, CliVideoExisting,
    testing::Values(ExistingCase { "gifKept", "GIF", {}, 1, false },
        ExistingCase { "gifReplaced", "GIF", { "--overwrite" }, 0, true },
        ExistingCase { "gifNextFree", "GIF", { "--next-free" }, 0, false },
        ExistingCase { "webpKept", "WEBP", {}, 1, false }),
    [](const auto &info) { return std::string(info.param.label); });

struct RefusedCase {
    const char *label;
    std::vector<std::string> options;
    const char *message;
};

std::ostream &operator<<(std::ostream &os, const RefusedCase &c)
{
    return os << c.label;
}

class CliVideoRefused : public CliVideo, public testing::WithParamInterface<RefusedCase> { };

// Choices the file cannot be made with are refused before anything is written.
TEST_P(CliVideoRefused, nothingIsWrittenAndTheReasonIsGiven)
{
    EXPECT_EQ(run(GetParam().options), 1);
    EXPECT_NE(err.str().find(GetParam().message), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(dir / "anim") && filesIn(dir / "anim") > 0);
}

INSTANTIATE_TEST_SUITE_P(Choices, CliVideoRefused,
    testing::Values(RefusedCase { "codecInGif", { "-f", "gif", "--video-codec", "h264" }, "cannot hold h264" },
        RefusedCase { "rateZero", { "-f", "webp", "--rate", "0" }, "at least 1 frame per second" },
        RefusedCase { "qualityAbove100", { "-f", "gif", "--video-quality", "101" }, "between 0 and 100" },
        RefusedCase { "keyintZero", { "-f", "webp", "--keyint", "0" }, "at least 1" },
        RefusedCase { "unknownFormat", { "-f", "mov" }, "mp4, webm, mkv, gif or webp" }),
    [](const auto &info) { return std::string(info.param.label); });

} // namespace
