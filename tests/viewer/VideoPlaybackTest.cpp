#include "viewer/VideoPlayback.h"

#include "anim/PictureDisplay.h"
#include "video/VideoFrameSource.h"
#include "viewer/PlaybackClock.h"
#include "viewer/PlaybackTime.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Frames whose first sample is their number. Counts what the playback asks
// of it: frames converted, seeks.
class CountingSource : public VideoFrameSource {
public:
    CountingSource(std::int64_t frames, double rate)
        : m_frames(frames)
        , m_rate(rate)
    {
    }

    const std::string &path() const override { return m_path; }
    int width() const override { return 2; }
    int height() const override { return 1; }
    double frameRate() const override { return m_rate; }
    std::int64_t frameCount() const override { return m_frames; }
    std::int64_t nextFrame() const override { return m_next; }
    bool readFrame(Bitmap24 &frame) override
    {
        if (m_next == failAt)
            throw VideoReadError("Cannot read the video file " + m_path + ": frame " + std::to_string(m_next + 1)
                + ": Invalid data found when processing input");
        if (m_next >= std::min(m_frames, decodable))
            return false;
        frame.resize(2, 1);
        frame.fill(std::uint8_t(m_next), 0, 0);
        read.push_back(m_next++);
        return true;
    }
    void seekFrame(std::int64_t index) override
    {
        sought.push_back(index);
        m_next = index;
    }

    std::int64_t decodable = INT64_MAX; // frames that decode, from the first
    std::int64_t failAt = -1; // reading this frame fails
    std::vector<std::int64_t> read, sought;

private:
    std::string m_path = "/videos/ANIM0000.MP4";
    std::int64_t m_frames;
    double m_rate;
    std::int64_t m_next = 0;
};

class ManualClock : public PlaybackClock {
public:
    std::chrono::nanoseconds now() const override { return time; }
    std::chrono::nanoseconds time = 1h; // any start
};

// Each repaint records the frame shown.
class RecordingDisplay : public PictureDisplay {
public:
    Bitmap24 &DisplayBitmap() override { return bitmap; }
    void ShowFrame(const Bitmap24 &frame) override { bitmap = frame; }
    void RepaintNow() override { shown.push_back(bitmap.bits()[0]); }

    Bitmap24 bitmap;
    std::vector<int> shown;
};

// A script for the playback of a 5-frame file at 10 frames a second:
// "play", "pause", "stop", "seek K" (frame), "at S" (seconds), "loop on",
// "loop off", and "+N": N ms go by, then the driver's tick.
struct ScriptCase {
    const char *name;
    std::vector<std::string> steps;
    std::vector<int> shown; // frames on the display, in order
    std::vector<int> untilNext; // what each tick returns, in ms; -1: stopped
    int dropped;
    bool playingAtTheEnd;
};

std::ostream &operator<<(std::ostream &os, const ScriptCase &c)
{
    return os << c.name;
}

class PlaybackScript : public ::testing::TestWithParam<ScriptCase> { };

TEST_P(PlaybackScript, showsTheFramesOnTime)
{
    const ScriptCase &c = GetParam();
    CountingSource source(5, 10);
    ManualClock clock;
    RecordingDisplay display;
    VideoPlayback playback(source, clock, display);
    bool loop = false;
    playback.loop = [&] { return loop; };
    std::vector<int> positions;
    playback.onPosition = [&](std::int64_t frame) { positions.push_back(int(frame)); };
    std::vector<int> untilNext;
    for (const std::string &step : c.steps) {
        if (step == "play")
            playback.play();
        else if (step == "pause")
            playback.pause();
        else if (step == "stop")
            playback.stop();
        else if (step == "loop on" || step == "loop off")
            loop = step == "loop on";
        else if (step.starts_with("seek "))
            playback.seekFrame(std::stoll(step.substr(5)));
        else if (step.starts_with("at "))
            playback.seekTime(std::stod(step.substr(3)));
        else if (step.starts_with("+")) {
            clock.time += std::chrono::milliseconds(std::stoi(step.substr(1)));
            const std::optional<VideoPlayback::Duration> next = playback.tick();
            untilNext.push_back(next ? int(std::chrono::round<std::chrono::milliseconds>(*next).count()) : -1);
        } else
            FAIL() << "unknown step " << step;
    }
    EXPECT_EQ(display.shown, c.shown);
    EXPECT_EQ(positions, c.shown) << "the position follows the display";
    EXPECT_EQ(untilNext, c.untilNext);
    EXPECT_EQ(playback.droppedFrames(), c.dropped);
    EXPECT_EQ(playback.playing(), c.playingAtTheEnd);
    EXPECT_EQ(playback.position(), c.shown.empty() ? -1 : c.shown.back());
}

