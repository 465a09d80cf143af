#include "anim/AviAnimationRun.h"

#include "MediaTools.h"
#include "ScriptedServices.h"
#include "TestUtils.h"
#include "anim/FrameSequence.h"
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
class AviHost : public AviRunHost, public AviProgress {
public:
    AviHost(bool &stop, std::string file, int frameWidth, bool back)
        : m_stop(stop)
        , m_file(std::move(file))
        , m_frameWidth(frameWidth)
        , m_back(back)
    {
    }

    ScriptedServices services;
    std::vector<std::string> log; // status texts, progress calls
    std::string status = "before";
    std::function<void(int shown)> onShow;
    int shown = 0;

    bool readSettings(tanimprm &prm) override
    {
        prm.FrameWidth = m_frameWidth;
        prm.FrameHeight = 30;
        prm.Step = 1;
        prm.Center = true;
        prm.ScrollDirection = true;
        prm.ScrollBack = m_back;
        prm.ScrollType = ScrollHorizontal;
        prm.FileName = m_file;
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

private:
    bool &m_stop;
    std::string m_file;
    int m_frameWidth;
    bool m_back;
};

// The frames a run over the panorama renders, in order.
std::vector<Bitmap24> renderedFrames(const Bitmap24 &panorama, int frameWidth, bool back)
{
    Bitmap24 frame;
    tanimprm prm;
    prm.FrameBitmap = &frame;
    prm.FrameWidth = frameWidth, prm.FrameHeight = panorama.height(), prm.Step = 1, prm.Center = true;
    prm.ScrollDirection = true, prm.ScrollBack = back;
    const PassPlan outward = PrepareFrames(prm, panorama.width(), panorama.height());
    std::vector<Bitmap24> frames;
    for (const PassPlan &plan : { outward, ReturnPass(outward, prm, panorama.width(), panorama.height()) }) {
        for (int i = 0; i < plan.PassCount; ++i) {
            RenderFrame(prm, panorama, plan.X0 + i * plan.DX, plan.Y0 + i * plan.DY);
            frames.push_back(frame);
        }
        if (!back)
            break;
    }
    return frames;
}

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
    AviHost host(stop, file, 41, true);
    host.services.answerAviSaveOptions("");
    const AviRunResult result = RunAviAnimation(panorama, options, host, stop);
    EXPECT_TRUE(result.FileWritten);
    EXPECT_EQ(result.FramesWritten, 8);
    EXPECT_EQ(host.status, file + " - Frame0007 / 0008-OK!");
    const std::vector<std::string> expectedLog
        = { "show", "pass 4", "0 Frame 0000 / 0008 | " + file + " - Frame0000 / 0008",
              "1 Frame 0001 / 0008 | " + file + " - Frame0001 / 0008",
              "2 Frame 0002 / 0008 | " + file + " - Frame0002 / 0008",
              "3 Frame 0003 / 0008 | " + file + " - Frame0003 / 0008", "pass 4",
              "0 Frame 0004 / 0008 | " + file + " - Frame0004 / 0008",
              "1 Frame 0005 / 0008 | " + file + " - Frame0005 / 0008",
              "2 Frame 0006 / 0008 | " + file + " - Frame0006 / 0008",
              "3 Frame 0007 / 0008 | " + file + " - Frame0007 / 0008", "hide" };
    EXPECT_EQ(host.log, expectedLog);

    const VideoStreamProbe probe = probeVideo(file);
    EXPECT_EQ(probe.packets, 8);
    EXPECT_EQ(probe.frameRate, "10/1");
    EXPECT_EQ(probe.packetFlags, std::vector<std::string>(8, "K_"));
    const DecodedVideo decoded = decodeVideo(file);
    EXPECT_EQ(decoded.errors, "");
    std::vector<std::uint8_t> expected;
    for (const Bitmap24 &f : renderedFrames(panorama, 41, true))
        for (int y = 0; y < f.height(); ++y)
            expected.insert(expected.end(), f.scanLine(y), f.scanLine(y) + 3 * f.width());
    EXPECT_TRUE(decoded.bgr == expected) << "the decoded pixels are the rendered frames";
}

struct StopCase {
    const char *name;
    bool back;
    int stopAtShown; // the run stops after this frame is shown and written
    int written;
};

class AviStopTest : public AviRunTest, public ::testing::WithParamInterface<StopCase> { };

// A stop finishes the frame in progress and keeps the file; the return pass
// then writes nothing.
TEST_P(AviStopTest, keepsTheFramesWrittenBeforeTheStop)
{
    const StopCase &c = GetParam();
    AviHost host(stop, file, 41, c.back);
    host.onShow = [&](int shown) { stop = stop || shown == c.stopAtShown; };
    host.services.answerAviSaveOptions("");
    const AviRunResult result = RunAviAnimation(panorama, options, host, stop);
    EXPECT_EQ(result.FramesWritten, c.written);
    EXPECT_EQ(probeVideo(file).packets, c.written);
    EXPECT_TRUE(host.status.ends_with("-OK!"));
}

INSTANTIATE_TEST_SUITE_P(Passes, AviStopTest,
    ::testing::Values(
        StopCase { "outward", true, 1, 2 }, StopCase { "return", true, 5, 6 }, StopCase { "oneWay", false, 0, 1 }),
    [](const auto &info) { return std::string(info.param.name); });

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
    AviHost host(stop, file, 41, true);
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
    AviHost host(stop, file, 41, true);
    host.services.answerAviSaveOptions("");
    // A file-size limit refuses writes as a full disk would, also for root.
    struct rlimit saved { };
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    std::optional<std::string> error;
    host.onShow = [&](int shown) {
        if (shown == 3) { // after three frames the disk is full
            struct rlimit small = saved;
            small.rlim_cur = rlim_t(fs::file_size(fs::directory_iterator(dir.path())->path()));
            ::setrlimit(RLIMIT_FSIZE, &small);
        }
    };
    const auto restore = [&] {
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
    };
    try {
        RunAviAnimation(panorama, options, host, stop);
    } catch (const std::runtime_error &e) {
        error = e.what();
    }
    restore();
    EXPECT_EQ(error, "Failed to add frame to AVI");
    EXPECT_FALSE(host.status.ends_with("-OK!"));
    EXPECT_EQ(decodeVideo(file).errors, "");
    EXPECT_EQ(probeVideo(file).packets, 3);
}

// A frame wider than the panorama by more than a step gives a negative frame
// count: a file with its stream and no frame, no range error.
TEST_F(AviRunTest, negativeFrameCountWritesAnEmptyFile)
{
    AviHost host(stop, file, 60, true);
    host.services.answerAviSaveOptions("");
    const AviRunResult result = RunAviAnimation(panorama, options, host, stop);
    EXPECT_EQ(result.FramesWritten, 0);
    EXPECT_EQ(host.log, std::vector<std::string>({ "show", "pass -15", "pass -15", "hide" }));
    EXPECT_EQ(host.status, "before-OK!");
    EXPECT_TRUE(fs::exists(file));
}

} // namespace
