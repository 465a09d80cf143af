#include "video/Yuv420Conversion.h"

#include <cmath>

namespace {

constexpr int kShift = 16; // fixed-point fraction bits of the coefficients
constexpr double kKr = 0.2126, kKb = 0.0722, kKg = 1.0 - kKr - kKb; // BT.709
constexpr double kLumaRange = 219.0 / 255.0, kChromaRange = 224.0 / 255.0;

int fixedPoint(double value)
{
    return int(std::lround(value * (1 << kShift)));
}

// Luma: the three coefficients add up to white's 219 exactly.
const int kYR = fixedPoint(kKr * kLumaRange);
const int kYB = fixedPoint(kKb * kLumaRange);
const int kYG = fixedPoint(kLumaRange) - kYR - kYB;
// Chroma: each row adds up to 0, so every grey is 128 exactly.
const int kUR = fixedPoint(-kKr / (2 * (1 - kKb)) * kChromaRange);
const int kUG = fixedPoint(-kKg / (2 * (1 - kKb)) * kChromaRange);
const int kUB = -kUR - kUG;
const int kVG = fixedPoint(-kKg / (2 * (1 - kKr)) * kChromaRange);
const int kVB = fixedPoint(-kKb / (2 * (1 - kKr)) * kChromaRange);
const int kVR = -kVG - kVB;

inline std::uint8_t luma(const std::uint8_t *p)
{
    return std::uint8_t((kYB * p[0] + kYG * p[1] + kYR * p[2] + (16 << kShift) + (1 << (kShift - 1))) >> kShift);
}

// b, g, r: sums over four pixels. Arithmetic shift of a value kept positive
// by the 128 offset.
inline std::uint8_t chroma(int cb, int cg, int cr, int b, int g, int r)
{
    constexpr int shift = kShift + 2;
    return std::uint8_t((cb * b + cg * g + cr * r + (128 << shift) + (1 << (shift - 1))) >> shift);
}

} // namespace

void ConvertBgrToYuv420(
    const std::uint8_t *bgr, std::ptrdiff_t stride, int width, int height, const Yuv420Planes &planes)
{
    for (int y = 0; y < height; y += 2) {
        const std::uint8_t *top = bgr + y * stride;
        const bool pair = y + 1 < height;
        const std::uint8_t *bottom = pair ? top + stride : top;
        std::uint8_t *lumaTop = planes.y + y * planes.yStride;
        std::uint8_t *lumaBottom = lumaTop + planes.yStride;
        std::uint8_t *cb = planes.u + (y / 2) * planes.uStride;
        std::uint8_t *cr = planes.v + (y / 2) * planes.vStride;
        for (int x = 0; x < width; x += 2) {
            const int right = x + 1 < width ? 3 : 0;
            const std::uint8_t *a = top + 3 * x, *b = a + right, *c = bottom + 3 * x, *d = c + right;
            lumaTop[x] = luma(a);
            if (right)
                lumaTop[x + 1] = luma(b);
            if (pair) {
                lumaBottom[x] = luma(c);
                if (right)
                    lumaBottom[x + 1] = luma(d);
            }
            const int sb = a[0] + b[0] + c[0] + d[0];
            const int sg = a[1] + b[1] + c[1] + d[1];
            const int sr = a[2] + b[2] + c[2] + d[2];
            cb[x / 2] = chroma(kUB, kUG, kUR, sb, sg, sr);
            cr[x / 2] = chroma(kVB, kVG, kVR, sb, sg, sr);
        }
    }
}
