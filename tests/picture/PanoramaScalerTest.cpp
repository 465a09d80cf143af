#include "picture/PanoramaScaler.h"
#include "picture/ResampleRows.h"

#include "MediaTools.h"
#include "ResampleSignals.h"
#include "TestUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <ostream>
#include <string>

namespace {

Bitmap24 scaled(const Bitmap24 &src, int width, int height)
{
    Bitmap24 out;
    EXPECT_TRUE(ScaleBitmap(src, width, height, out));
    return out;
}

// The naive reduction: each output pixel is the source pixel nearest its centre.
Bitmap24 pointSampled(const Bitmap24 &src, int width, int height)
{
    Bitmap24 out;
    out.resize(width, height);
    for (int v = 0; v < height; ++v)
        for (int u = 0; u < width; ++u) {
            const int x = std::min(src.width() - 1, int((u + 0.5) * src.width() / width));
            const int y = std::min(src.height() - 1, int((v + 0.5) * src.height() / height));
            std::memcpy(out.scanLine(v) + 3 * u, src.scanLine(y) + 3 * x, 3);
        }
    return out;
}

struct SizeCase {
    const char *label;
    int srcWidth, srcHeight, outWidth, outHeight;
};

void PrintTo(const SizeCase &c, std::ostream *os)
{
    *os << c.label;
}

const SizeCase kSizes[] = {
    { "sameSize", 61, 37, 61, 37 },
    { "reduceByOneAndAHalf", 301, 150, 200, 100 },
    { "reduceByThree", 303, 99, 101, 33 },
    { "reduceBySevenWithBoxes", 701, 350, 100, 50 },
    { "reduceByTwentyWithBoxes", 2003, 420, 100, 21 },
    { "reduceByThreeHundred", 3001, 602, 10, 2 },
    { "enlargeByTwoAndAHalf", 40, 30, 100, 75 },
    { "enlargeAcrossReduceDown", 50, 400, 130, 40 },
    { "toOnePixel", 97, 13, 1, 1 },
    { "fromOnePixel", 1, 1, 9, 4 },
};

class ScalerSizes : public testing::TestWithParam<SizeCase> { };

// No colour shift: a flat colour comes out as exactly that colour, to the
// last pixel of every edge.
TEST_P(ScalerSizes, flatColourStaysExactlyThatColour)
{
    const SizeCase &c = GetParam();
    for (const PixelBgr colour : { PixelBgr { 0, 255, 1 }, PixelBgr { 37, 128, 254 }, PixelBgr { 255, 255, 255 } }) {
        const Bitmap24 out
            = scaled(flatPicture(c.srcWidth, c.srcHeight, colour.b, colour.g, colour.r), c.outWidth, c.outHeight);
        ASSERT_EQ(out.width(), c.outWidth);
        ASSERT_EQ(out.height(), c.outHeight);
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x)
                ASSERT_EQ(pixelAt(out, x, y), colour) << x << "," << y;
    }
}

// A decoder's bands, of uneven heights and from a buffer of another stride,
// give the very bytes of the whole-picture call.
TEST_P(ScalerSizes, streamedBandsGiveTheBytesOfTheWholePicture)
{
    const SizeCase &c = GetParam();
    const Bitmap24 src = noisePicture(c.srcWidth, c.srcHeight, 7);
    const Bitmap24 whole = scaled(src, c.outWidth, c.outHeight);

    Bitmap24 streamed;
    ASSERT_TRUE(streamed.resize(c.outWidth, c.outHeight));
    PanoramaScaler scaler(c.srcWidth, c.srcHeight, c.outWidth, c.outHeight, [&](int row, const std::uint8_t *pixels) {
        std::memcpy(streamed.scanLine(row), pixels, std::size_t(c.outWidth) * 3);
    });
    const std::size_t stride = std::size_t(c.srcWidth) * 3 + 5;
    std::vector<std::uint8_t> band;
    for (int y = 0, size = 1; y < c.srcHeight; y += size, size = size % 7 + 3) {
        const int rows = std::min(size, c.srcHeight - y);
        band.assign(stride * std::size_t(rows), 0xEE);
        for (int r = 0; r < rows; ++r)
            std::memcpy(band.data() + std::size_t(r) * stride, src.scanLine(y + r), std::size_t(c.srcWidth) * 3);
        scaler.pushRows(band.data(), stride, rows);
    }
    EXPECT_TRUE(scaler.finished());
    EXPECT_TRUE(streamed == whole);
}

