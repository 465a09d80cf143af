#include "anim/RunContext.h"

#include "platform/MessagePump.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace {

struct EventLoopPump : MessagePump {
    void processMessages() override { QCoreApplication::processEvents(); }
    void waitForMessages() override { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); }
};

struct PauseCase {
    const char *name;
    std::int32_t ms;
};

class WaitTempoTest : public ::testing::TestWithParam<PauseCase> { };

// A coarse timer may fire up to 5 % early: a pause once lasted less than the
// tempo asked for. Every pause now lasts at least that long.
TEST_P(WaitTempoTest, neverReturnsBeforeTheTempo)
{
    EventLoopPump pump;
    RunContext run(pump);
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer clock;
        clock.start();
        run.WaitTempo(GetParam().ms);
        EXPECT_GE(clock.nsecsElapsed(), std::int64_t(GetParam().ms) * 1000000) << "pause " << i;
        EXPECT_FALSE(run.Waiting());
    }
}

INSTANTIATE_TEST_SUITE_P(Tempos, WaitTempoTest,
    ::testing::Values(PauseCase { "short", 7 }, PauseCase { "default", 100 }, PauseCase { "odd", 43 }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
