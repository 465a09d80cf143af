#pragma once

#include "video/GifPalette.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class Bitmap24;

// Maps 24-bit frames onto one fixed palette with serpentine Floyd-Steinberg
// error diffusion (in two bands of rows, each diffusing its own error). The palette never changes from frame to frame (unlike a
// quantizer's own remapping, which refines it per picture), so every frame
// of a GIF shares the global colour table. Each colour's nearest entry is
// searched once and cached (16 MiB, filled as colours appear).
//
// remap() may run on several threads at once, one frame each: the cache
// only remembers a result that does not depend on who found it first, so
// the indices are the same whatever the threads do.
class PaletteDither {
public:
    // strength 0 (plain nearest colour) to 1 (full error diffusion).
    PaletteDither(GifPalette palette, float strength);

    // Writes frame.width() indices per row, rows top first, `stride` bytes apart.
    void remap(const Bitmap24 &frame, std::uint8_t *indices, std::size_t stride) const;

    const GifPalette &palette() const { return m_palette; }

private:
    std::uint8_t nearest(int r, int g, int b) const;
    std::uint8_t search(int r, int g, int b) const;
    std::uint8_t remember(std::atomic<std::uint8_t> &cached, int r, int g, int b) const;

    GifPalette m_palette;
    int m_strength; // out of 16
    // The palette in order of red, for a search that stops once red alone
    // is farther than the best match so far.
    struct Entry {
        int r, g, b, index;
    };
    std::vector<Entry> m_byRed;
    // Red, green, blue and a spare lane: the loop works on a pixel's three
    // channels at once (GCC/Clang vector extension).
    using Lanes = int __attribute__((vector_size(16)));
    struct Colour {
        Lanes lanes;
    };
    std::vector<Colour> m_lanes; // the palette, by index
    std::unique_ptr<std::atomic<std::uint8_t>[]> m_cache; // 1 + index, 0 = not looked up yet
};
