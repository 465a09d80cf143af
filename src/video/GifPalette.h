#pragma once

#include <array>
#include <cstdint>
#include <vector>

class Bitmap24;

// The one palette of a whole GIF animation, made by libimagequant from every
// colour of the given pictures (for a scrolling animation, the panorama holds
// every colour its frames show, plus black for the bands). Entry 255 is left
// free so the GIF encoder can use it for "unchanged" pixels.
struct GifPaletteColour {
    std::uint8_t r = 0, g = 0, b = 0;
};
struct GifPalette {
    std::vector<GifPaletteColour> colours; // at most 255
};

// A rectangle of a picture whose colours the frames show; clipped to it.
struct PaletteRegion {
    const Bitmap24 *picture = nullptr;
    int left = 0, top = 0, width = 0, height = 0;
};
PaletteRegion WholePicture(const Bitmap24 &picture);

// quality 0..100 is libimagequant's maximum quality; speed 1 (slow) to 10.
// Throws VideoError with libimagequant's refusal.
GifPalette MakeGifPalette(const std::vector<PaletteRegion> &sources, int quality, int speed);
