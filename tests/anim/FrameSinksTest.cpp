#include "anim/AnimationRun.h"

#include "MediaTools.h"
#include "ScrollSettings.h"
#include "TestUtils.h"
#include "anim/FrameLoop.h"
#include "anim/RunFeedback.h"
#include "anim/SeriesSink.h"
#include "anim/VideoSink.h"
#include "common/Bitmap24.h"
#include "output/FrameNames.h"
#include "platform/ModalQuestions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Counts what a run tells its host; overwrite questions get one answer.
class CountingFeedback : public RunFeedback {
public:
    std::vector<std::int64_t> announced; // runStarting
    int shown = 0;
    std::vector<std::string> statusTexts;
    std::vector<std::string> asked;
    int overwriteAnswer = ModalQuestions::OverwriteNo;

    void runStarting(const RunPlan &plan) override { announced.push_back(plan.total()); }
    void showFrame(const Bitmap24 &) override { ++shown; }
    void setStatusText(const std::string &text) override { statusTexts.push_back(text); }
    int askOverwrite(const std::string &fileName, const std::string &) override
    {
        asked.push_back(fileName);
        return overwriteAnswer;
    }
};

std::size_t filesIn(const fs::path &dir)
{
    std::size_t count = 0;
    for (const auto &entry : fs::directory_iterator(dir))
        count += entry.is_regular_file() ? 1 : 0;
    return count;
}

struct CountCase {
    const char *label;
    RunKind kind;
    VideoContainer container; // of a video file
    int panoramaWidth, panoramaHeight, frameWidth, frameHeight, step;
    bool vertical, back, loop;
    std::int64_t frames; // of the whole run
};

class FramesAnnounced : public testing::TestWithParam<CountCase> { };

