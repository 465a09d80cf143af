#include "picture/sphere/SphereProjection.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

double Wrapped(double value, double period)
{
    const double r = std::fmod(value, period);
    return r < 0.0 ? r + period : r;
}

} // namespace

LonLat ToLonLat(const Direction &d)
{
    const double horizontal = std::hypot(d.x, d.z);
    return { std::atan2(d.x, d.z) / kDegree, std::atan2(d.y, horizontal) / kDegree };
}

Direction ToDirection(const LonLat &a)
{
    const double lon = a.longitude * kDegree, lat = a.latitude * kDegree;
    return { std::cos(lat) * std::sin(lon), std::sin(lat), std::cos(lat) * std::cos(lon) };
}

std::string SphereMapping::placementProblem(SphereProjection projection, const SpherePlacement &p)
{
    if (projection == SphereProjection::Flat)
        return "a flat picture has no place on the sphere";
    if (p.fullWidth < 1 || p.fullHeight < 1)
        return "the full panorama has no area";
    if (p.fullWidth > kMaxFullPanoramaSide || p.fullHeight > kMaxFullPanoramaSide)
        return "the full panorama is larger than " + std::to_string(kMaxFullPanoramaSide) + " pixels a side";
    if (p.width < 1 || p.height < 1)
        return "the cropped area has no area";
    if (p.width > p.fullWidth)
        return "the cropped area is wider than the full panorama";
    if (p.left < 0 || p.left >= p.fullWidth)
        return "the cropped area's left edge is outside the full panorama";
    if (p.top < 0 || p.height > p.fullHeight - p.top)
        return "the cropped area runs past the top or bottom of the full panorama";
    return {};
}

SphereMapping::SphereMapping(SphereProjection projection, const SpherePlacement &placement)
    : m_projection(projection)
    , m_placement(placement)
{
    const std::string problem = placementProblem(projection, placement);
    if (!problem.empty())
        throw std::invalid_argument(problem);
}

SphereMapping SphereMapping::whole(SphereProjection projection, int width, int height)
{
    return SphereMapping(projection, { width, height, 0, 0, width, height });
}

SphereMapping SphereMapping::covering(SphereProjection projection, int width, int height, double degrees)
{
    if (!(degrees > 0.0 && degrees <= 360.0))
        throw std::invalid_argument("the covered angle is not within 0 to 360 degrees");
    SpherePlacement p;
    p.width = width;
    p.height = height;
    p.fullWidth = std::max<std::int64_t>(width, std::llround(width * 360.0 / degrees));
    // Equirectangular pixels are as high as wide; a cylindrical picture keeps
    // its height, the horizon on its middle row.
    p.fullHeight = projection == SphereProjection::Equirectangular ? std::max<std::int64_t>(height, p.fullWidth / 2)
                                                                   : std::int64_t(height);
    p.left = (p.fullWidth - width) / 2;
    p.top = (p.fullHeight - height) / 2;
    return SphereMapping(projection, p);
}

double SphereMapping::coveredDegrees() const
{
    if (!isSphere())
        return 0.0;
    return m_placement.width >= m_placement.fullWidth
        ? 360.0
        : 360.0 * double(m_placement.width) / double(m_placement.fullWidth);
}

bool SphereMapping::closes() const
{
    return isSphere() && m_placement.width >= m_placement.fullWidth;
}

double SphereMapping::fullColumn(double longitudeRadians) const
{
    return (longitudeRadians / (2.0 * std::numbers::pi) + 0.5) * double(m_placement.fullWidth);
}

double SphereMapping::fullRow(double latitudeRadians) const
{
    const double fullHeight = double(m_placement.fullHeight);
    if (m_projection == SphereProjection::Equirectangular)
        return (0.5 - latitudeRadians / std::numbers::pi) * fullHeight;
    const double radius = double(m_placement.fullWidth) / (2.0 * std::numbers::pi);
    return 0.5 * fullHeight - radius * std::tan(latitudeRadians);
}

namespace {

// The latitude (radians) of continuous full-panorama row y.
double LatitudeOfRow(SphereProjection projection, const SpherePlacement &p, double y)
{
    if (projection == SphereProjection::Equirectangular)
        return (0.5 - y / double(p.fullHeight)) * std::numbers::pi;
    const double radius = double(p.fullWidth) / (2.0 * std::numbers::pi);
    return std::atan((0.5 * double(p.fullHeight) - y) / radius);
}

} // namespace

double SphereMapping::topLatitude() const
{
    return isSphere() ? LatitudeOfRow(m_projection, m_placement, double(m_placement.top)) / kDegree : 0.0;
}

double SphereMapping::bottomLatitude() const
{
    return isSphere() ? LatitudeOfRow(m_projection, m_placement, double(m_placement.top + m_placement.height)) / kDegree
                      : 0.0;
}

bool SphereMapping::coversPoles() const
{
    return m_projection == SphereProjection::Equirectangular && closes() && m_placement.top == 0
        && m_placement.height == m_placement.fullHeight;
}

std::optional<PicturePoint> SphereMapping::toPicture(const LonLat &a) const
{
    if (!isSphere() || !std::isfinite(a.longitude) || !(std::fabs(a.latitude) <= 90.0))
        return std::nullopt;
    const SpherePlacement &p = m_placement;
    const double x = Wrapped(fullColumn(a.longitude * kDegree) - double(p.left), double(p.fullWidth));
    const double y = fullRow(a.latitude * kDegree) - double(p.top);
    if (!(x < double(p.width)) || !(y >= 0.0 && y < double(p.height)))
        return std::nullopt;
    return PicturePoint { x - 0.5, y - 0.5 };
}

std::optional<PicturePoint> SphereMapping::toPicture(const Direction &d) const
{
    return toPicture(ToLonLat(d));
}

std::optional<LonLat> SphereMapping::toDirection(const PicturePoint &point) const
{
    if (!isSphere())
        return std::nullopt;
    const SpherePlacement &p = m_placement;
    const double fullX = point.x + 0.5 + double(p.left);
    const double longitude = Wrapped(fullX / double(p.fullWidth) + 0.5, 1.0) * 360.0 - 180.0;
    const double latitude = LatitudeOfRow(m_projection, p, point.y + 0.5 + double(p.top)) / kDegree;
    return LonLat { longitude, latitude };
}

SphereMapping SphereMapping::scaledTo(int width, int height) const
{
    if (!isSphere())
        return *this;
    const SpherePlacement &p = m_placement;
    if (width == p.width && height == p.height)
        return *this;
    const double sx = double(width) / double(std::max<std::int64_t>(p.width, 1));
    const double sy = double(height) / double(std::max<std::int64_t>(p.height, 1));
    SpherePlacement scaled;
    scaled.width = width;
    scaled.height = height;
    // A full turn stays a full turn, whatever the rounding.
    scaled.fullWidth = p.width == p.fullWidth ? width : std::llround(double(p.fullWidth) * sx);
    scaled.left = std::llround(double(p.left) * sx);
    scaled.top = std::llround(double(p.top) * sy);
    scaled.fullHeight
        = p.top + p.height == p.fullHeight && p.top == 0 ? height : std::llround(double(p.fullHeight) * sy);
    scaled.fullWidth = std::max(scaled.fullWidth, scaled.width);
    scaled.fullHeight = std::max(scaled.fullHeight, scaled.top + scaled.height);
    if (scaled.left >= scaled.fullWidth)
        scaled.left -= scaled.fullWidth;
    return SphereMapping(m_projection, scaled);
}

bool LooksEquirectangular(int width, int height)
{
    return height > 0 && std::int64_t(width) == 2 * std::int64_t(height);
}
