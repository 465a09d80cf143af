#include "anim/AnimationRun.h"

#include "MediaTools.h"
#include "TestUtils.h"
#include "WebpDecode.h"
#include "anim/RunCommands.h"
#include "anim/RunFeedback.h"
#include "common/Bitmap24.h"
#include "options/VideoOptions.h"
#include "output/FrameNames.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A horizontal there-and-back run of frameWidth x 8 frames, step 2, into
// dir/ANIM0000 with the extension, as the options window sets the file.
RunRequest videoRequest(const fs::path &dir, int frameWidth, const TVideoOptions &options, const char *extension)
{
    RunRequest request;
    request.kind = RunKind::VideoFile;
    request.settings.FrameWidth = frameWidth;
    request.settings.FrameHeight = 8;
    request.settings.Step = 2;
    request.settings.ScrollDirection = true;
    request.settings.ScrollBack = true;
    request.names.DstDir = dir.string();
    request.names.DstName = "ANIM";
    request.names.NameFormat = kFormattedNamePattern;
    request.names.Ext = extension;
    request.names.FileName = MakeFrameName(kFormattedNamePattern, request.names.DstDir, "ANIM", 0, extension);
    request.video = VideoSettingsFromOptions(options);
    return request;
}

// Frames stopped after stopAfter shown frames (0: never).
class ScriptedVideoFeedback : public RunFeedback {
public:
    explicit ScriptedVideoFeedback(bool &stop)
        : m_stop(stop)
    {
    }
    int stopAfter = 0;
    int dropAfterPolls = -1; // a second Ctrl-C after this many polls; -1: never
    std::int64_t queuedTold = 0;
    int shown = 0;
    bool progressOpened = false, progressClosed = false;

    void showFrame(const Bitmap24 &) override
    {
        if (++shown == stopAfter)
            m_stop = true;
    }
    void finishingQueuedFrames(std::int64_t count) override { queuedTold = count; }
    bool dropQueuedFrames() override { return dropAfterPolls >= 0 && m_polls++ >= dropAfterPolls; }
    void progressShown(bool shown) override { (shown ? progressOpened : progressClosed) = true; }

private:
    bool &m_stop;
    int m_polls = 0;
};

struct RunCase {
    const char *label;
    int frameWidth;
    int stopAfter;
    int framesInFile; // -1: no file
};

std::ostream &operator<<(std::ostream &os, const RunCase &c)
{
    return os << c.label;
}

class VideoRunTable : public testing::TestWithParam<RunCase> { };

// Both passes go into the file; a stopped run keeps the frames written; a run
// with no frame leaves no file; the progress window is shown and hidden.
TEST_P(VideoRunTable, fileHoldsTheFramesWritten)
{
    const RunCase &c = GetParam();
    TempDir dir;
    const Bitmap24 pano = makeTestPanorama(30, 8);
    bool stop = true; // cleared by the run
    ScriptedVideoFeedback host(stop);
    host.stopAfter = c.stopAfter;
    TVideoOptions options;
    options.Container = VideoContainer::Webp;
    options.Lossless = true;
    const RunOutcome result = RunAnimation(pano, videoRequest(dir.path(), c.frameWidth, options, ".WEBP"), host, stop);
    const fs::path file = dir / "ANIM0000.WEBP";
    EXPECT_TRUE(host.progressOpened && host.progressClosed);
    if (c.framesInFile < 0) {
        EXPECT_EQ(result.file.name, "");
        EXPECT_FALSE(result.keptOldFile);
        EXPECT_TRUE(fs::is_empty(dir.path()));
        return;
    }
    EXPECT_EQ(result.file.name, file.string());
    EXPECT_EQ(result.file.frames, c.framesInFile);
    EXPECT_EQ(result.produced, c.framesInFile);
    EXPECT_EQ(decodeWebp(file).frames.size(), std::size_t(c.framesInFile));
}

INSTANTIATE_TEST_SUITE_P(Runs, VideoRunTable,
    testing::Values(RunCase { "thereAndBack", 20, 0, 10 }, RunCase { "stoppedAfterThree", 20, 3, 3 },
        RunCase { "noFrame", 30, 0, -1 }),
    [](const auto &info) { return std::string(info.param.label); });

// The encoder's look-ahead is announced and written; a second stop drops
// what is left, and the file still holds every frame it reports, cleanly.
TEST(VideoRunQueue, queuedFramesAreFinishedOrDropped)
{
    for (const int dropAfterPolls : { -1, 2 }) {
        SCOPED_TRACE(dropAfterPolls);
        TempDir dir;
        bool stop = false;
        ScriptedVideoFeedback host(stop);
        host.dropAfterPolls = dropAfterPolls;
        TVideoOptions options;
        options.Container = VideoContainer::Mp4;
        const RunOutcome result
            = RunAnimation(makeTestPanorama(30, 8), videoRequest(dir.path(), 20, options, ".MP4"), host, stop);
        ASSERT_EQ(result.file.name, (dir / "ANIM0000.MP4").string());
        EXPECT_GT(host.queuedTold, 0);
        EXPECT_EQ(probeVideo(result.file.name).packets, result.file.frames);
        EXPECT_EQ(decodeVideo(result.file.name).errors, "");
        // The encoder finishes on a thread of its own: a drop keeps what it
        // handed over by then.
        if (dropAfterPolls < 0)
            EXPECT_EQ(result.file.frames, 10);
        else
            EXPECT_GE(result.file.frames, 10 - host.queuedTold);
    }
}

} // namespace
