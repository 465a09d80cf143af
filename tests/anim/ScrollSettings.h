#pragma once

#include "anim/AnimSettings.h"

class Bitmap24;

// The settings of a there-and-back run of w x h frames over a panorama,
// rendered into frame.
inline tanimprm scrollSettings(Bitmap24 &frame, int w, int h, int step, bool forward, bool vertical, bool center = true)
{
    tanimprm prm;
    prm.FrameBitmap = &frame;
    prm.FrameWidth = w;
    prm.FrameHeight = h;
    prm.Step = step;
    prm.Center = center;
    prm.ScrollDirection = forward;
    prm.ScrollBack = true;
    prm.ScrollType = vertical ? ScrollVertical : ScrollHorizontal;
    return prm;
}
