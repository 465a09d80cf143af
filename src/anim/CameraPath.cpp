#include "anim/CameraPath.h"

#include <algorithm>
#include <cmath>

double Ease(Easing easing, double u)
{
    u = std::clamp(u, 0.0, 1.0);
    if (easing == Easing::Smooth)
        return u * u * u * (u * (u * 6 - 15) + 10); // smootherstep: no jerk at the ends
    return u;
}

namespace {

std::vector<double> LoopTurn(const tanimprm &prm, double length, double step)
{
    const CameraMove &c = prm.Camera;
    const double frames = c.Duration > 0 ? std::round(c.Duration * c.Rate) : std::round(length / step);
    const std::int64_t n = std::max<std::int64_t>(1, std::int64_t(frames));
    // A negative whole-pixel step turns the other way, as it always has.
    const bool forward = prm.ScrollDirection != (c.Step <= 0 && prm.Step < 0);
    std::vector<double> turn(static_cast<std::size_t>(n));
    for (std::int64_t k = 0; k < n; ++k) {
        const double along = double(k) * length / double(n);
        turn[std::size_t(k)] = forward || along == 0 ? along : length - along;
    }
    return turn;
}

std::vector<double> OnePass(const tanimprm &prm, double distance, double step)
{
    const CameraMove &c = prm.Camera;
    if (distance < 0)
        return {};
    std::int64_t n = 0;
    if (c.Duration > 0)
        n = std::max<std::int64_t>(2, std::int64_t(std::llround(c.Duration * c.Rate)));
    else
        n = std::int64_t(std::floor(distance / step + 1e-9)) + 1;
    std::vector<double> pass;
    pass.reserve(std::size_t(n));
    for (std::int64_t k = 0; k < n; ++k) {
        double along = 0;
        if (c.Duration > 0 || c.Ease != Easing::Linear)
            along = n > 1 ? distance * Ease(c.Ease, double(k) / double(n - 1)) : 0;
        else
            along = double(k) * step;
        pass.push_back(prm.ScrollDirection ? along : distance - along);
    }
    if (c.Duration > 0 && !pass.empty())
        pass.back() = prm.ScrollDirection ? distance : 0; // the end exactly
    const auto hold = std::size_t(std::max<std::int64_t>(0, std::llround(c.Hold * c.Rate)));
    if (hold > 0 && !pass.empty()) {
        pass.insert(pass.begin(), hold, pass.front());
        pass.insert(pass.end(), hold, pass.back());
    }
    return pass;
}

} // namespace

std::vector<double> PassPositions(const tanimprm &prm, double distance, double step)
{
    return OnePass(prm, distance, step);
}

std::vector<double> TurnPositions(const tanimprm &prm, double length, double step)
{
    return LoopTurn(prm, length, step);
}

PictureSize CameraPanoramaSize(const tanimprm &prm, int panoramaWidth, int panoramaHeight)
{
    const CameraMove &c = prm.Camera;
    if (!c.Scales() || panoramaWidth <= 0 || panoramaHeight <= 0)
        return { panoramaWidth, panoramaHeight };
    if (prm.ScrollType == ScrollVertical) {
        const double scale = double(c.OutputWidth) / panoramaWidth;
        return { c.OutputWidth, std::max(1, int(std::lround(panoramaHeight * scale))) };
    }
    const double scale = double(c.OutputHeight) / panoramaHeight;
    return { std::max(1, int(std::lround(panoramaWidth * scale))), c.OutputHeight };
}

CameraPlan PlanCamera(const tanimprm &prm, int panoramaWidth, int panoramaHeight)
{
    CameraPlan plan;
    const PictureSize seen = CameraPanoramaSize(prm, panoramaWidth, panoramaHeight);
    plan.panoramaWidth = seen.width;
    plan.panoramaHeight = seen.height;
    const bool vertical = prm.ScrollType == ScrollVertical;
    plan.scale = panoramaWidth > 0 && panoramaHeight > 0
        ? (vertical ? double(seen.width) / panoramaWidth : double(seen.height) / panoramaHeight)
        : 1;
    // Across the travel: a panorama smaller than the frame is centred, or
    // sits at the top (left).
    const std::int64_t acrossFrame = vertical ? prm.FrameWidth : prm.FrameHeight;
    const std::int64_t acrossPanorama = vertical ? seen.width : seen.height;
    if (prm.Center && acrossFrame > acrossPanorama)
        plan.across = -std::int32_t((acrossFrame - acrossPanorama) / 2);

    const double length = vertical ? seen.height : seen.width;
    const double frame = vertical ? prm.FrameHeight : prm.FrameWidth;
    const double step = prm.Camera.Step > 0 ? prm.Camera.Step : std::max(1.0, std::fabs(double(prm.Step)));
    if (prm.Loop360) {
        if (length > 0)
            plan.passes.push_back(LoopTurn(prm, length, step));
        return plan;
    }
    std::vector<double> outward = OnePass(prm, length - frame, step);
    if (outward.empty())
        return plan;
    plan.passes.push_back(outward);
    if (prm.ScrollBack)
        plan.passes.emplace_back(outward.rbegin(), outward.rend());
    return plan;
}

FrameLayout CameraLayout(const RunPlan &plan)
{
    FrameLayout layout;
    layout.width = plan.FrameWidth;
    layout.height = plan.FrameHeight;
    layout.travel = plan.ScrollType == ScrollVertical ? TravelAxis::Vertical : TravelAxis::Horizontal;
    layout.across = plan.camera ? plan.camera->across : 0;
    layout.wrap = plan.Loop360;
    return layout;
}

std::optional<JudderAdvice> AdviseOnJudder(const RunPlan &plan, double rate)
{
    if (!plan.camera || plan.camera->passes.empty() || rate <= 0)
        return std::nullopt;
    const std::vector<double> &pass = plan.camera->passes.front();
    const bool vertical = plan.ScrollType == ScrollVertical;
    const double frame = vertical ? plan.FrameHeight : plan.FrameWidth;
    // The fastest step between two frames of the pass.
    double fastest = 0;
    for (std::size_t k = 1; k < pass.size(); ++k)
        fastest = std::max(fastest, std::fabs(pass[k] - pass[k - 1]));
    if (fastest <= 0 || frame <= 0)
        return std::nullopt;
    const double crossing = frame / (fastest * rate);
    if (crossing >= kSmoothCrossingSeconds)
        return std::nullopt;
    // A pass as long again per frame width as the smooth crossing wants.
    const double passSeconds = double(pass.size()) / rate;
    return JudderAdvice { crossing, std::ceil(passSeconds * kSmoothCrossingSeconds / crossing) };
}
