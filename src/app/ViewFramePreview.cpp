#include "app/ViewFramePreview.h"

#include "anim/SphereFrames.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <thread>
#include <utility>

const Bitmap24 &ViewFramePreview::render(const Bitmap24 &panorama, const RunPlan &plan, int maxWidth, int maxHeight)
{
    if (!plan.sphere || plan.sphere->passes.empty() || plan.sphere->passes.front().empty() || panorama.isEmpty()
        || maxWidth < 2 || maxHeight < 2) {
        m_rendered.clear();
        m_pixels = nullptr;
        return m_rendered;
    }
    SphereFrame frame = plan.sphere->passes.front().front();
    const double scale = std::min({ 1.0, double(maxWidth) / frame.view.width, double(maxHeight) / frame.view.height });
    frame.view.width = std::max(2, int(std::lround(frame.view.width * scale)));
    frame.view.height = std::max(2, int(std::lround(frame.view.height * scale)));
    const SphereMapping &mapping = plan.sphere->mapping;
    const std::uint8_t *pixels = panorama.bits();
    if (pixels == m_pixels && panorama.width() == m_panoramaWidth && panorama.height() == m_panoramaHeight
        && mapping.projection() == m_projection && mapping.placement() == m_placement && frame.view == m_frame.view
        && frame.yaw == m_frame.yaw)
        return m_rendered;
    m_pixels = pixels;
    m_panoramaWidth = panorama.width();
    m_panoramaHeight = panorama.height();
    m_projection = mapping.projection();
    m_placement = mapping.placement();
    m_frame = frame;
    try {
        SphereFrames views(panorama, mapping, std::max(1u, std::thread::hardware_concurrency()));
        if (!views.render(frame, m_rendered))
            m_rendered.clear();
    } catch (const std::exception &) {
        m_rendered.clear(); // no preview; the run says why if it meets the same
    }
    return m_rendered;
}
