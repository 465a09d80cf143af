#pragma once

#include "common/TRect.h"

#include <cstdint>

// Where the main window draws its picture. Pictures are never scaled: one
// larger than the drawing area shows its top-left part, a smaller one sits
// at the area's top-left corner or, when centred, in its middle.

inline constexpr int kDrawMargin = 5;

// The drawing rectangle: the client rectangle less the margin and, when the
// panel is visible, the panel's width; never inverted.
TRect ComputeDrawArea(const TRect &clientArea, int visiblePanelWidth);

struct PaintPlacement {
    int SourceWidth = 0; // columns of the picture copied
    int SourceHeight = 0; // rows of the picture copied
    int X = 0; // where its top-left corner lands in the client area
    int Y = 0;
    bool Draws = false; // false when there is nothing to copy
    bool operator==(const PaintPlacement &) const = default;
};

PaintPlacement ComputePaintPlacement(const TRect &drawArea, int pictureWidth, int pictureHeight, bool centerInWindow);
