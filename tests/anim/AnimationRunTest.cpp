#include "anim/AnimationRun.h"

#include "ScriptedServices.h"
#include "TestUtils.h"
#include "common/Bitmap24.h"
#include "options/JpegOptions.h"
#include "output/FrameFile.h"
#include "output/FrameNames.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Records what a run asks of its host; saves through the real SaveFrameFile
// with scripted answers to the overwrite dialog.
class RecordingHost : public RunHost {
public:
    explicit RecordingHost(bool &stopRequested)
        : m_stop(stopRequested)
    {
    }

    std::function<bool(tanimprm &)> settings;
    std::function<void(int frameIndex)> onTempo; // frame index = shown frames so far - 1
    std::function<void(int frameIndex)> onProcess;
    std::function<void(const std::string &)> onSave; // may throw
    ScriptedServices services;

    std::vector<std::string> events;
    std::vector<std::string> statusTexts;
    std::vector<std::string> savedNames;
    std::vector<PixelBgr> shownTopLeft;
    const Bitmap24 *shownBitmap = nullptr;
    const Bitmap24 *settingsBitmap = nullptr;

    bool readSettings(tanimprm &prm) override
    {
        events.push_back("read");
        settingsBitmap = prm.FrameBitmap;
        return settings ? settings(prm) : false;
    }
    FrameFilePlan planFrame(const std::string &fileName, bool &confirmOverwrite, FrameEncoding &) override
    {
        events.push_back("save");
        savedNames.push_back(fileName);
        if (onSave)
            onSave(fileName);
        return PlanFrameFile(
            fileName, confirmOverwrite,
            [this](
                const std::string &name, const std::string &caption) { return services.askOverwrite(name, caption); },
            m_stop);
    }
    void showFrame(const Bitmap24 &frame) override
    {
        events.push_back("show");
        shownBitmap = &frame;
        shownTopLeft.push_back(pixelAt(frame, 0, 0));
    }
    void setStatusText(const std::string &text) override
    {
        events.push_back("status");
        statusTexts.push_back(text);
    }
    void processMessages() override
    {
        events.push_back("process");
        if (onProcess)
            onProcess(int(shownTopLeft.size()) - 1);
    }
    void waitTempo() override
    {
        events.push_back("tempo");
        if (onTempo)
            onTempo(int(shownTopLeft.size()) - 1);
    }

private:
    bool &m_stop;
};

// A horizontal run over a panorama panoW x h with a frame frameW x h.
std::function<bool(tanimprm &)> testSettings(int frameW, int frameH, bool back = true, std::int32_t numStart = 0)
{
    return [=](tanimprm &prm) {
        prm.FrameWidth = frameW;
        prm.FrameHeight = frameH;
        prm.Step = 1;
        prm.Center = true;
        prm.ScrollDirection = true;
        prm.ScrollBack = back;
        prm.ScrollType = ScrollHorizontal;
        prm.NumStart = numStart;
        prm.NameFormat = kFormattedNamePattern;
        prm.DstName = kTestFrameName;
        return true;
    };
}

std::function<bool(tanimprm &)> createSettings(const std::string &dir, int frameW, int frameH, bool back = true)
{
    return [=](tanimprm &prm) {
        testSettings(frameW, frameH, back)(prm);
        prm.DstDir = dir;
        prm.DstName = "IMAGE";
        prm.Ext = ".BMP";
        return true;
    };
}

std::vector<int> shownPositions(const RecordingHost &host)
{
    std::vector<int> xs;
    for (const PixelBgr &p : host.shownTopLeft)
        xs.push_back(p.b + 256 * p.r);
    return xs;
}

