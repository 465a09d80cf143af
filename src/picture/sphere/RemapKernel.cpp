#include "picture/sphere/RemapKernel.h"

#include "picture/ResampleRows.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <immintrin.h>

// Helpers written once and inlined into both the AVX2 and the plain loop.
#define REMAP_INLINE static inline __attribute__((always_inline))

namespace {

// Weights in 1/16384; the horizontal sums keep 6 fractional bits, which
// holds Lanczos2's overshoot (at most 1.15 × 255) in 16 bits.
constexpr int kWeightBits = 14;
constexpr int kRowShift = 8;
constexpr int kFinalShift = 2 * kWeightBits - kRowShift;

// Lanczos with two lobes: sinc(x) sinc(x / 2), 0 from |x| >= 2.
double Lanczos2(double x)
{
    x = std::fabs(x);
    if (x >= 2.0)
        return 0.0;
    if (x == 0.0)
        return 1.0;
    const double px = 3.14159265358979323846 * x;
    return 2.0 * std::sin(px) * std::sin(px / 2.0) / (px * px);
}

// For each 1/256 phase t, the weights of taps -1, 0, 1, 2 (adding up to
// exactly 16384), laid out for the AVX2 loop: w0 w1 three times and two
// zeros, then w2 w3 three times and two zeros. The plain loop reads the same.
struct WeightTable {
    alignas(32) std::int16_t w[kRemapOne][16];
    WeightTable()
    {
        for (std::uint32_t phase = 0; phase < kRemapOne; ++phase) {
            const double t = double(phase) / kRemapOne;
            double real[4], sum = 0.0;
            for (int i = 0; i < 4; ++i) {
                real[i] = Lanczos2(double(i - 1) - t);
                sum += real[i];
            }
            int q[4], total = 0, largest = 0;
            for (int i = 0; i < 4; ++i) {
                q[i] = int(std::lround(real[i] / sum * (1 << kWeightBits)));
                total += q[i];
                if (q[i] > q[largest])
                    largest = i;
            }
            q[largest] += (1 << kWeightBits) - total;
            std::int16_t *row = w[phase];
            for (int k = 0; k < 3; ++k) {
                row[2 * k] = std::int16_t(q[0]);
                row[2 * k + 1] = std::int16_t(q[1]);
                row[8 + 2 * k] = std::int16_t(q[2]);
                row[8 + 2 * k + 1] = std::int16_t(q[3]);
            }
            row[6] = row[7] = row[14] = row[15] = 0;
        }
    }
};

const WeightTable kWeights; // built when the program loads

// The 4 × 4 taps of one sample: four rows of at least 16 readable bytes,
// the first 12 being the taps' pixels, and the weight rows of both axes.
struct Taps {
    const std::uint8_t *rows[4];
    const std::int16_t *wx;
    const std::int16_t *wy;
};

// A tap outside the level: wrapped or held at the edge across, held at the
// edge or taken over the pole (half a turn away) past the top and bottom.
REMAP_INLINE void GatherTaps(const RemapFrame &f, const RemapLevel &level, int x0, int y0, std::uint8_t *scratch)
{
    for (int j = 0; j < 4; ++j) {
        int row = y0 + j;
        int turn = 0;
        if (f.overPoles && (row < 0 || row >= level.height)) {
            row = row < 0 ? -row - 1 : 2 * level.height - 1 - row;
            turn = level.width / 2;
        }
        row = std::clamp(row, 0, level.height - 1);
        const std::uint8_t *line = level.rows + std::size_t(row - level.firstRow) * level.stride;
        std::uint8_t *to = scratch + 16 * j;
        for (int i = 0; i < 4; ++i) {
            int column = x0 + i + turn;
            if (f.wraps) {
                column %= level.width;
                column += column < 0 ? level.width : 0;
            } else {
                column = std::clamp(column, 0, level.width - 1);
            }
            std::memcpy(to + 3 * i, line + std::size_t(column) * 3, 3);
        }
        std::memset(to + 12, 0, 4);
    }
}

REMAP_INLINE void LocateTaps(
    const RemapFrame &f, int index, std::uint32_t x, std::uint32_t y, std::uint8_t *scratch, Taps &taps)
{
    const RemapLevel &level = f.levels[index];
    if (index > 0) {
        x = std::uint32_t((std::uint64_t(x) * level.scaleX) >> 32);
        y = std::uint32_t((std::uint64_t(y) * level.scaleY) >> 32);
    }
    // Pixel centres sit half a pixel in: positions in pixel indices.
    const int ix = int(x) - int(kRemapOne / 2), iy = int(y) - int(kRemapOne / 2);
    const int x0 = (ix >> kRemapFractionBits) - 1, y0 = (iy >> kRemapFractionBits) - 1;
    taps.wx = kWeights.w[ix & int(kRemapOne - 1)];
    taps.wy = kWeights.w[iy & int(kRemapOne - 1)];
    // 16 bytes are read from each row's first tap: six pixels must be there
    // (five and a byte: a row without padding may end the bitmap).
    if (x0 >= 0 && x0 + 6 <= level.width && y0 >= 0 && y0 + 4 <= level.height) {
        const std::uint8_t *p = level.rows + std::size_t(y0 - level.firstRow) * level.stride + std::size_t(x0) * 3;
        for (int j = 0; j < 4; ++j)
            taps.rows[j] = p + std::size_t(j) * level.stride;
        return;
    }
    GatherTaps(f, level, x0, y0, scratch);
    for (int j = 0; j < 4; ++j)
        taps.rows[j] = scratch + 16 * j;
}

// The taps of output pixel i: -1 black, 0 one level (in a), else the
// next level's weight in eighths (its taps in b).
REMAP_INLINE int PixelTaps(const RemapFrame &f, std::uint32_t u, std::uint32_t v, std::uint8_t mode,
    std::uint8_t (*scratch)[64], Taps &a, Taps &b)
{
    std::uint32_t x = u + f.shift;
    if (x >= f.fullSpan)
        x -= f.fullSpan;
    if (mode == kRemapOutside || x >= f.coveredSpan)
        return -1;
    const int level = RemapModeLevel(mode), next = RemapModeNext(mode);
    LocateTaps(f, level, x, v, scratch[0], a);
    if (next)
        LocateTaps(f, level + 1, x, v, scratch[1], b);
    return next;
}

REMAP_INLINE std::uint32_t Blend(std::uint32_t a, std::uint32_t b, int eighths)
{
    std::uint32_t out = 0;
    for (int c = 0; c < 3; ++c) {
        const int ca = int((a >> (8 * c)) & 255), cb = int((b >> (8 * c)) & 255);
        out |= std::uint32_t((ca * (8 - eighths) + cb * eighths + 4) >> 3) << (8 * c);
    }
    return out;
}

REMAP_INLINE void Store(std::uint8_t *out, std::uint32_t bgr)
{
    out[0] = std::uint8_t(bgr);
    out[1] = std::uint8_t(bgr >> 8);
    out[2] = std::uint8_t(bgr >> 16);
}

// The arithmetic both loops do: each row's sum over its four taps, rounded
// to 6 fractional bits; the weighted sum of the four rows, rounded and
// clamped.
REMAP_INLINE std::uint32_t SamplePlain(const Taps &t)
{
    const int wx[4] = { t.wx[0], t.wx[1], t.wx[8], t.wx[9] };
    const int wy[4] = { t.wy[0], t.wy[1], t.wy[8], t.wy[9] };
    int sums[3] = { 0, 0, 0 };
    for (int j = 0; j < 4; ++j) {
        const std::uint8_t *p = t.rows[j];
        for (int c = 0; c < 3; ++c) {
            const int h = wx[0] * p[c] + wx[1] * p[3 + c] + wx[2] * p[6 + c] + wx[3] * p[9 + c];
            sums[c] += wy[j] * ((h + (1 << (kRowShift - 1))) >> kRowShift);
        }
    }
    std::uint32_t out = 0;
    for (int c = 0; c < 3; ++c)
        out |= std::uint32_t(std::clamp((sums[c] + (1 << (kFinalShift - 1))) >> kFinalShift, 0, 255)) << (8 * c);
    return out;
}

// The same with AVX2: a row's four pixels spread as (B0 B1 G0 G1 R0 R1) in
// the low lane and (B2 B3 G2 G3 R2 R3) in the high lane, multiplied pairwise.
__attribute__((target("avx2"), always_inline)) inline std::uint32_t SampleAvx2(const Taps &t)
{
    const __m256i spread = _mm256_setr_epi8(0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1, //
        6, -1, 9, -1, 7, -1, 10, -1, 8, -1, 11, -1, -1, -1, -1, -1);
    const __m256i wx = _mm256_load_si256(reinterpret_cast<const __m256i *>(t.wx));
    const __m256i wy = _mm256_load_si256(reinterpret_cast<const __m256i *>(t.wy));
    __m256i h[4];
    for (int j = 0; j < 4; ++j) {
        const __m256i row = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(t.rows[j])));
        h[j] = _mm256_madd_epi16(_mm256_shuffle_epi8(row, spread), wx);
    }
    // Rows 0 and 2, then 1 and 3, each summed over both lanes and rounded.
    const __m256i half = _mm256_set1_epi32(1 << (kRowShift - 1));
    const __m256i s02 = _mm256_srai_epi32(_mm256_add_epi32(_mm256_add_epi32(_mm256_permute2x128_si256(h[0], h[2], 0x20),
                                                               _mm256_permute2x128_si256(h[0], h[2], 0x31)),
                                              half),
        kRowShift);
    const __m256i s13 = _mm256_srai_epi32(_mm256_add_epi32(_mm256_add_epi32(_mm256_permute2x128_si256(h[1], h[3], 0x20),
                                                               _mm256_permute2x128_si256(h[1], h[3], 0x31)),
                                              half),
        kRowShift);
    // Low lane rows 0 and 1, high lane rows 2 and 3, interleaved into pairs.
    const __m256i pairs = _mm256_shuffle_epi8(_mm256_packs_epi32(s02, s13),
        _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15, //
            0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15));
    const __m256i columns = _mm256_madd_epi16(pairs, wy);
    __m128i sum = _mm_add_epi32(_mm256_castsi256_si128(columns), _mm256_extracti128_si256(columns, 1));
    sum = _mm_srai_epi32(_mm_add_epi32(sum, _mm_set1_epi32(1 << (kFinalShift - 1))), kFinalShift);
    const __m128i words = _mm_packs_epi32(sum, sum);
    return std::uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(words, words))) & 0xFFFFFFu;
}

