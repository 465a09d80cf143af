#include "anim/FrameSequence.h"

#include "ScrollSettings.h"
#include "TestUtils.h"
#include "common/Bitmap24.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <ostream>

#include <string>
#include <vector>

namespace {

tanimprm loopSettings(int w, int h, int step, bool forward, bool vertical, bool center = true)
{
    tanimprm prm = scrollSettings(w, h, step, forward, vertical, center); // its return pass is ignored
    prm.Loop360 = true;
    return prm;
}

struct LoopCase {
    const char *label;
    int panoW, panoH, frameW, frameH, step;
    bool forward, vertical;
    std::vector<int> positions; // along the travel, one turn
};

std::ostream &operator<<(std::ostream &os, const LoopCase &c)
{
    return os << c.label;
}

class LoopPositions : public testing::TestWithParam<LoopCase> { };

// n = round(W / step) frames at round(k * W / n), mirrored when going back;
// frame n stands where frame 0 stood.
TEST_P(LoopPositions, oneTurnOfRoundedEvenSteps)
{
    const LoopCase &c = GetParam();
    const RunPlan run
        = PrepareFrames(loopSettings(c.frameW, c.frameH, c.step, c.forward, c.vertical), c.panoW, c.panoH);
    const PassPlan &plan = run.outward;
    std::vector<int> along;
    for (int k = 0; k < plan.PassCount; ++k) {
        const FramePosition at = PassPosition(plan, k);
        EXPECT_EQ(c.vertical ? at.x : at.y, 0);
        along.push_back(c.vertical ? at.y : at.x);
    }
    EXPECT_EQ(along, c.positions);
    EXPECT_EQ(PassPosition(plan, plan.PassCount), PassPosition(plan, 0));
    EXPECT_FALSE(run.back);
    EXPECT_EQ(run.total(), std::int64_t(c.positions.size()));
}

INSTANTIATE_TEST_SUITE_P(Turns, LoopPositions,
    testing::Values(LoopCase { "thirds", 10, 4, 6, 4, 3, true, false, { 0, 3, 7 } },
        LoopCase { "halfRoundsUp", 10, 4, 6, 4, 4, true, false, { 0, 3, 7 } },
        LoopCase { "backwards", 10, 4, 6, 4, 3, false, false, { 0, 7, 3 } },
        LoopCase { "negativeStepTurnsTheOtherWay", 10, 4, 6, 4, -3, true, false, { 0, 7, 3 } },
        LoopCase { "zeroStepIsOne", 4, 2, 3, 2, 0, true, false, { 0, 1, 2, 3 } },
        LoopCase { "frameWiderThanTheTurn", 4, 2, 9, 2, 2, true, false, { 0, 2 } },
        LoopCase { "stepBeyondTheTurnGivesOneFrame", 4, 2, 3, 2, 100, true, false, { 0 } },
        LoopCase { "vertical", 3, 9, 3, 5, 2, true, true, { 0, 2, 4, 5, 7 } },
        LoopCase { "verticalUpwards", 3, 9, 3, 5, 2, false, true, { 0, 7, 5, 4, 2 } }),
    [](const testing::TestParamInfo<LoopCase> &info) { return std::string(info.param.label); });

TEST(LoopPositions, benchPanUsesEveryFrameOfTheTurn)
{
    const PassPlan plan = PrepareFrames(loopSettings(1024, 768, 13, true, false), 5000, 800).outward;
    EXPECT_EQ(plan.PassCount, 385); // 5000 / 13 = 384.6
    EXPECT_EQ(PassPosition(plan, 384).x, 4987); // round(384 * 5000 / 385)
}

struct WrapCase {
    const char *label;
    int panoW, panoH, frameW, frameH, step;
    bool forward, vertical, center;
};

std::ostream &operator<<(std::ostream &os, const WrapCase &c)
{
    return os << c.label;
}

class LoopRendering : public testing::TestWithParam<WrapCase> { };

// Frame k is the panorama crop at x_k, its columns (rows when vertical) taken
// modulo the turn; across the travel the usual centring and black bands.
TEST_P(LoopRendering, frameIsTheWrappedCropAndTheLoopCloses)
{
    const WrapCase &c = GetParam();
    const Bitmap24 pano = makeTestPanorama(c.panoW, c.panoH);
    const RunPlan run
        = PrepareFrames(loopSettings(c.frameW, c.frameH, c.step, c.forward, c.vertical, c.center), c.panoW, c.panoH);
    const PassPlan &plan = run.outward;
    ASSERT_GT(plan.PassCount, 0);
    Bitmap24 frame;
    MakeFrameBitmap(run, frame);
    const int across = c.vertical ? c.panoW : c.panoH;
    const int turn = c.vertical ? c.panoH : c.panoW;
    const int frameAcross = c.vertical ? c.frameW : c.frameH;
    const int off = c.center && frameAcross > across ? (frameAcross - across) / 2 : 0;
    Bitmap24 first;
    for (int k = 0; k <= plan.PassCount; ++k) {
        const FramePosition at = PassPosition(plan, k);
        frame.fill(0x55, 0x66, 0x77);
        RenderFrame(run, pano, frame, at.x, at.y);
        if (k == 0)
            first = frame;
        int wrong = 0;
        for (int fy = 0; fy < c.frameH && wrong < 3; ++fy)
            for (int fx = 0; fx < c.frameW && wrong < 3; ++fx) {
                const int along = c.vertical ? (at.y + fy) % c.panoH : (at.x + fx) % c.panoW;
                const int cross = (c.vertical ? fx : fy) - off;
                PixelBgr want { 0, 0, 0 };
                if (cross >= 0 && cross < across)
                    want = c.vertical ? testPanoramaPixel(cross, along) : testPanoramaPixel(along, cross);
                if (!(pixelAt(frame, fx, fy) == want)) {
                    ++wrong;
                    ADD_FAILURE() << "frame " << k << " pixel (" << fx << ", " << fy << ")";
                }
            }
        for (int fy = 0; fy < frame.height(); ++fy)
            for (std::size_t i = std::size_t(frame.width()) * 3; i < frame.stride(); ++i)
                ASSERT_EQ(frame.scanLine(fy)[i], 0) << "padding of row " << fy;
        // Panorama pixels only when the frame neither crosses the seam nor
        // overhangs across the travel: then FrameWindow gives the same rows.
        const int position = c.vertical ? at.y : at.x;
        const bool inside = frameAcross <= across && position + (c.vertical ? c.frameH : c.frameW) <= turn;
        const std::optional<PanoramaWindow> window = FrameWindow(run, pano, at.x, at.y);
        ASSERT_EQ(window.has_value(), inside) << "frame " << k;
        for (int fy = 0; window && fy < c.frameH; ++fy)
            ASSERT_TRUE(
                std::equal(frame.scanLine(fy), frame.scanLine(fy) + 3 * c.frameW, window->top + fy * window->stride))
                << "frame " << k << " row " << fy;
    }
    EXPECT_TRUE(frame == first) << "the frame after the last is not the first";
}

INSTANTIATE_TEST_SUITE_P(Wraps, LoopRendering,
    testing::Values(WrapCase { "acrossTheSeam", 300, 20, 64, 20, 7, true, false, true },
        WrapCase { "backwards", 300, 20, 64, 20, 7, false, false, true },
        WrapCase { "lowPanoramaCentred", 300, 12, 64, 17, 9, true, false, true },
        WrapCase { "lowPanoramaAtTheTop", 300, 12, 64, 17, 9, true, false, false },
        WrapCase { "frameSeveralTurnsWide", 10, 6, 33, 6, 3, true, false, true },
        WrapCase { "vertical", 10, 40, 13, 16, 5, true, true, true },
        WrapCase { "verticalUpwards", 10, 40, 8, 45, 5, false, true, true }),
    [](const testing::TestParamInfo<WrapCase> &info) { return std::string(info.param.label); });

} // namespace
