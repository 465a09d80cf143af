#pragma once

#include "anim/AnimSettings.h"

#include <cstddef>
#include <cstdint>
#include <optional>

class Bitmap24;

// Frames per pass, start position and the delta added after each frame.
struct PassPlan {
    std::int32_t PassCount = 0;
    std::int32_t X0 = 0;
    std::int32_t Y0 = 0;
    std::int32_t DX = 0;
    std::int32_t DY = 0;
    // A 360° turn of this many pixels along the travel (0: an ordinary pass).
    // Frame k then stands round(k * Turn / PassCount) pixels from the start,
    // wrapped into [0, Turn), in the direction of DX or DY.
    std::int32_t Turn = 0;
    bool operator==(const PassPlan &) const = default;
};

struct FramePosition {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const FramePosition &) const = default;
};

// Position of frame k (0-based) of a pass.
FramePosition PassPosition(const PassPlan &plan, std::int32_t k);

// A there-and-back run that is not a 360° loop.
inline bool HasReturnPass(const tanimprm &prm)
{
    return prm.ScrollBack && !prm.Loop360;
}

// Frames of a whole run that is not stopped.
std::int64_t RunFrameCount(const PassPlan &outward, const tanimprm &prm);

// Sizes prm.FrameBitmap to FrameWidth x FrameHeight, sets DstRect (centring
// offsets), turns a Step of 0 into 1, and returns the outward pass. With
// Loop360 the pass is one turn of n = round(W / |Step|) frames (at least one;
// W the panorama's length along the travel), nothing is centred along the
// travel, and a negative Step runs the other way.
// Throws std::runtime_error when the frame bitmap cannot be allocated
// (negative or oversized frame).
PassPlan PrepareFrames(tanimprm &prm, int panoramaWidth, int panoramaHeight);

// Start and delta of the return pass of a there-and-back run.
PassPlan ReturnPass(const PassPlan &outward, const tanimprm &prm, int panoramaWidth, int panoramaHeight);

// Writes prm.SrcRect and every pixel of *prm.FrameBitmap for the position
// (x, y): black, then the panorama copied unscaled, clipped; pixels outside
// the panorama are never read. With Loop360 the window wraps along the
// travel: frame column c (row c when vertical) shows panorama column
// (x + c) mod W, so a frame may join the far edge to the near one.
void RenderFrame(tanimprm &prm, const Bitmap24 &panorama, std::int32_t x, std::int32_t y);

// Where the frame at (x, y) lies in the panorama when it is nothing but its
// pixels: inside it, no centring margin, no wrap. Its rows are then the
// panorama's rows from top (each row's pixels; the row padding is not the
// frame's). Sets prm.SrcRect as RenderFrame does.
struct PanoramaWindow {
    const std::uint8_t *top = nullptr; // the frame's top-left pixel
    std::size_t stride = 0; // the panorama's
};
std::optional<PanoramaWindow> FrameWindow(tanimprm &prm, const Bitmap24 &panorama, std::int32_t x, std::int32_t y);
