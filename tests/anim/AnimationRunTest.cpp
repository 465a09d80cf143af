#include "anim/AnimationRun.h"

#include "ScriptedServices.h"
#include "ScrollSettings.h"
#include "TestUtils.h"
#include "anim/RunFeedback.h"
#include "common/Bitmap24.h"
#include "output/FrameNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Records what a run tells its host; overwrite questions go to scripted
// services.
class RecordingFeedback : public RunFeedback {
public:
    std::function<void(int frameIndex)> onTempo; // frame index = shown frames so far - 1
    // The first and second message pass of a frame: before and after it is
    // handed to the sink.
    std::function<void(int frameIndex, int passOfFrame)> onProcess;
    std::function<void(const std::string &fileName)> onAsk; // may throw
    ScriptedServices services;

    std::vector<std::string> events;
    std::vector<std::string> statusTexts;
    std::vector<std::string> savedNames; // the frame files reported, in order
    std::vector<PixelBgr> shownTopLeft;
    std::set<const Bitmap24 *> shownBitmaps;

    void runStarting(const RunPlan &plan) override { events.push_back("start " + std::to_string(plan.total())); }
    void showFrame(const Bitmap24 &frame) override
    {
        events.push_back("show");
        shownBitmaps.insert(&frame);
        shownTopLeft.push_back(pixelAt(frame, 0, 0));
        m_passOfFrame = 0;
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
            onProcess(int(shownTopLeft.size()) - 1, m_passOfFrame);
        ++m_passOfFrame;
    }
    void waitTempo(std::optional<std::int32_t> pause) override
    {
        events.push_back(pause ? "pause " + std::to_string(*pause) : "tempo");
        if (onTempo)
            onTempo(int(shownTopLeft.size()) - 1);
    }
    int askOverwrite(const std::string &fileName, const std::string &caption) override
    {
        events.push_back("ask");
        if (onAsk)
            onAsk(fileName);
        return services.askOverwrite(fileName, caption);
    }
    void frameSaved(const FrameSeriesWriter::Report &report) override
    {
        events.push_back("saved");
        savedNames.push_back(report.fileName);
    }

private:
    int m_passOfFrame = 0;
};

// A horizontal test run over a panorama panoW x h with a frame frameW x h.
RunRequest testRequest(int frameW, int frameH, bool back = true, std::int32_t numStart = 0)
{
    RunRequest request;
    request.kind = RunKind::Test;
    request.settings = scrollSettings(frameW, frameH, 1, true, false);
    request.settings.ScrollBack = back;
    request.names.NumStart = numStart;
    request.names.NameFormat = kFormattedNamePattern;
    request.names.DstName = kTestFrameName;
    return request;
}

// The same frames written as IMAGE0000.BMP... into dir by one worker.
RunRequest createRequest(const std::string &dir, int frameW, int frameH, bool back = true)
{
    RunRequest request = testRequest(frameW, frameH, back);
    request.kind = RunKind::Series;
    request.names.DstDir = dir;
    request.names.DstName = "IMAGE";
    request.names.Ext = ".BMP";
    return request;
}

std::vector<int> shownPositions(const RecordingFeedback &host)
{
    std::vector<int> xs;
    for (const PixelBgr &p : host.shownTopLeft)
        xs.push_back(p.b + 256 * p.r);
    return xs;
}

// The camera's music goes to the video file's settings; none leaves the
// request's own.
TEST(VideoSettingsFor, takesTheCamerasMusic)
{
    const Bitmap24 panorama = makeTestPanorama(40, 10);
    const struct {
        std::string camera, request, expected;
    } cases[] = {
        { "", "", "" },
        { "/music/a.ogg", "", "/music/a.ogg" },
        { "", "/music/b.mp3", "/music/b.mp3" },
        { "/music/a.ogg", "/music/a.ogg", "/music/a.ogg" },
    };
    for (const auto &c : cases) {
        RunRequest request;
        request.kind = RunKind::VideoFile;
        request.settings.FrameWidth = 16;
        request.settings.FrameHeight = 10;
        request.settings.Camera.AudioFile = c.camera;
        request.video.audioFile = c.request;
        EXPECT_EQ(VideoSettingsFor(request, panorama).audioFile, c.expected) << c.camera << " / " << c.request;
    }
}

