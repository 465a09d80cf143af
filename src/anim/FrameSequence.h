#pragma once

#include "anim/AnimSettings.h"
#include "common/TRect.h"
#include "picture/LoadSize.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

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

// The frames of one run, planned once before it starts: the frame's size,
// where the panorama lands in it (DstRect: the centring offsets), and the
// passes. Every count a run or its host shows comes from here.
// The frames of a run with an active camera (CameraMove): cut from the
// panorama as the frames see it (scaled once) at fractional positions along
// the travel, one list per pass.
struct CameraPlan {
    double scale = 1; // frame pixels per panorama pixel
    std::int32_t panoramaWidth = 0; // the panorama as the frames see it
    std::int32_t panoramaHeight = 0;
    std::int32_t across = 0; // panorama row (column) on the frame's first row (column); negative: centred
    std::vector<std::vector<double>> passes; // each frame's position along the travel, pass by pass
};

// The frames of a run of views (SphereView): each frame's view and yaw
// (degrees), pass by pass.
struct SphereFrame {
    ViewSettings view;
    double yaw = 0;
    bool operator==(const SphereFrame &) const = default;
};
struct SpherePlan {
    SphereMapping mapping; // the panorama's place on the sphere
    std::vector<std::vector<SphereFrame>> passes;
};

struct RunPlan {
    std::int32_t FrameWidth = 0;
    std::int32_t FrameHeight = 0;
    TRect DstRect; // area of the frame that receives the panorama
    TScrollKind ScrollType = ScrollHorizontal;
    bool Loop360 = false;
    PassPlan outward;
    std::optional<PassPlan> back; // the return pass of a there-and-back run
    std::optional<CameraPlan> camera; // replaces the passes above when set
    std::optional<SpherePlan> sphere; // replaces the passes and the camera when set

    // Frames of the whole run, if it is not stopped.
    std::int64_t total() const;
};

// The size of the panorama as frames of the camera see it: scaled so that
// its side across the travel fits the frame (its height for a horizontal
// travel, its width for a vertical one); unscaled without an output size.
PictureSize CameraPanoramaSize(const tanimprm &prm, int panoramaWidth, int panoramaHeight);

// The run's plan: DstRect (centring offsets), the outward pass and, for a
// there-and-back run that is not a 360° loop, the return pass; with an active
// camera, its positions instead (CameraPath.h). A Step of 0
// counts as 1. With Loop360 the pass is one turn of n = round(W / |Step|)
// frames (at least one; W the panorama's length along the travel), nothing
// is centred along the travel, and a negative Step runs the other way.
RunPlan PrepareFrames(const tanimprm &prm, int panoramaWidth, int panoramaHeight);

// Start and delta of the return pass of a there-and-back run: mirrored from
// the outward start (not from its last position), the delta negated.
PassPlan ReturnPass(const PassPlan &outward, const tanimprm &prm, int panoramaWidth, int panoramaHeight);

// Sizes the run's frame bitmap to the plan's frame; throws std::runtime_error
// when it cannot be allocated (negative or oversized frame).
void MakeFrameBitmap(const RunPlan &plan, Bitmap24 &frame);

// Writes every pixel of frame (sized by MakeFrameBitmap) for the position
// (x, y): black, then the panorama copied unscaled, clipped; pixels outside
// the panorama are never read. With Loop360 the window wraps along the
// travel: frame column c (row c when vertical) shows panorama column
// (x + c) mod W, so a frame may join the far edge to the near one.
// Returns the panorama rectangle of the frame (SrcRect).
TRect RenderFrame(const RunPlan &plan, const Bitmap24 &panorama, Bitmap24 &frame, std::int32_t x, std::int32_t y);

// Where the frame at (x, y) lies in the panorama when it is nothing but its
// pixels: inside it, no centring margin, no wrap. Its rows are then the
// panorama's rows from top (each row's pixels; the row padding is not the
// frame's).
struct PanoramaWindow {
    const std::uint8_t *top = nullptr; // the frame's top-left pixel
    std::size_t stride = 0; // the panorama's
};
std::optional<PanoramaWindow> FrameWindow(
    const RunPlan &plan, const Bitmap24 &panorama, std::int32_t x, std::int32_t y);