TEST(RunAnimation, testRunLabelsEveryFrameAndTurnsAtTheFarEnd)
{
    const Bitmap24 pano = makeTestPanorama(14, 4);
    bool stop = true; // a run clears an old stop request
    RecordingHost host(stop);
    host.settings = testSettings(10, 4, true, 5);
    EXPECT_EQ(RunAnimation(pano, true, host, stop), 8);
    EXPECT_FALSE(stop);
    const std::vector<std::string> expected { "TestFrame-5 / 0008", "TestFrame-6 / 0008", "TestFrame-7 / 0008",
        "TestFrame-8 / 0008", "TestFrame-9 / 0008", "TestFrame-10 / 0008", "TestFrame-11 / 0008",
        "TestFrame-12 / 0008" };
    EXPECT_EQ(host.statusTexts, expected);
    EXPECT_EQ(shownPositions(host), (std::vector<int> { 0, 1, 2, 3, 3, 2, 1, 0 }));
    // Per frame: status, show, messages, pause; no file is written.
    const std::vector<std::string> firstFrame { "read", "status", "show", "process", "tempo", "status" };
    EXPECT_EQ(std::vector<std::string>(host.events.begin(), host.events.begin() + 6), firstFrame);
    EXPECT_TRUE(host.savedNames.empty());
}

TEST(RunAnimation, loop360GoesOnceRoundWithoutAReturnPass)
{
    const Bitmap24 pano = makeTestPanorama(14, 4);
    bool stop = false;
    RecordingHost host(stop);
    host.settings = [](tanimprm &prm) {
        testSettings(10, 4, true)(prm);
        prm.Step = 3;
        prm.Loop360 = true;
        return true;
    };
    EXPECT_EQ(RunAnimation(pano, true, host, stop), 5); // round(14 / 3)
    EXPECT_EQ(shownPositions(host), (std::vector<int> { 0, 3, 6, 8, 11 }));
    EXPECT_EQ(host.statusTexts.back(), "TestFrame-4 / 0005");
}

TEST(RunAnimation, frameCountOfTheDefaultWidePanoramaRun)
{
    // D = 3976 as for a 5000-wide panorama and a 1024-wide frame.
    const Bitmap24 pano = makeTestPanorama(3992, 4);
    for (bool back : { true, false }) {
        bool stop = false;
        RecordingHost host(stop);
        host.settings = testSettings(16, 4, back);
        const int frames = back ? 7952 : 3976;
        EXPECT_EQ(RunAnimation(pano, true, host, stop), frames);
        ASSERT_EQ(host.statusTexts.size(), std::size_t(frames));
        const std::string total = back ? " / 7952" : " / 3976";
        EXPECT_EQ(host.statusTexts.front(), "TestFrame-0" + total);
        EXPECT_EQ(host.statusTexts.back(), "TestFrame-" + std::to_string(frames - 1) + total);
    }
}

TEST(RunAnimation, runOwnsTheFrameBitmapTheRecordPointsTo)
{
    const Bitmap24 pano = makeTestPanorama(14, 4);
    bool stop = false;
    RecordingHost host(stop);
    host.settings = testSettings(10, 4);
    RunAnimation(pano, true, host, stop);
    ASSERT_NE(host.settingsBitmap, nullptr);
    EXPECT_EQ(host.shownBitmap, host.settingsBitmap);
}

struct StopCase {
    const char *label;
    bool test;
    int stopAtFrame; // the stop is pressed once this many frames minus one have been shown
    int expectedFrames;
};

class StopDuringRun : public testing::TestWithParam<StopCase> { };

TEST_P(StopDuringRun, currentFrameFinishesAndNothingFollows)
{
    const StopCase &c = GetParam();
    TempDir dir;
    const Bitmap24 pano = makeTestPanorama(14, 4); // 4 frames per pass
    bool stop = false;
    RecordingHost host(stop);
    host.settings = c.test ? testSettings(10, 4) : createSettings(dir.str(), 10, 4);
    const auto press = [&](int frame) {
        if (frame == c.stopAtFrame)
            stop = true;
    };
    if (c.test)
        host.onTempo = press;
    else
        host.onProcess = press;
    EXPECT_EQ(RunAnimation(pano, c.test, host, stop), c.expectedFrames);
    EXPECT_EQ(host.statusTexts.size(), std::size_t(c.expectedFrames));
    EXPECT_EQ(host.shownTopLeft.size(), std::size_t(c.expectedFrames));
    EXPECT_TRUE(stop);
    if (!c.test) {
        EXPECT_EQ(host.savedNames.size(), std::size_t(c.expectedFrames));
    }
}

