#include "output/AviFrame.h"

#include "TestUtils.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::uint32_t le32(const std::vector<std::uint8_t> &b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}

class AviFrameLayout : public testing::TestWithParam<int> { };

TEST_P(AviFrameLayout, isA24BitBottomUpHeaderAndPaddedRows)
{
    const int width = GetParam(), height = 3;
    const Bitmap24 frame = makeTestPanorama(width, height);
    const std::size_t rowBytes = (std::size_t(width) * 3 + 3) / 4 * 4;
    const AviFrameSizes sizes = GetAviFrameSizes(frame);
    ASSERT_EQ(sizes.HeaderSize, 40u);
    ASSERT_EQ(sizes.ImageSize, rowBytes * height);
    std::vector<std::uint8_t> header(40, 0xEE), pixels(sizes.ImageSize, 0xEE);
    EXPECT_FALSE(ConvertAviFrame(frame, header, std::span(pixels).first(pixels.size() - 1))) << "a buffer too short";
    EXPECT_EQ(pixels[0], 0xEE) << "nothing written";
    ASSERT_TRUE(ConvertAviFrame(frame, header, pixels));

    EXPECT_EQ(le32(header, 0), 40u);
    EXPECT_EQ(le32(header, 4), std::uint32_t(width));
    EXPECT_EQ(le32(header, 8), std::uint32_t(height)) << "positive: bottom row first";
    EXPECT_EQ(le32(header, 12), 24u << 16 | 1) << "1 plane, 24 bits per pixel";
    EXPECT_EQ(le32(header, 16), 0u) << "BI_RGB";
    EXPECT_EQ(le32(header, 20), sizes.ImageSize);
    for (std::size_t at = 24; at < 40; at += 4)
        EXPECT_EQ(le32(header, at), 0u) << "resolution and colour counts, byte " << at;
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row;
        const std::uint8_t *p = pixels.data() + row * rowBytes;
        for (int x = 0; x < width; ++x)
            EXPECT_EQ((PixelBgr { p[3 * x], p[3 * x + 1], p[3 * x + 2] }), testPanoramaPixel(x, y)) << x << "," << y;
        for (std::size_t i = std::size_t(width) * 3; i < rowBytes; ++i)
            EXPECT_EQ(p[i], 0) << "padding of row " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, AviFrameLayout, testing::Values(1, 2, 3, 4, 5, 7, 300));

TEST(AviFrameSizes, anEmptyBitmapHasNoDescription)
{
    std::vector<std::uint8_t> header(40);
    EXPECT_EQ(GetAviFrameSizes(Bitmap24()).HeaderSize, 0u);
    EXPECT_FALSE(ConvertAviFrame(Bitmap24(), header, {}));
}

} // namespace