// The AVX2 loops and the plain ones give the same bytes.
TEST_P(ScalerSizes, vectorUnitsGiveTheSameBytes)
{
    if (!ProcessorHas(VectorUnits::Avx2))
        GTEST_SKIP() << "no AVX2 on this processor";
    const SizeCase &c = GetParam();
    const Bitmap24 src = noisePicture(c.srcWidth, c.srcHeight, 3);
    ASSERT_TRUE(UseVectorUnits(VectorUnits::Plain));
    const Bitmap24 plain = scaled(src, c.outWidth, c.outHeight);
    ASSERT_TRUE(UseVectorUnits(VectorUnits::Avx2));
    EXPECT_TRUE(scaled(src, c.outWidth, c.outHeight) == plain);
}

// Each output row leaves as soon as the last source row it depends on is
// in, never later; the band holds no more rows than the vertical filter
// spans, each of the output's width, and far less than the source.
TEST_P(ScalerSizes, rowsLeaveAsSoonAsCompleteAndTheBandStaysSmall)
{
    const SizeCase &c = GetParam();
    const Bitmap24 src = noisePicture(c.srcWidth, c.srcHeight, 5);
    std::vector<int> delivered(std::size_t(c.outHeight), -1);
    PanoramaScaler probe(c.srcWidth, c.srcHeight, c.outWidth, c.outHeight,
        [&](int row, const std::uint8_t *) { delivered[std::size_t(row)] = probe.rowsPushed(); });
    probe.pushRows(src.bits(), src.stride(), c.srcHeight);

    const int sy = probe.boxShrinkY();
    const int shrunkHeight = (c.srcHeight + sy - 1) / sy;
    const AxisWeights down
        = ScalingWeights(shrunkHeight, c.outHeight, double(c.srcHeight) / (double(c.outHeight) * sy));
    for (int v = 0; v < c.outHeight; ++v) {
        const int lastShrunk = down.first[std::size_t(v)] + down.count[std::size_t(v)];
        EXPECT_EQ(delivered[std::size_t(v)], std::min(c.srcHeight, lastShrunk * sy)) << "row " << v;
    }
    const double reduce = std::max(1.0, double(c.srcHeight) / (double(c.outHeight) * sy));
    EXPECT_LE(probe.bandRows(), int(std::ceil(6.0 * reduce)) + 1);
    EXPECT_EQ(probe.bandRowFloats(), std::size_t(c.outWidth) * 3);
    EXPECT_LE(probe.heldBytes(), PanoramaScaler::bytesNeeded(c.srcWidth, c.srcHeight, c.outWidth, c.outHeight));
}

INSTANTIATE_TEST_SUITE_P(Sizes, ScalerSizes, testing::ValuesIn(kSizes),
    [](const testing::TestParamInfo<SizeCase> &info) { return std::string(info.param.label); });

