#include "video/Yuv420Conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

struct Size {
    int width, height;
};

// Every sample within rounding of BT.709's formulas in double precision,
// chroma from the 2 x 2 mean with an odd last column or row counted twice;
// greys (including black and white) exactly at 16..235 and 128.
class Yuv420Conversion : public testing::TestWithParam<Size> { };

TEST_P(Yuv420Conversion, roundsBt709LimitedRangeToTheNearest)
{
    const auto [width, height] = GetParam();
    const std::ptrdiff_t stride = 3 * width + 5; // rows with a gap after them
    std::vector<std::uint8_t> bgr(std::size_t(stride * height));
    std::mt19937 random(width * 31 + height);
    for (std::uint8_t &byte : bgr)
        byte = std::uint8_t(random());
    // First row: greys, black and white.
    for (int x = 0; x < width; ++x)
        for (int k = 0; k < 3; ++k)
            bgr[std::size_t(3 * x + k)] = std::uint8_t(x == 0 ? 0 : x == 1 ? 255 : x * 37 % 256);

    const int cw = (width + 1) / 2, ch = (height + 1) / 2;
    std::vector<std::uint8_t> y(std::size_t(width * height)), u(std::size_t(cw * ch)), v(u.size());
    ConvertBgrToYuv420(bgr.data(), stride, width, height, { y.data(), width, u.data(), cw, v.data(), cw });

    const auto pixel = [&](int px, int py, int k) {
        return bgr[std::size_t(std::min(py, height - 1) * stride + 3 * std::min(px, width - 1) + k)] / 255.0;
    };
    const double kr = 0.2126, kb = 0.0722, kg = 1 - kr - kb;
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px) {
            const double luma = kr * pixel(px, py, 2) + kg * pixel(px, py, 1) + kb * pixel(px, py, 0);
            EXPECT_NEAR(y[std::size_t(py * width + px)], 16 + 219 * luma, 0.51) << px << "," << py;
        }
    for (int cy = 0; cy < ch; ++cy)
        for (int cx = 0; cx < cw; ++cx) {
            double b = 0, g = 0, r = 0;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    b += pixel(2 * cx + dx, 2 * cy + dy, 0) / 4;
                    g += pixel(2 * cx + dx, 2 * cy + dy, 1) / 4;
                    r += pixel(2 * cx + dx, 2 * cy + dy, 2) / 4;
                }
            const double luma = kr * r + kg * g + kb * b;
            EXPECT_NEAR(u[std::size_t(cy * cw + cx)], 128 + 224 * (b - luma) / (2 * (1 - kb)), 0.51) << cx << "," << cy;
            EXPECT_NEAR(v[std::size_t(cy * cw + cx)], 128 + 224 * (r - luma) / (2 * (1 - kr)), 0.51) << cx << "," << cy;
        }
    EXPECT_EQ(y[0], 16);
    EXPECT_EQ(y[1], 235);
}

INSTANTIATE_TEST_SUITE_P(Sizes, Yuv420Conversion, testing::Values(Size { 64, 48 }, Size { 7, 5 }, Size { 2, 1 }),
    [](const auto &info) { return std::to_string(info.param.width) + "x" + std::to_string(info.param.height); });

TEST(Yuv420ConversionGreys, haveNoColour)
{
    // Two rows of 256 greys: the chroma of every pair is exactly neutral.
    std::vector<std::uint8_t> bgr(2 * 256 * 3);
    for (std::size_t i = 0; i < bgr.size(); ++i)
        bgr[i] = std::uint8_t(i / 3 % 256);
    std::vector<std::uint8_t> y(512), u(128), v(128);
    ConvertBgrToYuv420(bgr.data(), 256 * 3, 256, 2, { y.data(), 256, u.data(), 128, v.data(), 128 });
    for (int i = 0; i < 128; ++i) {
        EXPECT_EQ(u[std::size_t(i)], 128);
        EXPECT_EQ(v[std::size_t(i)], 128);
    }
}

} // namespace
