#pragma once

#include "anim/AnimSettings.h"

// The settings of a there-and-back run of w x h frames over a panorama.
inline tanimprm scrollSettings(int w, int h, int step, bool forward, bool vertical, bool center = true)
{
    tanimprm prm;
    prm.FrameWidth = w;
    prm.FrameHeight = h;
    prm.Step = step;
    prm.Center = center;
    prm.ScrollDirection = forward;
    prm.ScrollBack = true;
    prm.ScrollType = vertical ? ScrollVertical : ScrollHorizontal;
    return prm;
}
