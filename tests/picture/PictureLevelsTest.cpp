#include "picture/PictureLevels.h"

#include "TestUtils.h"
#include "picture/PanoramaScaler.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

struct LevelsCase {
    const char *name;
    int width, height;
    std::vector<std::pair<int, int>> sizes; // of each copy, largest first
};

class PictureLevelsTable : public ::testing::TestWithParam<LevelsCase> { };

TEST_P(PictureLevelsTable, aFifthThenHalvesDownToTheSmallestSide)
{
    const LevelsCase &c = GetParam();
    const Bitmap24 picture = makeTestPanorama(c.width, c.height);
    const std::atomic<bool> cancelled { false };
    const std::vector<Bitmap24> levels = MakePictureLevels(picture, cancelled);
    std::vector<std::pair<int, int>> sizes;
    for (const Bitmap24 &level : levels)
        sizes.emplace_back(level.width(), level.height());
    EXPECT_EQ(sizes, c.sizes);
    // Each copy is its source through the panorama scaler.
    for (std::size_t i = 0; i < levels.size(); ++i) {
        Bitmap24 expected;
        ASSERT_TRUE(ScaleBitmap(i == 0 ? picture : levels[i - 1], levels[i].width(), levels[i].height(), expected));
        EXPECT_TRUE(levels[i] == expected) << "copy " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, PictureLevelsTable,
    ::testing::Values(LevelsCase { "widePanorama", 6000, 300, { { 1200, 60 }, { 600, 30 }, { 300, 15 } } },
        // Odd sides round to the nearest.
        LevelsCase { "oddSides", 2601, 13, { { 520, 3 }, { 260, 2 } } },
        LevelsCase { "noSideBelowOnePixel", 6000, 2, { { 1200, 1 }, { 600, 1 }, { 300, 1 } } },
        LevelsCase { "tallPicture", 100, 2700, { { 20, 540 }, { 10, 270 } } },
        LevelsCase { "justAboveTheSmallest", 513, 40, { { 103, 8 } } },
        LevelsCase { "smallPictureNeedsNone", 512, 512, {} }, LevelsCase { "noPicture", 0, 0, {} }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(PictureLevelsCancel, aCancelledRunGivesNoCopies)
{
    const Bitmap24 picture = makeTestPanorama(3000, 200);
    const std::atomic<bool> cancelled { true };
    EXPECT_TRUE(MakePictureLevels(picture, cancelled).empty());
}

} // namespace