INSTANTIATE_TEST_SUITE_P(Scripts, PlaybackScript,
    ::testing::Values(ScriptCase { "AtTheFileRateThenStopsOnTheLastFrame",
                          { "play", "+0", "+100", "+50", "+50", "+100", "+100", "+100", "+100" }, { 0, 1, 2, 3, 4 },
                          { 100, 100, 50, 100, 100, 100, -1, -1 }, 0, false },
        ScriptCase { "LateFramesAreDroppedAndTheBeatKept", { "play", "+250", "+80", "+230" }, { 0, 2, 3, 4 },
            { 50, 70, -1 }, 1, false },
        ScriptCase { "PauseHoldsTheFrameResumeGoesOnFromIt", { "play", "+100", "pause", "+1000", "play", "+99", "+1" },
            { 0, 1, 2 }, { 100, -1, 1, 100 }, 0, true },
        ScriptCase { "SeekShowsTheFrameAndPlaysOnFromIt", { "play", "+30", "seek 3", "+100", "at 0.25", "+50" },
            { 0, 3, 4, 2 }, { 70, 100, 50 }, 0, true },
        ScriptCase { "SeekWhilePausedDoesNotStart", { "seek 9", "at 0.1", "+500" }, { 4, 1 }, { -1 }, 0, false },
        ScriptCase {
            "PlayAfterTheEndStartsAgain", { "play", "+500", "play", "+100" }, { 0, 4, 0, 1 }, { -1, 100 }, 3, true },
        ScriptCase { "StopThenPlayStartsFromTheFirst", { "play", "+200", "stop", "+100", "play", "+100" },
            { 0, 2, 0, 1 }, { 100, -1, 100 }, 1, true },
        ScriptCase { "LoopStartsAgainOnTheBeat", { "loop on", "play", "+400", "+100", "+150", "loop off", "+450" },
            { 0, 4, 0, 1, 4 }, { 100, 100, 50, -1 }, 5, false },
        ScriptCase { "LoopMoreThanATurnBehindStartsNow", { "loop on", "play", "+1730" }, { 0, 0 }, { 100 }, 4, true }),
    [](const ::testing::TestParamInfo<ScriptCase> &info) { return std::string(info.param.name); });

// Only the frame shown is converted; the dropped ones are the source's to
// pass over (from a key frame when it has one on the way).
TEST(VideoPlayback, dropsLateFramesWithoutConvertingThem)
{
    CountingSource source(50, 25);
    ManualClock clock;
    RecordingDisplay display;
    VideoPlayback playback(source, clock, display);
    playback.play();
    clock.time += 400ms; // 10 frames late
    ASSERT_TRUE(playback.tick());
    EXPECT_EQ(source.read, (std::vector<std::int64_t> { 0, 10 }));
    EXPECT_EQ(source.sought, (std::vector<std::int64_t> { 10 }));
    EXPECT_EQ(playback.droppedFrames(), 9);
    clock.time += 40ms;
    ASSERT_TRUE(playback.tick());
    EXPECT_EQ(source.sought.size(), 1u) << "the next frame in order needs no seek";
    EXPECT_EQ(display.shown, (std::vector<int> { 0, 10, 11 }));
}

// A file whose last frames do not decode ends where they stop.
TEST(VideoPlayback, fileThatEndsSoonerStopsOnItsLastGoodFrame)
{
    CountingSource source(6, 10);
    source.decodable = 3;
    ManualClock clock;
    RecordingDisplay display;
    VideoPlayback playback(source, clock, display);
    playback.play();
    for (int i = 0; i < 4; ++i) {
        clock.time += 100ms;
        playback.tick();
    }
    EXPECT_EQ(display.shown, (std::vector<int> { 0, 1, 2 }));
    EXPECT_EQ(playback.frameCount(), 3);
    EXPECT_FALSE(playback.playing());
}

// A frame that fails stops the playback; the cause reaches the caller and
// the frame before stays on the display.
TEST(VideoPlayback, failingFrameStopsWithItsCause)
{
    CountingSource source(6, 10);
    source.failAt = 2;
    ManualClock clock;
    RecordingDisplay display;
    VideoPlayback playback(source, clock, display);
    playback.play();
    clock.time += 100ms;
    playback.tick();
    clock.time += 100ms;
    try {
        playback.tick();
        FAIL() << "no failure";
    } catch (const VideoReadError &e) {
        EXPECT_STREQ(e.what(),
            "Cannot read the video file /videos/ANIM0000.MP4: frame 3: Invalid data found when processing input");
    }
    EXPECT_FALSE(playback.playing());
    EXPECT_EQ(playback.position(), 1);
    EXPECT_EQ(display.shown, (std::vector<int> { 0, 1 }));
    EXPECT_EQ(playback.tick(), std::nullopt);
}

struct TimeCase {
    std::int64_t frame, frames;
    double rate;
    const char *text;
};

TEST(PlaybackTime, minutesAndSecondsCutDown)
{
    for (const TimeCase &c : { TimeCase { 0, 200, 10, "0:00 / 0:20" }, TimeCase { 39, 200, 10, "0:03 / 0:20" },
             TimeCase { 30, 200, 10, "0:03 / 0:20" }, TimeCase { 199, 200, 10, "0:19 / 0:20" },
             TimeCase { 90, 100, 29.97, "0:03 / 0:03" }, TimeCase { 1500, 1501, 25, "1:00 / 1:00" },
             TimeCase { 90000, 100000, 25, "1:00:00 / 1:06:40" }, TimeCase { -1, 0, 10, "0:00 / 0:00" } })
        EXPECT_EQ(PlaybackTimeText(c.frame, c.frames, c.rate), c.text) << c.frame << " of " << c.frames;
}

} // namespace
