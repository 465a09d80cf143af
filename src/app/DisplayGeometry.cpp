#include "app/DisplayGeometry.h"

#include <algorithm>
#include <cstdlib>

TRect ComputeDrawArea(const TRect &clientArea, int visiblePanelWidth)
{
    TRect area;
    area.Left = clientArea.Left + kDrawMargin;
    area.Top = clientArea.Top + kDrawMargin;
    area.Right = std::max(clientArea.Right - kDrawMargin - visiblePanelWidth, area.Left);
    area.Bottom = std::max(clientArea.Bottom - kDrawMargin, area.Top);
    return area;
}

PaintPlacement ComputePaintPlacement(const TRect &drawArea, int pictureWidth, int pictureHeight, bool centerInWindow)
{
    PaintPlacement p;
    int aw = std::abs(drawArea.Right - drawArea.Left) + 1;
    int ox = 0;
    if (aw > pictureWidth) {
        if (centerInWindow)
            ox = (aw - pictureWidth) / 2;
        aw = pictureWidth;
    }
    int ah = std::abs(drawArea.Bottom - drawArea.Top) + 1;
    int oy = 0;
    if (ah > pictureHeight) {
        if (centerInWindow)
            oy = (ah - pictureHeight) / 2;
        ah = pictureHeight;
    }
    p.SourceWidth = aw;
    p.SourceHeight = ah;
    p.X = kDrawMargin + ox;
    p.Y = kDrawMargin + oy;
    // A copy with one side 0 draws nothing either.
    p.Draws = aw > 0 && ah > 0;
    return p;
}