TEST(RunAnimation, testRunLabelsEveryFrameAndTurnsAtTheFarEnd)
{
    const Bitmap24 pano = makeTestPanorama(14, 4);
    bool stop = true; // a run clears an old stop request
    RecordingFeedback host;
    const RunOutcome outcome = RunAnimation(pano, testRequest(10, 4, true, 5), host, stop);
    EXPECT_EQ(outcome.produced, 8);
    EXPECT_EQ(outcome.total, 8);
    EXPECT_FALSE(outcome.stopped);
    EXPECT_FALSE(stop);
    const std::vector<std::string> expected { "TestFrame-5 / 0008", "TestFrame-6 / 0008", "TestFrame-7 / 0008",
        "TestFrame-8 / 0008", "TestFrame-9 / 0008", "TestFrame-10 / 0008", "TestFrame-11 / 0008",
        "TestFrame-12 / 0008" };
    EXPECT_EQ(host.statusTexts, expected);
    EXPECT_EQ(shownPositions(host), (std::vector<int> { 0, 1, 2, 3, 3, 2, 1, 0 }));
    // The count first; per frame: status, show, messages (before and after
    // the frame is taken), pause; no file is written.
    const std::vector<std::string> firstFrame { "start 8", "status", "show", "process", "process", "tempo", "status" };
    ASSERT_GE(host.events.size(), firstFrame.size());
    EXPECT_EQ(std::vector<std::string>(host.events.begin(), host.events.begin() + 7), firstFrame);
    EXPECT_TRUE(host.savedNames.empty());
}

TEST(RunAnimation, loop360GoesOnceRoundWithoutAReturnPass)
{
    const Bitmap24 pano = makeTestPanorama(14, 4);
    bool stop = false;
    RecordingFeedback host;
    RunRequest request = testRequest(10, 4, true);
    request.settings.Step = 3;
    request.settings.Loop360 = true;
    EXPECT_EQ(RunAnimation(pano, request, host, stop).produced, 5); // round(14 / 3)
    EXPECT_EQ(shownPositions(host), (std::vector<int> { 0, 3, 6, 8, 11 }));
    EXPECT_EQ(host.statusTexts.back(), "TestFrame-4 / 0005");
}

TEST(RunAnimation, frameCountOfTheDefaultWidePanoramaRun)
{
    // D = 3976 as for a 5000-wide panorama and a 1024-wide frame.
    const Bitmap24 pano = makeTestPanorama(3992, 4);
    for (bool back : { true, false }) {
        bool stop = false;
        RecordingFeedback host;
        const int frames = back ? 7952 : 3976;
        EXPECT_EQ(RunAnimation(pano, testRequest(16, 4, back), host, stop).produced, frames);
        ASSERT_EQ(host.statusTexts.size(), std::size_t(frames));
        const std::string total = back ? " / 7952" : " / 3976";
        EXPECT_EQ(host.statusTexts.front(), "TestFrame-0" + total);
        EXPECT_EQ(host.statusTexts.back(), "TestFrame-" + std::to_string(frames - 1) + total);
    }
}

// The run makes one frame bitmap of its own and shows every frame in it.
TEST(RunAnimation, everyFrameIsShownInTheRunsOwnBitmap)
{
    const Bitmap24 pano = makeTestPanorama(14, 4);
    bool stop = false;
    RecordingFeedback host;
    RunAnimation(pano, testRequest(10, 4), host, stop);
    ASSERT_EQ(host.shownBitmaps.size(), 1u);
    EXPECT_NE(*host.shownBitmaps.begin(), &pano);
    EXPECT_EQ(host.shownTopLeft.size(), 8u);
}

// When the stop is pressed: in the pause after a test frame, or in the
// first or second message pass of a frame (before and after it is handed
// to the files).
enum class Moment { Pause, BeforeHanding, AfterHanding };

struct StopCase {
    const char *label;
    bool test;
    Moment moment;
    int stopAtFrame; // the stop is pressed while this frame (0-based) is shown
    int expectedFrames;
};

class StopDuringRun : public testing::TestWithParam<StopCase> { };

TEST_P(StopDuringRun, currentFrameFinishesAndNothingFollows)
{
    const StopCase &c = GetParam();
    TempDir dir;
    const Bitmap24 pano = makeTestPanorama(14, 4); // 4 frames per pass
    bool stop = false;
    RecordingFeedback host;
    const RunRequest request = c.test ? testRequest(10, 4) : createRequest(dir.str(), 10, 4);
    if (c.moment == Moment::Pause)
        host.onTempo = [&](int frame) { stop = stop || frame == c.stopAtFrame; };
    else
        host.onProcess = [&](int frame, int pass) {
            const int wanted = c.moment == Moment::BeforeHanding ? 0 : 1;
            stop = stop || (frame == c.stopAtFrame && pass == wanted);
        };
    const RunOutcome outcome = RunAnimation(pano, request, host, stop);
    EXPECT_EQ(outcome.produced, c.expectedFrames);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(host.statusTexts.size(), std::size_t(c.expectedFrames));
    EXPECT_EQ(host.shownTopLeft.size(), std::size_t(c.expectedFrames));
    EXPECT_TRUE(stop);
    if (!c.test) {
        EXPECT_EQ(host.savedNames.size(), std::size_t(c.expectedFrames));
        EXPECT_EQ(outcome.series.written, c.expectedFrames);
        EXPECT_TRUE(std::filesystem::exists(dir / ("IMAGE000" + std::to_string(c.expectedFrames - 1) + ".BMP")));
        EXPECT_FALSE(std::filesystem::exists(dir / ("IMAGE000" + std::to_string(c.expectedFrames) + ".BMP")));
    }
}

