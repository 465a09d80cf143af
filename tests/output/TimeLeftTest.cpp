#include "output/TimeLeft.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

using std::chrono::milliseconds;

// A clock the test moves by hand.
struct FakeClock {
    milliseconds now { 5000 };
    TimeLeft::Clock clock()
    {
        return [this] { return now; };
    }
};

// frames frames, one every everyMs milliseconds.
struct Stretch {
    std::int64_t everyMs;
    std::int64_t frames;
};

struct RunCase {
    const char *name;
    std::int64_t total;
    std::vector<Stretch> stretches;
    std::int64_t waitAfterMs; // nothing made in that time, before asking
    std::optional<std::int64_t> low; // nothing: still estimating
    std::int64_t high;
};

class TimeLeftTable : public ::testing::TestWithParam<RunCase> { };

TEST_P(TimeLeftTable, EstimatesFromTheFramesMadeSoFar)
{
    const RunCase &c = GetParam();
    FakeClock fake;
    TimeLeft left(fake.clock());
    left.start(c.total);
    std::int64_t done = 0;
    for (const Stretch &s : c.stretches)
        for (std::int64_t i = 0; i < s.frames; ++i) {
            fake.now += milliseconds(s.everyMs);
            left.framesDone(++done);
        }
    fake.now += milliseconds(c.waitAfterMs);
    const std::optional<std::int64_t> seconds = left.secondsLeft();
    if (!c.low) {
        EXPECT_FALSE(seconds) << *seconds;
        EXPECT_EQ(left.text(), "Temps restant : calcul...");
        return;
    }
    ASSERT_TRUE(seconds);
    EXPECT_GE(*seconds, *c.low);
    EXPECT_LE(*seconds, c.high);
    EXPECT_EQ(left.text(), "Temps restant : " + DurationText(*seconds));
}

INSTANTIATE_TEST_SUITE_P(Runs, TimeLeftTable,
    ::testing::Values(
        // 10 frames a second: 80 frames left are 8 s.
        RunCase { "steadyRate", 100, { { 100, 20 } }, 0, 8, 8 },
        // Too soon to tell: within the first second, or before the third frame.
        RunCase { "firstSecond", 100, { { 100, 9 } }, 0, std::nullopt, 0 },
        RunCase { "firstFrames", 100, { { 1000, 2 } }, 0, std::nullopt, 0 },
        RunCase { "nothingYet", 100, {}, 3000, std::nullopt, 0 },
        // From one frame a second to ten: the estimate follows the newer
        // rate (145 left: 14.5 s at 10 a second, 26 s at the run's average).
        RunCase { "speedingUp", 200, { { 1000, 5 }, { 100, 50 } }, 0, 15, 18 },
        // From ten a second to one: 145 left, more than the 26 s of the run's
        // average, at most the 145 s of the newer rate.
        RunCase { "slowingDown", 200, { { 100, 50 }, { 1000, 5 } }, 0, 40, 145 },
        // A stall: 70 frames left after 20 s without one are at most one per 20 s.
        RunCase { "stall", 100, { { 100, 30 } }, 20000, 1400, 1400 },
        // A wait shorter than a frame takes is no stall.
        RunCase { "waitWithinAFrame", 100, { { 100, 30 } }, 50, 7, 7 },
        // Nothing to make, or everything made: nothing left, whatever the time.
        RunCase { "zeroTotal", 0, {}, 0, 0, 0 }, RunCase { "done", 50, { { 100, 50 } }, 0, 0, 0 },
        RunCase { "doneInTheFirstSecond", 5, { { 10, 5 } }, 0, 0, 0 }),
    [](const auto &info) { return std::string(info.param.name); });

// Frames that come unevenly (a slow one, then a fast one) leave the estimate
// steady: it moves by no more than a few seconds a frame once it is known.
TEST(TimeLeft, UnevenFramesDoNotMakeItJump)
{
    FakeClock fake;
    TimeLeft left(fake.clock());
    left.start(600);
    std::optional<std::int64_t> previous;
    for (std::int64_t done = 1; done <= 300; ++done) {
        fake.now += milliseconds(done % 2 ? 40 : 160);
        left.framesDone(done);
        const std::optional<std::int64_t> seconds = left.secondsLeft();
        if (previous && seconds) {
            EXPECT_LE(*seconds, *previous + 2) << "frame " << done;
            EXPECT_GE(*seconds, *previous - 3) << "frame " << done;
        }
        if (seconds)
            previous = seconds;
    }
    ASSERT_TRUE(previous);
    EXPECT_NEAR(double(*previous), 30.0, 3.0); // 300 frames at 10 a second
}

struct DurationCase {
    std::int64_t seconds;
    const char *text;
};

class DurationTextTest : public ::testing::TestWithParam<DurationCase> { };

TEST_P(DurationTextTest, SecondsAloneUnderAMinute)
{
    EXPECT_EQ(DurationText(GetParam().seconds), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Durations, DurationTextTest,
    ::testing::Values(DurationCase { 59, "59 s" }, DurationCase { 65, "1 min 05 s" },
        DurationCase { 7384, "2 h 03 min 04 s" }, DurationCase { -4, "0 s" }));

} // namespace
