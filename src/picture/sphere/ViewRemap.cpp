#include "picture/sphere/ViewRemap.h"

#include "common/MemoryBudget.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>
#include <utility>

namespace {

// A level is read from where one frame pixel covers 2^(level + bias)
// picture pixels: the picture alone up to √2 pixels a frame pixel, sharper
// than textbook mip-mapping (bias 0) and with little more aliasing, the
// picture's own detail there being near its limit anyway.
constexpr double kLevelBias = 0.5;

// Per frame pixel, before the tables are filled: where the ray meets the
// full panorama (continuous coordinates) at yaw 0.
struct RayPoint {
    double x = 0.0;
    double y = 0.0;
};

// The largest part of a pixel the level choice keeps: eighths.
constexpr int kBlendSteps = 8;

std::uint8_t ModeFor(double footprint, int topLevel)
{
    if (!(footprint > 0.0))
        return RemapMode(0, 0);
    const double lambda = std::log2(footprint) - kLevelBias;
    if (lambda <= 0.0)
        return RemapMode(0, 0);
    int level = int(lambda);
    int next = int(std::lround((lambda - level) * kBlendSteps));
    if (next == kBlendSteps) {
        ++level;
        next = 0;
    }
    if (level >= topLevel)
        return RemapMode(topLevel, 0);
    return RemapMode(level, next);
}

} // namespace

ViewRemap::ViewRemap(const Bitmap24 &panorama, const SphereMapping &mapping, const ViewSettings &view)
    : m_mapping(mapping)
    , m_camera(view)
{
    if (!mapping.isSphere())
        throw std::invalid_argument("a flat picture has no view on the sphere");
    if (mapping.placement().width != panorama.width() || mapping.placement().height != panorama.height())
        throw std::invalid_argument("the sphere mapping was made for a picture of another size");
    const std::uint64_t pixels = std::uint64_t(view.width) * std::uint64_t(view.height);
    // The tables, and the rows of ray points they are computed from.
    const std::uint64_t tableBytes = pixels * (2 * sizeof(std::uint32_t) + 1) + std::uint64_t(view.width) * 2 * 16;
    MemoryShortage shortage;
    if (!MemoryFits(tableBytes, shortage))
        throw std::bad_alloc();
    m_panorama.share(panorama);
    m_fullSpan = std::uint32_t(mapping.placement().fullWidth) * kRemapOne;
    m_coveredSpan = std::uint32_t(mapping.placement().width) * kRemapOne;
    m_u.resize(pixels);
    m_v.resize(pixels);
    m_mode.resize(pixels);
    std::vector<RowBand> bands;
    computeTables(bands);
    m_levels = SphereLevels(m_panorama, bands, mapping.closes());
    // The const pixels: the shared ones, never a copy.
    const Bitmap24 &picture = m_panorama;
    m_levelViews.push_back({ picture.bits(), picture.stride(), 0, picture.width(), picture.height(), 0, 0 });
    for (int k = 1; k < int(bands.size()); ++k)
        m_levelViews.push_back(m_levels.level(k));
}

