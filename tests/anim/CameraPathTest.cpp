#include "anim/CameraPath.h"

#include "ScrollSettings.h"
#include "TestUtils.h"
#include "anim/AnimationRun.h"
#include "anim/RunFeedback.h"
#include "common/Bitmap24.h"
#include "picture/FrameSampler.h"
#include "picture/PanoramaScaler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

struct PathCase {
    const char *label;
    int panoramaWidth, panoramaHeight;
    int frameWidth, frameHeight;
    bool forward, back, loop, vertical;
    CameraMove camera;
    std::vector<std::vector<double>> passes; // expected positions
};

std::ostream &operator<<(std::ostream &os, const PathCase &c)
{
    return os << c.label;
}

CameraMove move(double step, double duration, double rate, Easing ease = Easing::Linear, double hold = 0)
{
    CameraMove c;
    c.Step = step;
    c.Duration = duration;
    c.Rate = rate;
    c.Ease = ease;
    c.Hold = hold;
    return c;
}

class CameraPaths : public testing::TestWithParam<PathCase> { };

// Where each frame of a pass stands, along the travel of the panorama as the
// frames see it.
TEST_P(CameraPaths, placeEveryFrameWhereThePassPutsIt)
{
    const PathCase &c = GetParam();
    tanimprm prm = scrollSettings(c.frameWidth, c.frameHeight, 1, c.forward, c.vertical);
    prm.ScrollBack = c.back;
    prm.Loop360 = c.loop;
    prm.Camera = c.camera;
    const RunPlan plan = PrepareFrames(prm, c.panoramaWidth, c.panoramaHeight);
    ASSERT_TRUE(plan.camera);
    ASSERT_EQ(plan.camera->passes.size(), c.passes.size());
    std::int64_t total = 0;
    for (std::size_t p = 0; p < c.passes.size(); ++p) {
        ASSERT_EQ(plan.camera->passes[p].size(), c.passes[p].size()) << "pass " << p;
        for (std::size_t k = 0; k < c.passes[p].size(); ++k)
            EXPECT_NEAR(plan.camera->passes[p][k], c.passes[p][k], 1e-9) << "pass " << p << " frame " << k;
        total += std::int64_t(c.passes[p].size());
    }
    EXPECT_EQ(plan.total(), total) << "the count hosts show is the frames played";
}

// smootherstep at 1/4, 1/2, 3/4 of a pass.
const double s1 = 100 * (0.25 * 0.25 * 0.25 * (0.25 * (0.25 * 6 - 15) + 10));
const double s3 = 100 - s1;

INSTANTIATE_TEST_SUITE_P(Moves, CameraPaths,
    testing::Values(
        // A step of a fraction of a pixel, from 0 while within D = 4.
        PathCase { "fractionalStep", 14, 4, 10, 4, true, false, false, false, move(1.5, 0, 30), { { 0, 1.5, 3 } } },
        PathCase { "fractionalStepBack", 14, 4, 10, 4, false, true, false, false, move(1.5, 0, 30),
            { { 4, 2.5, 1 }, { 1, 2.5, 4 } } },
        // A duration: round(duration * rate) frames, the ends exactly.
        PathCase { "durationEndsExactly", 110, 4, 10, 4, true, false, false, false, move(0, 1, 5),
            { { 0, 25, 50, 75, 100 } } },
        PathCase { "durationEased", 110, 4, 10, 4, true, false, false, false, move(0, 1, 5, Easing::Smooth),
            { { 0, s1, 50, s3, 100 } } },
        PathCase { "holdsAtBothEnds", 110, 4, 10, 4, true, false, false, false, move(0, 1, 5, Easing::Linear, 0.4),
            { { 0, 0, 0, 25, 50, 75, 100, 100, 100 } } },
        PathCase { "verticalRightToLeft", 4, 110, 4, 10, false, false, false, true, move(0, 1, 5),
            { { 100, 75, 50, 25, 0 } } },
        // A 360° turn at one speed: the frame after the last is the first.
        PathCase { "loopByDuration", 100, 4, 10, 4, true, true, true, false, move(0, 1, 4, Easing::Smooth, 1),
            { { 0, 25, 50, 75 } } },
        PathCase { "loopByStepOtherWay", 100, 4, 10, 4, false, false, true, false, move(12.5, 0, 30),
            { { 0, 87.5, 75, 62.5, 50, 37.5, 25, 12.5 } } },
        // Longer than the panorama: no frame.
        PathCase { "frameLongerThanThePanorama", 8, 4, 10, 4, true, true, false, false, move(0, 1, 5), {} }),
    [](const testing::TestParamInfo<PathCase> &info) { return std::string(info.param.label); });

struct SizeCase {
    const char *label;
    bool vertical;
    int width, height; // the panorama
    int outWidth, outHeight;
    PictureSize seen;
};