// The count the host learns before the first frame is the count of frames
// shown and of frames written, whatever the frames go to.
TEST_P(FramesAnnounced, areTheFramesOfARunThatIsNotStopped)
{
    const CountCase &c = GetParam();
    TempDir dir;
    RunRequest request;
    request.kind = c.kind;
    request.settings = scrollSettings(c.frameWidth, c.frameHeight, c.step, true, c.vertical);
    request.settings.ScrollBack = c.back;
    request.settings.Loop360 = c.loop;
    request.names.NameFormat = kFormattedNamePattern;
    request.names.DstDir = dir.str();
    request.names.DstName = c.kind == RunKind::Test ? kTestFrameName : "ANIM";
    if (c.kind == RunKind::Series)
        request.names.Ext = ".BMP";
    if (c.kind == RunKind::VideoFile) {
        request.video.container = c.container;
        request.video.rate = { 10, 1 };
        request.names.Ext = ContainerExtension(c.container);
        request.names.FileName
            = MakeFrameName(kFormattedNamePattern, request.names.DstDir, "ANIM", 0, request.names.Ext);
    }
    CountingFeedback host;
    bool stop = false;
    const RunOutcome outcome = RunAnimation(makeTestPanorama(c.panoramaWidth, c.panoramaHeight), request, host, stop);

    EXPECT_EQ(host.announced, std::vector<std::int64_t> { c.frames });
    EXPECT_EQ(outcome.total, c.frames);
    EXPECT_EQ(outcome.produced, c.frames);
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ(host.shown, c.frames);
    EXPECT_EQ(host.statusTexts.size(), std::size_t(c.frames));
    switch (c.kind) {
    case RunKind::Test:
        EXPECT_TRUE(fs::is_empty(dir.path()));
        break;
    case RunKind::Series:
        EXPECT_EQ(outcome.series.written, c.frames);
        EXPECT_EQ(filesIn(dir.path()), std::size_t(c.frames));
        break;
    case RunKind::VideoFile:
        if (c.frames == 0) {
            EXPECT_EQ(outcome.file.name, "");
            EXPECT_TRUE(fs::is_empty(dir.path()));
            break;
        }
        EXPECT_EQ(outcome.file.frames, c.frames);
        ASSERT_EQ(outcome.file.name, AbsolutePath(request.names.FileName));
        EXPECT_EQ(probeVideo(outcome.file.name).packets, c.frames);
        EXPECT_EQ(filesIn(dir.path()), 1u);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Sinks, FramesAnnounced,
    testing::Values(CountCase { "screenThereAndBack", RunKind::Test, {}, 14, 4, 10, 4, 1, false, true, false, 8 },
        CountCase { "screenLoop", RunKind::Test, {}, 14, 4, 10, 4, 3, false, true, true, 5 }, // round(14 / 3)
        CountCase { "screenNoFrame", RunKind::Test, {}, 8, 4, 10, 4, 1, false, true, false, 0 },
        CountCase { "seriesOneWay", RunKind::Series, {}, 13, 4, 10, 4, 1, false, false, false, 3 },
        CountCase { "seriesVerticalThereAndBack", RunKind::Series, {}, 4, 13, 4, 10, 1, true, true, false, 6 },
        CountCase { "seriesLoopStep2", RunKind::Series, {}, 9, 4, 4, 4, 2, false, false, true, 5 }, // round(9 / 2)
        CountCase {
            "aviThereAndBack", RunKind::VideoFile, VideoContainer::Avi, 45, 30, 41, 30, 1, false, true, false, 8 },
        CountCase {
            "gifOneWayStep2", RunKind::VideoFile, VideoContainer::Gif, 30, 8, 20, 8, 2, false, false, false, 5 },
        CountCase { "mkvLoop", RunKind::VideoFile, VideoContainer::Mkv, 30, 8, 20, 8, 4, false, true, true, 8 },
        CountCase { "aviNoFrame", RunKind::VideoFile, VideoContainer::Avi, 45, 30, 60, 30, 1, false, true, false, 0 }),
    [](const testing::TestParamInfo<CountCase> &info) { return std::string(info.param.label); });

// A closed overwrite question ends the run at that frame: it is neither
// shown nor named on the status line, its file is left as it was, and the
// frames before it are written.
TEST(SeriesSink, closedQuestionStopsTheRunWithTheFrameNotShown)
{
    TempDir dir;
    const std::vector<std::uint8_t> old { 'o', 'l', 'd' };
    writeFileBytes(dir / "IMAGE0002.BMP", old);
    CountingFeedback host;
    host.overwriteAnswer = ModalQuestions::OverwriteClosed;
    bool stop = false;
    SeriesSink::Settings settings;
    settings.names.NameFormat = kFormattedNamePattern;
    settings.names.DstDir = dir.str();
    settings.names.DstName = "IMAGE";
    settings.names.Ext = ".BMP";
    SeriesSink sink(settings, host, stop);
    tanimprm prm = scrollSettings(10, 4, 1, true, false);
    prm.ScrollBack = false;
    const Bitmap24 panorama = makeTestPanorama(14, 4); // 4 frames
    const RunPlan plan = PrepareFrames(prm, panorama.width(), panorama.height());

    EXPECT_EQ(PlayPasses(panorama, plan, sink, host, stop), 2);
    EXPECT_TRUE(stop);
    EXPECT_EQ(host.shown, 2);
    EXPECT_EQ(host.statusTexts,
        (std::vector<std::string> { dir.str() + "/IMAGE0000.BMP / 0004", dir.str() + "/IMAGE0001.BMP / 0004" }));
    EXPECT_EQ(host.asked, std::vector<std::string> { dir.str() + "/IMAGE0002.BMP" });
    EXPECT_EQ(sink.counts().written, 2);
    EXPECT_EQ(sink.counts().skipped, 0);
    EXPECT_EQ(sink.counts().failed, 0);
    EXPECT_TRUE(fs::is_regular_file(dir / "IMAGE0001.BMP"));
    EXPECT_EQ(readFileBytes(dir / "IMAGE0002.BMP"), old);
    EXPECT_FALSE(fs::exists(dir / "IMAGE0003.BMP"));
}

struct MessageCase {
    const char *label;
    VideoContainer container;
    VideoError::Reason reason;
    std::int64_t keptFrames;
    const char *keptName; // "": no file kept
    const char *message;
};

class FailureMessage : public testing::TestWithParam<MessageCase> { };

// AVI: the writer's sentence for the reason, the cause on the next line
// (the cause names the file); the others name the kind of file and its
// path before the cause. A file kept with the frames written says so last.
TEST_P(FailureMessage, composesTheSentenceTheCauseAndTheFramesKept)
{
    const MessageCase &c = GetParam();
    const std::string path = "/out/anim/ANIM0000" + ContainerExtension(c.container);
    const VideoError error(c.reason, "the cause", c.keptFrames, c.keptName);
    EXPECT_EQ(VideoFailureText(c.container, error, path), c.message);
}

using Reason = VideoError::Reason;

INSTANTIATE_TEST_SUITE_P(Reasons, FailureMessage,
    testing::Values(MessageCase { "aviSettings", VideoContainer::Avi, Reason::Settings, 0, "",
                        "Failed to set AVI stream format\nthe cause" },
        MessageCase { "aviNoEncoder", VideoContainer::Avi, Reason::NoEncoder, 0, "",
            "Failed to create AVI Compressed stream\nthe cause" },
        MessageCase { "aviEncoderRefuses", VideoContainer::Avi, Reason::EncoderRefuses, 0, "",
            "Failed to set AVI stream format\nthe cause" },
        MessageCase { "aviFile", VideoContainer::Avi, Reason::File, 0, "", "Failed to create AVI file\nthe cause" },
        MessageCase { "aviFileKept", VideoContainer::Avi, Reason::File, 8, "/out/anim/ANIM0001.AVI",
            "Failed to create AVI file\nthe cause\n8 frames kept in /out/anim/ANIM0001.AVI" },
        MessageCase { "aviFrame", VideoContainer::Avi, Reason::Frame, 0, "", "Failed to add frame to AVI\nthe cause" },
        MessageCase { "aviFrameKept", VideoContainer::Avi, Reason::Frame, 3, "/out/anim/ANIM0000.AVI",
            "Failed to add frame to AVI\nthe cause\n3 frames kept in /out/anim/ANIM0000.AVI" },
        MessageCase { "mp4Settings", VideoContainer::Mp4, Reason::Settings, 0, "",
            "Cannot write the video file /out/anim/ANIM0000.MP4: the cause" },
        MessageCase { "mp4NoEncoder", VideoContainer::Mp4, Reason::NoEncoder, 0, "",
            "Cannot write the video file /out/anim/ANIM0000.MP4: the cause" },
        MessageCase { "webmEncoderRefuses", VideoContainer::Webm, Reason::EncoderRefuses, 0, "",
            "Cannot write the video file /out/anim/ANIM0000.WEBM: the cause" },
        MessageCase { "mkvFile", VideoContainer::Mkv, Reason::File, 0, "",
            "Cannot write the video file /out/anim/ANIM0000.MKV: the cause" },
        MessageCase { "mkvFrameKept", VideoContainer::Mkv, Reason::Frame, 5, "/out/anim/ANIM0000.MKV",
            "Cannot write the video file /out/anim/ANIM0000.MKV: the cause\n5 frames kept in /out/anim/ANIM0000.MKV" },
        MessageCase { "gifFrame", VideoContainer::Gif, Reason::Frame, 0, "",
            "Cannot write the GIF file /out/anim/ANIM0000.GIF: the cause" },
        MessageCase { "webpFile", VideoContainer::Webp, Reason::File, 0, "",
            "Cannot write the WebP file /out/anim/ANIM0000.WEBP: the cause" }),
    [](const testing::TestParamInfo<MessageCase> &info) { return std::string(info.param.label); });

} // namespace
