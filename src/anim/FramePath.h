#pragma once

#include "anim/FrameSequence.h"

#include <cstddef>
#include <vector>

// Where the frames of a run stand over the panorama, for drawing the
// camera's path on it. Positions are in panorama pixels and may be
// fractional: a frame's rectangle is what its pixels would show of an
// endless panorama (centring margins and a 360° loop's wrap reach past the
// picture's edges).
struct FrameRect {
    double Left = 0;
    double Top = 0;
    double Right = 0; // exclusive
    double Bottom = 0;
    bool operator==(const FrameRect &) const = default;
};

struct PathPoint {
    double X = 0;
    double Y = 0;
    bool operator==(const PathPoint &) const = default;
};

// Frames listed at most for one path: more than this are spread evenly
// (the first and the last always in), which draws the same line.
inline constexpr std::size_t kFramePathLimit = 4096;

// The rectangles of the frames the run makes, in the order it makes them.
// A camera's frames, cut from the panorama scaled, are brought back to the
// picture's pixels (their size divided by the scale).
std::vector<FrameRect> FramePath(const RunPlan &plan, std::size_t limit = kFramePathLimit);

// What is drawn of a path: the first and the last frame (two rectangles
// each when a 360° loop wraps the frame round the far edge) and the line
// through the frames' centres, broken where a loop wraps.
struct PathOutline {
    std::vector<FrameRect> First;
    std::vector<FrameRect> Last;
    std::vector<std::vector<PathPoint>> CentreLines; // points where the line turns
    bool operator==(const PathOutline &) const = default;
};

PathOutline OutlinePath(const std::vector<FrameRect> &frames, const RunPlan &plan);
