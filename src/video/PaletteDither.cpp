#include "video/PaletteDither.h"

#include "common/Bitmap24.h"

#include <algorithm>
#include <climits>
#include <cmath>

PaletteDither::PaletteDither(GifPalette palette, float strength)
    : m_palette(std::move(palette))
    , m_strength(int(std::lround(std::clamp(strength, 0.0f, 1.0f) * 16)))
    , m_cache(new std::atomic<std::uint8_t>[std::size_t(1) << 24]())
{
    if (m_palette.colours.empty())
        m_palette.colours.push_back({});
    for (std::size_t i = 0; i < m_palette.colours.size(); ++i) {
        const GifPaletteColour &c = m_palette.colours[i];
        m_byRed.push_back({ c.r, c.g, c.b, int(i) });
    }
    std::stable_sort(m_byRed.begin(), m_byRed.end(), [](const Entry &a, const Entry &b) { return a.r < b.r; });
}

// The nearest entry by squared distance; of equal ones, the first in the palette.
std::uint8_t PaletteDither::search(int r, int g, int b) const
{
    const auto n = std::ptrdiff_t(m_byRed.size());
    std::ptrdiff_t up = std::lower_bound(m_byRed.begin(), m_byRed.end(), r, [](const Entry &e, int red) {
        return e.r < red;
    }) - m_byRed.begin();
    std::ptrdiff_t down = up - 1;
    int best = INT_MAX, bestDistance = INT_MAX;
    const auto consider = [&](const Entry &e) {
        const int dg = e.g - g, db = e.b - b, dr = e.r - r;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance || (distance == bestDistance && e.index < best)) {
            bestDistance = distance;
            best = e.index;
        }
    };
    // Outwards from the red of the colour, each way until red alone is too far.
    while (up < n || down >= 0) {
        if (up < n) {
            const int dr = m_byRed[std::size_t(up)].r - r;
            if (dr * dr > bestDistance)
                up = n;
            else
                consider(m_byRed[std::size_t(up++)]);
        }
        if (down >= 0) {
            const int dr = r - m_byRed[std::size_t(down)].r;
            if (dr * dr > bestDistance)
                down = -1;
            else
                consider(m_byRed[std::size_t(down--)]);
        }
    }
    return std::uint8_t(best);
}

std::uint8_t PaletteDither::nearest(int r, int g, int b) const
{
    std::atomic<std::uint8_t> &cached = m_cache[std::size_t(r) << 16 | std::size_t(g) << 8 | std::size_t(b)];
    if (const std::uint8_t known = cached.load(std::memory_order_relaxed))
        return std::uint8_t(known - 1);
    const std::uint8_t index = search(r, g, b);
    cached.store(std::uint8_t(index + 1), std::memory_order_relaxed);
    return index;
}

void PaletteDither::remap(const Bitmap24 &frame, std::uint8_t *indices, std::size_t stride) const
{
    const int width = frame.width();
    // Errors carried to this row and the next, with a pixel of margin each side.
    std::vector<int> errors(std::size_t(width + 2) * 3 * 2, 0);
    int *thisRow = errors.data();
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
