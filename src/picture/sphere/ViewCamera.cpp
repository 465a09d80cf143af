#include "picture/sphere/ViewCamera.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

} // namespace

std::string ViewSettingsProblem(const ViewSettings &s)
{
    if (s.width < 1 || s.height < 1 || s.width > kMaxViewSide || s.height > kMaxViewSide)
        return "a view's sides must lie between 1 and " + std::to_string(kMaxViewSide) + " pixels";
    if (s.projection == ViewProjection::Rectilinear && !(s.fovDegrees > 0.0 && s.fovDegrees < 180.0))
        return "the field of view of a rectilinear view must lie between 0 and 180 degrees";
    if (s.projection == ViewProjection::Stereographic && !(s.fovDegrees > 0.0 && s.fovDegrees < 360.0))
        return "the field of view of a stereographic view must lie between 0 and 360 degrees";
    if (s.projection == ViewProjection::Perspective) {
        if (!(s.centreDistance >= 0.0 && s.centreDistance <= 1.0))
            return "the projection centre of a perspective view must lie 0 to 1 radius behind the sphere's centre";
        if (!(s.fovDegrees > 0.0 && s.fovDegrees / 2 * kDegree < std::acos(-s.centreDistance)))
            return "the field of view of that perspective view must lie between 0 and "
                + std::to_string(int(2 * std::acos(-s.centreDistance) / kDegree)) + " degrees";
    }
    if (!(s.pitchDegrees >= -90.0 && s.pitchDegrees <= 90.0))
        return "the pitch must lie between -90 and 90 degrees";
    return {};
}

ViewCamera::ViewCamera(const ViewSettings &settings)
    : m_settings(settings)
{
    const std::string problem = ViewSettingsProblem(settings);
    if (!problem.empty())
        throw std::invalid_argument(problem);
    // The frame's half width reaches the plane point tan(fov / 2) (pinhole)
    // or tan(fov / 4) (stereographic, whose plane point r shows 2 atan r).
    if (settings.projection == ViewProjection::Perspective) {
        const double d = settings.centreDistance, half = settings.fovDegrees * kDegree / 2;
        m_scale = (1 + d) * std::sin(half) / (d + std::cos(half)) / (0.5 * settings.width);
    } else {
        const double halfAngle
            = settings.fovDegrees * kDegree / (settings.projection == ViewProjection::Rectilinear ? 2 : 4);
        m_scale = std::tan(halfAngle) / (0.5 * settings.width);
    }
    m_sinPitch = std::sin(settings.pitchDegrees * kDegree);
    m_cosPitch = std::cos(settings.pitchDegrees * kDegree);
}

Direction ViewCamera::ray(double column, double row) const
{
    const double a = (column + 0.5 - 0.5 * m_settings.width) * m_scale;
    const double b = (0.5 * m_settings.height - row - 0.5) * m_scale;
    Direction d;
    if (m_settings.projection == ViewProjection::Rectilinear) {
        const double norm = std::sqrt(a * a + b * b + 1.0);
        d = { a / norm, b / norm, 1.0 / norm };
    } else if (m_settings.projection == ViewProjection::Perspective) {
        // Plane point r = (1 + c) sin θ / (c + cos θ) solved for θ.
        const double c = m_settings.centreDistance, r = std::hypot(a, b), x = r / (1 + c);
        const double theta = std::atan(x) + std::asin(std::min(1.0, x * c / std::sqrt(1 + x * x)));
        d = r > 0.0 ? Direction { a / r * std::sin(theta), b / r * std::sin(theta), std::cos(theta) } : Direction {};
    } else {
        const double r = std::hypot(a, b);
        // sin and cos of θ = 2 atan r, without the angle.
        const double sinTheta = 2.0 * r / (1.0 + r * r), cosTheta = (1.0 - r * r) / (1.0 + r * r);
        d = r > 0.0 ? Direction { a / r * sinTheta, b / r * sinTheta, cosTheta } : Direction {};
    }
    // Pitch: about the camera's horizontal axis, positive looking up.
    return { d.x, d.y * m_cosPitch + d.z * m_sinPitch, d.z * m_cosPitch - d.y * m_sinPitch };
}

Direction ViewCamera::turned(const Direction &d, double yawDegrees)
{
    const double s = std::sin(yawDegrees * kDegree), c = std::cos(yawDegrees * kDegree);
    return { d.x * c + d.z * s, d.y, d.z * c - d.x * s };
}

std::optional<PicturePoint> ViewCamera::project(const Direction &direction, double yawDegrees) const
{
    const Direction turnedBack = turned(direction, -yawDegrees);
    const Direction d { turnedBack.x, turnedBack.y * m_cosPitch - turnedBack.z * m_sinPitch,
        turnedBack.z * m_cosPitch + turnedBack.y * m_sinPitch };
    double a = 0.0, b = 0.0;
    if (m_settings.projection == ViewProjection::Rectilinear) {
        if (!(d.z > 0.0))
            return std::nullopt;
        a = d.x / d.z;
        b = d.y / d.z;
    } else if (m_settings.projection == ViewProjection::Perspective) {
        const double norm = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z), c = m_settings.centreDistance;
        if (!(norm > 0.0) || !(c + d.z / norm > 1e-12))
            return std::nullopt;
        a = (1 + c) * d.x / (c * norm + d.z);
        b = (1 + c) * d.y / (c * norm + d.z);
    } else {
        // Plane point r = tan(θ / 2) = sin θ / (1 + cos θ) along the direction's bearing.
        const double norm = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
        if (!(norm > 0.0) || !(d.z / norm > -1.0 + 1e-12))
            return std::nullopt;
        a = d.x / (norm + d.z);
        b = d.y / (norm + d.z);
    }
    return PicturePoint { a / m_scale + 0.5 * m_settings.width - 0.5, 0.5 * m_settings.height - b / m_scale - 0.5 };
}