INSTANTIATE_TEST_SUITE_P(Moments, StopDuringRun,
    testing::Values(StopCase { "testOutwardPass", true, Moment::Pause, 1, 2 },
        StopCase { "testLastOutwardFrame", true, Moment::Pause, 3, 4 },
        StopCase { "testReturnPass", true, Moment::Pause, 5, 6 },
        StopCase { "testBeforeThePause", true, Moment::BeforeHanding, 2, 3 },
        StopCase { "createOutwardPass", false, Moment::AfterHanding, 0, 1 },
        // Pressed while the first frame is shown, before its file is handed
        // out: the file is still written.
        StopCase { "createBetweenShowAndWrite", false, Moment::BeforeHanding, 0, 1 },
        StopCase { "createReturnPass", false, Moment::AfterHanding, 6, 7 }),
    [](const testing::TestParamInfo<StopCase> &info) { return std::string(info.param.label); });

TEST(RunAnimation, creationRunNumbersFilesOverBothPasses)
{
    TempDir dir;
    const Bitmap24 pano = makeTestPanorama(13, 4); // 3 frames per pass
    bool stop = false;
    RecordingFeedback host;
    const RunOutcome outcome = RunAnimation(pano, createRequest(dir.str(), 10, 4), host, stop);
    EXPECT_EQ(outcome.produced, 6);
    EXPECT_EQ(outcome.series.written, 6);
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
    // The count first; per frame: status, show, messages, the file written
    // (one worker: before the next frame) and reported, messages; no pause.
    // No file existed: nothing is asked.
    const std::vector<std::string> firstFrame { "start 6", "status", "show", "process", "saved", "process", "status" };
    ASSERT_GE(host.events.size(), firstFrame.size());
    EXPECT_EQ(std::vector<std::string>(host.events.begin(), host.events.begin() + 7), firstFrame);
    EXPECT_EQ(std::count(host.events.begin(), host.events.end(), "tempo"), 0);
    EXPECT_EQ(std::count(host.events.begin(), host.events.end(), "ask"), 0);
}

