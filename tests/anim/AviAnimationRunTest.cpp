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
#include <optional>
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

    bool readSettings(tanimprm &prm) override
    {
        prm.FrameWidth = frameWidth, prm.FrameHeight = 30, prm.Step = 1, prm.Center = true;
        prm.ScrollDirection = true, prm.ScrollBack = true, prm.ScrollType = ScrollHorizontal;
        prm.FileName = file;
        return true;
    }
    SaveOutcome saveFrame(const Bitmap24 &, const std::string &, bool &) override { return SaveOutcome::Failed; }
    void showFrame(const Bitmap24 &) override
    {
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
};

// Every frame of both passes goes into the file as a key frame, numbered on
// from the outward pass into the return pass; the texts show each number
// before it is advanced, with the run's total.
TEST_F(AviRunTest, writesEveryFrameOfBothPassesAsKeyFramesInOrder)
{
    AviHost host(file, 41);
    host.services.answerAviSaveOptions("");
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
    EXPECT_EQ(probe.frameRate, "10/1");
    EXPECT_EQ(probe.packetFlags, std::vector<std::string>(8, "K_"));
    EXPECT_EQ(decodeVideo(file).errors, "");
}

// A stop in either pass finishes the frame in progress and keeps the file;
// a stop in the outward pass skips the return pass.
TEST_F(AviRunTest, aStopKeepsTheFramesWrittenBeforeIt)
{
    for (auto [stopAtShown, written] : { std::pair { 1, 2 }, { 5, 6 } }) {
        AviHost host(file, 41);
        host.onShow = [&](int shown) { stop = stop || shown == stopAtShown; };
        host.services.answerAviSaveOptions("");
        EXPECT_EQ(RunAviAnimation(panorama, options, host, stop).FramesWritten, written);
        EXPECT_EQ(probeVideo(file).packets, written);
        EXPECT_TRUE(host.status.ends_with("-OK!"));
    }
}

struct FailureCase {
    const char *name;
    std::function<void(AviRunTest &, AviHost &)> arrange;
    const char *message;
    bool oldFileKept; // the old file of that name stays as it was (false: the name is a folder)
};

class AviFailureTest : public AviRunTest, public ::testing::WithParamInterface<FailureCase> { };

// Each set-up failure ends the run with its message once everything is
// released; a file that already had that name stays untouched, and the
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
        EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_EQ(fs::is_regular_file(file) && readFileBytes(file) == std::vector<std::uint8_t>({ 'o', 'l', 'd' }),
        c.oldFileKept);
    EXPECT_FALSE(host.status.ends_with("-OK!"));
    EXPECT_TRUE(host.services.cursors().empty());
    for (const auto &entry : fs::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename(), "ANIM0000.AVI") << "nothing else left behind";
}

INSTANTIATE_TEST_SUITE_P(Steps, AviFailureTest,
    ::testing::Values(FailureCase { "rateZero", [](AviRunTest &t, AviHost &) { t.options.Rate = 0; },
                          "AVI frame rate must be at least 1 frame per second", true },
        FailureCase { "fileNotCreated",
            [](AviRunTest &t, AviHost &) {
                fs::remove(t.file);
                fs::create_directory(t.file);
            },
            "Failed to create AVI file", false },
        FailureCase { "dialogCancelled",
            [](AviRunTest &, AviHost &h) { h.services.answerAviSaveOptions(std::nullopt); },
            "Failed to get AVI Compression Options", true },
        FailureCase { "unknownCompressor",
            [](AviRunTest &t, AviHost &h) {
                t.options.Codecs.push_back("vidc.ZZZZ   no such compressor");
                t.options.CodecIndex = 1;
                h.services.answerAviSaveOptions("ZZZZ");
            },
            "Failed to create AVI Compressed stream", true },
        FailureCase { "formatRefused", // MPEG-1 takes no rate of 10 frames a second
            [](AviRunTest &, AviHost &h) { h.services.answerAviSaveOptions("mpg1"); },
            "Failed to set AVI stream format", true }),
    [](const auto &info) { return std::string(info.param.name); });

// A frame that cannot be written (full disk) ends the run with the writer's
// message instead of a silent stop, and the file keeps the frames before it.
TEST_F(AviRunTest, writeFailureKeepsTheFramesWrittenAndSaysSo)
{
    AviHost host(file, 41);
    host.services.answerAviSaveOptions("");
    // A file-size limit refuses writes as a full disk would, also for root.
    struct rlimit saved { };
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    host.onShow = [&](int shown) { // after three frames the disk is full
        struct rlimit full {
            rlim_t(fs::file_size(fs::directory_iterator(dir.path())->path())), saved.rlim_max
        };
        EXPECT_TRUE(shown != 3 || ::setrlimit(RLIMIT_FSIZE, &full) == 0);
    };
    std::optional<std::string> error;
    try {
        RunAviAnimation(panorama, options, host, stop);
    } catch (const std::runtime_error &e) {
        error = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(error, "Failed to add frame to AVI");
    EXPECT_FALSE(host.status.ends_with("-OK!"));
    EXPECT_EQ(decodeVideo(file).errors, "");
    EXPECT_EQ(probeVideo(file).packets, 3);
}

// A frame wider than the panorama by more than a step gives a negative frame
// count: a file with its stream and no frame, no range error.
TEST_F(AviRunTest, negativeFrameCountWritesAnEmptyFile)
{
    AviHost host(file, 60);
    host.services.answerAviSaveOptions("");
    EXPECT_EQ(RunAviAnimation(panorama, options, host, stop).FramesWritten, 0);
    EXPECT_EQ(host.log, std::vector<std::string>({ "show", "pass -15", "pass -15", "hide" }));
    EXPECT_EQ(host.status, "before-OK!");
    EXPECT_TRUE(fs::exists(file));
}

} // namespace
