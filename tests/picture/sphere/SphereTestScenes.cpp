#include "SphereTestScenes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

std::uint8_t Triangle(double distance)
{
    return std::uint8_t(std::lround(255.0 * std::max(0.0, 1.0 - std::fabs(distance))));
}

Direction Cross(const Direction &a, const Direction &b)
{
    return { a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x };
}

double Dot(const Direction &a, const Direction &b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Direction Unit(const Direction &a)
{
    const double n = std::sqrt(Dot(a, a));
    return { a.x / n, a.y / n, a.z / n };
}

double AngleBetween(const Direction &a, const Direction &b)
{
    return std::atan2(std::sqrt(Dot(Cross(a, b), Cross(a, b))), Dot(a, b));
}

// Radians from direction d to the arc of the great circle from a to b.
double AngleToArc(const Direction &d, const Direction &a, const Direction &b)
{
    const Direction n = Unit(Cross(a, b));
    const double off = Dot(d, n);
    const Direction q { d.x - off * n.x, d.y - off * n.y, d.z - off * n.z };
    if (Dot(Cross(a, q), n) >= 0.0 && Dot(Cross(q, b), n) >= 0.0)
        return std::asin(std::min(1.0, std::fabs(off)));
    return std::min(AngleBetween(d, a), AngleBetween(d, b));
}

} // namespace

Bitmap24 meridianPanorama(int width, int height, const std::vector<double> &longitudes)
{
    Bitmap24 picture;
    picture.resize(width, height);
    picture.fill(0, 0, 0);
    for (int y = 0; y < height; ++y) {
        const double latitude = 90.0 - (y + 0.5) * 180.0 / height;
        if (std::fabs(latitude) > 80.0)
            continue;
        std::uint8_t *row = picture.scanLine(y);
        for (const double longitude : longitudes) {
            const double centre = (longitude / 360.0 + 0.5) * width - 0.5;
            for (int x = int(std::floor(centre)) - 1; x <= int(std::floor(centre)) + 2; ++x) {
                const int column = ((x % width) + width) % width;
                const std::uint8_t v = std::max(row[3 * column], Triangle(x - centre));
                row[3 * column] = row[3 * column + 1] = row[3 * column + 2] = v;
            }
        }
    }
    return picture;
}

Bitmap24 parallelPanorama(int width, int height, const std::vector<double> &latitudes)
{
    Bitmap24 picture;
    picture.resize(width, height);
    picture.fill(0, 0, 0);
    for (const double latitude : latitudes) {
        const double centre = (0.5 - latitude / 180.0) * height - 0.5;
        for (int y = int(std::floor(centre)) - 1; y <= int(std::floor(centre)) + 2; ++y) {
            if (y < 0 || y >= height)
                continue;
            const std::uint8_t v = Triangle(y - centre);
            std::uint8_t *row = picture.scanLine(y);
            for (int x = 0; x < width * 3; ++x)
                row[x] = std::max(row[x], v);
        }
    }
    return picture;
}

std::vector<Edge> cubeEdges(double yawDegrees)
{
    const double s = std::sin(yawDegrees * kDegree), c = std::cos(yawDegrees * kDegree);
    const auto corner = [&](int i) {
        const double x = (i & 1) ? 1.0 : -1.0, y = (i & 2) ? 1.0 : -1.0, z = (i & 4) ? 1.0 : -1.0;
        return Direction { x * c + z * s, y, z * c - x * s };
    };
    std::vector<Edge> edges;
    for (int i = 0; i < 8; ++i)
        for (int bit = 1; bit < 8; bit <<= 1)
            if (!(i & bit))
                edges.push_back({ corner(i), corner(i | bit) });
    return edges;
}

Direction pointOnEdge(const Edge &edge, double t)
{
    return { edge.first.x + t * (edge.second.x - edge.first.x), edge.first.y + t * (edge.second.y - edge.first.y),
        edge.first.z + t * (edge.second.z - edge.first.z) };
}

Bitmap24 cubeRoomPanorama(int width, int height, const std::vector<Edge> &edges)
{
    Bitmap24 picture;
    picture.resize(width, height);
    const double pixelsPerRadian = height / std::numbers::pi;
    std::vector<Edge> units;
    for (const Edge &e : edges)
        units.push_back({ Unit(e.first), Unit(e.second) });
    for (int y = 0; y < height; ++y) {
        std::uint8_t *row = picture.scanLine(y);
        const double latitude = 90.0 - (y + 0.5) * 180.0 / height;
        for (int x = 0; x < width; ++x) {
            const Direction d = ToDirection({ (x + 0.5) * 360.0 / width - 180.0, latitude });
            double nearest = 1e9;
            for (const Edge &e : units)
                nearest = std::min(nearest, AngleToArc(d, e.first, e.second));
            row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = Triangle(nearest * pixelsPerRadian);
        }
    }
    return picture;
}

std::optional<double> centroidAlongRow(const Bitmap24 &frame, int row, int from, int to)
{
    if (row < 0 || row >= frame.height() || from < 0 || to >= frame.width() || from > to)
        return std::nullopt;
    double sum = 0.0, moment = 0.0;
    const std::uint8_t *line = frame.scanLine(row);
    for (int x = from; x <= to; ++x) {
        sum += line[3 * x + 1];
        moment += double(line[3 * x + 1]) * x;
    }
    if (sum < 64.0)
        return std::nullopt;
    return moment / sum;
}

std::optional<double> centroidAlongColumn(const Bitmap24 &frame, int column, int from, int to)
{
    if (column < 0 || column >= frame.width() || from < 0 || to >= frame.height() || from > to)
        return std::nullopt;
    double sum = 0.0, moment = 0.0;
    for (int y = from; y <= to; ++y) {
        const double v = frame.scanLine(y)[3 * column + 1];
        sum += v;
        moment += v * y;
    }
    if (sum < 64.0)
        return std::nullopt;
    return moment / sum;
}

double largestDeviationFromFittedLine(const std::vector<Point2> &points)
{
    double mx = 0.0, my = 0.0;
    for (const Point2 &p : points) {
        mx += p.x;
        my += p.y;
    }
    mx /= double(points.size());
    my /= double(points.size());
    double sxx = 0.0, syy = 0.0, sxy = 0.0;
    for (const Point2 &p : points) {
        sxx += (p.x - mx) * (p.x - mx);
        syy += (p.y - my) * (p.y - my);
        sxy += (p.x - mx) * (p.y - my);
    }
    // The line's direction: the principal axis of the points.
    const double angle = 0.5 * std::atan2(2.0 * sxy, sxx - syy);
    const double nx = -std::sin(angle), ny = std::cos(angle);
    double largest = 0.0;
    for (const Point2 &p : points)
        largest = std::max(largest, std::fabs((p.x - mx) * nx + (p.y - my) * ny));
    return largest;
}
