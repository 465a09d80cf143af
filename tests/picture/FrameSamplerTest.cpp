#include "picture/FrameSampler.h"
#include "picture/PanoramaScaler.h"
#include "picture/ResampleRows.h"

#include "ResampleSignals.h"
#include "TestUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <ostream>
#include <string>

namespace {

Bitmap24 rendered(const FrameLayout &layout, const Bitmap24 &panorama, double position)
{
    Bitmap24 frame;
    FrameSampler sampler(layout);
    EXPECT_TRUE(sampler.render(panorama, position, frame));
    return frame;
}

FrameLayout layoutOf(int width, int height, TravelAxis travel, bool wrap = false, int across = 0,
    PhaseKernel kernel = PhaseKernel::Lanczos3)
{
    FrameLayout layout;
    layout.width = width;
    layout.height = height;
    layout.travel = travel;
    layout.wrap = wrap;
    layout.across = across;
    layout.kernel = kernel;
    return layout;
}

// The frame as a plain copy cuts it: panorama pixel by pixel, black outside.
Bitmap24 copiedFrame(const FrameLayout &l, const Bitmap24 &panorama, std::int64_t position)
{
    Bitmap24 frame;
    frame.resize(l.width, l.height);
    const bool horizontal = l.travel == TravelAxis::Horizontal;
    const std::int64_t length = horizontal ? panorama.width() : panorama.height();
    for (int y = 0; y < l.height; ++y)
        for (int x = 0; x < l.width; ++x) {
            std::int64_t along = position + (horizontal ? x : y);
            const std::int64_t across = l.across + (horizontal ? y : x);
            if (l.wrap)
                along = ((along % length) + length) % length;
            const std::int64_t px = horizontal ? along : across, py = horizontal ? across : along;
            std::uint8_t *out = frame.scanLine(y) + 3 * x;
            if (px < 0 || py < 0 || px >= panorama.width() || py >= panorama.height())
                out[0] = out[1] = out[2] = 0;
            else
                std::memcpy(out, panorama.scanLine(int(py)) + 3 * px, 3);
        }
    return frame;
}

struct CopyCase {
    const char *label;
    int panoramaWidth, panoramaHeight, frameWidth, frameHeight;
    TravelAxis travel;
    bool wrap;
    int across;
    std::vector<std::int64_t> positions;
};

void PrintTo(const CopyCase &c, std::ostream *os)
{
    *os << c.label;
}

class SamplerCopies : public testing::TestWithParam<CopyCase> { };

// At a whole position the frame is the panorama's pixels, byte for byte,
// whatever the frame held before.
TEST_P(SamplerCopies, wholePositionsCopyThePixels)
{
    const CopyCase &c = GetParam();
    const Bitmap24 panorama = makeTestPanorama(c.panoramaWidth, c.panoramaHeight);
    const FrameLayout layout = layoutOf(c.frameWidth, c.frameHeight, c.travel, c.wrap, c.across);
    FrameSampler sampler(layout);
    Bitmap24 frame = flatPicture(c.frameWidth, c.frameHeight, 0xAB, 0xCD, 0xEF);
    for (const std::int64_t position : c.positions) {
        ASSERT_TRUE(sampler.render(panorama, double(position), frame));
        EXPECT_TRUE(frame == copiedFrame(layout, panorama, position)) << "position " << position;
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, SamplerCopies,
    testing::Values(CopyCase { "insideRowsUnpadded", 100, 20, 40, 20, TravelAxis::Horizontal, false, 0, { 0, 7, 60 } },
        CopyCase { "insideRowsPadded", 101, 20, 41, 20, TravelAxis::Horizontal, false, 0, { 0, 33, 60 } },
        CopyCase { "pastBothEnds", 103, 10, 50, 10, TravelAxis::Horizontal, false, 0, { -20, -60, 80, 200 } },
        CopyCase { "wrapOverTheSeam", 97, 10, 60, 10, TravelAxis::Horizontal, true, 0, { 50, 96, -3, 1000 } },
        CopyCase { "wrapFrameWiderThanPanorama", 30, 8, 100, 8, TravelAxis::Horizontal, true, 0, { 0, 17, -41 } },
        CopyCase { "centredAcross", 90, 10, 40, 16, TravelAxis::Horizontal, false, -3, { 5 } },
        CopyCase { "verticalRowsPadded", 21, 101, 21, 40, TravelAxis::Vertical, false, 0, { 0, 61, -5, 90 } },
        CopyCase { "verticalWrap", 23, 50, 23, 70, TravelAxis::Vertical, true, 0, { 45, -7 } },
        CopyCase { "verticalCentredAcross", 10, 100, 15, 30, TravelAxis::Vertical, false, -2, { -5, 90 } }),
    [](const testing::TestParamInfo<CopyCase> &info) { return std::string(info.param.label); });

struct KernelCase {
    const char *label;
    PhaseKernel kernel;
    TravelAxis travel;
};

void PrintTo(const KernelCase &c, std::ostream *os)
{
    *os << c.label;
}

const KernelCase kKernels[] = {
    { "lanczos3Horizontal", PhaseKernel::Lanczos3, TravelAxis::Horizontal },
    { "lanczos3Vertical", PhaseKernel::Lanczos3, TravelAxis::Vertical },
    { "keysCubicHorizontal", PhaseKernel::KeysCubic, TravelAxis::Horizontal },
    { "keysCubicVertical", PhaseKernel::KeysCubic, TravelAxis::Vertical },
};

class SamplerKernels : public testing::TestWithParam<KernelCase> {
protected:
    bool horizontal() const { return GetParam().travel == TravelAxis::Horizontal; }
    // A panorama given along the travel as if horizontal, turned when the travel is vertical.
    Bitmap24 along(const Bitmap24 &horizontalPicture) const
    {
        return horizontal() ? horizontalPicture : transposed(horizontalPicture);
    }
    FrameLayout layout(int length, int breadth, bool wrap = false) const
    {
        return horizontal() ? layoutOf(length, breadth, GetParam().travel, wrap, 0, GetParam().kernel)
                            : layoutOf(breadth, length, GetParam().travel, wrap, 0, GetParam().kernel);
    }
    Bitmap24 backToHorizontal(const Bitmap24 &frame) const { return horizontal() ? frame : transposed(frame); }
};

// Half a pixel on a ramp lands exactly between two pixels; on a smooth
// cosine, within a grey level of the true value.
TEST_P(SamplerKernels, halfPixelShiftOfKnownSignals)
{
    Bitmap24 ramp;
    ramp.resize(100, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 100; ++x)
            std::memset(ramp.scanLine(y) + 3 * x, 2 * x + 10, 3);
    const Bitmap24 shifted = backToHorizontal(rendered(layout(60, 6), along(ramp), 20.5));
    for (int x = 0; x < 60; ++x)
        ASSERT_EQ(pixelAt(shifted, x, 3).g, 2 * (20 + x) + 11) << x;

    const double cycles = 0.1;
    const Bitmap24 wave = gratingPicture(200, 4, cycles);
    const Bitmap24 frame = backToHorizontal(rendered(layout(100, 4), along(wave), 40.5));
    for (int x = 0; x < 100; ++x) {
        const double truth = 128.0 + 100.0 * std::cos(2.0 * std::numbers::pi * cycles * (40.5 + x));
        ASSERT_NEAR(pixelAt(frame, x, 2).r, truth, 1.0) << x;
    }
}

// A flat colour stays that colour at any fractional position, next to the
// panorama's ends and over the seam of a loop; what lies past the ends
// (nearest panorama pixel outside) is black.
TEST_P(SamplerKernels, flatColourIsUnchangedAndOutsideIsBlack)
{
    const PixelBgr colour { 201, 3, 77 };
    const Bitmap24 flat = flatPicture(100, 5, colour.b, colour.g, colour.r);
    for (const bool wrap : { false, true })
        for (const double position : { 0.25, 59.5, 60.75, -10.3, 80.6, 99.9 }) {
            Bitmap24 frame = horizontal() ? flatPicture(40, 5, 9, 9, 9) : flatPicture(5, 40, 9, 9, 9);
            ASSERT_TRUE(FrameSampler(layout(40, 5, wrap)).render(along(flat), position, frame));
            frame = backToHorizontal(frame);
            for (int x = 0; x < 40; ++x) {
                const double nearest = std::floor(position + x + 0.5);
                const bool inside = wrap || (nearest >= 0 && nearest < 100);
                const PixelBgr expected = inside ? colour : PixelBgr { 0, 0, 0 };
                ASSERT_EQ(pixelAt(frame, x, 2), expected)
                    << "position " << position << ", column " << x << (wrap ? ", wrapped" : "");
            }
        }
}

// A loop's frame over the seam is the frame of a panorama laid twice end
// to end.
TEST_P(SamplerKernels, wrapJoinsTheEndsSmoothly)
{
    const Bitmap24 once = texturePicture(90, 6, 0.4, 11);
    Bitmap24 twice;
    twice.resize(180, 6);
    twice.copyRect(once, 0, 0, 90, 6, 0, 0);
    twice.copyRect(once, 0, 0, 90, 6, 90, 0);
    for (const double position : { 70.3, -19.7, 250.5 }) {
        const double unwrapped = position - 90.0 * std::floor((position - 10.0) / 90.0);
        EXPECT_TRUE(rendered(layout(60, 6, true), along(once), position)
            == rendered(layout(60, 6, false), along(twice), unwrapped))
            << position;
    }
}

// The AVX2 loops and the plain ones give the same bytes.
TEST_P(SamplerKernels, vectorUnitsGiveTheSameBytes)
{
    if (!ProcessorHas(VectorUnits::Avx2))
        GTEST_SKIP() << "no AVX2 on this processor";
    const Bitmap24 panorama = along(texturePicture(300, 9, 0.5, 2));
    for (const double position : { 10.3, -3.5, 280.9 }) {
        ASSERT_TRUE(UseVectorUnits(VectorUnits::Plain));
        const Bitmap24 plain = rendered(layout(101, 9), panorama, position);
        ASSERT_TRUE(UseVectorUnits(VectorUnits::Avx2));
        EXPECT_TRUE(rendered(layout(101, 9), panorama, position) == plain) << position;
    }
}

INSTANTIATE_TEST_SUITE_P(Kernels, SamplerKernels, testing::ValuesIn(kKernels),
    [](const testing::TestParamInfo<KernelCase> &info) { return std::string(info.param.label); });

// How steadily a pan at constant speed moves: the displacement between
// consecutive frames measured by phase correlation, its mean, standard
// deviation and mean jerk (change from one frame to the next).
struct PanSteadiness {
    double mean = 0.0, deviation = 0.0, jerk = 0.0;
    std::string text() const
    {
        return "mean " + std::to_string(mean) + ", deviation " + std::to_string(deviation) + ", jerk "
            + std::to_string(jerk);
    }
};

PanSteadiness measurePan(const Bitmap24 &panorama, TravelAxis travel, PhaseKernel kernel, double speed)
{
    const bool horizontal = travel == TravelAxis::Horizontal;
    const int length = 256, breadth = horizontal ? panorama.height() : panorama.width();
    FrameSampler sampler(horizontal ? layoutOf(length, breadth, travel, false, 0, kernel)
                                    : layoutOf(breadth, length, travel, false, 0, kernel));
    const auto frameAt = [&](double position) {
        Bitmap24 frame;
        EXPECT_TRUE(sampler.render(panorama, position, frame));
        return horizontal ? frame : transposed(frame);
    };
    std::vector<double> moves;
    Bitmap24 previous = frameAt(40.0);
    for (int k = 1; k <= 40; ++k) {
        Bitmap24 frame = frameAt(40.0 + k * speed);
        moves.push_back(displacementAlongX(previous, frame));
        previous = std::move(frame);
    }
    PanSteadiness s;
    for (const double m : moves)
        s.mean += m / double(moves.size());
    for (std::size_t k = 0; k < moves.size(); ++k) {
        s.deviation += (moves[k] - s.mean) * (moves[k] - s.mean) / double(moves.size());
        if (k > 0)
            s.jerk += std::fabs(moves[k] - moves[k - 1]) / double(moves.size() - 1);
    }
    s.deviation = std::sqrt(s.deviation);
    return s;
}

// A photo-like panorama as the camera gets it: through the scaler.
Bitmap24 scaledTexture(TravelAxis travel)
{
    Bitmap24 panorama;
    EXPECT_TRUE(ScaleBitmap(texturePicture(2400, 24, 0.45, 3), 1200, 12, panorama));
    return travel == TravelAxis::Horizontal ? panorama : transposed(panorama);
}

struct PanCase {
    const char *label;
    TravelAxis travel;
    double speed;
};

void PrintTo(const PanCase &c, std::ostream *os)
{
    *os << c.label;
}

class SteadyPan : public testing::TestWithParam<PanCase> { };

// A pan at constant fractional speed moves the picture by the same amount
// every frame: within 0.05 pixel, and a mean jerk of at most 0.02 pixel a
// frame squared.
TEST_P(SteadyPan, displacementIsConstant)
{
    const PanCase &c = GetParam();
    const PanSteadiness s = measurePan(scaledTexture(c.travel), c.travel, FrameLayout {}.kernel, c.speed);
    RecordProperty("steadiness", s.text());
    EXPECT_NEAR(s.mean, c.speed, 0.01) << s.text();
    EXPECT_LE(s.deviation, 0.05) << s.text();
    EXPECT_LE(s.jerk, 0.02) << s.text();
}

INSTANTIATE_TEST_SUITE_P(Speeds, SteadyPan,
    testing::Values(PanCase { "horizontal0p37", TravelAxis::Horizontal, 0.37 },
        PanCase { "horizontal0p5", TravelAxis::Horizontal, 0.5 },
        PanCase { "horizontal1p23", TravelAxis::Horizontal, 1.23 },
        PanCase { "horizontal2p71", TravelAxis::Horizontal, 2.71 },
        PanCase { "horizontal0p1", TravelAxis::Horizontal, 0.1 },
        PanCase { "vertical0p37", TravelAxis::Vertical, 0.37 }, PanCase { "vertical1p23", TravelAxis::Vertical, 1.23 }),
    [](const testing::TestParamInfo<PanCase> &info) { return std::string(info.param.label); });

// Why Lanczos3 is the frames' kernel: on the same pan its displacements
// are steadier than those of Keys' cubic.
TEST(PhaseKernelChoice, lanczos3PansMoreSteadilyThanKeysCubic)
{
    EXPECT_EQ(FrameLayout {}.kernel, PhaseKernel::Lanczos3);
    const Bitmap24 panorama = scaledTexture(TravelAxis::Horizontal);
    for (const double speed : { 0.37, 1.23 }) {
        const PanSteadiness lanczos = measurePan(panorama, TravelAxis::Horizontal, PhaseKernel::Lanczos3, speed);
        const PanSteadiness keys = measurePan(panorama, TravelAxis::Horizontal, PhaseKernel::KeysCubic, speed);
        RecordProperty("lanczos3_" + std::to_string(speed), lanczos.text());
        RecordProperty("keysCubic_" + std::to_string(speed), keys.text());
        EXPECT_LT(lanczos.deviation, keys.deviation) << lanczos.text() << " / " << keys.text();
        EXPECT_LT(lanczos.jerk, keys.jerk) << lanczos.text() << " / " << keys.text();
    }
}

// A position that rounds to a whole pixel (within 1/32768) is a plain copy.
TEST(FrameSampler, positionsWithinRoundingOfAWholePixelCopy)
{
    const Bitmap24 panorama = texturePicture(120, 8, 0.45, 4);
    const FrameLayout layout = layoutOf(50, 8, TravelAxis::Horizontal);
    EXPECT_TRUE(rendered(layout, panorama, 30.0 + 1e-6) == copiedFrame(layout, panorama, 30));
    EXPECT_TRUE(rendered(layout, panorama, 31.0 - 1e-6) == copiedFrame(layout, panorama, 31));
    EXPECT_FALSE(rendered(layout, panorama, 30.25) == copiedFrame(layout, panorama, 30));
}

TEST(FrameSampler, refusesAPositionThatIsNoNumberAndLeavesFramesOfNothingBlack)
{
    const Bitmap24 panorama = makeTestPanorama(50, 5);
    FrameSampler sampler(layoutOf(10, 5, TravelAxis::Horizontal));
    Bitmap24 frame;
    EXPECT_THROW(sampler.render(panorama, std::nan(""), frame), std::invalid_argument);
    EXPECT_THROW(sampler.render(panorama, HUGE_VAL, frame), std::invalid_argument);
    ASSERT_TRUE(sampler.render(Bitmap24 {}, 3.5, frame));
    EXPECT_TRUE(frame == flatPicture(10, 5, 0, 0, 0));
    ASSERT_TRUE(sampler.render(panorama, 1e300, frame));
    EXPECT_TRUE(frame == flatPicture(10, 5, 0, 0, 0));
}

TEST(FrameSampler, reportsAFrameThatCannotBeAllocated)
{
    FrameSampler sampler(layoutOf(int(Bitmap24::kMaxSide) + 1, 5, TravelAxis::Horizontal));
    Bitmap24 frame = flatPicture(2, 2, 9, 9, 9);
    EXPECT_FALSE(sampler.render(makeTestPanorama(50, 5), 1.5, frame));
    EXPECT_TRUE(frame == flatPicture(2, 2, 9, 9, 9));
}

} // namespace
