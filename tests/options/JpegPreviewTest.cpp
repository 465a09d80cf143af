#include "options/JpegPreview.h"

#include "TestUtils.h"
#include "options/JpegOptions.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

class QualityButtonTest : public ::testing::TestWithParam<std::tuple<int, bool, bool, int>> { };

TEST_P(QualityButtonTest, StepsByOneOrFiveWithinFiveToHundred)
{
    const auto [quality, up, leftButton, expected] = GetParam();
    EXPECT_EQ(QualityAfterPress(quality, up, leftButton), expected);
}

INSTANTIATE_TEST_SUITE_P(Presses, QualityButtonTest,
    ::testing::Values(std::tuple(95, true, true, 96), std::tuple(97, true, false, 100),
        std::tuple(100, true, true, 100), std::tuple(90, true, false, 95), std::tuple(7, false, false, 5),
        std::tuple(6, false, true, 5), std::tuple(50, false, false, 45)));

TEST(PreviewSource, DrawsThePictureAtTheOffsetOnBlack)
{
    const Bitmap24 picture = makeTestPanorama(30, 20);
    for (const auto &[x, y] : { std::pair(0, 0), { 5, 3 }, { -20, -10 }, { 40, 0 } }) {
        const Bitmap24 square = PreviewSource(picture, 16, x, y);
        ASSERT_EQ(square.width(), 16);
        for (int sy = 0; sy < 16; ++sy)
            for (int sx = 0; sx < 16; ++sx) {
                const int px = sx - x, py = sy - y;
                const bool inside = px >= 0 && px < 30 && py >= 0 && py < 20;
                ASSERT_EQ(pixelAt(square, sx, sy), inside ? testPanoramaPixel(px, py) : PixelBgr {})
                    << x << "," << y << ": " << sx << "," << sy;
            }
    }
}

TEST(JpegPreview, DecodesWhatTheSettingsEncoded)
{
    Bitmap24 source;
    source.resize(64, 64);
    source.fill(40, 90, 200);
    TJpegOptions options;
    options.Grayscale = true;
    options.Scale = 1;
    const Bitmap24 result = JpegPreview(source, options);
    ASSERT_EQ(result.width(), 32);
    const PixelBgr p = pixelAt(result, 16, 16);
    EXPECT_TRUE(p.b == p.g && p.g == p.r && p.g > 60 && p.g < 140) << int(p.g);
}

} // namespace
