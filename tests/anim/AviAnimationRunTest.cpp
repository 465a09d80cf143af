#include "anim/AviAnimationRun.h"

#include "MediaTools.h"
#include "ScriptedServices.h"
#include "TestUtils.h"
#include "options/AviOptions.h"
#include "output/AviProgress.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Records what an AVI run asks of its host; the compression dialog is
// answered from the script.
struct AviHost : AviRunHost, AviProgress {
    AviHost(std::string fileName, int width)
        : file(std::move(fileName))
        , frameWidth(width)
    {
    }

    std::string file;
    int frameWidth;
    ScriptedServices services;
    std::vector<std::string> log; // progress calls, with the status text
    std::string status = "before";
    std::function<void(int shown)> onShow;
    int shown = 0;
    std::vector<std::uint8_t> shownPixels;

    bool readSettings(tanimprm &prm) override
    {
        prm.FrameWidth = frameWidth, prm.FrameHeight = 30, prm.Step = 1, prm.Center = true;
        prm.ScrollDirection = true, prm.ScrollBack = true, prm.ScrollType = ScrollHorizontal;
        prm.FileName = file;
        return true;
    }
    SaveOutcome saveFrame(const Bitmap24 &, const std::string &, bool &) override { return SaveOutcome::Failed; }
    void showFrame(const Bitmap24 &frame) override
    {
        for (int y = 0; y < frame.height(); ++y) // as ffmpeg decodes it: rows top first, not padded
            shownPixels.insert(shownPixels.end(), frame.scanLine(y), frame.scanLine(y) + 3 * frame.width());
        if (onShow)
            onShow(shown);
        ++shown;
    }
    void setStatusText(const std::string &text) override { status = text; }
    void processMessages() override { }
    void waitTempo() override { }
    bool chooseCompression(AVICOMPRESSOPTIONS &options) override { return services.aviSaveOptions(options); }
    AviProgress &progress() override { return *this; }
    BusyCursors &cursors() override { return services; }
    std::string statusText() const override { return status; }

    void showProgress() override { log.push_back("show"); }
    void hideProgress() override { log.push_back("hide"); }
    void startPass(std::int32_t frames) override { log.push_back("pass " + std::to_string(frames)); }
    void frameStarting(std::int32_t index, const std::string &text) override
    {
        log.push_back(std::to_string(index) + " " + text.substr(0, 17) + " | " + status);
    }
};

class AviRunTest : public ::testing::Test {
public:
    TempDir dir;
    std::string file = (dir / "ANIM0000.AVI").string();
    bool stop = false;
    Bitmap24 panorama = makeTestPanorama(45, 30); // with a 41-wide frame: 4 frames a pass
    TAviOptions options;
    struct rlimit savedLimit { };

    void SetUp() override { ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &savedLimit), 0); }
    // A file-size limit at the file's present size refuses further writes as
    // a full disk would, also for root.
    void fillTheDisk()
    {
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit full {
            rlim_t(fs::file_size(fs::directory_iterator(dir.path())->path())), savedLimit.rlim_max
        };
        EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
    }
    void TearDown() override
    {
        ::setrlimit(RLIMIT_FSIZE, &savedLimit);
        std::signal(SIGXFSZ, SIG_DFL);
    }
};

// Every frame of both passes goes into the file as a key frame, numbered on
// from the outward pass into the return pass; the texts show each number
// before it is advanced, with the run's total. The file decodes to the frames
// shown, exactly when uncompressed or lossless; uncompressed, it holds a
// 40-byte 24-bit bottom-up format and rows padded to 4 bytes.
TEST_F(AviRunTest, writesEveryFrameOfBothPassesAsKeyFramesInOrder)
{
    struct {
        const char *compressor, *tag;
        double tolerance; // the mean difference per byte from the frames shown; 0: the same pixels
    } const cases[]
        = { { "", "[0][0][0][0]", 0 }, { "FFV1", "FFV1", 0 }, { "MJPG", "MJPG", 2.0 }, { "H264", "H264", 2.0 } };
    for (const auto &[compressor, tag, tolerance] : cases) {
        SCOPED_TRACE(compressor);
        AviHost host(file, 41); // odd
        host.services.answerAviSaveOptions(compressor);
        const AviRunResult result = RunAviAnimation(panorama, options, host, stop);
        EXPECT_TRUE(result.FileWritten);
        EXPECT_EQ(result.FramesWritten, 8);
        EXPECT_EQ(host.status, file + " - Frame0007 / 0008-OK!");
        std::vector<std::string> expectedLog { "show" };
        for (int i = 0; i < 8; ++i) {
            const std::string number = "000" + std::to_string(i) + " / 0008";
            if (i % 4 == 0)
                expectedLog.push_back("pass 4");
            expectedLog.push_back(std::to_string(i % 4) + " Frame " + number + " | " + file + " - Frame" + number);
        }
        expectedLog.push_back("hide");
        EXPECT_EQ(host.log, expectedLog);

        const VideoStreamProbe probe = probeVideo(file);
        EXPECT_EQ(
            std::tie(probe.codecTag, probe.width, probe.height, probe.frameRate), std::tuple(tag, 41, 30, "10/1"));
        EXPECT_EQ(probe.packetFlags, std::vector<std::string>(8, "K_"));
        const DecodedVideo video = decodeVideo(file);
        EXPECT_EQ(video.errors, "");
        ASSERT_EQ(video.bgr.size(), host.shownPixels.size());
        double difference = 0; // per byte, from the frames shown
        for (std::size_t i = 0; i < video.bgr.size(); ++i)
            difference += std::abs(video.bgr[i] - host.shownPixels[i]) / double(video.bgr.size());
        EXPECT_LE(difference, tolerance);
        if (*compressor == 0) {
            const auto bytes = readFileBytes(file);
            const auto find = [&](const char *id) { return std::search(bytes.begin(), bytes.end(), id, id + 4); };
            const auto le32 = [](auto p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; };
            const auto strf = find("strf"), movi = find("movi");
            ASSERT_NE(movi, bytes.end());
            EXPECT_EQ(std::tuple(le32(strf + 4), le32(strf + 8), le32(strf + 12), le32(strf + 16), le32(strf + 20),
                          le32(strf + 24)),
                std::tuple(40u, 40u, 41u, 30u, 1u | 24u << 16, 0u))
                << "chunk and header size, width, positive height, 1 plane of 24 bits, BI_RGB";
            EXPECT_EQ(std::string(movi + 4, movi + 8), "00dc");
            EXPECT_EQ(le32(movi + 8), 124u * 30) << "rows padded";
        }
    }
}

