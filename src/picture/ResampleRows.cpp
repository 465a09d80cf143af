#include "picture/ResampleRows.h"

#include "picture/ResampleFilters.h"

#include <algorithm>
#include <atomic>

#include <immintrin.h>

// The bodies are written once, inlined into an AVX2 copy and a plain copy;
// the compiler vectorises each for its processor.
#define ROW_BODY static inline __attribute__((always_inline))

namespace {

ROW_BODY void AddBytesBody(std::uint16_t *__restrict sums, const std::uint8_t *__restrict bytes, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        sums[i] = std::uint16_t(sums[i] + bytes[i]);
}

// Taps come in pairs (the table's taps are even): even taps and odd taps
// are summed apart, then added, the order the AVX2 loop below keeps.
ROW_BODY void FilterRowBody(const float *__restrict in, const AxisWeights &table, float *__restrict out)
{
    const int pairs = table.taps / 2;
    const std::size_t outLength = table.first.size();
    for (std::size_t u = 0; u < outLength; ++u) {
        const float *w = table.of(int(u));
        const float *p = in + std::size_t(table.first[u]) * 4;
        float even[4] = { 0.0f, 0.0f, 0.0f, 0.0f }, odd[4] = { 0.0f, 0.0f, 0.0f, 0.0f };
        for (int j = 0; j < pairs; ++j) {
            for (int c = 0; c < 4; ++c) {
                even[c] += w[2 * j] * p[8 * j + c];
                odd[c] += w[2 * j + 1] * p[8 * j + 4 + c];
            }
        }
        for (int c = 0; c < 3; ++c)
            out[3 * u + std::size_t(c)] = even[c] + odd[c];
    }
}

// Two taps a step: the pixels of an even and an odd tap fill one register,
// their weights are spread to match.
__attribute__((target("avx2"))) void FilterRowPairsAvx2(
    const float *__restrict in, const AxisWeights &table, float *__restrict out)
{
    const int pairs = table.taps / 2;
    const std::size_t outLength = table.first.size();
    const __m256i spread = _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1);
    for (std::size_t u = 0; u < outLength; ++u) {
        const float *w = table.of(int(u));
        const float *p = in + std::size_t(table.first[u]) * 4;
        __m256 sum = _mm256_setzero_ps();
        for (int j = 0; j < pairs; ++j) {
            const __m128 twoWeights = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(w + 2 * j)));
            const __m256 weights = _mm256_permutevar8x32_ps(_mm256_castps128_ps256(twoWeights), spread);
            sum = _mm256_add_ps(sum, _mm256_mul_ps(weights, _mm256_loadu_ps(p + 8 * j)));
        }
        alignas(16) float total[4];
        _mm_store_ps(total, _mm_add_ps(_mm256_castps256_ps128(sum), _mm256_extractf128_ps(sum, 1)));
        out[3 * u] = total[0];
        out[3 * u + 1] = total[1];
        out[3 * u + 2] = total[2];
    }
}

ROW_BODY void BlendRowsToBytesBody(
    const float *const *rows, const float *weights, int count, std::uint8_t *__restrict out, std::size_t n)
{
    constexpr std::size_t chunk = 512; // the sums stay in the first-level cache
    float sum[chunk];
    for (std::size_t start = 0; start < n; start += chunk) {
        const std::size_t m = std::min(chunk, n - start);
        const float *__restrict r0 = rows[0] + start;
        const float w0 = weights[0];
        for (std::size_t i = 0; i < m; ++i)
            sum[i] = w0 * r0[i];
        for (int k = 1; k < count; ++k) {
            const float *__restrict r = rows[k] + start;
            const float w = weights[k];
            for (std::size_t i = 0; i < m; ++i)
                sum[i] += w * r[i];
        }
        std::uint8_t *__restrict o = out + start;
        for (std::size_t i = 0; i < m; ++i)
            o[i] = std::uint8_t(int(std::min(std::max(sum[i], 0.0f), 255.0f) + 0.5f));
    }
}

