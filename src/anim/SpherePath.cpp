#include "anim/SpherePath.h"

#include "anim/CameraPath.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

// The perspective centre of a view: 0 for a pinhole, 1 for stereographic.
double CentreOf(const ViewSettings &view)
{
    if (view.projection == ViewProjection::Perspective)
        return view.centreDistance;
    return view.projection == ViewProjection::Stereographic ? 1.0 : 0.0;
}

} // namespace

ViewSettings PlanetIntroView(const ViewSettings &to, double u)
{
    const double e = Ease(Easing::Smooth, u);
    ViewSettings view = to;
    view.projection = ViewProjection::Perspective;
    view.centreDistance = 1.0 + (CentreOf(to) - 1.0) * e;
    view.pitchDegrees = kLittlePlanetPitch + (to.pitchDegrees - kLittlePlanetPitch) * e;
    view.fovDegrees = kDefaultStereographicFov + (to.fovDegrees - kDefaultStereographicFov) * e;
    // Within what the centre can show: below 2 acos(-d).
    const double widest = 2 * std::acos(-view.centreDistance) / kDegree;
    view.fovDegrees = std::min(view.fovDegrees, widest * 0.99);
    return view;
}

SpherePlan PlanSphere(const tanimprm &prm)
{
    const SphereView &s = prm.Sphere;
    SpherePlan plan;
    plan.mapping = s.Mapping;
    ViewSettings view;
    view.projection = s.Projection;
    view.width = prm.FrameWidth;
    view.height = prm.FrameHeight;
    view.fovDegrees = s.Fov;
    view.pitchDegrees = s.Pitch;
    if (view.width <= 0 || view.height <= 0)
        return plan;
    const double pixels = prm.Camera.Step > 0 ? prm.Camera.Step : std::max(1.0, std::fabs(double(prm.Step)));
    const double step = pixels * s.Fov / view.width;
    const auto framesOf = [&view](const std::vector<double> &yaws) {
        std::vector<SphereFrame> frames;
        frames.reserve(yaws.size());
        for (const double yaw : yaws)
            frames.push_back({ view, yaw });
        return frames;
    };
    if (prm.Loop360) {
        plan.passes.push_back(framesOf(TurnPositions(prm, 360.0, step)));
    } else if (s.Mapping.closes()) {
        plan.passes.push_back(framesOf(PassPositions(prm, 360.0, step)));
    } else {
        // From edge to edge of the covered angle, about its centre.
        const SpherePlacement &p = s.Mapping.placement();
        const double centre = ((double(p.left) + 0.5 * double(p.width)) / double(p.fullWidth) - 0.5) * 360.0;
        const double distance = std::max(0.0, s.Mapping.coveredDegrees() - s.Fov);
        std::vector<double> yaws = PassPositions(prm, distance, step);
        for (double &yaw : yaws)
            yaw += centre - distance / 2;
        plan.passes.push_back(framesOf(yaws));
    }
    if (!prm.Loop360 && prm.ScrollBack && !plan.passes.front().empty())
        plan.passes.emplace_back(plan.passes.front().rbegin(), plan.passes.front().rend());
    if (s.PlanetIntro && !plan.passes.front().empty()) {
        const auto count = std::max<std::int64_t>(2, std::llround(kPlanetIntroSeconds * prm.Camera.Rate));
        std::vector<SphereFrame> intro;
        for (std::int64_t k = 0; k < count; ++k)
            intro.push_back({ PlanetIntroView(view, double(k) / double(count)), plan.passes.front().front().yaw });
        std::vector<SphereFrame> &first = plan.passes.front();
        first.insert(first.begin(), intro.begin(), intro.end());
    }
    return plan;
}
