#include "video/PaletteDither.h"

#include "TestUtils.h"
#include "common/Bitmap24.h"

#include <gtest/gtest.h>

#include <ostream>
#include <thread>
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

namespace {

// A palette with repeated entries (ties go to the first) and a frame of
// every kind of colour, filled from a fixed seed.
GifPalette ManyColours()
{
    GifPalette palette;
    std::uint32_t seed = 12345;
    const auto next = [&seed] { return std::uint8_t((seed = seed * 1103515245u + 12345u) >> 16); };
    for (int i = 0; i < 200; ++i)
        palette.colours.push_back({ next(), next(), next() });
    for (int i = 0; i < 40; ++i)
        palette.colours.push_back(palette.colours[std::size_t(i) * 3]);
    palette.colours.push_back({ 0, 0, 0 });
    palette.colours.push_back({ 255, 255, 255 });
    return palette;
}

Bitmap24 NoisyFrame(int width, int height, std::uint32_t seed)
{
    Bitmap24 frame;
    frame.resize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * 3; ++x)
            frame.scanLine(y)[x] = std::uint8_t((seed = seed * 1103515245u + 12345u) >> 16);
    return frame;
}

} // namespace

// Without diffusion each pixel takes the first of the entries nearest to it,
// as a search of the whole palette finds it.
TEST(PaletteDither, nearestIsTheFirstClosestEntry)
{
    const GifPalette palette = ManyColours();
    PaletteDither dither(palette, 0.0f);
    const Bitmap24 frame = NoisyFrame(128, 64, 7);
    std::vector<std::uint8_t> indices(128 * 64);
    dither.remap(frame, indices.data(), 128);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 128; ++x) {
            const std::uint8_t *p = frame.scanLine(y) + x * 3;
            std::size_t best = 0;
            int bestDistance = 1 << 30;
            for (std::size_t i = 0; i < palette.colours.size(); ++i) {
                const GifPaletteColour &c = palette.colours[i];
                const int distance
                    = (c.r - p[2]) * (c.r - p[2]) + (c.g - p[1]) * (c.g - p[1]) + (c.b - p[0]) * (c.b - p[0]);
                if (distance < bestDistance) {
                    bestDistance = distance;
                    best = i;
                }
            }
            ASSERT_EQ(indices[std::size_t(y) * 128 + std::size_t(x)], best) << "at " << x << ", " << y;
        }
}

// Frames dithered at once on several threads, sharing one cache, come out
// as each does alone.
TEST(PaletteDither, threadsDoNotChangeTheIndices)
{
    constexpr int kFrames = 4;
    std::vector<Bitmap24> frames;
    for (int i = 0; i < kFrames; ++i)
        frames.push_back(NoisyFrame(96, 48, std::uint32_t(i + 1)));
    std::vector<std::vector<std::uint8_t>> alone(kFrames, std::vector<std::uint8_t>(96 * 48));
    for (int i = 0; i < kFrames; ++i)
        PaletteDither(ManyColours(), 0.5f).remap(frames[std::size_t(i)], alone[std::size_t(i)].data(), 96);

    const PaletteDither shared(ManyColours(), 0.5f);
    std::vector<std::vector<std::uint8_t>> together(kFrames, std::vector<std::uint8_t>(96 * 48));
    std::vector<std::thread> threads;
    for (int i = 0; i < kFrames; ++i)
        threads.emplace_back([&, i] { shared.remap(frames[std::size_t(i)], together[std::size_t(i)].data(), 96); });
    for (std::thread &t : threads)
        t.join();
    EXPECT_EQ(together, alone);
}
