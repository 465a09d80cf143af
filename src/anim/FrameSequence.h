#pragma once

#include "anim/AnimSettings.h"

#include <cstdint>

class Bitmap24;

// Frames per pass, start position and the delta added after each frame.
struct PassPlan {
    std::int32_t PassCount = 0;
    std::int32_t X0 = 0;
    std::int32_t Y0 = 0;
    std::int32_t DX = 0;
    std::int32_t DY = 0;
    bool operator==(const PassPlan &) const = default;
};

// Sizes prm.FrameBitmap to FrameWidth x FrameHeight, sets DstRect (centring
// offsets), turns a Step of 0 into 1, and returns the outward pass.
// Throws std::runtime_error when the frame bitmap cannot be allocated
// (negative or oversized frame).
PassPlan PrepareFrames(tanimprm &prm, int panoramaWidth, int panoramaHeight);

// Start and delta of the return pass of a there-and-back run.
PassPlan ReturnPass(const PassPlan &outward, const tanimprm &prm, int panoramaWidth, int panoramaHeight);

// Writes prm.SrcRect and every pixel of *prm.FrameBitmap for the position
// (x, y): black, then the panorama copied unscaled, clipped; pixels outside
// the panorama are never read.
void RenderFrame(tanimprm &prm, const Bitmap24 &panorama, std::int32_t x, std::int32_t y);
