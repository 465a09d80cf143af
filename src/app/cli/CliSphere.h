#pragma once

#include "anim/AnimSettings.h"

#include <ostream>

class Bitmap24;
struct CliOptions;

// The sphere of the command line: the picture's projection from
// --input-projection, or from its Photo Sphere metadata, or flat; and the
// view the options ask for. Says in one line which projection is used and
// where it comes from (or that a 2:1 picture would show as a sphere, or why
// the metadata was ignored), unless quiet. False, after the message, when
// the options cannot be met: view options without a sphere, --loop360 on a
// panorama that covers less than a full turn.
bool SphereFromOptions(const CliOptions &options, const Bitmap24 &picture, SphereView &view, std::ostream &err);
