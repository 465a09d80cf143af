#pragma once

#include "picture/sphere/RemapKernel.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class Bitmap24;

// Rows first to last of a level; empty when first > last.
struct RowBand {
    int first = 0;
    int last = -1;
    bool empty() const { return first > last; }
    void include(int from, int to); // grows to hold rows from..to
};

// The reduced copies of a picture that a view samples where it shrinks the
// picture (see SphereViews.h). Level 0 is the picture; level k + 1 is level
// k reduced to half its sides (rounded up) by Lanczos3 widened to the
// factor, across the seam when the picture is a full turn. A view reads
// only a band of rows of each level (yaw moves it across, never up or
// down), so each level holds its band and the rows the next level is made
// from, nothing else.
class SphereLevels {
public:
    // Levels stop before a side would fall below this.
    static constexpr int kSmallestSide = 4;
    static int levelSide(int side, int level);
    // Level 0 and the levels after it whose sides are both kSmallestSide or more.
    static int levelCount(int width, int height);

    // Builds levels 1 to bands.size() - 1 of the picture, level k holding at
    // least bands[k] (bands[0] is not read: the picture is level 0). wraps:
    // the picture is a full turn. std::bad_alloc, before anything sizeable
    // is allocated, when the levels do not fit in the memory available.
    SphereLevels(const Bitmap24 &picture, const std::vector<RowBand> &bands, bool wraps);
    SphereLevels() = default;

    // The size and scale of level k of a width × height picture, no pixels.
    static RemapLevel shape(int width, int height, int level);
    // Level k >= 1 as the sampling reads it (its scale against the picture).
    RemapLevel level(int k) const;
    int count() const { return int(m_levels.size()); } // level 0 included, when any
    std::size_t heldBytes() const;

private:
    struct Level {
        int width = 0;
        int height = 0;
        RowBand band;
        std::size_t stride = 0;
        std::vector<std::uint8_t> pixels; // the band's rows
    };
    void build(const RemapLevel &source, Level &target, bool wraps);

    int m_width = 0; // the picture's
    int m_height = 0;
    std::vector<Level> m_levels; // [0] stands for the picture, holds nothing
};
