#include "output/AviFrame.h"

#include "TestUtils.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::uint32_t le32(const std::vector<std::uint8_t> &b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}

// A 40-byte BITMAPINFOHEADER (24 bits, BI_RGB, positive height) and the rows
// bottom first, each padded with zeros to 4 bytes; nothing is written into a
// buffer of the wrong size, and an empty bitmap has no description.
TEST(AviFrame, isA24BitBottomUpHeaderAndPaddedRows)
{
    for (int width : { 1, 2, 3, 5, 300 }) {
        SCOPED_TRACE(width);
        const int height = 3;
        const Bitmap24 frame = makeTestPanorama(width, height);
        const std::size_t rowBytes = (std::size_t(width) * 3 + 3) / 4 * 4;
        const AviFrameSizes sizes = GetAviFrameSizes(frame);
        ASSERT_EQ(std::tuple(sizes.HeaderSize, sizes.ImageSize), std::tuple(40u, rowBytes * height));
        std::vector<std::uint8_t> header(40, 0xEE), pixels(sizes.ImageSize, 0xEE);
        EXPECT_FALSE(ConvertAviFrame(frame, header, std::span(pixels).first(pixels.size() - 1)));
        EXPECT_EQ(pixels[0], 0xEE) << "nothing written";
        ASSERT_TRUE(ConvertAviFrame(frame, header, pixels));

        const std::vector<std::uint32_t> fields { 40, std::uint32_t(width), std::uint32_t(height), 24u << 16 | 1, 0,
            sizes.ImageSize, 0, 0, 0, 0 }; // size, width, height, planes and bits, BI_RGB, image size, the rest 0
        for (std::size_t i = 0; i < fields.size(); ++i)
            EXPECT_EQ(le32(header, 4 * i), fields[i]) << "header byte " << 4 * i;
        for (int row = 0; row < height; ++row) {
            const int y = height - 1 - row;
            const std::uint8_t *p = pixels.data() + row * rowBytes;
            for (int x = 0; x < width; ++x)
                EXPECT_EQ((PixelBgr { p[3 * x], p[3 * x + 1], p[3 * x + 2] }), testPanoramaPixel(x, y))
                    << x << "," << y;
            for (std::size_t i = std::size_t(width) * 3; i < rowBytes; ++i)
                EXPECT_EQ(p[i], 0) << "padding of row " << y;
        }
    }
    std::vector<std::uint8_t> header(40);
    EXPECT_EQ(GetAviFrameSizes(Bitmap24()).HeaderSize, 0u);
    EXPECT_FALSE(ConvertAviFrame(Bitmap24(), header, {}));
}

} // namespace
