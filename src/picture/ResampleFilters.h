#pragma once

#include <array>
#include <cstdint>
#include <vector>

// The filters of the resampling (see Resample.h) and their weight tables.

// Lanczos windowed sinc with three lobes; 0 from |x| >= 3.
double Lanczos3(double x);
// Keys' cubic convolution with a = -0.5; 0 from |x| >= 2.
double KeysCubic(double x);

// Weights of one axis scaled from inLength to outLength samples. Output
// sample u is centred on input coordinate (u + 0.5) * inPerOut - 0.5 (pixel
// centres of both grids line up over the whole length). Reduction
// (inPerOut > 1) widens Lanczos3 by inPerOut, which removes what the output
// grid cannot hold; enlargement uses Lanczos3 as it is. Taps that would fall
// outside the input are dropped and the others renormalised, so the edges
// keep their brightness.
struct AxisWeights {
    int taps = 0; // weights per output sample, the same for all (zero padded), even
    std::vector<int> first; // first input sample of each output sample
    std::vector<int> count; // its taps that are inside the input (the rest weigh 0)
    std::vector<float> weights; // taps per output sample, adding up to 1
    const float *of(int u) const { return weights.data() + std::size_t(u) * std::size_t(taps); }
};
AxisWeights ScalingWeights(int inLength, int outLength, double inPerOut);

// The integer box pre-shrink ahead of the filter for a reduction of
// `factor` (input samples per output sample): about half the factor, so
// that the filter still reduces by 2 or more and removes what the box lets
// through. 1 (none) below 4; at most kMaxBoxShrink.
constexpr int kMaxBoxShrink = 256; // the box sums of one column fit 16 bits
int BoxShrinkFor(double factor);

// Interpolation along the travel of a frame (FrameSampler.h).
enum class PhaseKernel {
    Lanczos3, // 6 taps, normalised
    KeysCubic, // 4 taps
};

// Fixed-point weights of a shift by `fraction` (in [0, 1)) of a pixel: the
// sample at p + fraction is sum over k of w[k] * pixel(p + firstOffset + k),
// then (sum + half) >> kPhaseBits. The weights add up to exactly
// 1 << kPhaseBits, so a flat colour stays that colour. identity: the shift
// rounds to no shift at all (the weights are one 1 and zeros).
constexpr int kPhaseBits = 14;
constexpr int kMaxPhaseTaps = 6;
struct PhaseWeights {
    int firstOffset = 0;
    int taps = 1;
    std::array<std::int32_t, kMaxPhaseTaps> w {};
    bool identity = true;
};
PhaseWeights FractionalShiftWeights(PhaseKernel kernel, double fraction);
