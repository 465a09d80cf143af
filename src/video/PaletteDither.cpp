#include "video/PaletteDither.h"

#include "common/Bitmap24.h"

#include <algorithm>
#include <climits>
#include <cmath>

PaletteDither::PaletteDither(GifPalette palette, float strength)
    : m_palette(std::move(palette))
    , m_strength(int(std::lround(std::clamp(strength, 0.0f, 1.0f) * 16)))
    , m_cache(std::size_t(1) << 24, 0)
{
    if (m_palette.colours.empty())
        m_palette.colours.push_back({});
}

std::uint8_t PaletteDither::nearest(int r, int g, int b)
{
    const std::size_t colour = std::size_t(r) << 16 | std::size_t(g) << 8 | std::size_t(b);
    if (const std::uint8_t known = m_cache[colour])
        return std::uint8_t(known - 1);
    int best = 0, bestDistance = INT_MAX;
    for (std::size_t i = 0; i < m_palette.colours.size(); ++i) {
        const GifPaletteColour &c = m_palette.colours[i];
        const int dr = c.r - r, dg = c.g - g, db = c.b - b;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = int(i);
        }
    }
    m_cache[colour] = std::uint8_t(best + 1);
    return std::uint8_t(best);
}

void PaletteDither::remap(const Bitmap24 &frame, std::uint8_t *indices, std::size_t stride)
{
    const int width = frame.width();
    // Errors carried to this row and the next, with a pixel of margin each side.
    m_errors.assign(std::size_t(width + 2) * 3 * 2, 0);
    int *thisRow = m_errors.data();
    int *nextRow = thisRow + std::size_t(width + 2) * 3;
    for (int y = 0; y < frame.height(); ++y) {
        const std::uint8_t *src = frame.scanLine(y);
        std::uint8_t *out = indices + std::size_t(y) * stride;
        const bool leftToRight = (y & 1) == 0;
        const int dir = leftToRight ? 1 : -1;
        std::fill(nextRow, nextRow + std::size_t(width + 2) * 3, 0);
        for (int i = 0; i < width; ++i) {
            const int x = leftToRight ? i : width - 1 - i;
            const std::uint8_t *p = src + std::size_t(x) * 3;
            int *e = thisRow + std::size_t(x + 1) * 3;
            const int want[3] = { p[2] + e[0] / 16, p[1] + e[1] / 16, p[0] + e[2] / 16 };
            const int r = std::clamp(want[0], 0, 255), g = std::clamp(want[1], 0, 255), b = std::clamp(want[2], 0, 255);
            const std::uint8_t index = nearest(r, g, b);
            out[x] = index;
            if (m_strength == 0)
                continue;
            const GifPaletteColour &c = m_palette.colours[index];
            const int got[3] = { c.r, c.g, c.b };
            int *ahead = e + dir * 3;
            int *below = nextRow + std::size_t(x + 1) * 3;
            for (int k = 0; k < 3; ++k) {
                // The error of the clamped colour, so it cannot build up.
                const int error = ((k == 0 ? r : k == 1 ? g : b) - got[k]) * m_strength;
                ahead[k] += error * 7 / 16;
                below[k - dir * 3] += error * 3 / 16;
                below[k] += error * 5 / 16;
                below[k + dir * 3] += error / 16;
            }
        }
        std::swap(thisRow, nextRow);
    }
}
