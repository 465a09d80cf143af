#pragma once

#include <cstddef>
#include <cstdint>

struct AxisWeights;

// The row loops of the resampling (see Resample.h). Each is built twice,
// for AVX2 and for any x86-64 processor, from the same source; the best one
// the processor runs is chosen when the program loads. Both give the same
// bytes (no fused multiply-add, the same order of additions).
enum class VectorUnits { Plain, Avx2 };

// What this processor can run.
bool ProcessorHas(VectorUnits units);
// The loops in use now, and a choice for measurements and tests; a choice
// the processor cannot run is refused (false).
VectorUnits ActiveVectorUnits();
bool UseVectorUnits(VectorUnits units);

namespace ResampleRows {

// sums[i] += bytes[i].
void AddBytes(std::uint16_t *sums, const std::uint8_t *bytes, std::size_t count);

// One row along an axis of `weights`: in holds four floats a pixel (blue,
// green, red, unused) and `weights.taps` pixels of padding after the last
// one; out gets three floats a pixel, one pixel per output sample.
void FilterRow(const float *in, const AxisWeights &weights, float *out);

// out[i] = the bytes of sum over k < count of weights[k] * rows[k][i],
// rounded to nearest and clamped to 0..255.
void BlendRowsToBytes(const float *const *rows, const float *weights, int count, std::uint8_t *out, std::size_t n);

// out[i] = (sum over k < taps of weights[k] * rows[k][i] + half) >> bits,
// clamped to 0..255; taps is 4 or 6, the weights add up to 1 << bits.
void BlendByteRows(
    const std::uint8_t *const *rows, const std::int32_t *weights, int taps, std::uint8_t *out, std::size_t n);

} // namespace ResampleRows
