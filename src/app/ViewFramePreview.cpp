#include "app/ViewFramePreview.h"

#include "anim/SphereFrames.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <thread>
#include <utility>

namespace {

// The smallest copy at least as wide as the detail a view shows: frame
// pixels over its field of view, across the angle the picture covers.
const Bitmap24 &DetailedEnough(
    const Bitmap24 &panorama, const std::vector<Bitmap24> &reducedCopies, const SphereFrame &frame, double covered)
{
    const double needed = frame.view.width * covered / std::max(1.0, frame.view.fovDegrees);
    const Bitmap24 *chosen = &panorama;
    for (const Bitmap24 &copy : reducedCopies)
        if (!copy.isEmpty() && copy.width() >= needed && copy.width() < chosen->width())
            chosen = &copy;
    return *chosen;
}

} // namespace

const Bitmap24 &ViewFramePreview::render(const Bitmap24 &panorama, const std::vector<Bitmap24> &reducedCopies,
    const RunPlan &plan, int maxWidth, int maxHeight)
{
    if (!plan.sphere || plan.sphere->passes.empty() || plan.sphere->passes.front().empty() || panorama.isEmpty()
        || maxWidth < 2 || maxHeight < 2) {
        m_rendered.clear();
        m_made = {};
        return m_rendered;
    }
    SphereFrame frame = plan.sphere->passes.front().front();
    const double scale = std::min({ 1.0, double(maxWidth) / frame.view.width, double(maxHeight) / frame.view.height });
    frame.view.width = std::max(2, int(std::lround(frame.view.width * scale)));
    frame.view.height = std::max(2, int(std::lround(frame.view.height * scale)));
    const SphereMapping &mapping = plan.sphere->mapping;
    const Bitmap24 &source = DetailedEnough(panorama, reducedCopies, frame, mapping.coveredDegrees());
    const Made made { source.bits(), source.width(), source.height(), mapping.projection(), mapping.placement(),
        frame };
    if (made == m_made)
        return m_rendered;
    m_made = made;
    try {
        // The mapping is the panorama's; the views scale it to the copy.
        SphereFrames views(source, mapping, std::max(1u, std::thread::hardware_concurrency()));
        if (!views.render(frame, m_rendered))
            m_rendered.clear();
    } catch (const std::exception &) {
        m_rendered.clear(); // no preview; the run says why if it meets the same
    }
    return m_rendered;
}
