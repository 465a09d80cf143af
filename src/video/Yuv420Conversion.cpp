#include "video/Yuv420Conversion.h"

namespace {

constexpr int kShift = 16; // fixed-point fraction bits of the coefficients
constexpr double kKr = 0.2126, kKb = 0.0722, kKg = 1.0 - kKr - kKb; // BT.709
constexpr double kLumaRange = 219.0 / 255.0, kChromaRange = 224.0 / 255.0;

constexpr int fixedPoint(double value)
{
    return int(value * (1 << kShift) + (value < 0 ? -0.5 : 0.5));
}

// Luma: the three coefficients add up to white's 219 exactly.
constexpr int kYR = fixedPoint(kKr * kLumaRange);
constexpr int kYB = fixedPoint(kKb * kLumaRange);
constexpr int kYG = fixedPoint(kLumaRange) - kYR - kYB;
// Chroma: each row adds up to 0, so every grey is 128 exactly.
constexpr int kUR = fixedPoint(-kKr / (2 * (1 - kKb)) * kChromaRange);
constexpr int kUG = fixedPoint(-kKg / (2 * (1 - kKb)) * kChromaRange);
constexpr int kUB = -kUR - kUG;
constexpr int kVG = fixedPoint(-kKg / (2 * (1 - kKr)) * kChromaRange);
constexpr int kVB = fixedPoint(-kKb / (2 * (1 - kKr)) * kChromaRange);
constexpr int kVR = -kVG - kVB;

inline std::uint8_t luma(int b, int g, int r)
{
    return std::uint8_t((kYB * b + kYG * g + kYR * r + (16 << kShift) + (1 << (kShift - 1))) >> kShift);
}

// b, g, r: sums over four pixels. Arithmetic shift of a value kept positive
// by the 128 offset.
inline std::uint8_t chroma(int cb, int cg, int cr, int b, int g, int r)
{
    constexpr int shift = kShift + 2;
    return std::uint8_t((cb * b + cg * g + cr * r + (128 << shift) + (1 << (shift - 1))) >> shift);
}

// A plain loop, which the compiler vectorises where the processor can split
// three-byte pixels quickly (AVX2); chosen when the program loads.
__attribute__((target_clones("avx2", "default"))) void LumaRow(
    const std::uint8_t *__restrict row, std::uint8_t *__restrict out, std::ptrdiff_t width)
{
    for (std::ptrdiff_t x = 0; x < width; ++x)
        out[x] = luma(row[3 * x], row[3 * x + 1], row[3 * x + 2]);
}

// Cb and Cr of pairs 2 x 2 blocks from the rows a and c.
__attribute__((target_clones("avx2", "default"))) void ChromaRow(const std::uint8_t *__restrict a,
    const std::uint8_t *__restrict c, std::uint8_t *__restrict cb, std::uint8_t *__restrict cr, std::ptrdiff_t pairs)
{
    for (std::ptrdiff_t x = 0; x < pairs; ++x) {
        const std::ptrdiff_t i = 6 * x;
        const int sb = a[i] + a[i + 3] + c[i] + c[i + 3];
        const int sg = a[i + 1] + a[i + 4] + c[i + 1] + c[i + 4];
        const int sr = a[i + 2] + a[i + 5] + c[i + 2] + c[i + 5];
        cb[x] = chroma(kUB, kUG, kUR, sb, sg, sr);
        cr[x] = chroma(kVB, kVG, kVR, sb, sg, sr);
    }
}

} // namespace

void ConvertBgrToYuv420(
    const std::uint8_t *bgr, std::ptrdiff_t stride, int width, int height, const Yuv420Planes &planes)
{
    for (int y = 0; y < height; ++y)
        LumaRow(bgr + y * stride, planes.y + y * planes.yStride, width);
    const int pairs = width / 2;
    for (int y = 0; y < height; y += 2) {
        const std::uint8_t *a = bgr + y * stride;
        const std::uint8_t *c = y + 1 < height ? a + stride : a;
        std::uint8_t *cb = planes.u + (y / 2) * planes.uStride;
        std::uint8_t *cr = planes.v + (y / 2) * planes.vStride;
        ChromaRow(a, c, cb, cr, pairs);
        if (width % 2) { // the last column counts twice
            const std::ptrdiff_t i = 3 * (width - 1);
            const int sb = 2 * (a[i] + c[i]), sg = 2 * (a[i + 1] + c[i + 1]), sr = 2 * (a[i + 2] + c[i + 2]);
            cb[pairs] = chroma(kUB, kUG, kUR, sb, sg, sr);
            cr[pairs] = chroma(kVB, kVG, kVR, sb, sg, sr);
        }
    }
}
