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
        m_lanes.push_back({ Lanes { c.r, c.g, c.b, 0 } });
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

// Out of line: the cache answers nearly every pixel, and the loop stays small.
[[gnu::noinline]] std::uint8_t PaletteDither::remember(std::atomic<std::uint8_t> &cached, int r, int g, int b) const
{
    const std::uint8_t index = search(r, g, b);
    cached.store(std::uint8_t(index + 1), std::memory_order_relaxed);
    return index;
}

inline std::uint8_t PaletteDither::nearest(int r, int g, int b) const
{
    std::atomic<std::uint8_t> &cached = m_cache[std::size_t(r) << 16 | std::size_t(g) << 8 | std::size_t(b)];
    if (const std::uint8_t known = cached.load(std::memory_order_relaxed))
        return std::uint8_t(known - 1);
    return remember(cached, r, g, b);
}

void PaletteDither::remap(const Bitmap24 &frame, std::uint8_t *indices, std::size_t stride) const
{
    const int width = frame.width();
    const Lanes zero = { 0, 0, 0, 0 }, white = { 255, 255, 255, 0 };
    // The colours met lately and their entries, small enough to stay in the
    // core's own cache (the shared table is not): colour << 8 | index, and
    // ~0 for none (no colour has index 255).
    constexpr int kRecentBits = 15;
    std::vector<std::uint32_t> recent(std::size_t(1) << kRecentBits, ~std::uint32_t(0));
    const auto lookUp = [&](int r, int g, int b) {
        const std::uint32_t colour = std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b);
        std::uint32_t &slot = recent[(colour * 2654435761u) >> (32 - kRecentBits)];
        if ((slot >> 8) == colour && (slot & 0xFF) != 0xFF)
            return std::uint8_t(slot);
        const std::uint8_t index = nearest(r, g, b);
        slot = colour << 8 | index;
        return index;
    };
    // The frame is dithered as two bands of rows, each with its own errors,
    // a pixel of each in turn: the chains of dependent steps (each pixel
    // waits for the error of the one before) then overlap in the processor.
    // No error is carried from one band into the next.
    struct Band {
        std::vector<Colour> errors; // this row and the next, with a pixel of margin each side
        Colour *thisRow = nullptr, *nextRow = nullptr;
        const std::uint8_t *src = nullptr;
        std::uint8_t *out = nullptr;
        bool leftToRight = true;
    };
    const auto startRow = [&](Band &band, int y) {
        band.src = frame.scanLine(y);
        band.out = indices + std::size_t(y) * stride;
        band.leftToRight = (y & 1) == 0;
        std::fill(band.nextRow, band.nextRow + width + 2, Colour { zero });
    };
    const auto step = [&](Band &band, int i) {
        const int dir = band.leftToRight ? 1 : -1;
        const int x = band.leftToRight ? i : width - 1 - i;
        const std::uint8_t *p = band.src + std::size_t(x) * 3;
        Colour *e = band.thisRow + x + 1;
        Lanes want = Lanes { p[2], p[1], p[0], 0 } + e->lanes / 16;
        want = want < zero ? zero : want;
        want = want > white ? white : want;
        const std::uint8_t index = lookUp(want[0], want[1], want[2]);
        band.out[x] = index;
        if (m_strength == 0)
            return;
        // The error of the clamped colour, so it cannot build up.
        const Lanes error = (want - m_lanes[index].lanes) * m_strength;
        Colour *below = band.nextRow + x + 1;
        e[dir].lanes += error * 7 / 16;
        below[-dir].lanes += error * 3 / 16;
        below[0].lanes += error * 5 / 16;
        below[dir].lanes += error / 16;
    };
    constexpr int kBands = 2; // four are no faster
    Band bands[kBands];
    for (Band &band : bands) {
        band.errors.assign(std::size_t(width + 2) * 2, Colour { zero });
        band.thisRow = band.errors.data();
        band.nextRow = band.thisRow + width + 2;
    }
    const int height = frame.height();
    const int bandRows = (height + kBands - 1) / kBands;
    for (int row = 0; row < bandRows; ++row) {
        int active = 0; // the last band may have run out of rows
        while (active < kBands && active * bandRows + row < height) {
            startRow(bands[active], active * bandRows + row);
            ++active;
        }
        if (active == kBands) {
            for (int i = 0; i < width; ++i)
                for (Band &band : bands)
                    step(band, i);
        } else {
            for (int i = 0; i < width; ++i)
                for (int k = 0; k < active; ++k)
                    step(bands[k], i);
        }
        for (Band &band : bands)
            std::swap(band.thisRow, band.nextRow);
    }
}
