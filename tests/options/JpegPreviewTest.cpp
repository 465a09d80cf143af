#include "options/JpegPreview.h"

#include "TestUtils.h"
#include "options/JpegOptions.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct QualityCase {
    int quality;
    bool up;
    bool left;
    int expected;
};

class QualityButtonTest : public ::testing::TestWithParam<QualityCase> { };

TEST_P(QualityButtonTest, StepsByOneOrFiveWithinFiveToHundred)
{
    const QualityCase &c = GetParam();
    EXPECT_EQ(QualityAfterPress(c.quality, c.up, c.left), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Presses, QualityButtonTest,
    ::testing::Values(QualityCase { 95, true, true, 96 }, QualityCase { 97, true, false, 100 },
        QualityCase { 100, true, true, 100 }, QualityCase { 90, true, false, 95 }, QualityCase { 7, false, false, 5 },
        QualityCase { 6, false, true, 5 }, QualityCase { 50, false, false, 45 }, QualityCase { 50, false, true, 49 }));

struct OffsetCase {
    int x, y;
};

class PreviewSourceTest : public ::testing::TestWithParam<OffsetCase> { };

TEST_P(PreviewSourceTest, DrawsThePictureAtTheOffsetOnBlack)
{
    const auto [x, y] = GetParam();
    const Bitmap24 picture = makeTestPanorama(30, 20);
    const Bitmap24 square = PreviewSource(picture, 16, x, y);
    ASSERT_EQ(square.width(), 16);
    ASSERT_EQ(square.height(), 16);
    for (int sy = 0; sy < 16; ++sy)
        for (int sx = 0; sx < 16; ++sx) {
            const int px = sx - x, py = sy - y;
            const bool inside = px >= 0 && px < 30 && py >= 0 && py < 20;
            const PixelBgr expected = inside ? testPanoramaPixel(px, py) : PixelBgr { 0, 0, 0 };
            ASSERT_EQ(pixelAt(square, sx, sy), expected) << sx << ", " << sy;
        }
}

INSTANTIATE_TEST_SUITE_P(Offsets, PreviewSourceTest,
    ::testing::Values(OffsetCase { 0, 0 }, OffsetCase { 5, 3 }, OffsetCase { -20, -10 }, OffsetCase { 40, 0 }));

struct RoundTripCase {
    const char *name;
    void (*adjust)(TJpegOptions &);
    int side; // of the result
    bool grey;
};

class JpegPreviewTest : public ::testing::TestWithParam<RoundTripCase> { };

TEST_P(JpegPreviewTest, DecodesWhatTheSettingsEncoded)
{
    const RoundTripCase &c = GetParam();
    TJpegOptions options;
    c.adjust(options);
    Bitmap24 source;
    source.resize(64, 64);
    source.fill(40, 90, 200);
    const Bitmap24 result = JpegPreview(source, options);
    ASSERT_EQ(result.width(), c.side);
    ASSERT_EQ(result.height(), c.side);
    const PixelBgr p = pixelAt(result, c.side / 2, c.side / 2);
    if (c.grey) {
        EXPECT_TRUE(p.b == p.g && p.g == p.r);
    } else {
        EXPECT_LE(std::abs(p.b - 40) + std::abs(p.g - 90) + std::abs(p.r - 200), 12);
    }
}

INSTANTIATE_TEST_SUITE_P(Settings, JpegPreviewTest,
    ::testing::Values(RoundTripCase { "Defaults", [](TJpegOptions &) {}, 64, false },
        RoundTripCase { "Grayscale", [](TJpegOptions &o) { o.Grayscale = true; }, 64, true },
        RoundTripCase { "HalfScale", [](TJpegOptions &o) { o.Scale = 1; }, 32, false },
        RoundTripCase { "Progressive",
            [](TJpegOptions &o) {
                o.ProgressiveEncoding = true;
                o.ProgressiveDisplay = true;
            },
            64, false }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
