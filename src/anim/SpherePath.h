#pragma once

#include "anim/AnimSettings.h"
#include "anim/FrameSequence.h"

// Where the views of a run of views (SphereView, AnimSettings.h) look, in
// yaw degrees (0: the panorama's centre, positive: to the right):
// - Loop360: one turn at one speed from yaw 0, n frames (round(duration *
//   rate), or round(360 / step)), frame k at ±k * 360 / n: the frame after
//   the last is the first;
// - otherwise a pass like the camera's (duration or step, easing, holds):
//   for a full turn from yaw 0 to ±360; for a partial panorama from the
//   view's left edge on the panorama's left edge to its right edge on the
//   right one (yaw fixed on the centre when the panorama is narrower than
//   the view); and back unless one way (ScrollBack).
// The step is in frame pixels at the frame's centre: fov / width degrees
// a pixel. --reverse (ScrollDirection false) turns left.
// PlanetIntro: before the first frame, kPlanetIntroSeconds of frames
// opening from the little planet (a stereographic view straight down, 270°
// wide) to the run's view, eased, at the first frame's yaw.
inline constexpr double kPlanetIntroSeconds = 3;
SpherePlan PlanSphere(const tanimprm &prm);

// The view of the opening at u in [0, 1) (0: the little planet), towards `to`.
ViewSettings PlanetIntroView(const ViewSettings &to, double u);
