#include "app/DisplayGeometry.h"
#include "app/HelpText.h"

#include "TestUtils.h"

#include <gtest/gtest.h>

namespace {

TEST(DrawArea, LeavesTheMarginAndThePanel)
{
    EXPECT_EQ(ComputeDrawArea({ 0, 0, 1040, 700 }, 245), (TRect { 5, 5, 790, 695 }));
    EXPECT_EQ(ComputeDrawArea({ 0, 0, 1040, 700 }, 0), (TRect { 5, 5, 1035, 695 }));
    // Too small a window never gives an inverted rectangle.
    EXPECT_EQ(ComputeDrawArea({ 0, 0, 100, 4 }, 245), (TRect { 5, 5, 5, 5 }));
}

struct PlacementCase {
    const char *name;
    TRect area;
    int width, height;
    bool center;
    PaintPlacement expected;
};

class PaintPlacementTest : public ::testing::TestWithParam<PlacementCase> { };

TEST_P(PaintPlacementTest, NeverScalesAndCentresOnlyWhenAsked)
{
    const PlacementCase &c = GetParam();
    EXPECT_EQ(ComputePaintPlacement(c.area, c.width, c.height, c.center), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, PaintPlacementTest,
    ::testing::Values(
        // Area 786 x 691 pixels (|right - left| + 1).
        PlacementCase { "largerPictureShowsTopLeft", { 5, 5, 790, 695 }, 5000, 800, false, { 786, 691, 5, 5, true } },
        PlacementCase { "largerPictureIgnoresCentring", { 5, 5, 790, 695 }, 5000, 800, true, { 786, 691, 5, 5, true } },
        PlacementCase { "smallerPictureAtTopLeft", { 5, 5, 790, 695 }, 300, 200, false, { 300, 200, 5, 5, true } },
        PlacementCase { "smallerPictureCentred", { 5, 5, 790, 695 }, 300, 200, true, { 300, 200, 248, 250, true } },
        PlacementCase {
            "wideButLowCentredVertically", { 5, 5, 790, 695 }, 1000, 101, true, { 786, 101, 5, 300, true } },
        PlacementCase { "noPicture", { 5, 5, 790, 695 }, 0, 0, true, { 0, 0, 398, 350, false } }),
    [](const auto &info) { return std::string(info.param.name); });

struct HelpPathCase {
    const char *program;
    const char *replacement;
};

class HelpReplacementPathTest : public ::testing::TestWithParam<HelpPathCase> { };

TEST_P(HelpReplacementPathTest, CutsAtTheFirstDotOfTheWholePath)
{
    EXPECT_EQ(HelpReplacementPath(GetParam().program), GetParam().replacement);
}

INSTANTIATE_TEST_SUITE_P(Paths, HelpReplacementPathTest,
    ::testing::Values(HelpPathCase { "/usr/bin/travelia", "/usr/bin/travelia.TXT" },
        HelpPathCase { "/opt/app/travelia.bin", "/opt/app/travelia.TXT" },
        HelpPathCase { "/opt/tools.old/travelia", "/opt/tools.TXT" },
        HelpPathCase { "/home/u/.local/bin/travelia", "/home/u/.TXT" }),
    [](const auto &info) { return testNameFrom(info.param.program); });

} // namespace
