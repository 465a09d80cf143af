#pragma once

#include "picture/sphere/SphereProjection.h"
#include "picture/sphere/ViewCamera.h"

#include <cstdint>
#include <string>

// How a camera pass runs between its ends.
enum class Easing {
    Linear, // at one speed
    Smooth, // starting and stopping gently (smootherstep)
};

// The camera of a run beyond the frame in the panorama's own pixels: an
// output size (the panorama scaled once so that its side across the travel
// fits the frame), a step in fractional pixels, or a pass of a given
// duration, eased, with holds at its ends. Inactive (the default), every
// frame is exactly what it always was: panorama pixels, whole-pixel steps.
struct CameraMove {
    // Frames in output pixels: the run's FrameWidth x FrameHeight are then
    // this size and the panorama is scaled to fit them. 0: not scaled.
    std::int32_t OutputWidth = 0;
    std::int32_t OutputHeight = 0;
    double Step = 0; // pixels (of the frame) between two frames; 0: the run's whole-pixel Step
    double Duration = 0; // seconds a pass lasts (a 360° turn: the turn); 0: the step decides
    double Rate = 30; // frames per second, for the duration and the holds
    Easing Ease = Easing::Linear;
    double Hold = 0; // seconds the frame stays at each end of a pass
    // Music under an MP4, WebM or Matroska video: a sound file; empty: none.
    std::string AudioFile;

    bool Scales() const { return OutputWidth > 0 && OutputHeight > 0; }
    bool Active() const { return Scales() || Step > 0 || Duration > 0 || Ease != Easing::Linear || Hold > 0; }
};

// A run that turns a virtual camera inside a 360° panorama (see
// picture/sphere/SphereViews.h) instead of cutting frames from it: active
// when the mapping is a sphere. The frames are the run's FrameWidth x
// FrameHeight; the pan is in yaw, planned like the camera's passes
// (SpherePath.h), with the camera's duration, easing, holds and rate.
struct SphereView {
    SphereMapping Mapping; // flat: no view
    ViewProjection Projection = ViewProjection::Rectilinear;
    double Fov = kDefaultRectilinearFov; // degrees across the frame
    double Pitch = 0; // degrees, positive up
    bool PlanetIntro = false; // opens from the little planet to the view
    bool Active() const { return Mapping.isSphere(); }
};
// The frame of a view when no output size is chosen.
inline constexpr std::int32_t kDefaultViewWidth = 1920;
inline constexpr std::int32_t kDefaultViewHeight = 1080;

// Item index of the scroll-type radio group.
enum TScrollKind : std::int32_t { ScrollHorizontal = 0, ScrollVertical = 1 };

// The validated settings of one run's frames, read and checked before the run
// starts (the panel's ReadSettings, or the command line's options). The names
// of the files it writes are output/OutputNaming's OutputNames; the frame
// bitmap is the run's own.
struct tanimprm {
    std::int32_t FrameWidth = 0;
    std::int32_t FrameHeight = 0;
    std::int32_t Step = 0; // 0 counts as 1
    bool Center = false;
    bool ScrollDirection = false; // left to right (horizontal), top to bottom (vertical)
    bool ScrollBack = false;
    TScrollKind ScrollType = ScrollHorizontal;
    // The panorama is a full turn: the frame window wraps past the far edge
    // and one pass goes once round; there is no return pass.
    bool Loop360 = false;
    CameraMove Camera;
    SphereView Sphere;
};

// A run through that view: an active view's frames are the camera's output
// size, or kDefaultViewWidth x kDefaultViewHeight without one.
inline void UseSphereView(tanimprm &prm, const SphereView &view)
{
    prm.Sphere = view;
    if (view.Active() && !prm.Camera.Scales()) {
        prm.FrameWidth = kDefaultViewWidth;
        prm.FrameHeight = kDefaultViewHeight;
    }
}