TEST(RunAnimation, relativeFolderGivesAbsoluteNames)
{
    TempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const Bitmap24 pano = makeTestPanorama(11, 4);
    bool stop = false;
    RecordingFeedback host;
    std::filesystem::create_directory("anim");
    RunAnimation(pano, createRequest("anim", 10, 4, false), host, stop);
    std::filesystem::current_path(previous);
    ASSERT_EQ(host.savedNames.size(), 1u);
    EXPECT_EQ(host.savedNames[0], std::filesystem::canonical(dir.path()).string() + "/anim/IMAGE0000.BMP");
    EXPECT_EQ(host.statusTexts[0], host.savedNames[0] + " / 0001");
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

// The answers that end a run at the question about IMAGE0001: "Stop" shows
// that frame (its file left as it was) and stops; closing the question
// stops without showing it.
struct EndingAnswerCase {
    const char *label;
    int answer;
    int shown; // frames shown, the last one named on the status line
    std::int64_t skipped; // files left as they were
};

class EndingAnswer : public testing::TestWithParam<EndingAnswerCase> { };

TEST_P(EndingAnswer, endsTheRunAtThatFrame)
{
    const EndingAnswerCase &c = GetParam();
    TempDir dir;
    plantOldFiles(dir, { 1 });
    const Bitmap24 pano = makeTestPanorama(13, 4);
    bool stop = false;
    RecordingFeedback host;
    host.services.answerOverwrite(c.answer);
    const RunOutcome outcome = RunAnimation(pano, createRequest(dir.str(), 10, 4), host, stop);
    EXPECT_EQ(outcome.produced, c.shown);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_TRUE(stop);
    EXPECT_EQ(host.shownTopLeft.size(), std::size_t(c.shown));
    ASSERT_EQ(host.statusTexts.size(), std::size_t(c.shown));
    EXPECT_EQ(host.statusTexts.back(), dir.str() + "/IMAGE000" + std::to_string(c.shown - 1) + ".BMP / 0006");
    ASSERT_EQ(host.services.asked().size(), 1u);
    EXPECT_EQ(host.services.asked()[0].text, dir.str() + "/IMAGE0001.BMP");
    EXPECT_EQ(outcome.series.written, 1);
    EXPECT_EQ(outcome.series.skipped, c.skipped);
    EXPECT_TRUE(isOld(dir, 1));
    EXPECT_FALSE(std::filesystem::exists(dir / "IMAGE0002.BMP"));
}

INSTANTIATE_TEST_SUITE_P(Answers, EndingAnswer,
    testing::Values(EndingAnswerCase { "stopShowsTheFrameThenStops", ModalQuestions::OverwriteStop, 2, 1 },
        EndingAnswerCase { "closedEndsWithoutShowingTheFrame", ModalQuestions::OverwriteClosed, 1, 0 }),
    [](const testing::TestParamInfo<EndingAnswerCase> &info) { return std::string(info.param.label); });

TEST(RunAnimation, noOnTheOverwriteDialogSkipsOnlyThatFile)
{
    TempDir dir;
    plantOldFiles(dir, { 1, 4 });
    const Bitmap24 pano = makeTestPanorama(13, 4);
    bool stop = false;
    RecordingFeedback host;
    host.services.answerOverwrite(ModalQuestions::OverwriteNo);
    host.services.answerOverwrite(ModalQuestions::OverwriteNo);
    const RunOutcome outcome = RunAnimation(pano, createRequest(dir.str(), 10, 4), host, stop);
    EXPECT_EQ(outcome.produced, 6);
    EXPECT_FALSE(stop);
    EXPECT_EQ(outcome.series.written, 4);
    EXPECT_EQ(outcome.series.skipped, 2);
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
    RecordingFeedback host;
    host.services.answerOverwrite(ModalQuestions::OverwriteYesToAll);
    EXPECT_EQ(RunAnimation(pano, createRequest(dir.str(), 10, 4), host, stop).produced, 6);
    EXPECT_FALSE(isOld(dir, 1));
    EXPECT_FALSE(isOld(dir, 4));
    EXPECT_EQ(host.services.asked().size(), 1u);

    // Every file now exists: the next run asks at its first file.
    host.services.answerOverwrite(ModalQuestions::OverwriteStop);
    EXPECT_EQ(RunAnimation(pano, createRequest(dir.str(), 10, 4), host, stop).produced, 1);
    EXPECT_EQ(host.services.asked().size(), 2u);
}

TEST(RunAnimation, noFramesWhenTheFrameIsWiderThanThePanorama)
{
    const Bitmap24 pano = makeTestPanorama(8, 4);
    bool stop = false;
    RecordingFeedback host;
    const RunOutcome outcome = RunAnimation(pano, testRequest(10, 4), host, stop);
    EXPECT_EQ(outcome.produced, 0);
    EXPECT_EQ(outcome.total, 0);
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ(host.events, std::vector<std::string> { "start 0" });
}

TEST(RunAnimation, errorInsideAFrameStopsQuietly)
{
    TempDir dir;
    plantOldFiles(dir, { 1 });
    const Bitmap24 pano = makeTestPanorama(13, 4);
    bool stop = false;
    RecordingFeedback host;
    host.onAsk = [](const std::string &) { throw std::runtime_error("disk gone"); };
    RunOutcome outcome;
    EXPECT_NO_THROW(outcome = RunAnimation(pano, createRequest(dir.str(), 10, 4), host, stop));
    EXPECT_EQ(outcome.produced, 1);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_TRUE(stop);
    EXPECT_EQ(host.shownTopLeft.size(), 1u);
    // The return pass ends at its first test: nothing more is asked.
    EXPECT_EQ(std::count(host.events.begin(), host.events.end(), "ask"), 1);
    EXPECT_EQ(host.savedNames, std::vector<std::string> { dir.str() + "/IMAGE0000.BMP" });
    EXPECT_TRUE(isOld(dir, 1));
}

TEST(RunAnimation, unusableFrameSizeIsThrownBeforeTheFirstFrame)
{
    const Bitmap24 pano = makeTestPanorama(14, 4);
    bool stop = false;
    RecordingFeedback host;
    EXPECT_THROW(RunAnimation(pano, testRequest(-5, 4), host, stop), std::runtime_error);
    // Only the count was told (19 frames a pass): no frame was shown.
    EXPECT_EQ(host.events, std::vector<std::string> { "start 38" });
}

} // namespace