// A large reduction holds a band, one row of sums and one shrunk row: a few
// hundred kilobytes where the source is 36 MB.
TEST(PanoramaScaler, holdsFarLessThanTheSource)
{
    const int w = 12000, h = 1000, ow = 600, oh = 50;
    PanoramaScaler scaler(w, h, ow, oh, [](int, const std::uint8_t *) {});
    EXPECT_EQ(scaler.boxShrinkX(), 10);
    EXPECT_EQ(scaler.boxShrinkY(), 10);
    const std::size_t band = std::size_t(scaler.bandRows()) * scaler.bandRowFloats() * sizeof(float);
    const std::size_t sourceRow = std::size_t(w) * 3 * sizeof(std::uint16_t);
    const std::size_t shrunkRow = std::size_t(w / 10 + 64) * 4 * sizeof(float);
    EXPECT_LE(scaler.heldBytes(), band + sourceRow + shrunkRow + std::size_t(ow) * 3);
    EXPECT_LT(scaler.heldBytes() * 50, Bitmap24::bytesFor(w, h));
    EXPECT_LE(scaler.heldBytes(), PanoramaScaler::bytesNeeded(w, h, ow, oh));
    EXPECT_LT(PanoramaScaler::bytesNeeded(w, h, ow, oh) * 20, Bitmap24::bytesFor(w, h));
}

TEST(PanoramaScaler, refusesARowPastTheLastAndEmptySides)
{
    int delivered = 0;
    PanoramaScaler scaler(4, 2, 2, 1, [&](int, const std::uint8_t *) { ++delivered; });
    const std::uint8_t row[12] = {};
    scaler.pushRow(row);
    scaler.pushRow(row);
    EXPECT_THROW(scaler.pushRow(row), std::logic_error);
    EXPECT_EQ(delivered, 1);
    EXPECT_EQ(scaler.rowsPushed(), 2);
    for (const SizeCase c : { SizeCase { "", 0, 2, 2, 2 }, SizeCase { "", 2, 2, 2, 0 }, SizeCase { "", 2, -1, 2, 2 } })
        EXPECT_THROW(PanoramaScaler(c.srcWidth, c.srcHeight, c.outWidth, c.outHeight, {}), std::invalid_argument);
}

TEST(ScaleBitmap, leavesTheTargetAsItWasWhenItCannotScale)
{
    Bitmap24 target = flatPicture(3, 3, 1, 2, 3);
    const Bitmap24 before = target;
    EXPECT_FALSE(ScaleBitmap(Bitmap24 {}, 10, 10, target));
    EXPECT_FALSE(ScaleBitmap(flatPicture(8, 8, 0, 0, 0), 0, 4, target));
    EXPECT_FALSE(ScaleBitmap(flatPicture(8, 8, 0, 0, 0), 4, int(Bitmap24::kMaxSide) + 1, target));
    EXPECT_TRUE(target == before);
}

// The scaler's rows are counted against the memory there is before any is
// allocated: a wide enlargement scales with the machine's memory, and is
// refused, target untouched, with 16 MB to spare (its band and tables take
// more, its 6 MB picture less).
TEST(ScaleBitmap, refusesAScalerThatDoesNotFitInMemory)
{
    const Bitmap24 src = noisePicture(100000, 2, 1);
    const int width = 1000000, height = 2;
    EXPECT_GT(PanoramaScaler::bytesNeeded(100000, 2, width, height), std::uint64_t(32) << 20);
    Bitmap24 roomy;
    ASSERT_TRUE(ScaleBitmap(src, width, height, roomy));
    roomy.clear();
    const int outcome = runWithAddressSpaceHeadroom(std::uint64_t(16) << 20, [&] {
        Bitmap24 target = flatPicture(2, 2, 5, 6, 7);
        if (ScaleBitmap(src, width, height, target))
            return 1;
        if (!(target == flatPicture(2, 2, 5, 6, 7)))
            return 2;
        try {
            PanoramaScaler scaler(100000, 2, width, height, {});
            return 3;
        } catch (const std::bad_alloc &) {
            return 0;
        }
    });
    EXPECT_EQ(outcome, 0);
}

// Reductions of a grating just above and just below the output's Nyquist
// frequency (0.5 cycle a pixel).
struct GratingCase {
    const char *label;
    int factor;
};

void PrintTo(const GratingCase &c, std::ostream *os)
{
    *os << c.label;
}

class ScalerGratings : public testing::TestWithParam<GratingCase> { };