class CameraSizes : public testing::TestWithParam<SizeCase> { };

// The panorama is scaled so that its side across the travel fits the frame.
TEST_P(CameraSizes, fitTheSideAcrossTheTravel)
{
    const SizeCase &c = GetParam();
    tanimprm prm = scrollSettings(c.outWidth, c.outHeight, 1, true, c.vertical);
    prm.Camera.OutputWidth = c.outWidth;
    prm.Camera.OutputHeight = c.outHeight;
    EXPECT_EQ(CameraPanoramaSize(prm, c.width, c.height), c.seen);
    const RunPlan plan = PrepareFrames(prm, c.width, c.height);
    ASSERT_TRUE(plan.camera);
    EXPECT_EQ(plan.camera->panoramaWidth, c.seen.width);
    EXPECT_EQ(plan.camera->panoramaHeight, c.seen.height);
}

INSTANTIATE_TEST_SUITE_P(Sizes, CameraSizes,
    testing::Values(SizeCase { "phoneTo1080p", false, 24000, 4000, 1920, 1080, { 6480, 1080 } },
        SizeCase { "enlarged", false, 3000, 500, 1280, 720, { 4320, 720 } },
        SizeCase { "verticalPan", true, 600, 4000, 1080, 1920, { 1080, 7200 } },
        SizeCase { "roundedToNearest", false, 1001, 3, 2, 2, { 667, 2 } }),
    [](const testing::TestParamInfo<SizeCase> &info) { return std::string(info.param.label); });

// The advice comes when a frame width is crossed in less than 7 s at the
// pass's fastest, with the duration that would take 7 s; not otherwise, and
// not for a run without a camera.
TEST(JudderAdvice, onlyForPansThatCrossAFrameWidthTooFast)
{
    tanimprm prm = scrollSettings(100, 10, 1, true, false);
    prm.ScrollBack = false;
    prm.Camera = move(0, 2, 30); // D = 900 in 59 steps: a frame width in about 0.2 s
    const std::optional<JudderAdvice> fast = AdviseOnJudder(PrepareFrames(prm, 1000, 10), 30);
    ASSERT_TRUE(fast);
    EXPECT_NEAR(fast->crossingSeconds, 100.0 / (900.0 / 59.0) / 30, 1e-9);
    prm.Camera = move(0, fast->smoothDuration, 30); // the duration advised is smooth
    EXPECT_FALSE(AdviseOnJudder(PrepareFrames(prm, 1000, 10), 30));
    prm.Camera = move(0, fast->smoothDuration - 2, 30);
    EXPECT_TRUE(AdviseOnJudder(PrepareFrames(prm, 1000, 10), 30));
    prm.Camera = {};
    EXPECT_FALSE(AdviseOnJudder(PrepareFrames(prm, 1000, 10), 30));
}

// What a frame shows at a whole position of an unscaled camera is exactly
// the panorama's pixels; at a fractional one, the sampler's resampling of
// the panorama scaled once.
class RecordFrames : public RunFeedback {
public:
    std::vector<Bitmap24> frames;
    void showFrame(const Bitmap24 &frame) override { frames.push_back(frame); }
};

TEST(CameraRun, framesAreTheSampledPanoramaAtEachPosition)
{
    const Bitmap24 panorama = makeTestPanorama(300, 60);
    RunRequest request;
    request.kind = RunKind::Test;
    request.names.DstName = "TestFrame-";
    request.settings = scrollSettings(64, 32, 1, true, false);
    request.settings.ScrollBack = false;
    request.settings.Camera.OutputWidth = 64;
    request.settings.Camera.OutputHeight = 32;
    request.settings.Camera.Step = 7.25;
    RecordFrames feedback;
    bool stop = false;
    const RunOutcome outcome = RunAnimation(panorama, request, feedback, stop);

    const RunPlan plan = PrepareFrames(request.settings, 300, 60);
    ASSERT_TRUE(plan.camera);
    Bitmap24 scaled;
    ASSERT_TRUE(ScaleBitmap(panorama, plan.camera->panoramaWidth, plan.camera->panoramaHeight, scaled));
    EXPECT_EQ(scaled.width(), 160);
    FrameSampler sampler(CameraLayout(plan));
    ASSERT_EQ(feedback.frames.size(), plan.camera->passes.front().size());
    EXPECT_EQ(outcome.produced, std::int64_t(feedback.frames.size()));
    for (std::size_t k = 0; k < feedback.frames.size(); ++k) {
        Bitmap24 expected;
        ASSERT_TRUE(sampler.render(scaled, plan.camera->passes.front()[k], expected));
        EXPECT_TRUE(feedback.frames[k] == expected) << "frame " << k;
    }
}

} // namespace
