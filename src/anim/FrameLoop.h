#pragma once

#include "anim/FrameSequence.h"

#include <cstdint>

class Bitmap24;
class FrameSink;
class RunFeedback;

// The one frame loop of every run: the outward pass of the plan and, for a
// there-and-back run, the return pass, each frame rendered (or, for a sink
// that takes panorama rows and a host that does not show frames, taken
// straight from the panorama), prepared and named by the sink, announced on
// the status line (and the progress of a one-file run), shown, and handed to
// the sink. stopRequested (cleared by the caller) is tested before every frame;
// an error inside a frame stops the run and reaches the sink's end() as its
// failure. Errors before the first frame (a frame bitmap that cannot be
// allocated, a sink that cannot begin) are thrown. Returns the frames shown.
std::int64_t PlayPasses(
    const Bitmap24 &panorama, const RunPlan &plan, FrameSink &sink, RunFeedback &feedback, bool &stopRequested);
