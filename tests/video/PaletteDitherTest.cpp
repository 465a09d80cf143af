#include "video/PaletteDither.h"

#include "TestUtils.h"
#include "common/Bitmap24.h"

#include <gtest/gtest.h>

#include <ostream>

#include <vector>

namespace {

struct DitherCase {
    const char *label;
    float strength;
    std::uint8_t grey; // a flat grey frame between black and white
    double whiteShare; // expected share of white pixels
};

std::ostream &operator<<(std::ostream &os, const DitherCase &c)
{
    return os << c.label;
}

class PaletteDitherTable : public testing::TestWithParam<DitherCase> { };

// On a black-and-white palette, full diffusion renders a grey as the matching
// share of white pixels; without diffusion every pixel takes the nearest colour.
TEST_P(PaletteDitherTable, greyBecomesTheRightShareOfWhite)
{
    const DitherCase &c = GetParam();
    PaletteDither dither(GifPalette { { { 0, 0, 0 }, { 255, 255, 255 } } }, c.strength);
    Bitmap24 frame;
    frame.resize(64, 64);
    frame.fill(c.grey, c.grey, c.grey);
    std::vector<std::uint8_t> indices(64 * 70, 7);
    dither.remap(frame, indices.data(), 70);
    int white = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            ASSERT_LE(indices[std::size_t(y) * 70 + std::size_t(x)], 1);
            white += indices[std::size_t(y) * 70 + std::size_t(x)];
        }
        EXPECT_EQ(indices[std::size_t(y) * 70 + 64], 7) << "wrote past the row";
    }
    EXPECT_NEAR(white / 4096.0, c.whiteShare, 0.02);
}

INSTANTIATE_TEST_SUITE_P(Strengths, PaletteDitherTable,
    testing::Values(DitherCase { "quarterGrey", 1.0f, 64, 0.25 }, DitherCase { "halfGrey", 1.0f, 128, 0.5 },
        DitherCase { "nearestOnly", 0.0f, 100, 0.0 }, DitherCase { "nearestOnlyLight", 0.0f, 160, 1.0 }),
    [](const testing::TestParamInfo<DitherCase> &info) { return std::string(info.param.label); });

} // namespace