INSTANTIATE_TEST_SUITE_P(Moments, StopDuringRun,
    testing::Values(StopCase { "testOutwardPass", true, 1, 2 }, StopCase { "testLastOutwardFrame", true, 3, 4 },
        StopCase { "testReturnPass", true, 5, 6 }, StopCase { "createOutwardPass", false, 0, 1 },
        // Pressed while the first file is being written: still shown.
        StopCase { "createBetweenSaveAndShow", false, -1, 1 }, StopCase { "createReturnPass", false, 6, 7 }),
    [](const testing::TestParamInfo<StopCase> &info) { return std::string(info.param.label); });

TEST(RunAnimation, creationRunNumbersFilesOverBothPasses)
{
    TempDir dir;
    const Bitmap24 pano = makeTestPanorama(13, 4); // 3 frames per pass
    bool stop = false;
    RecordingHost host(stop);
    host.settings = createSettings(dir.str(), 10, 4);
    EXPECT_EQ(RunAnimation(pano, false, host, stop), 6);
    ASSERT_EQ(host.savedNames.size(), 6u);
    for (int k = 0; k < 6; ++k) {
        const std::string name = dir.str() + "/IMAGE000" + std::to_string(k) + ".BMP";
        EXPECT_EQ(host.savedNames[k], name);
        EXPECT_EQ(host.statusTexts[k], name + " / 0006");
        EXPECT_TRUE(std::filesystem::is_regular_file(name));
    }
    // The return pass starts where the outward pass ended: frames 2 and 3 match.
    EXPECT_EQ(readFileBytes(host.savedNames[2]), readFileBytes(host.savedNames[3]));
    EXPECT_EQ(readFileBytes(host.savedNames[0]), readFileBytes(host.savedNames[5]));
    // Per frame: save, messages, status, show, messages; no pause.
    const std::vector<std::string> firstFrame { "read", "save", "process", "status", "show", "process", "save" };
    EXPECT_EQ(std::vector<std::string>(host.events.begin(), host.events.begin() + 7), firstFrame);
}

TEST(RunAnimation, relativeFolderGivesAbsoluteNames)
{
    TempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const Bitmap24 pano = makeTestPanorama(11, 4);
    bool stop = false;
    RecordingHost host(stop);
    host.settings = createSettings("anim", 10, 4, false);
    std::filesystem::create_directory("anim");
    RunAnimation(pano, false, host, stop);
    std::filesystem::current_path(previous);
    ASSERT_EQ(host.savedNames.size(), 1u);
    EXPECT_EQ(host.savedNames[0], std::filesystem::canonical(dir.path()).string() + "/anim/IMAGE0000.BMP");
}

std::vector<std::uint8_t> oldContent { 7, 7, 7 };

void plantOldFiles(const TempDir &dir, std::initializer_list<int> numbers)
{
    for (int n : numbers)
        writeFileBytes(dir / ("IMAGE000" + std::to_string(n) + ".BMP"), oldContent);
}

bool isOld(const TempDir &dir, int n)
{
    return readFileBytes(dir / ("IMAGE000" + std::to_string(n) + ".BMP")) == oldContent;
}

TEST(RunAnimation, stopOnTheOverwriteDialogShowsTheFrameThenStops)
{
    TempDir dir;
    plantOldFiles(dir, { 1 });
    const Bitmap24 pano = makeTestPanorama(13, 4);
    bool stop = false;
    RecordingHost host(stop);
    host.settings = createSettings(dir.str(), 10, 4);
    host.services.answerOverwrite(WindowServices::OverwriteStop);
    EXPECT_EQ(RunAnimation(pano, false, host, stop), 2);
    EXPECT_TRUE(stop);
    EXPECT_EQ(host.shownTopLeft.size(), 2u);
    EXPECT_EQ(host.statusTexts.back(), dir.str() + "/IMAGE0001.BMP / 0006");
    EXPECT_TRUE(isOld(dir, 1));
    EXPECT_FALSE(std::filesystem::exists(dir / "IMAGE0002.BMP"));
}

