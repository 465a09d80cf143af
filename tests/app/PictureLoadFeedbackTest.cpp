#include "app/PictureLoadFeedback.h"
#include "platform/MessagePump.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class CountingPump : public MessagePump {
public:
    int passes = 0;
    void processMessages() override { ++passes; }
    void waitForMessages() override { ++passes; }
};

using namespace std::chrono_literals;
using Clock = PictureLoadFeedback::Clock;

struct FeedbackStep {
    std::chrono::milliseconds at; // since the load started
    int percent; // reported; -1: only a cancel check
    const char *status; // the status line afterwards ("" unchanged)
    int passes; // message passes so far
};

// The status line stays quiet for half a second, then follows the percentage;
// messages are handled at the first check and then every 50 ms.
TEST(PictureLoadFeedback, ShowsProgressAfterHalfASecondAndPumpsNowAndThen)
{
    const FeedbackStep steps[] = {
        { 0ms, -1, "", 1 },
        { 10ms, 5, "", 1 },
        { 40ms, -1, "", 1 },
        { 60ms, -1, "", 2 },
        { 499ms, 40, "", 2 },
        { 500ms, 41, "Chargement de pano.tif : 41 %", 3 },
        { 530ms, 42, "Chargement de pano.tif : 42 %", 3 },
        { 560ms, 100, "Chargement de pano.tif : 100 %", 4 },
    };
    const Clock::time_point start {};
    Clock::time_point now = start;
    CountingPump pump;
    std::string status;
    PictureLoadFeedback feedback(
        "/data/pano.tif", pump, [&](const std::string &text) { status = text; }, [&] { return now; });
    const CancelCheck check = feedback.cancelCheck();
    const LoadProgress progress = feedback.progress();
    for (const FeedbackStep &s : steps) {
        now = start + s.at;
        if (s.percent < 0)
            EXPECT_FALSE(check());
        else
            progress(s.percent);
        EXPECT_EQ(status, s.status) << s.at.count() << " ms";
        EXPECT_EQ(pump.passes, s.passes) << s.at.count() << " ms";
    }
    EXPECT_TRUE(feedback.showedProgress());
    feedback.cancel();
    EXPECT_TRUE(check());
}

} // namespace
