#include "app/ViewportPaint.h"

#include "TestUtils.h"
#include "common/Bitmap24.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::uint32_t Screen(const PixelBgr &p)
{
    return 0xFF000000u | (std::uint32_t(p.r) << 16) | (std::uint32_t(p.g) << 8) | p.b;
}

// The window pixels of (x, y, w, h) as the viewport shows the source.
std::vector<std::uint32_t> Painted(const Bitmap24 &source, const PictureViewport &v, const PaintRect &part)
{
    std::vector<std::uint32_t> out(std::size_t(part.Width) * std::size_t(part.Height), 0x12345678u);
    PaintViewport(source, v, part, out.data(), std::size_t(part.Width));
    return out;
}

PictureViewport ViewportAt(int pictureWidth, int pictureHeight, double zoom)
{
    PictureViewport v;
    v.setArea(5, 5, 100, 80);
    v.setPicture(pictureWidth, pictureHeight);
    v.zoomAt(zoom, 5, 5); // the picture's corner stays at (5, 5)
    return v;
}

// At its own size every pixel is the picture's, and black past its edges.
TEST(PaintViewport, actualSizeCopiesThePixels)
{
    const Bitmap24 picture = makeTestPanorama(61, 37);
    const PictureViewport v = ViewportAt(61, 37, 1);
    const PaintRect part { 0, 0, 80, 50 };
    const std::vector<std::uint32_t> out = Painted(picture, v, part);
    for (int y = 0; y < part.Height; ++y)
        for (int x = 0; x < part.Width; ++x) {
            const int px = x - 5, py = y - 5;
            const bool in = px >= 0 && py >= 0 && px < 61 && py < 37;
            ASSERT_EQ(out[std::size_t(y * part.Width + x)], in ? Screen(testPanoramaPixel(px, py)) : 0xFF000000u)
                << x << "," << y;
        }
}

// Enlarged twice, each picture pixel covers two by two window pixels.
TEST(PaintViewport, enlargedShowsThePixelUnderEachCentre)
{
    const Bitmap24 picture = makeTestPanorama(40, 30);
    PictureViewport v;
    v.setArea(5, 5, 100, 80); // 40 x 30 at its size: zoomAt starts from 1
    v.setPicture(40, 30);
    v.zoomAt(2, 5, 5);
    ASSERT_EQ(v.Scale(), 2);
    const PaintRect part { 5, 5, 20, 16 };
    const std::vector<std::uint32_t> out = Painted(picture, v, part);
    for (int y = 0; y < part.Height; ++y)
        for (int x = 0; x < part.Width; ++x)
            ASSERT_EQ(out[std::size_t(y * part.Width + x)], Screen(testPanoramaPixel(x / 2, y / 2))) << x << "," << y;
}

// Reduced by half, each window pixel is the mean of two by two picture pixels.
TEST(PaintViewport, reducedTakesTheMeanOfTwoByTwo)
{
    const Bitmap24 picture = makeTestPanorama(300, 200); // 100 x 80 area: fitted at a half
    PictureViewport v;
    v.setArea(5, 5, 150, 100);
    v.setPicture(300, 200);
    ASSERT_EQ(v.Scale(), 0.5);
    const PaintRect part { 5, 5, 150, 100 };
    const std::vector<std::uint32_t> out = Painted(picture, v, part);
    for (int y = 0; y < part.Height; ++y)
        for (int x = 0; x < part.Width; ++x) {
            int sum[3] = {};
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    const PixelBgr p = pixelAt(picture, 2 * x + dx, 2 * y + dy);
                    sum[0] += p.b;
                    sum[1] += p.g;
                    sum[2] += p.r;
                }
            const PixelBgr mean { std::uint8_t((sum[0] + 2) / 4), std::uint8_t((sum[1] + 2) / 4),
                std::uint8_t((sum[2] + 2) / 4) };
            ASSERT_EQ(out[std::size_t(y * part.Width + x)], Screen(mean)) << x << "," << y;
        }
}

// A copy at the scale shown is read pixel for pixel.
TEST(PaintViewport, aCopyAtTheScaleShownIsCopied)
{
    const Bitmap24 copy = makeTestPanorama(150, 100); // stands for a 300 x 200 picture
    PictureViewport v;
    v.setArea(5, 5, 150, 100);
    v.setPicture(300, 200);
    const PaintRect part { 5, 5, 150, 100 };
    const std::vector<std::uint32_t> out = Painted(copy, v, part);
    for (int y = 0; y < part.Height; ++y)
        for (int x = 0; x < part.Width; ++x)
            ASSERT_EQ(out[std::size_t(y * part.Width + x)], Screen(testPanoramaPixel(x, y))) << x << "," << y;
}

TEST(PaintViewport, noPictureIsBlack)
{
    const PictureViewport v = ViewportAt(0, 0, 1);
    EXPECT_EQ(Painted(Bitmap24(), v, { 0, 0, 3, 2 }), std::vector<std::uint32_t>(6, 0xFF000000u));
}

struct LevelCase {
    const char *name;
    double scale;
    int level; // -1: the picture
};

class ChooseLevelTable : public ::testing::TestWithParam<LevelCase> { };

// Copies of a 6000-pixel-wide picture: 1200, 600 and 300 wide.
TEST_P(ChooseLevelTable, smallestCopyAtLeastAsLargeAsShown)
{
    std::vector<Bitmap24> levels(3);
    ASSERT_TRUE(levels[0].resize(1200, 60) && levels[1].resize(600, 30) && levels[2].resize(300, 15));
    EXPECT_EQ(ChooseLevel(levels, 6000, GetParam().scale), GetParam().level);
}

INSTANTIATE_TEST_SUITE_P(Scales, ChooseLevelTable,
    ::testing::Values(LevelCase { "actualSize", 1, -1 }, LevelCase { "third", 0.3, -1 }, LevelCase { "fifth", 0.2, -1 },
        LevelCase { "sixth", 1.0 / 6, 0 }, LevelCase { "tenth", 0.1, 1 }, LevelCase { "twelfth", 1.0 / 12, 1 },
        LevelCase { "twentieth", 0.05, 2 }, LevelCase { "hundredth", 0.01, 2 }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ChooseLevel, thePictureWithoutCopies)
{
    EXPECT_EQ(ChooseLevel({}, 6000, 0.01), -1);
}

} // namespace
