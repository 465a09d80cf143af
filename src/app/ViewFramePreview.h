#pragma once

#include "anim/FrameSequence.h"
#include "common/Bitmap24.h"

#include <cstdint>
#include <vector>

// The first frame of a run of views (a 360° panorama seen through a virtual
// camera), as the main window shows it before the run: rendered by the run's
// own remap, at a size that fits the window's area, from the smallest of the
// view's reduced copies of the panorama that holds the detail shown (a 16k
// panorama is not sampled whole for a preview). Made again only when the
// source, the view or the size changes: panel edits that keep the first view
// cost nothing.
class ViewFramePreview {
public:
    // The frame of the plan's first view scaled to fit within maxWidth x
    // maxHeight (never larger than the run's frame); an empty bitmap when
    // the plan shows no view or the frame cannot be made. reducedCopies:
    // the panorama's, largest first (none: the panorama itself is sampled).
    const Bitmap24 &render(const Bitmap24 &panorama, const std::vector<Bitmap24> &reducedCopies, const RunPlan &plan,
        int maxWidth, int maxHeight);

    // Another picture opened (its pixels may lie where the last one's did):
    // the next frame is made anew.
    void forget() { m_made = {}; }

private:
    // What the kept frame was made from.
    struct Made {
        const std::uint8_t *pixels = nullptr;
        int width = 0;
        int height = 0;
        SphereProjection projection = SphereProjection::Flat;
        SpherePlacement placement;
        SphereFrame frame;
        bool operator==(const Made &) const = default;
    };
    Made m_made;
    Bitmap24 m_rendered;
};