// A stop in either pass finishes the frame in progress and keeps the file (a
// stop in the outward pass skips the return pass). A frame wider than the
// panorama by more than a step gives a negative frame count: a file with its
// stream and no frame, no range error.
TEST_F(AviRunTest, aStopOrANegativeFrameCountKeepsTheFramesWrittenInAFile)
{
    for (auto [width, stopAtShown, written] : { std::tuple { 41, 1, 2 }, { 41, 5, 6 }, { 60, -1, 0 } }) {
        AviHost host(file, width);
        host.onShow = [&, stopAtShown](int shown) { stop = stop || shown == stopAtShown; };
        host.services.answerAviSaveOptions("");
        EXPECT_EQ(RunAviAnimation(panorama, options, host, stop).FramesWritten, written);
        EXPECT_EQ(probeVideo(file).packets, written);
        EXPECT_TRUE(host.status.ends_with("-OK!"));
        if (written == 0) {
            EXPECT_EQ(host.log, std::vector<std::string>({ "show", "pass -15", "pass -15", "hide" }));
            EXPECT_EQ(host.status, "before-OK!");
            EXPECT_TRUE(fs::exists(file));
        }
    }
}

struct FailureCase {
    const char *name;
    std::function<void(AviRunTest &, AviHost &)> arrange;
    std::string message;
    bool oldFileKept; // the old file of that name stays as it was (not: replaced, or a folder)
    long framesKept; // in the file that replaced it
};

class AviFailureTest : public AviRunTest, public ::testing::WithParamInterface<FailureCase> { };

// Each failure ends the run with its message once everything is released; a
// set-up failure leaves a file that already had that name untouched, and the
// status line claims no success.
TEST_P(AviFailureTest, reportsItsMessageAndLeavesTheOldFile)
{
    const FailureCase &c = GetParam();
    writeFileBytes(file, { 'o', 'l', 'd' });
    AviHost host(file, 41);
    c.arrange(*this, host);
    try {
        RunAviAnimation(panorama, options, host, stop);
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error &e) {
        EXPECT_EQ(e.what(), c.message);
    }
    EXPECT_EQ(fs::is_regular_file(file) && readFileBytes(file) == std::vector<std::uint8_t>({ 'o', 'l', 'd' }),
        c.oldFileKept);
    EXPECT_FALSE(host.status.ends_with("-OK!"));
    EXPECT_TRUE(host.services.cursors().empty());
    for (const auto &entry : fs::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename(), "ANIM0000.AVI") << "nothing else left behind";
    if (c.framesKept > 0) {
        EXPECT_EQ(probeVideo(file).packets, c.framesKept);
        EXPECT_EQ(decodeVideo(file).errors, "");
    }
}

INSTANTIATE_TEST_SUITE_P(Steps, AviFailureTest,
    ::testing::Values(FailureCase { "rateZero", [](AviRunTest &t, AviHost &) { t.options.Rate = 0; },
                          "AVI frame rate must be at least 1 frame per second", true, 0 },
        FailureCase { "fileNotCreated",
            [](AviRunTest &t, AviHost &) {
                fs::remove(t.file);
                fs::create_directory(t.file);
            },
            "Failed to create AVI file", false, 0 },
        FailureCase { "dialogCancelled",
            [](AviRunTest &, AviHost &h) { h.services.answerAviSaveOptions(std::nullopt); },
            "Failed to get AVI Compression Options", true, 0 },
        FailureCase { "unknownCompressor",
            [](AviRunTest &t, AviHost &h) {
                t.options.Codecs.push_back("vidc.ZZZZ   no such compressor");
                t.options.CodecIndex = 1;
                h.services.answerAviSaveOptions("ZZZZ");
            },
            "Failed to create AVI Compressed stream", true, 0 },
        FailureCase { "formatRefused", // MPEG-1 takes no rate of 10 frames a second
            [](AviRunTest &, AviHost &h) { h.services.answerAviSaveOptions("mpg1"); },
            "Failed to set AVI stream format", true, 0 },
        // A frame that cannot be written ends the run with the writer's
        // message instead of a silent stop; the file keeps the frames before it.
        FailureCase { "writeFailure",
            [](AviRunTest &t, AviHost &h) {
                h.services.answerAviSaveOptions("");
                h.onShow = [&t](int shown) {
                    if (shown == 3)
                        t.fillTheDisk();
                };
            },
            "Failed to add frame to AVI", false, 3 }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