TEST(RunAnimation, closedOverwriteDialogEndsWithoutShowingTheFrame)
{
    TempDir dir;
    plantOldFiles(dir, { 1 });
    const Bitmap24 pano = makeTestPanorama(13, 4);
    bool stop = false;
    RecordingHost host(stop);
    host.settings = createSettings(dir.str(), 10, 4);
    host.services.answerOverwrite(WindowServices::OverwriteClosed);
    EXPECT_EQ(RunAnimation(pano, false, host, stop), 1);
    EXPECT_TRUE(stop);
    EXPECT_EQ(host.shownTopLeft.size(), 1u);
    EXPECT_EQ(host.savedNames.size(), 2u);
    EXPECT_TRUE(isOld(dir, 1));
}

TEST(RunAnimation, noOnTheOverwriteDialogSkipsOnlyThatFile)
{
    TempDir dir;
    plantOldFiles(dir, { 1, 4 });
    const Bitmap24 pano = makeTestPanorama(13, 4);
    bool stop = false;
    RecordingHost host(stop);
    host.settings = createSettings(dir.str(), 10, 4);
    host.services.answerOverwrite(WindowServices::OverwriteNo);
    host.services.answerOverwrite(WindowServices::OverwriteNo);
    EXPECT_EQ(RunAnimation(pano, false, host, stop), 6);
    EXPECT_FALSE(stop);
    EXPECT_TRUE(isOld(dir, 1));
    EXPECT_TRUE(isOld(dir, 4));
    EXPECT_FALSE(isOld(dir, 5));
}

TEST(RunAnimation, yesToAllCoversTheReturnPassAndANewRunAsksAgain)
{
    TempDir dir;
    plantOldFiles(dir, { 1, 4 });
    const Bitmap24 pano = makeTestPanorama(13, 4);
    bool stop = false;
    RecordingHost host(stop);
    host.settings = createSettings(dir.str(), 10, 4);
    host.services.answerOverwrite(WindowServices::OverwriteYesToAll);
    EXPECT_EQ(RunAnimation(pano, false, host, stop), 6);
    EXPECT_FALSE(isOld(dir, 1));
    EXPECT_FALSE(isOld(dir, 4));
    EXPECT_EQ(host.services.asked().size(), 1u);

    // Every file now exists: the next run asks at its first file.
    host.services.answerOverwrite(WindowServices::OverwriteStop);
    EXPECT_EQ(RunAnimation(pano, false, host, stop), 1);
    EXPECT_EQ(host.services.asked().size(), 2u);
}

TEST(RunAnimation, refusedSettingsProduceNoFrame)
{
    const Bitmap24 pano = makeTestPanorama(14, 4);
    bool stop = true;
    RecordingHost host(stop);
    host.settings = [](tanimprm &) { return false; };
    EXPECT_EQ(RunAnimation(pano, true, host, stop), 0);
    EXPECT_EQ(host.events, std::vector<std::string> { "read" });
    EXPECT_FALSE(stop);
}

TEST(RunAnimation, noFramesWhenTheFrameIsWiderThanThePanorama)
{
    const Bitmap24 pano = makeTestPanorama(8, 4);
    bool stop = false;
    RecordingHost host(stop);
    host.settings = testSettings(10, 4);
    EXPECT_EQ(RunAnimation(pano, true, host, stop), 0);
    EXPECT_EQ(host.events, std::vector<std::string> { "read" });
}

TEST(RunAnimation, errorInsideAFrameStopsQuietly)
{
    TempDir dir;
    const Bitmap24 pano = makeTestPanorama(13, 4);
    bool stop = false;
    RecordingHost host(stop);
    host.settings = createSettings(dir.str(), 10, 4);
    int saves = 0;
    host.onSave = [&](const std::string &) {
        if (++saves == 2)
            throw std::runtime_error("disk gone");
    };
    EXPECT_EQ(RunAnimation(pano, false, host, stop), 1);
    EXPECT_TRUE(stop);
    EXPECT_EQ(host.savedNames.size(), 2u); // the return pass ends at its first test
}

TEST(RunAnimation, unusableFrameSizeIsThrownBeforeTheFirstFrame)
{
    const Bitmap24 pano = makeTestPanorama(14, 4);
    bool stop = false;
    RecordingHost host(stop);
    host.settings = testSettings(-5, 4);
    EXPECT_THROW(RunAnimation(pano, true, host, stop), std::runtime_error);
    EXPECT_EQ(host.events, std::vector<std::string> { "read" });
}

} // namespace
