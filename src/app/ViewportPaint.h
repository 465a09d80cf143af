#pragma once

#include "app/PictureViewport.h"
#include "picture/PictureLevels.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class Bitmap24;

// Below this scale the picture is shown from its reduced copies.
inline constexpr double kReducedCopiesBelow = 1.0 / kFirstLevelDivisor;

// The copy to read for showing the picture at `scale`: the picture itself
// (-1) from kReducedCopiesBelow up, else the smallest of the reduced copies
// (largest first, see picture/PictureLevels.h) that is at least as large as
// the picture shown, so that each shown pixel stands for one or two of the
// copy's each way. The picture itself when there is no such copy.
int ChooseLevel(const std::vector<Bitmap24> &levels, int pictureWidth, double scale);

// A window rectangle to fill: x, y, width, height in window pixels.
struct PaintRect {
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
};

// Fills `out` (rows of 0xffRRGGBB, `outStride` pixels apart) with the window
// pixels of `part` as the viewport shows the picture, read from `source`:
// the picture or one of its reduced copies (its scale is its size over the
// picture's). Where the viewport enlarges the source, each window pixel is
// the source pixel under its centre; where it reduces it, the mean of the
// two by two source pixels a quarter of a window pixel either side. Window
// pixels off the picture are black.
void PaintViewport(const Bitmap24 &source, const PictureViewport &viewport, const PaintRect &part, std::uint32_t *out,
    std::size_t outStride);
