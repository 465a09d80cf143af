#pragma once

#include <cstddef>
#include <cstdint>

// The per-pixel sampling of a view (see SphereViews.h), built twice like
// the resampling's row loops (ResampleRows.h): AVX2 and plain, the same
// integer arithmetic, the same bytes; ActiveVectorUnits() chooses.
//
// Positions are fixed point, 1/256 pixel, in continuous coordinates of the
// picture (pixel i covers [i, i + 1)). A pixel's value is Lanczos2 over 4 × 4
// taps of one level, or a blend of two neighbouring levels.

constexpr int kRemapFractionBits = 8;
constexpr std::uint32_t kRemapOne = 1u << kRemapFractionBits;

// A level of the picture as the sampling reads it: level 0 is the picture,
// each next one half as large (rounded up); only the rows of its band are
// held.
struct RemapLevel {
    const std::uint8_t *rows = nullptr; // row firstRow of the level
    std::size_t stride = 0;
    int firstRow = 0;
    int width = 0; // the whole level's size
    int height = 0;
    // Level size / picture size on each axis, 32-bit fraction; unused on level 0.
    std::uint32_t scaleX = 0;
    std::uint32_t scaleY = 0;
};

// What one frame reads.
struct RemapFrame {
    const RemapLevel *levels = nullptr;
    std::uint32_t shift = 0; // the yaw, in 1/256 pixel of the full panorama, below fullSpan
    std::uint32_t fullSpan = 0; // the full panorama's width in 1/256 pixel
    std::uint32_t coveredSpan = 0; // the picture's width in 1/256 pixel
    bool wraps = false; // a full turn: taps past a side come from the other side
    bool overPoles = false; // taps past the top or bottom row go over the pole
};

// The mode of an output pixel: its level (low 5 bits) and the weight of the
// next level in eighths (high 3 bits), or always black.
constexpr std::uint8_t kRemapOutside = 0xFF;
constexpr std::uint8_t RemapMode(int level, int nextEighths)
{
    return std::uint8_t(level | (nextEighths << 5));
}
constexpr int RemapModeLevel(std::uint8_t mode)
{
    return mode & 31;
}
constexpr int RemapModeNext(std::uint8_t mode)
{
    return mode >> 5;
}

// One row of output pixels: pixel i is at picture x = (u[i] + shift) modulo
// fullSpan, black from coveredSpan on; y = v[i]; mode[i] as above. out gets
// three bytes a pixel.
void RemapRow(const RemapFrame &frame, const std::uint32_t *u, const std::uint32_t *v, const std::uint8_t *mode,
    int count, std::uint8_t *out);

// The first row of the 4 × 4 taps of a position of a level (may be outside
// the level), as RemapRow reads them: for the tables' row bands.
int RemapFirstTapRow(const RemapLevel &level, std::uint32_t v, int levelIndex);