__attribute__((target("avx2"))) void RemapRowAvx2(const RemapFrame &f, const std::uint32_t *u, const std::uint32_t *v,
    const std::uint8_t *mode, int count, std::uint8_t *out)
{
    alignas(16) std::uint8_t scratch[2][64];
    for (int i = 0; i < count; ++i) {
        Taps a, b;
        const int next = PixelTaps(f, u[i], v[i], mode[i], scratch, a, b);
        std::uint32_t bgr = 0;
        if (next >= 0) {
            bgr = SampleAvx2(a);
            if (next > 0)
                bgr = Blend(bgr, SampleAvx2(b), next);
        }
        Store(out + 3 * std::size_t(i), bgr);
    }
}

void RemapRowPlain(const RemapFrame &f, const std::uint32_t *u, const std::uint32_t *v, const std::uint8_t *mode,
    int count, std::uint8_t *out)
{
    alignas(16) std::uint8_t scratch[2][64];
    for (int i = 0; i < count; ++i) {
        Taps a, b;
        const int next = PixelTaps(f, u[i], v[i], mode[i], scratch, a, b);
        std::uint32_t bgr = 0;
        if (next >= 0) {
            bgr = SamplePlain(a);
            if (next > 0)
                bgr = Blend(bgr, SamplePlain(b), next);
        }
        Store(out + 3 * std::size_t(i), bgr);
    }
}

} // namespace

void RemapRow(const RemapFrame &frame, const std::uint32_t *u, const std::uint32_t *v, const std::uint8_t *mode,
    int count, std::uint8_t *out)
{
    if (ActiveVectorUnits() == VectorUnits::Avx2)
        RemapRowAvx2(frame, u, v, mode, count, out);
    else
        RemapRowPlain(frame, u, v, mode, count, out);
}

int RemapFirstTapRow(const RemapLevel &level, std::uint32_t v, int levelIndex)
{
    if (levelIndex > 0)
        v = std::uint32_t((std::uint64_t(v) * level.scaleY) >> 32);
    return ((int(v) - int(kRemapOne / 2)) >> kRemapFractionBits) - 1;
}
