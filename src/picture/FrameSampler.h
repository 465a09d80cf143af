#pragma once

#include "picture/ResampleFilters.h"

#include <cstdint>
#include <vector>

class Bitmap24;

enum class TravelAxis { Horizontal, Vertical };

// Where a frame lies on the panorama, all but its position along the travel.
struct FrameLayout {
    int width = 0; // the frame's size
    int height = 0;
    TravelAxis travel = TravelAxis::Horizontal;
    // Across the travel: the panorama row (column when the travel is
    // vertical) on the frame's first row (column). Negative centres a
    // panorama smaller than the frame.
    int across = 0;
    // A 360° panorama: along the travel, position x is panorama x modulo
    // its length; otherwise what lies beyond its ends is black.
    bool wrap = false;
    PhaseKernel kernel = PhaseKernel::Lanczos3;
};

// Cuts frames from a panorama at fractional positions along the travel (see
// Resample.h): frame column c (row c when the travel is vertical) shows the
// panorama at position + c, interpolated along the travel only, and exactly
// its pixels when position is whole. Across the travel, and along it without
// wrap, a frame pixel whose nearest panorama pixel is outside the panorama
// is black; the filter's taps past an edge take the edge pixel, so the edges
// do not darken.
class FrameSampler {
public:
    explicit FrameSampler(const FrameLayout &layout);

    const FrameLayout &layout() const { return m_layout; }

    // Writes every pixel of frame, sized to the layout first: false when it
    // cannot be allocated. position must be finite (std::invalid_argument).
    bool render(const Bitmap24 &panorama, double position, Bitmap24 &frame);

private:
    // Per frame: the panorama index of each tap position along the travel.
    struct Along {
        std::int64_t begin = 0, end = 0; // frame cells inside the panorama
        PhaseWeights weights;
        std::vector<int> source; // cell begin + i takes taps source[i .. i + taps)
        bool direct = false; // source runs by one, no edge or wrap on the way
    };
    Along planAlong(double position, int panoramaLength, int frameLength);
    void renderHorizontal(const Bitmap24 &panorama, const Along &along, Bitmap24 &frame);
    void renderVertical(const Bitmap24 &panorama, const Along &along, Bitmap24 &frame);

    FrameLayout m_layout;
    std::vector<std::uint8_t> m_scratch; // one row's taps gathered past an edge
};
