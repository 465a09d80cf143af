#include "app/cli/CliRun.h"

#include "MediaTools.h"
#include "TestUtils.h"
#include "WebpDecode.h"
#include "output/FrameFile.h"

#include <gtest/gtest.h>

#include <algorithm>
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
        RefusedCase { "unknownFormat", { "-f", "mov" }, "mp4, webm, mkv, gif or webp" },
        RefusedCase {
            "webmAbove1000Fps", { "-f", "webm", "--rate", "1001" }, "at most 1000 frames per second, not 1001" },
        RefusedCase { "presetInGif", { "-f", "gif", "--preset", "slow" }, "GIF frames have no speed preset" },
        RefusedCase { "oddH264", { "-f", "mp4", "-W", "13" }, "needs an even width and height (4:2:0), not 13 x 10" }),
    [](const auto &info) { return std::string(info.param.label); });

struct MuxedCase {
    const char *label;
    std::vector<std::string> options;
    const char *codec; // as ffprobe names it
    const char *pixelFormat;
    bool colourTagged;
    bool large = false; // SVT-AV1 and x265 take frames of 64 x 64 and more
};

std::ostream &operator<<(std::ostream &os, const MuxedCase &c)
{
    return os << c.label;
}

class CliMuxedVideo : public CliVideo, public testing::WithParamInterface<MuxedCase> { };

// What ffprobe reads of the stream, one key=value per line.
std::string probeStream(const fs::path &file)
{
    return runTool("ffprobe",
        { "-v", "error", "-select_streams", "v:0", "-count_packets", "-show_entries",
            "stream=codec_name,width,height,r_frame_rate,pix_fmt,color_range,color_space,color_primaries,"
            "nb_read_packets",
            "-of", "default=noprint_wrappers=1", file.string() })
        .out;
}

// A key frame every 4 frames, the frames at 2 (8) pixels a frame: each file
// holds them all, decodes cleanly, is tagged and indexed for the web.
TEST_P(CliMuxedVideo, streamAsAskedAndACleanDecode)
{
    const MuxedCase &c = GetParam();
    const int w = c.large ? 64 : 14, h = c.large ? 64 : 10, step = c.large ? 8 : 2, panoW = c.large ? 200 : 40;
    if (c.large) {
        ASSERT_TRUE(WriteBmpFile(makeTestPanorama(panoW, h), panorama));
    }
    const int frames = (panoW - w) / step;
    std::vector<std::string> args { "--one-way", "-s", std::to_string(step), "-W", std::to_string(w), "-H",
        std::to_string(h), "--keyint", "4", "--rate", "25" };
    args.insert(args.end(), c.options.begin(), c.options.end());
    ASSERT_EQ(run(args), 0) << err.str();
    fs::path file;
    for (const auto &e : fs::directory_iterator(dir / "anim"))
        file = e.path();
    EXPECT_EQ(filesIn(dir / "anim"), 1u);
    const std::string probe = probeStream(file);
    for (const std::string &line : { std::string("codec_name=") + c.codec, "width=" + std::to_string(w),
             "height=" + std::to_string(h), std::string("r_frame_rate=25/1"), std::string("pix_fmt=") + c.pixelFormat,
             "nb_read_packets=" + std::to_string(frames) })
        EXPECT_NE(probe.find(line + "\n"), std::string::npos) << line << " in\n" << probe;
    if (c.colourTagged) {
        for (const char *tag : { "color_range=tv", "color_space=bt709", "color_primaries=bt709" })
            EXPECT_NE(probe.find(tag), std::string::npos) << probe;
    }
    const VideoStreamProbe packets = probeVideo(file);
    EXPECT_EQ(std::count_if(packets.packetFlags.begin(), packets.packetFlags.end(),
                  [](const std::string &f) { return f.rfind('K', 0) == 0; }),
        (frames + 3) / 4); // frames 0, 4, 8...
    const DecodedVideo video = decodeVideo(file);
    EXPECT_EQ(video.errors, "");
    ASSERT_EQ(video.bgr.size(), std::size_t(frames * w * h * 3));
    if (file.extension() == ".MP4") {
        const std::vector<std::uint8_t> bytes = readFileBytes(file);
        const std::string text(bytes.begin(), bytes.end());
        EXPECT_LT(text.find("moov"), text.find("mdat")) << "the index comes first";
    }
    if (std::string(c.codec) == "ffv1") {
        // Lossless: exactly the rendered frames.
        for (int k = 0; k < frames; ++k) {
            const std::vector<std::uint8_t> want = wrappedCrop(step * k, w, h, panoW);
            EXPECT_TRUE(std::equal(want.begin(), want.end(), video.bgr.begin() + long(k) * w * h * 3)) << "frame " << k;
        }
    }
}

// libx265 keeps a block until exit: tests/lsan.supp tells the leak checker.
INSTANTIATE_TEST_SUITE_P(Containers, CliMuxedVideo,
    testing::Values(MuxedCase { "mp4H264", { "-f", "mp4" }, "h264", "yuv420p", true },
        MuxedCase { "mp4H265", { "-f", "mp4", "--video-codec", "h265", "--preset", "ultrafast" }, "hevc", "yuv420p",
            true, true },
        MuxedCase { "mp4Av1", { "-f", "mp4", "--video-codec", "av1", "--preset", "12" }, "av1", "yuv420p", true, true },
        MuxedCase { "webmVp9", { "-f", "webm", "--preset", "8" }, "vp9", "yuv420p", true },
        MuxedCase { "webmAv1", { "-f", "webm", "--video-codec", "av1" }, "av1", "yuv420p", true, true },
        MuxedCase { "mkvFfv1", { "-f", "mkv" }, "ffv1", "bgr0", false }),
    [](const auto &info) { return std::string(info.param.label); });

// A GIF above 50 frames per second keeps every Nth frame, says so, and the
// count printed is the file's.
TEST_F(CliVideo, gifAboveFiftyFramesASecondSaysWhatItKeeps)
{
    ASSERT_EQ(run({ "-f", "gif", "--one-way", "-s", "2", "--rate", "110" }), 0) << err.str();
    EXPECT_NE(err.str().find("GIF shows at most 50 frames per second: one frame in 3 is kept (110 -> 36.67 fps)"),
        std::string::npos)
        << err.str();
    const fs::path file = dir / "anim" / "ANIM0000.GIF";
    EXPECT_EQ(out.str().rfind("5 frames written to " + file.string(), 0), 0u) << out.str();
    EXPECT_EQ(probeVideo(file).packets, 5);
}

// The encoder's refusals are settings errors, said before the folder is made.
TEST_F(CliVideo, refusalsOfTheEncoderAreGivenInWords)
{
    EXPECT_EQ(run({ "-f", "mp4", "-W", "13", "--one-way" }), 1);
    EXPECT_NE(err.str().find("needs an even width and height"), std::string::npos) << err.str();
    EXPECT_EQ(run({ "-f", "mp4", "-W", "14", "--preset", "warp", "--one-way" }), 1);
    EXPECT_NE(err.str().find("libx264 has no speed preset 'warp' (ultrafast, "), std::string::npos) << err.str();
    EXPECT_EQ(err.str().find("(null)"), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(dir / "anim"));
}

} // namespace
