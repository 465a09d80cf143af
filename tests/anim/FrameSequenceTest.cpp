#include "anim/FrameSequence.h"

#include "ScrollSettings.h"
#include "TestUtils.h"
#include "common/Bitmap24.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <vector>

namespace {

struct SequenceCase {
    const char *label;
    int panoW, panoH;
    int frameW, frameH;
    int step;
    bool forward; // left to right / top to bottom
    bool vertical;
    std::vector<int> outward; // scroll-axis positions of the outward pass
    std::vector<int> back; // ... and of the return pass
};

std::ostream &operator<<(std::ostream &os, const SequenceCase &c)
{
    return os << c.label;
}

std::vector<int> positions(const PassPlan &plan, bool vertical)
{
    std::vector<int> out;
    for (int k = 0; k < plan.PassCount; ++k)
        out.push_back(vertical ? plan.Y0 + k * plan.DY : plan.X0 + k * plan.DX);
    return out;
}

class FrameSequenceTable : public testing::TestWithParam<SequenceCase> { };

TEST_P(FrameSequenceTable, visitsExactlyThePositionsOfBothPasses)
{
    const SequenceCase &c = GetParam();
    const tanimprm prm = scrollSettings(c.frameW, c.frameH, c.step, c.forward, c.vertical);
    const RunPlan plan = PrepareFrames(prm, c.panoW, c.panoH);
    const PassPlan &out = plan.outward;
    ASSERT_TRUE(plan.back);
    const PassPlan &back = *plan.back;
    EXPECT_EQ(back, ReturnPass(out, prm, c.panoW, c.panoH));
    EXPECT_EQ(positions(out, c.vertical), c.outward);
    EXPECT_EQ(positions(back, c.vertical), c.back);
    EXPECT_EQ(back.PassCount, out.PassCount);
    EXPECT_EQ(plan.total(), std::int64_t(c.outward.size() + c.back.size()));
    // The position across the scroll axis is always 0.
    EXPECT_EQ(c.vertical ? out.X0 : out.Y0, 0);
    EXPECT_EQ(c.vertical ? out.DX : out.DY, 0);
    Bitmap24 frame;
    MakeFrameBitmap(plan, frame);
    EXPECT_EQ(frame.width(), c.frameW);
    EXPECT_EQ(frame.height(), c.frameH);
}

INSTANTIATE_TEST_SUITE_P(EdgeCases, FrameSequenceTable,
    testing::Values(SequenceCase { "step3LeftToRight", 1034, 800, 1024, 768, 3, true, false, { 0, 3, 6 }, { 9, 6, 3 } },
        SequenceCase { "step3RightToLeft", 1034, 800, 1024, 768, 3, false, false, { 9, 6, 3 }, { 0, 3, 6 } },
        SequenceCase {
            "step1TurnsOnTheSameFrame", 1029, 768, 1024, 768, 1, true, false, { 0, 1, 2, 3, 4 }, { 4, 3, 2, 1, 0 } },
        SequenceCase { "frameAsWideAsPanorama", 1024, 800, 1024, 768, 1, true, false, {}, {} },
        SequenceCase { "stepLargerThanSurplus", 1034, 800, 1024, 768, 20, true, false, {}, {} },
        SequenceCase { "frameWiderThanPanorama", 1000, 800, 1024, 768, 1, true, false, {}, {} },
        SequenceCase { "negativeStepSmallerFrame", 1034, 800, 1024, 768, -3, true, false, {}, {} },
        // D = -6, step -2: 3 frames whose source hangs off the left edge.
        SequenceCase { "negativeStepLargerFrame", 10, 4, 16, 4, -2, true, false, { 0, -2, -4 }, { -7, -5, -3 } },
        SequenceCase {
            "negativeStepLargerFrameReversed", 10, 4, 16, 4, -2, false, false, { -7, -5, -3 }, { 0, -2, -4 } },
        SequenceCase { "verticalTopToBottom", 600, 4000, 600, 3990, 4, true, true, { 0, 4 }, { 9, 5 } },
        SequenceCase { "verticalBottomToTop", 600, 4000, 600, 3990, 4, false, true, { 9, 5 }, { 0, 4 } },
        SequenceCase { "verticalFrameTallerThanPanorama", 600, 400, 600, 450, 1, true, true, {}, {} },
        SequenceCase { "horizontalIgnoresHeight", 20, 10, 16, 900, 2, true, false, { 0, 2 }, { 3, 1 } }),
    [](const testing::TestParamInfo<SequenceCase> &info) { return std::string(info.param.label); });

TEST(FrameSequence, defaultRunOverWidePanoramaHas3976FramesPerPass)
{
    const RunPlan plan = PrepareFrames(scrollSettings(1024, 768, 1, true, false), 5000, 800);
    const PassPlan &out = plan.outward;
    EXPECT_EQ(out, (PassPlan { 3976, 0, 0, 1, 0 }));
    ASSERT_TRUE(plan.back);
    const PassPlan &back = *plan.back;
    EXPECT_EQ(back, (PassPlan { 3976, 3975, 0, -1, 0 }));
    EXPECT_EQ(plan.total(), 7952);
    // x = 3976 (flush with the far edge) is never used.
    EXPECT_EQ(out.X0 + (out.PassCount - 1) * out.DX, 3975);
    EXPECT_EQ(back.X0 + (back.PassCount - 1) * back.DX, 0);
}

// The settings are read, never rewritten: the plan holds the step it uses.
TEST(FrameSequence, zeroStepCountsAsOne)
{
    const RunPlan plan = PrepareFrames(scrollSettings(4, 4, 0, true, false), 10, 4);
    EXPECT_EQ(plan.outward.PassCount, 6);
    EXPECT_EQ(plan.outward.DX, 1);
    ASSERT_TRUE(plan.back);
    EXPECT_EQ(plan.back->DX, -1);
}

TEST(FrameSequence, negativeStepIsKept)
{
    const RunPlan plan = PrepareFrames(scrollSettings(4, 4, -2, true, false), 10, 4);
    EXPECT_EQ(plan.outward.DX, -2);
    EXPECT_EQ(plan.outward.PassCount, -3);
    EXPECT_EQ(plan.total(), 0);
}

struct RectCase {
    const char *label;
    int panoW, panoH, frameW, frameH;
    bool center;
    TRect dst;
};

class DstRectTable : public testing::TestWithParam<RectCase> { };

TEST_P(DstRectTable, placesThePanoramaInTheFrame)
{
    const RectCase &c = GetParam();
    const RunPlan plan = PrepareFrames(scrollSettings(c.frameW, c.frameH, 1, true, false, c.center), c.panoW, c.panoH);
    EXPECT_EQ(plan.DstRect, c.dst);
}

INSTANTIATE_TEST_SUITE_P(Centring, DstRectTable,
    testing::Values(RectCase { "lowPanoramaCentred", 5000, 600, 1024, 768, true, { 0, 84, 1024, 684 } },
        RectCase { "oddSurplusCentred", 5000, 600, 1024, 769, true, { 0, 84, 1024, 685 } },
        RectCase { "lowPanoramaNotCentred", 5000, 600, 1024, 768, false, { 0, 0, 1024, 768 } },
        RectCase { "narrowPanoramaCentred", 500, 800, 1024, 768, true, { 262, 0, 762, 768 } },
        RectCase { "largerPanorama", 5000, 800, 1024, 768, true, { 0, 0, 1024, 768 } },
        RectCase { "smallerBothWays", 10, 6, 15, 9, true, { 2, 1, 13, 8 } }),
    [](const testing::TestParamInfo<RectCase> &info) { return std::string(info.param.label); });

struct BadSizeCase {
    const char *label;
    int w, h;
};

class FrameSizeRefused : public testing::TestWithParam<BadSizeCase> { };

TEST_P(FrameSizeRefused, throwsWithTheSizeInTheMessage)
{
    const RunPlan plan = PrepareFrames(scrollSettings(GetParam().w, GetParam().h, 1, true, false), 100, 100);
    Bitmap24 frame;
    try {
        MakeFrameBitmap(plan, frame);
        FAIL() << "no exception";
    } catch (const std::runtime_error &e) {
        const std::string expected = "Impossible de créer une image de " + std::to_string(GetParam().w) + " * "
            + std::to_string(GetParam().h) + " pixels";
        EXPECT_EQ(std::string(e.what()), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, FrameSizeRefused,
    testing::Values(BadSizeCase { "negativeWidth", -5, 768 }, BadSizeCase { "negativeHeight", 10, -1 },
        BadSizeCase { "huge", INT_MAX, INT_MAX }),
    [](const testing::TestParamInfo<BadSizeCase> &info) { return std::string(info.param.label); });

TEST(FrameSequence, zeroSizedFrameRendersNothingAndDoesNotCrash)
{
    const Bitmap24 pano = makeTestPanorama(20, 10);
    const RunPlan plan = PrepareFrames(scrollSettings(0, 0, 1, true, false), pano.width(), pano.height());
    EXPECT_EQ(plan.outward.PassCount, 20);
    Bitmap24 frame;
    MakeFrameBitmap(plan, frame);
    EXPECT_EQ(RenderFrame(plan, pano, frame, 3, 0), (TRect { 3, 0, 3, 0 }));
}

// Expected frame pixel: the panorama pixel it maps to, or black.
PixelBgr expectedPixel(const RunPlan &plan, int panoW, int panoH, int x, int y, int fx, int fy)
{
    const long long px = (long long)fx - plan.DstRect.Left + x;
    const long long py = (long long)fy - plan.DstRect.Top + y;
    const bool inSrc
        = px >= x && px < (long long)x + plan.FrameWidth && py >= y && py < (long long)y + plan.FrameHeight;
    if (inSrc && px >= 0 && px < panoW && py >= 0 && py < panoH)
        return testPanoramaPixel(int(px), int(py));
    return { 0, 0, 0 };
}

void expectFrameMatches(const RunPlan &plan, const Bitmap24 &frame, const Bitmap24 &pano, int x, int y)
{
    int mismatches = 0;
    for (int fy = 0; fy < frame.height() && mismatches < 5; ++fy)
        for (int fx = 0; fx < frame.width() && mismatches < 5; ++fx) {
            const PixelBgr want = expectedPixel(plan, pano.width(), pano.height(), x, y, fx, fy);
            const PixelBgr got = pixelAt(frame, fx, fy);
            if (!(got == want)) {
                ++mismatches;
                ADD_FAILURE() << "frame pixel (" << fx << ", " << fy << ") at position (" << x << ", " << y << ") is "
                              << int(got.b) << "/" << int(got.g) << "/" << int(got.r) << ", expected " << int(want.b)
                              << "/" << int(want.g) << "/" << int(want.r);
            }
        }
    // The row padding stays zero: rows are written to files as they stand.
    const std::size_t rowBytes = std::size_t(frame.width()) * 3;
    for (int fy = 0; fy < frame.height(); ++fy)
        for (std::size_t i = rowBytes; i < frame.stride(); ++i)
            ASSERT_EQ(frame.scanLine(fy)[i], 0) << "padding of row " << fy;
}

struct RenderCase {
    const char *label;
    int panoW, panoH, frameW, frameH;
    bool center;
    int x, y;
    bool window = false; // panorama pixels only: FrameWindow gives its rows
};

class RenderTable : public testing::TestWithParam<RenderCase> { };

TEST_P(RenderTable, everyPixelIsThePanoramaPixelOrBlack)
{
    const RenderCase &c = GetParam();
    const Bitmap24 pano = makeTestPanorama(c.panoW, c.panoH);
    const RunPlan plan = PrepareFrames(scrollSettings(c.frameW, c.frameH, 1, true, false, c.center), c.panoW, c.panoH);
    Bitmap24 frame;
    MakeFrameBitmap(plan, frame);
    // Dirty the frame so that a missing black fill shows.
    frame.fill(0x55, 0x66, 0x77);
    const TRect source = RenderFrame(plan, pano, frame, c.x, c.y);
    // The right and bottom edges wrap around like any 32-bit sum.
    const auto wrapped = [](long long v) { return std::int32_t(std::uint32_t(v)); };
    EXPECT_EQ(source, (TRect { c.x, c.y, wrapped((long long)c.x + c.frameW), wrapped((long long)c.y + c.frameH) }));
    expectFrameMatches(plan, frame, pano, c.x, c.y);

    const std::optional<PanoramaWindow> window = FrameWindow(plan, pano, c.x, c.y);
    ASSERT_EQ(window.has_value(), c.window);
    for (int fy = 0; window && fy < frame.height(); ++fy)
        ASSERT_TRUE(
            std::equal(frame.scanLine(fy), frame.scanLine(fy) + 3 * frame.width(), window->top + fy * window->stride))
            << "row " << fy;
}

INSTANTIATE_TEST_SUITE_P(Positions, RenderTable,
    testing::Values(RenderCase { "inside", 300, 40, 64, 30, true, 37, 0, true },
        RenderCase { "lastOutwardPosition", 300, 40, 64, 30, true, 235, 0, true },
        RenderCase { "rightEdge", 300, 40, 64, 30, true, 236, 10, true },
        RenderCase { "widths1to5", 7, 3, 5, 3, true, 1, 0, true },
        RenderCase { "width1", 7, 3, 1, 3, true, 6, 0, true }, RenderCase { "width3", 7, 3, 3, 2, false, 2, 1, true },
        RenderCase { "oneRowBelow", 7, 3, 3, 2, false, 2, 2 },
        RenderCase { "lowPanoramaCentred", 300, 20, 64, 47, true, 10, 0 },
        RenderCase { "lowPanoramaNotCentred", 300, 20, 64, 47, false, 10, 0 },
        RenderCase { "narrowPanoramaCentred", 20, 300, 47, 64, true, 0, 100 },
        RenderCase { "hangsOffLeftEdge", 30, 10, 50, 10, true, -7, 0 },
        RenderCase { "hangsOffRightEdge", 30, 10, 20, 10, false, 25, 0 },
        RenderCase { "hangsOffTopAndBottom", 30, 10, 20, 16, false, 3, -4 },
        RenderCase { "whollyOutsideRight", 30, 10, 20, 10, false, 40, 0 },
        RenderCase { "whollyOutsideLeft", 30, 10, 50, 10, true, -80, 0 },
        RenderCase { "extremeNegative", 30, 10, 20, 10, false, INT_MIN, INT_MIN },
        RenderCase { "extremePositive", 30, 10, 20, 10, false, INT_MAX - 5, 0 }),
    [](const testing::TestParamInfo<RenderCase> &info) { return std::string(info.param.label); });

TEST(RenderFrame, lowPanoramaSitsBetweenBlackBandsOfTheDefaultFrame)
{
    const Bitmap24 pano = makeTestPanorama(5000, 600);
    const RunPlan plan = PrepareFrames(scrollSettings(1024, 769, 1, true, false, true), 5000, 600);
    Bitmap24 frame;
    MakeFrameBitmap(plan, frame);
    RenderFrame(plan, pano, frame, 1234, 0);
    for (int fx : { 0, 511, 1023 }) {
        EXPECT_EQ(pixelAt(frame, fx, 83), (PixelBgr { 0, 0, 0 }));
        EXPECT_EQ(pixelAt(frame, fx, 84), testPanoramaPixel(1234 + fx, 0));
        EXPECT_EQ(pixelAt(frame, fx, 683), testPanoramaPixel(1234 + fx, 599));
        EXPECT_EQ(pixelAt(frame, fx, 684), (PixelBgr { 0, 0, 0 }));
        EXPECT_EQ(pixelAt(frame, fx, 768), (PixelBgr { 0, 0, 0 })); // the 85th row of the bottom band
    }
}

TEST(RenderFrame, negativeStepRunReadsNothingOutsideThePanorama)
{
    // Every frame of such a run; AddressSanitizer catches any stray read.
    const Bitmap24 pano = makeTestPanorama(10, 4);
    const RunPlan plan = PrepareFrames(scrollSettings(16, 6, -2, true, false, true), 10, 4);
    ASSERT_EQ(plan.outward.PassCount, 3);
    ASSERT_TRUE(plan.back);
    Bitmap24 frame;
    MakeFrameBitmap(plan, frame);
    for (const PassPlan &pass : { plan.outward, *plan.back })
        for (int k = 0; k < pass.PassCount; ++k) {
            RenderFrame(plan, pano, frame, pass.X0 + k * pass.DX, 0);
            expectFrameMatches(plan, frame, pano, pass.X0 + k * pass.DX, 0);
        }
}

} // namespace
