#include "anim/VideoAnimationRun.h"

#include "MediaTools.h"
#include "TestUtils.h"
#include "WebpDecode.h"
#include "common/Bitmap24.h"
#include "options/VideoOptions.h"
#include "output/AviProgress.h"
#include "output/FrameNames.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Settings of a horizontal run over the test panorama into dir, frames
// stopped after stopAfter shown frames (0: never).
class ScriptedVideoHost : public RunHost, public AviProgress {
public:
    ScriptedVideoHost(const fs::path &dir, int frameWidth, bool &stop)
        : m_dir(dir)
        , m_frameWidth(frameWidth)
        , m_stop(stop)
    {
    }
    int stopAfter = 0;
    int dropAfterPolls = -1; // a second Ctrl-C after this many polls; -1: never
    std::int64_t queuedTold = 0;
    const char *extension = ".WEBP";
    int shown = 0;
    bool progressShown = false, progressHidden = false;

    bool readSettings(tanimprm &prm) override
    {
        prm.FrameWidth = m_frameWidth;
        prm.FrameHeight = 8;
        prm.Step = 2;
        prm.ScrollDirection = true;
        prm.ScrollBack = true;
        prm.DstDir = m_dir.string();
        prm.DstName = "ANIM";
        prm.NameFormat = kFormattedNamePattern;
        prm.Ext = extension;
        prm.FileName = MakeFrameName(prm.NameFormat, prm.DstDir, prm.DstName, 0, prm.Ext);
        return true;
    }
    void showFrame(const Bitmap24 &) override
    {
        if (++shown == stopAfter)
            m_stop = true;
    }
    void setStatusText(const std::string &) override { }
    void processMessages() override { }
    void waitTempo() override { }
    void finishingQueuedFrames(std::int64_t count) override { queuedTold = count; }
    bool dropQueuedFrames() override { return dropAfterPolls >= 0 && m_polls++ >= dropAfterPolls; }
    void showProgress() override { progressShown = true; }
    void hideProgress() override { progressHidden = true; }
    void startPass(std::int32_t) override { }
    void frameStarting(std::int32_t, const std::string &) override { }

private:
    fs::path m_dir;
    int m_frameWidth;
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
    ScriptedVideoHost host(dir.path(), c.frameWidth, stop);
    host.stopAfter = c.stopAfter;
    TVideoOptions options;
    options.Container = VideoContainer::Webp;
    options.Lossless = true;
    const VideoRunResult result = RunVideoAnimation(pano, options, host, host, stop);
    const fs::path file = dir / "ANIM0000.WEBP";
    EXPECT_TRUE(host.progressShown && host.progressHidden);
    if (c.framesInFile < 0) {
        EXPECT_FALSE(result.FileWritten);
        EXPECT_TRUE(fs::is_empty(dir.path()));
        return;
    }
    EXPECT_TRUE(result.FileWritten);
    EXPECT_EQ(result.FileName, file.string());
    EXPECT_EQ(result.FramesWritten, c.framesInFile);
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
        ScriptedVideoHost host(dir.path(), 20, stop);
        host.extension = ".MP4";
        host.dropAfterPolls = dropAfterPolls;
        TVideoOptions options;
        options.Container = VideoContainer::Mp4;
        const VideoRunResult result = RunVideoAnimation(makeTestPanorama(30, 8), options, host, host, stop);
        ASSERT_TRUE(result.FileWritten);
        EXPECT_GT(host.queuedTold, 0);
        EXPECT_EQ(probeVideo(result.FileName).packets, result.FramesWritten);
        EXPECT_EQ(decodeVideo(result.FileName).errors, "");
        // The encoder finishes on a thread of its own: a drop keeps what it
        // handed over by then.
        if (dropAfterPolls < 0)
            EXPECT_EQ(result.FramesWritten, 10);
        else
            EXPECT_GE(result.FramesWritten, 10 - host.queuedTold);
    }
}

} // namespace
