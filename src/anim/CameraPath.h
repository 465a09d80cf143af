#pragma once

#include "anim/AnimSettings.h"
#include "anim/FrameSequence.h"

#include "picture/FrameSampler.h"

#include <optional>

// Where the frames of a camera run stand (CameraMove, AnimSettings.h), in
// the panorama as the frames see it (scaled: CameraPanoramaSize). Along the
// travel, L is that panorama's length and F the frame's; a pass goes from 0
// to D = L - F (from D to 0 right to left, or bottom to top):
// - with a duration, a pass has N = round(duration * rate) frames (at least
//   2) and frame k stands at D * e(k / (N - 1)), e the easing: its first and
//   last frames are the pass's ends exactly;
// - otherwise frames stand a step apart, from the start while they stay
//   within D (eased, the same number of frames is spread by e over [0, D]);
// - holds repeat the first and the last position round(hold * rate) times;
// - the return pass of a there-and-back run is the outward pass backwards;
// - a 360° loop is one turn at one speed: n frames (round(duration * rate),
//   or round(L / step)), frame k at k * L / n, wrapping; easing and holds do
//   not apply, and the frame after the last is the first.
// A pass with D < 0 (a frame longer than the panorama, without a loop) has
// no frames.
CameraPlan PlanCamera(const tanimprm &prm, int panoramaWidth, int panoramaHeight);

// The positions of one pass over `distance` (OnePass above: duration or
// steps, easing, holds, direction), and of a 360° turn of `length`, for
// travels in other units than pixels (a yaw in degrees).
std::vector<double> PassPositions(const tanimprm &prm, double distance, double step);
std::vector<double> TurnPositions(const tanimprm &prm, double length, double step);

// How the frames of a camera plan lie on its panorama, for the sampler.
FrameLayout CameraLayout(const RunPlan &plan);

// The easing of a pass at u in [0, 1].
double Ease(Easing easing, double u);

// How fast a pass crosses the frame: pans that cross one frame width in less
// than about 7 seconds judder at video rates. The advice, when a pass is that
// fast: the seconds it takes at its fastest, and the duration of a pass that
// would take 7.
struct JudderAdvice {
    double crossingSeconds = 0;
    double smoothDuration = 0;
};
inline constexpr double kSmoothCrossingSeconds = 7;
std::optional<JudderAdvice> AdviseOnJudder(const RunPlan &plan, double rate);
