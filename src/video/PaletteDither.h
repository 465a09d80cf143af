#pragma once

#include "video/GifPalette.h"

#include <cstdint>
#include <vector>

class Bitmap24;

// Maps 24-bit frames onto one fixed palette with serpentine Floyd-Steinberg
// error diffusion. The palette never changes from frame to frame (unlike a
// quantizer's own remapping, which refines it per picture), so every frame
// of a GIF shares the global colour table. Each colour's nearest entry is
// searched once and cached (16 MiB, filled as colours appear).
class PaletteDither {
public:
    // strength 0 (plain nearest colour) to 1 (full error diffusion).
    PaletteDither(GifPalette palette, float strength);

    // Writes frame.width() indices per row, rows top first, `stride` bytes apart.
    void remap(const Bitmap24 &frame, std::uint8_t *indices, std::size_t stride);

    const GifPalette &palette() const { return m_palette; }

private:
    std::uint8_t nearest(int r, int g, int b);

    GifPalette m_palette;
    int m_strength; // out of 16
    std::vector<std::uint8_t> m_cache; // 1 + index, 0 = not looked up yet
    std::vector<int> m_errors; // two rows of (r, g, b) errors, 16ths
};
