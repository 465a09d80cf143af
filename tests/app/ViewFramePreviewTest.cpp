#include "app/ViewFramePreview.h"

#include "TestUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

Bitmap24 solid(int width, int height, PixelBgr colour)
{
    Bitmap24 b;
    EXPECT_TRUE(b.resize(width, height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            std::memcpy(b.scanLine(y) + 3 * x, &colour, 3);
    return b;
}

constexpr PixelBgr kRed { 0, 0, 255 }, kGreen { 0, 255, 0 }, kBlue { 255, 0, 0 };

RunPlan viewOf(const Bitmap24 &panorama, double fov)
{
    tanimprm prm;
    prm.FrameWidth = 1920;
    prm.FrameHeight = 1080;
    prm.Sphere.Mapping = SphereMapping::whole(SphereProjection::Equirectangular, panorama.width(), panorama.height());
    prm.Sphere.Fov = fov;
    return PrepareFrames(prm, panorama.width(), panorama.height());
}

struct SourceCase {
    int previewWidth;
    double fov;
    PixelBgr expected; // the colour of the copy the preview is made from
};

// The preview is made from the smallest copy with the detail it shows (its
// width over the field of view, across the full turn): a red panorama with a
// green half-size and a blue quarter-size copy tells which was read.
TEST(ViewFramePreview, readsTheSmallestCopyWithTheDetailShown)
{
    const Bitmap24 panorama = solid(4000, 2000, kRed);
    const std::vector<Bitmap24> copies { solid(2000, 1000, kGreen), solid(1000, 500, kBlue) };
    const SourceCase cases[] = {
        { 200, 90, kBlue }, // needs 800 of the turn's columns
        { 400, 90, kGreen }, // 1600
        { 1200, 90, kRed }, // 4800: none of the copies
        { 400, 170, kBlue }, // wide: 847
    };
    for (const SourceCase &c : cases) {
        ViewFramePreview preview;
        const Bitmap24 &shown = preview.render(panorama, copies, viewOf(panorama, c.fov), c.previewWidth, 2000);
        ASSERT_EQ(shown.width(), c.previewWidth);
        EXPECT_EQ(shown.height(), std::lround(c.previewWidth * 1080 / 1920.0));
        EXPECT_EQ(pixelAt(shown, c.previewWidth / 2, shown.height() / 2), c.expected)
            << c.previewWidth << " at " << c.fov << "°";
    }
}

// Never larger than the run's frame; kept while nothing it shows changes;
// nothing for a plan without a view or an area too small.
TEST(ViewFramePreview, fitsTheAreaIsKeptAndIsEmptyWithoutAView)
{
    const Bitmap24 panorama = solid(400, 200, kGreen);
    ViewFramePreview preview;
    const RunPlan plan = viewOf(panorama, 90);
    const Bitmap24 &large = preview.render(panorama, {}, plan, 5000, 5000);
    EXPECT_EQ(large.width(), 1920);
    EXPECT_EQ(large.height(), 1080);
    const Bitmap24 &tall = preview.render(panorama, {}, plan, 3000, 108);
    EXPECT_EQ(tall.width(), 192);
    EXPECT_EQ(tall.height(), 108);
    const std::uint8_t *pixels = std::as_const(tall).bits();
    EXPECT_EQ(std::as_const(preview.render(panorama, {}, plan, 3000, 108)).bits(), pixels) << "kept, not made again";
    // Another picture where the last one lay: made anew once told.
    Bitmap24 other = solid(400, 200, kGreen);
    preview.render(other, {}, plan, 3000, 108);
    for (int y = 0; y < other.height(); ++y)
        for (int x = 0; x < other.width(); ++x)
            std::memcpy(other.scanLine(y) + 3 * x, &kBlue, 3);
    EXPECT_EQ(pixelAt(preview.render(other, {}, plan, 3000, 108), 96, 54), kGreen) << "same pixels, same frame";
    preview.forget();
    EXPECT_EQ(pixelAt(preview.render(other, {}, plan, 3000, 108), 96, 54), kBlue);

    tanimprm flat;
    flat.FrameWidth = 100;
    flat.FrameHeight = 100;
    EXPECT_TRUE(preview.render(panorama, {}, PrepareFrames(flat, 400, 200), 500, 500).isEmpty());
    EXPECT_TRUE(preview.render(panorama, {}, plan, 1, 1).isEmpty());
}

} // namespace