template <int Taps>
ROW_BODY void BlendByteRowsBody(
    const std::uint8_t *const *rows, const std::int32_t *weights, std::uint8_t *__restrict out, std::size_t n)
{
    const std::uint8_t *__restrict r[Taps];
    std::int32_t w[Taps];
    for (int k = 0; k < Taps; ++k) {
        r[k] = rows[k];
        w[k] = weights[k];
    }
    constexpr std::int32_t half = 1 << (kPhaseBits - 1);
    for (std::size_t i = 0; i < n; ++i) {
        std::int32_t sum = half;
        for (int k = 0; k < Taps; ++k)
            sum += w[k] * std::int32_t(r[k][i]);
        out[i] = std::uint8_t(std::clamp(sum >> kPhaseBits, 0, 255));
    }
}

ROW_BODY void BlendByteRowsAny(
    const std::uint8_t *const *rows, const std::int32_t *weights, int taps, std::uint8_t *out, std::size_t n)
{
    if (taps == 6)
        BlendByteRowsBody<6>(rows, weights, out, n);
    else
        BlendByteRowsBody<4>(rows, weights, out, n);
}

struct RowLoops {
    void (*addBytes)(std::uint16_t *, const std::uint8_t *, std::size_t);
    void (*filterRow)(const float *, const AxisWeights &, float *);
    void (*blendRowsToBytes)(const float *const *, const float *, int, std::uint8_t *, std::size_t);
    void (*blendByteRows)(const std::uint8_t *const *, const std::int32_t *, int, std::uint8_t *, std::size_t);
};

#define ROW_LOOPS(suffix, attribute, filterRow)                                                                        \
    attribute void AddBytes##suffix(std::uint16_t *s, const std::uint8_t *b, std::size_t n)                            \
    {                                                                                                                  \
        AddBytesBody(s, b, n);                                                                                         \
    }                                                                                                                  \
    attribute void BlendRowsToBytes##suffix(                                                                           \
        const float *const *rows, const float *w, int count, std::uint8_t *out, std::size_t n)                         \
    {                                                                                                                  \
        BlendRowsToBytesBody(rows, w, count, out, n);                                                                  \
    }                                                                                                                  \
    attribute void BlendByteRows##suffix(                                                                              \
        const std::uint8_t *const *rows, const std::int32_t *w, int taps, std::uint8_t *out, std::size_t n)            \
    {                                                                                                                  \
        BlendByteRowsAny(rows, w, taps, out, n);                                                                       \
    }                                                                                                                  \
    constexpr RowLoops k##suffix##Loops                                                                                \
        = { AddBytes##suffix, filterRow, BlendRowsToBytes##suffix, BlendByteRows##suffix };

void FilterRowPlain(const float *in, const AxisWeights &table, float *out)
{
    FilterRowBody(in, table, out);
}

ROW_LOOPS(Plain, , FilterRowPlain)
ROW_LOOPS(Avx2, __attribute__((target("avx2"))), FilterRowPairsAvx2)

std::atomic<const RowLoops *> &ActiveLoops()
{
    static std::atomic<const RowLoops *> loops { ProcessorHas(VectorUnits::Avx2) ? &kAvx2Loops : &kPlainLoops };
    return loops;
}

const RowLoops &Loops()
{
    return *ActiveLoops().load(std::memory_order_relaxed);
}

} // namespace

bool ProcessorHas(VectorUnits units)
{
    if (units == VectorUnits::Plain)
        return true;
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

VectorUnits ActiveVectorUnits()
{
    return &Loops() == &kAvx2Loops ? VectorUnits::Avx2 : VectorUnits::Plain;
}

bool UseVectorUnits(VectorUnits units)
{
    if (!ProcessorHas(units))
        return false;
    ActiveLoops().store(units == VectorUnits::Avx2 ? &kAvx2Loops : &kPlainLoops, std::memory_order_relaxed);
    return true;
}

namespace ResampleRows {

void AddBytes(std::uint16_t *sums, const std::uint8_t *bytes, std::size_t count)
{
    Loops().addBytes(sums, bytes, count);
}

void FilterRow(const float *in, const AxisWeights &weights, float *out)
{
    Loops().filterRow(in, weights, out);
}

void BlendRowsToBytes(const float *const *rows, const float *weights, int count, std::uint8_t *out, std::size_t n)
{
    Loops().blendRowsToBytes(rows, weights, count, out, n);
}

void BlendByteRows(
    const std::uint8_t *const *rows, const std::int32_t *weights, int taps, std::uint8_t *out, std::size_t n)
{
    Loops().blendByteRows(rows, weights, taps, out, n);
}

} // namespace ResampleRows