// Above Nyquist the grating must vanish: the naive reduction folds it back
// at full strength, ours leaves less than a twentieth of that.
TEST_P(ScalerGratings, aliasedEnergyIsFarBelowPointSampling)
{
    const int f = GetParam().factor;
    const int ow = 160, oh = 4;
    const double above = 0.7; // cycles an output pixel: folds to 0.3
    const Bitmap24 src = gratingPicture(ow * f, oh * f, above / f);
    const double ours = amplitudeAt(rowSignal(scaled(src, ow, oh), 1, 1, 4), 1.0 - above);
    const double naive = amplitudeAt(rowSignal(pointSampled(src, ow, oh), 1, 1, 4), 1.0 - above);
    EXPECT_GT(naive, 80.0);
    EXPECT_LT(ours, naive / 20.0) << "ours " << ours << ", point sampling " << naive;
}

// Below Nyquist the grating keeps most of its amplitude (100).
TEST_P(ScalerGratings, keepsAGratingJustBelowNyquist)
{
    const int f = GetParam().factor;
    const int ow = 160, oh = 4;
    for (const double below : { 0.3, 0.4 }) {
        const Bitmap24 src = gratingPicture(ow * f, oh * f, below / f);
        const double kept = amplitudeAt(rowSignal(scaled(src, ow, oh), 1, 1, 4), below);
        EXPECT_GT(kept, below < 0.35 ? 90.0 : 75.0) << below << " cycle a pixel";
    }
}

INSTANTIATE_TEST_SUITE_P(Factors, ScalerGratings,
    testing::Values(GratingCase { "two", 2 }, GratingCase { "five", 5 }, GratingCase { "twenty", 20 }),
    [](const testing::TestParamInfo<GratingCase> &info) { return std::string(info.param.label); });

// Enlargement follows a smooth grating to within a few grey levels.
TEST(PanoramaScaler, enlargementFollowsASmoothGrating)
{
    const double cycles = 0.1, scale = 2.5;
    const Bitmap24 out = scaled(gratingPicture(80, 6, cycles), 200, 15);
    for (int u = 10; u < 190; ++u) {
        const double x = (u + 0.5) / scale - 0.5;
        EXPECT_NEAR(pixelAt(out, u, 7).g, 128.0 + 100.0 * std::cos(2.0 * std::numbers::pi * cycles * x), 3.0) << u;
    }
}

// Against libvips (vips resize: shrink then Lanczos3 reduce, as installed
// by scripts/install-deps.sh): as sharp within 0.05 of the amplitude, and no
// more aliasing than it plus one grey level.
TEST(PanoramaScaler, isAsSharpAndAsCleanAsVips)
{
    TempDir dir;
    for (const int f : { 3, 8, 20 }) {
        const int ow = 160, oh = 4;
        for (const double cycles : { 0.4, 0.7 }) {
            const Bitmap24 src = gratingPicture(ow * f, oh * f, cycles / f);
            ASSERT_TRUE(writePpm(dir / "in.ppm", src));
            const ToolRun run = runTool(
                "vips", { "resize", (dir / "in.ppm").string(), (dir / "out.ppm").string(), std::to_string(1.0 / f) });
            ASSERT_EQ(run.exitCode, 0) << run.err;
            Bitmap24 theirs;
            ASSERT_TRUE(readPpm(dir / "out.ppm", theirs));
            ASSERT_EQ(theirs.width(), ow);
            const double at = cycles < 0.5 ? cycles : 1.0 - cycles;
            const double vips = amplitudeAt(rowSignal(theirs, 1, 1, 4), at);
            const double ours = amplitudeAt(rowSignal(scaled(src, ow, oh), 1, 1, 4), at);
            if (cycles < 0.5)
                EXPECT_GT(ours, vips - 5.0) << "factor " << f << ": ours " << ours << ", vips " << vips;
            else
                EXPECT_LT(ours, vips + 1.0) << "factor " << f << ": ours " << ours << ", vips " << vips;
        }
    }
}

} // namespace
