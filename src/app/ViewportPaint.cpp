#include "app/ViewportPaint.h"

#include "common/Bitmap24.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace {

// The two source cells read for each window cell along one axis (the same
// one twice when the source is not reduced); -1 off the picture.
struct Taps {
    std::vector<int> near, far;
};

Taps AxisTaps(int first, int count, double origin, double scale, int pictureLength, int sourceLength)
{
    Taps taps;
    taps.near.resize(std::size_t(count));
    taps.far.resize(std::size_t(count));
    const double perPicture = double(sourceLength) / pictureLength; // source cells a picture cell
    const double footprint = perPicture / scale; // source cells a window cell
    const double spread = footprint > 1 ? footprint / 4 : 0;
    for (int i = 0; i < count; ++i) {
        const double p = (first + i + 0.5 - origin) / scale; // in picture cells
        if (p < 0 || p >= pictureLength) {
            taps.near[std::size_t(i)] = taps.far[std::size_t(i)] = -1;
            continue;
        }
        const double s = p * perPicture;
        taps.near[std::size_t(i)] = std::clamp(int(std::floor(s - spread)), 0, sourceLength - 1);
        taps.far[std::size_t(i)] = std::clamp(int(std::floor(s + spread)), 0, sourceLength - 1);
    }
    return taps;
}

} // namespace

int ChooseLevel(const std::vector<Bitmap24> &levels, int pictureWidth, double scale)
{
    if (scale >= kReducedCopiesBelow || pictureWidth <= 0)
        return -1;
    int chosen = -1;
    for (std::size_t i = 0; i < levels.size(); ++i)
        if (double(levels[i].width()) / pictureWidth >= scale)
            chosen = int(i);
    return chosen;
}

void PaintViewport(const Bitmap24 &source, const PictureViewport &viewport, const PaintRect &part, std::uint32_t *out,
    std::size_t outStride)
{
    if (part.Width <= 0 || part.Height <= 0)
        return;
    const int pw = viewport.PictureWidth(), ph = viewport.PictureHeight();
    if (source.isEmpty() || pw <= 0 || ph <= 0) {
        for (int y = 0; y < part.Height; ++y)
            std::fill_n(out + std::size_t(y) * outStride, part.Width, 0xFF000000u);
        return;
    }
    const Taps columns = AxisTaps(part.X, part.Width, viewport.OriginX(), viewport.Scale(), pw, source.width());
    const Taps rows = AxisTaps(part.Y, part.Height, viewport.OriginY(), viewport.Scale(), ph, source.height());
    std::vector<int> nearX(columns.near), farX(columns.far);
    for (int &x : nearX)
        x *= 3; // byte offsets; -1 stays negative
    for (int &x : farX)
        x *= 3;
    // The columns on the picture, [begin, end): off it the taps are -1.
    int begin = 0, end = part.Width;
    while (begin < end && nearX[std::size_t(begin)] < 0)
        ++begin;
    while (end > begin && nearX[std::size_t(end - 1)] < 0)
        --end;
    // Blue, green, red and the next byte as one 4-byte load; the last pixel
    // of a row may end the bitmap, and is read byte by byte from `careful` on.
    const int lastPixel = 3 * (source.width() - 1);
    int careful = end;
    while (careful > begin && farX[std::size_t(careful - 1)] == lastPixel)
        --careful;
    const auto fast = [](const std::uint8_t *p) {
        std::uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    };
    const auto safe = [](const std::uint8_t *p) {
        return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
    };
    static_assert(std::endian::native == std::endian::little);
    const bool single = columns.near == columns.far;
    const int *nx = nearX.data(), *fx = farX.data();
    for (int y = 0; y < part.Height; ++y) {
        std::uint32_t *o = out + std::size_t(y) * outStride;
        if (rows.near[std::size_t(y)] < 0) {
            std::fill_n(o, part.Width, 0xFF000000u);
            continue;
        }
        std::fill(o, o + begin, 0xFF000000u);
        std::fill(o + end, o + part.Width, 0xFF000000u);
        const std::uint8_t *a = source.scanLine(rows.near[std::size_t(y)]);
        const std::uint8_t *b = source.scanLine(rows.far[std::size_t(y)]);
        if (single && a == b) {
            for (int x = begin; x < careful; ++x)
                o[x] = fast(a + nx[x]) | 0xFF000000u;
            for (int x = careful; x < end; ++x)
                o[x] = safe(a + nx[x]) | 0xFF000000u;
            continue;
        }
        // Blue and red summed in two 16-bit lanes, green apart.
        const auto mean = [](std::uint32_t p, std::uint32_t q, std::uint32_t r, std::uint32_t s) {
            const std::uint32_t blueRed
                = (p & 0x00FF00FFu) + (q & 0x00FF00FFu) + (r & 0x00FF00FFu) + (s & 0x00FF00FFu) + 0x00020002u;
            const std::uint32_t green
                = ((p >> 8) & 0xFFu) + ((q >> 8) & 0xFFu) + ((r >> 8) & 0xFFu) + ((s >> 8) & 0xFFu) + 2;
            return 0xFF000000u | ((blueRed >> 2) & 0x00FF00FFu) | ((green >> 2) << 8);
        };
        for (int x = begin; x < careful; ++x)
            o[x] = mean(fast(a + nx[x]), fast(a + fx[x]), fast(b + nx[x]), fast(b + fx[x]));
        for (int x = careful; x < end; ++x)
            o[x] = mean(safe(a + nx[x]), safe(a + fx[x]), safe(b + nx[x]), safe(b + fx[x]));
    }
}