void ViewRemap::computeTables(std::vector<RowBand> &bands)
{
    const ViewSettings &view = m_camera.settings();
    const SpherePlacement &p = m_mapping.placement();
    const int width = view.width, height = view.height;
    const double fullWidth = double(p.fullWidth);
    const int topLevel = SphereLevels::levelCount(int(p.width), int(p.height)) - 1;

    const auto rayRow = [&](int row, std::vector<RayPoint> &out) {
        for (int i = 0; i < width; ++i) {
            const Direction d = m_camera.ray(i, row);
            const double longitude = std::atan2(d.x, d.z), latitude = std::asin(std::clamp(d.y, -1.0, 1.0));
            out[std::size_t(i)] = { m_mapping.fullColumn(longitude), m_mapping.fullRow(latitude) };
        }
    };
    // How far apart two ray points lie on the panorama, the short way round;
    // 0 past a cylinder's ends, where a neighbour has no point.
    const auto distance = [&](const RayPoint &a, const RayPoint &b) {
        double dx = b.x - a.x;
        dx -= fullWidth * std::nearbyint(dx / fullWidth);
        const double d = std::hypot(dx, b.y - a.y);
        return std::isfinite(d) ? d : 0.0;
    };
    const auto columns = std::size_t(width);
    std::vector<RayPoint> row(columns), next(columns), previous(columns);
    rayRow(0, row);
    int levelsUsed = 1;
    for (int j = 0; j < height; ++j) {
        const bool last = j + 1 == height;
        if (!last)
            rayRow(j + 1, next);
        // Across rows, the last row looks back at the one before.
        const std::vector<RayPoint> &down = last ? (height > 1 ? previous : row) : next;
        for (int i = 0; i < width; ++i) {
            const std::size_t at = std::size_t(j) * std::size_t(width) + std::size_t(i);
            const RayPoint &point = row[std::size_t(i)];
            const double x = point.x - double(p.left), y = point.y - double(p.top);
            if (!std::isfinite(x) || !(y >= 0.0 && y < double(p.height))) {
                m_u[at] = 0;
                m_v[at] = 0;
                m_mode[at] = kRemapOutside;
                continue;
            }
            const double wrapped = x - fullWidth * std::floor(x / fullWidth);
            std::uint64_t u = std::uint64_t(std::llround(wrapped * kRemapOne));
            m_u[at] = std::uint32_t(u >= m_fullSpan ? u - m_fullSpan : u);
            m_v[at] = std::uint32_t(std::min<long long>(std::llround(y * kRemapOne), p.height * kRemapOne - 1));
            const RayPoint &across = row[std::size_t(i + 1 < width ? i + 1 : std::max(i - 1, 0))];
            const double footprint = std::max(
                width > 1 ? distance(point, across) : 0.0, height > 1 ? distance(point, down[std::size_t(i)]) : 0.0);
            m_mode[at] = ModeFor(footprint, topLevel);
            levelsUsed = std::max(levelsUsed, RemapModeLevel(m_mode[at]) + (RemapModeNext(m_mode[at]) ? 2 : 1));
        }
        previous.swap(row);
        row.swap(next);
        if (last)
            break;
    }
    // The rows each level is read from: the same arithmetic as the sampling.
    bands.assign(std::size_t(levelsUsed), RowBand {});
    std::vector<RemapLevel> shapes;
    for (int k = 0; k < levelsUsed; ++k)
        shapes.push_back(SphereLevels::shape(int(p.width), int(p.height), k));
    for (std::size_t at = 0; at < m_mode.size(); ++at) {
        const std::uint8_t mode = m_mode[at];
        if (mode == kRemapOutside)
            continue;
        const int level = RemapModeLevel(mode);
        for (int k = level; k <= level + (RemapModeNext(mode) ? 1 : 0); ++k) {
            const RemapLevel &shape = shapes[std::size_t(k)];
            const int first = RemapFirstTapRow(shape, m_v[at], k);
            bands[std::size_t(k)].include(std::max(first, 0), std::min(first + 3, shape.height - 1));
        }
    }
}

bool ViewRemap::render(double yawDegrees, Bitmap24 &frame) const
{
    const ViewSettings &view = m_camera.settings();
    if (!frame.resize(view.width, view.height))
        return false;
    renderRows(yawDegrees, frame, 0, view.height);
    return true;
}

void ViewRemap::renderRows(double yawDegrees, Bitmap24 &frame, int first, int end) const
{
    if (!std::isfinite(yawDegrees))
        throw std::invalid_argument("ViewRemap: the yaw is not a number");
    const ViewSettings &view = m_camera.settings();
    if (frame.width() != view.width || frame.height() != view.height)
        throw std::invalid_argument("ViewRemap: the frame is not the view's size");
    const double turn = std::fmod(yawDegrees, 360.0) / 360.0;
    long long shift = std::llround(turn * double(m_fullSpan)) % (long long)m_fullSpan;
    if (shift < 0)
        shift += m_fullSpan;
    RemapFrame f;
    f.levels = m_levelViews.data();
    f.shift = std::uint32_t(shift);
    f.fullSpan = m_fullSpan;
    f.coveredSpan = m_coveredSpan;
    f.wraps = m_mapping.closes();
    f.overPoles = m_mapping.coversPoles();
    for (int j = std::max(first, 0); j < std::min(end, view.height); ++j) {
        const std::size_t at = std::size_t(j) * std::size_t(view.width);
        RemapRow(f, m_u.data() + at, m_v.data() + at, m_mode.data() + at, view.width, frame.scanLine(j));
    }
}

std::size_t ViewRemap::heldBytes() const
{
    return m_u.capacity() * sizeof(std::uint32_t) + m_v.capacity() * sizeof(std::uint32_t) + m_mode.capacity()
        + m_levels.heldBytes();
}
