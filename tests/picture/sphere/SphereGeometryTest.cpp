#include "picture/sphere/ViewCamera.h"
#include "picture/sphere/ViewRemap.h"

#include "SphereTestScenes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// A view of the test panoramas and the yaw of its frame.
struct GeometryCase {
    const char *label;
    ViewProjection projection;
    int width, height;
    double fov, pitch, yaw;
};

ViewSettings settingsOf(const GeometryCase &c)
{
    return { c.projection, c.width, c.height, c.fov, c.pitch };
}

const std::vector<double> kLongitudes { -150, -120, -90, -60, -30, 0, 30, 60, 90, 120, 150, 180 };
const std::vector<double> kLatitudes { -60, -40, -20, 0, 20, 40, 60 };
constexpr int kPanoramaWidth = 2048, kPanoramaHeight = 1024;
constexpr int kWindow = 5; // pixels each side of the predicted crossing
constexpr double kTolerance = 0.25;

// Where a line of the sphere (a sampled curve of directions) crosses each
// frame row (acrossRows) or column, for the parts of it steeper than 45°
// across that axis.
struct Crossing {
    int line; // index of the sampled row or column
    double at; // predicted position along it
};

std::vector<Crossing> crossings(const std::vector<std::optional<PicturePoint>> &curve, bool acrossRows, int lines)
{
    std::vector<Crossing> found;
    for (std::size_t i = 1; i < curve.size(); ++i) {
        if (!curve[i - 1] || !curve[i])
            continue;
        const double a0 = acrossRows ? curve[i - 1]->y : curve[i - 1]->x, a1 = acrossRows ? curve[i]->y : curve[i]->x;
        const double b0 = acrossRows ? curve[i - 1]->x : curve[i - 1]->y, b1 = acrossRows ? curve[i]->x : curve[i]->y;
        if (!std::isfinite(a0 + a1 + b0 + b1) || std::fabs(b1 - b0) > std::fabs(a1 - a0))
            continue; // flatter than 45° along this axis: measured across the other
        const double low = std::max(std::min(a0, a1), 0.0), high = std::min(std::max(a0, a1), lines - 1.0);
        if (!(low <= high))
            continue; // beside the frame (and beyond what an int holds)
        const int first = int(std::ceil(low)), last = int(std::floor(high));
        for (int line = first; line <= last; ++line) {
            if (a0 == a1)
                continue;
            const double t = (line - a0) / (a1 - a0);
            if (t < 0.0 || t >= 1.0)
                continue;
            found.push_back({ line, b0 + t * (b1 - b0) });
        }
    }
    return found;
}

struct LineErrors {
    int measured = 0;
    double largest = 0.0;
};

// Every crossing of every line of the sphere with the frame's rows or
// columns: the intensity centroid against the projection's position. A
// crossing within twice the window of another line's is skipped.
LineErrors measureLines(const Bitmap24 &frame, const std::vector<std::vector<std::optional<PicturePoint>>> &curves)
{
    LineErrors errors;
    for (const bool acrossRows : { true, false }) {
        std::vector<Crossing> all;
        std::vector<std::size_t> owner;
        for (std::size_t c = 0; c < curves.size(); ++c)
            for (const Crossing &x : crossings(curves[c], acrossRows, acrossRows ? frame.height() : frame.width())) {
                all.push_back(x);
                owner.push_back(c);
            }
        for (std::size_t i = 0; i < all.size(); ++i) {
            bool crowded = false;
            for (std::size_t j = 0; j < all.size(); ++j)
                crowded = crowded
                    || (j != i && all[j].line == all[i].line && std::fabs(all[j].at - all[i].at) < 2 * kWindow + 2);
            if (crowded)
                continue;
            const int centre = int(std::lround(all[i].at));
            const std::optional<double> found = acrossRows
                ? centroidAlongRow(frame, all[i].line, centre - kWindow, centre + kWindow)
                : centroidAlongColumn(frame, all[i].line, centre - kWindow, centre + kWindow);
            if (!found)
                continue;
            ++errors.measured;
            errors.largest = std::max(errors.largest, std::fabs(*found - all[i].at));
        }
    }
    return errors;
}

class GridLines : public testing::TestWithParam<GeometryCase> { };

// Thin meridians and parallels of an equirectangular grid land where the
// projection formulas put them, to a quarter of a pixel, in every view,
// across the seam, over the reduced levels of a shrinking view.
TEST_P(GridLines, landWhereTheProjectionPutsThem)
{
    const GeometryCase &c = GetParam();
    const ViewCamera camera(settingsOf(c));
    const SphereMapping mapping
        = SphereMapping::whole(SphereProjection::Equirectangular, kPanoramaWidth, kPanoramaHeight);
    struct Set {
        Bitmap24 panorama;
        std::vector<std::vector<std::optional<PicturePoint>>> curves;
    };
    std::vector<Set> sets(2);
    sets[0].panorama = meridianPanorama(kPanoramaWidth, kPanoramaHeight, kLongitudes);
    for (const double longitude : kLongitudes) {
        sets[0].curves.emplace_back();
        for (double latitude = -76.0; latitude <= 76.0; latitude += 0.02)
            sets[0].curves.back().push_back(camera.project(ToDirection({ longitude, latitude }), c.yaw));
    }
    sets[1].panorama = parallelPanorama(kPanoramaWidth, kPanoramaHeight, kLatitudes);
    for (const double latitude : kLatitudes) {
        sets[1].curves.emplace_back();
        for (double longitude = -180.0; longitude <= 180.0; longitude += 0.02)
            sets[1].curves.back().push_back(camera.project(ToDirection({ longitude, latitude }), c.yaw));
    }
    const char *names[] = { "meridians", "parallels" };
    for (std::size_t s = 0; s < sets.size(); ++s) {
        SCOPED_TRACE(names[s]);
        const ViewRemap remap(sets[s].panorama, mapping, settingsOf(c));
        Bitmap24 frame;
        ASSERT_TRUE(remap.render(c.yaw, frame));
        const LineErrors errors = measureLines(frame, sets[s].curves);
        EXPECT_GE(errors.measured, 40);
        EXPECT_LT(errors.largest, kTolerance) << errors.measured << " crossings measured";
        RecordProperty(std::string(names[s]) + "LargestError", std::to_string(errors.largest));
    }
}

INSTANTIATE_TEST_SUITE_P(Views, GridLines,
    testing::Values(GeometryCase { "rectilinearAhead", ViewProjection::Rectilinear, 480, 270, 90, 0, 0 },
        GeometryCase { "rectilinearTurnedUp", ViewProjection::Rectilinear, 640, 360, 60, 21, 37.3 },
        GeometryCase { "rectilinearWideDown", ViewProjection::Rectilinear, 480, 360, 110, -33, -141 },
        GeometryCase { "rectilinearOverTheSeamHigh", ViewProjection::Rectilinear, 400, 300, 75, 48, 179.5 },
        GeometryCase { "littlePlanet", ViewProjection::Stereographic, 480, 480, 270, -90, 25 },
        GeometryCase { "stereographicAside", ViewProjection::Stereographic, 640, 360, 180, 10, -70 },
        GeometryCase { "shrinkingOverLevels", ViewProjection::Rectilinear, 320, 180, 100, 5, 12 },
        GeometryCase { "shrinkingOverTheSeam", ViewProjection::Rectilinear, 240, 160, 120, -8, 180 }),
    [](const testing::TestParamInfo<GeometryCase> &info) { return std::string(info.param.label); });

} // namespace
