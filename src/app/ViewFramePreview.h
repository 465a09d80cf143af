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

private:
    const std::uint8_t *m_pixels = nullptr;
    int m_panoramaWidth = 0;
    int m_panoramaHeight = 0;
    SphereProjection m_projection = SphereProjection::Flat;
    SpherePlacement m_placement;
    SphereFrame m_frame;
    Bitmap24 m_rendered;
};
