#pragma once

#include "anim/FrameSequence.h"
#include "picture/sphere/ViewRemap.h"

#include <memory>

class Bitmap24;

// Renders the frames of a run of views (SpherePlan) from one panorama: one
// remap for the view (its tables made again only when the view changes, as
// in the little planet's opening), each frame's rows shared out among
// `threads` threads that read the same tables.
class SphereFrames {
public:
    SphereFrames(const Bitmap24 &panorama, const SphereMapping &mapping, unsigned threads);
    ~SphereFrames();

    // false when the frame cannot be allocated; std::bad_alloc when the
    // view's tables do not fit in memory.
    bool render(const SphereFrame &frame, Bitmap24 &out);
    // The current view's tables and levels (ViewRemap::heldBytes); 0 before the first frame.
    std::size_t heldBytes() const { return m_remap ? m_remap->heldBytes() : 0; }

private:
    const Bitmap24 &m_panorama;
    SphereMapping m_mapping;
    unsigned m_threads;
    std::unique_ptr<ViewRemap> m_remap;
};
