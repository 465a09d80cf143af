#include "picture/ResampleRows.h"
#include "picture/sphere/ViewCamera.h"
#include "picture/sphere/ViewRemap.h"

#include "SphereTestScenes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

struct RoomCase {
    const char *label;
    int width, height;
    double fov, pitch, yaw;
};

class CubeRoom : public testing::TestWithParam<RoomCase> { };

// The edges of a cube around the camera are straight lines in a pinhole
// view: the light across each edge, measured row by row (or column by
// column), lies on one fitted line to half a pixel.
TEST_P(CubeRoom, edgesStayStraightInRectilinearViews)
{
    const RoomCase &c = GetParam();
    const std::vector<Edge> edges = cubeEdges(20.0);
    const int panoramaWidth = 1536, panoramaHeight = 768;
    static const Bitmap24 panorama = cubeRoomPanorama(panoramaWidth, panoramaHeight, edges); // made once: slow
    const ViewSettings view { ViewProjection::Rectilinear, c.width, c.height, c.fov, c.pitch };
    const ViewRemap remap(
        panorama, SphereMapping::whole(SphereProjection::Equirectangular, panoramaWidth, panoramaHeight), view);
    Bitmap24 frame;
    ASSERT_TRUE(remap.render(c.yaw, frame));
    const ViewCamera camera(view);
    int straightEdges = 0;
    for (const Edge &edge : edges) {
        // The edge's ends in the frame, if it is in front of the camera.
        std::vector<PicturePoint> ends;
        for (const double t : { 0.0, 1.0 })
            if (const auto at = camera.project(pointOnEdge(edge, t), c.yaw))
                ends.push_back(*at);
        if (ends.size() != 2)
            continue;
        const double dx = ends[1].x - ends[0].x, dy = ends[1].y - ends[0].y;
        const bool steep = std::fabs(dy) > std::fabs(dx);
        const double length = std::hypot(dx, dy);
        std::vector<Point2> found;
        // Away from the corners, where other edges come near.
        for (double t = 0.0; t <= 1.0; t += 1.0 / length) {
            if (t * length < 40 || (1 - t) * length < 40)
                continue;
            const double x = ends[0].x + t * dx, y = ends[0].y + t * dy;
            const int line = int(std::lround(steep ? y : x));
            const double at = steep ? x + (line - y) * dx / dy : y + (line - x) * dy / dx;
            const int centre = int(std::lround(at));
            const std::optional<double> centroid = steep ? centroidAlongRow(frame, line, centre - 5, centre + 5)
                                                         : centroidAlongColumn(frame, line, centre - 5, centre + 5);
            if (centroid)
                found.push_back(steep ? Point2 { *centroid, double(line) } : Point2 { double(line), *centroid });
        }
        if (found.size() < 60)
            continue;
        ++straightEdges;
        EXPECT_LT(largestDeviationFromFittedLine(found), 0.5) << found.size() << " points";
    }
    EXPECT_GE(straightEdges, 3);
}

INSTANTIATE_TEST_SUITE_P(Views, CubeRoom,
    testing::Values(RoomCase { "facingAWall", 640, 480, 120, 0, 20 }, RoomCase { "upAndTurned", 480, 360, 90, 25, 63 },
        RoomCase { "downOverTheSeam", 480, 480, 110, -35, 178 }),
    [](const testing::TestParamInfo<RoomCase> &info) { return std::string(info.param.label); });

const Bitmap24 &texturedSphere()
{
    static const Bitmap24 panorama = [] {
        Bitmap24 p;
        p.resize(720, 360);
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width(); ++x) {
                std::uint8_t *px = p.scanLine(y) + 3 * x;
                px[0] = std::uint8_t(x * 7 + y * 3);
                px[1] = std::uint8_t((x / 9 + y / 5) % 2 ? 220 : 30);
                px[2] = std::uint8_t(y * 255 / p.height());
            }
        return p;
    }();
    return panorama;
}

struct YawCase {
    const char *label;
    ViewProjection projection;
    double fov, pitch, yaw;
};

class SeamlessYaw : public testing::TestWithParam<YawCase> { };

// A full turn more or less shows the same frame, to the byte.
TEST_P(SeamlessYaw, aTurnLaterTheFrameIsTheSame)
{
    const YawCase &c = GetParam();
    const Bitmap24 &panorama = texturedSphere();
    const ViewRemap remap(panorama, SphereMapping::whole(SphereProjection::Equirectangular, 720, 360),
        { c.projection, 320, 200, c.fov, c.pitch });
    Bitmap24 first, turned, back;
    ASSERT_TRUE(remap.render(c.yaw, first));
    ASSERT_TRUE(remap.render(c.yaw + 360.0, turned));
    ASSERT_TRUE(remap.render(c.yaw - 720.0, back));
    EXPECT_TRUE(first == turned);
    EXPECT_TRUE(first == back);
}

INSTANTIATE_TEST_SUITE_P(Views, SeamlessYaw,
    testing::Values(YawCase { "ahead", ViewProjection::Rectilinear, 90, 0, 0 },
        YawCase { "acrossTheSeam", ViewProjection::Rectilinear, 75, 10, 180 },
        YawCase { "shrinking", ViewProjection::Rectilinear, 150, -20, 33.3 },
        YawCase { "littlePlanet", ViewProjection::Stereographic, 270, -90, 12 }),
    [](const testing::TestParamInfo<YawCase> &info) { return std::string(info.param.label); });

// The AVX2 loop and the plain one give the same bytes.
TEST(ViewRemapKernels, vectorUnitsGiveTheSameBytes)
{
    if (!ProcessorHas(VectorUnits::Avx2))
        GTEST_SKIP() << "no AVX2 on this processor";
    const ViewRemap remap(texturedSphere(), SphereMapping::whole(SphereProjection::Equirectangular, 720, 360),
        { ViewProjection::Rectilinear, 200, 150, 140, 30 });
    Bitmap24 plain, avx2;
    ASSERT_TRUE(UseVectorUnits(VectorUnits::Plain));
    ASSERT_TRUE(remap.render(171.0, plain));
    ASSERT_TRUE(UseVectorUnits(VectorUnits::Avx2));
    ASSERT_TRUE(remap.render(171.0, avx2));
    EXPECT_TRUE(plain == avx2);
}

// A cylinder of 240°: black beyond its covered angle, lit within it; it
// does not close.
TEST(PartialPanorama, cylinderOf240DegreesIsBlackBeyondItsAngle)
{
    Bitmap24 panorama;
    panorama.resize(800, 300);
    panorama.fill(200, 200, 200);
    const SphereMapping mapping = SphereMapping::covering(SphereProjection::Cylindrical, 800, 300, 240.0);
    EXPECT_NEAR(mapping.coveredDegrees(), 240.0, 0.5);
    EXPECT_FALSE(mapping.closes());
    const ViewSettings view { ViewProjection::Rectilinear, 400, 200, 90, 0 };
    const ViewRemap remap(panorama, mapping, view);
    const ViewCamera camera(view);
    const double edge = mapping.coveredDegrees() / 2;
    for (const double yaw : { 0.0, 120.0, 180.0, -120.0 }) {
        SCOPED_TRACE(yaw);
        Bitmap24 frame;
        ASSERT_TRUE(remap.render(yaw, frame));
        int lit = 0, dark = 0;
        for (int x = 0; x < view.width; ++x) {
            // Along the horizon: the column's longitude decides.
            double longitude = ToLonLat(ViewCamera::turned(camera.ray(x, 100), yaw)).longitude;
            const std::uint8_t green = frame.scanLine(100)[3 * x + 1];
            if (std::fabs(longitude) < edge - 1.0) {
                EXPECT_EQ(green, 200) << "column " << x;
                ++lit;
            } else if (std::fabs(longitude) > edge + 1.0) {
                EXPECT_EQ(green, 0) << "column " << x;
                ++dark;
            }
        }
        EXPECT_EQ(lit > 0, yaw != 180.0);
        EXPECT_EQ(dark > 0, yaw != 0.0);
    }
}

} // namespace

namespace {

// The perspective between the two views is each of them at its ends.
TEST(PerspectiveView, isRectilinearAtTheCentreAndStereographicAtTheFarPole)
{
    for (const auto &[projection, centre, fov] : { std::tuple { ViewProjection::Rectilinear, 0.0, 100.0 },
             std::tuple { ViewProjection::Stereographic, 1.0, 270.0 } }) {
        const ViewCamera plain({ projection, 160, 90, fov, -30 });
        const ViewCamera between({ ViewProjection::Perspective, 160, 90, fov, -30, centre });
        for (const auto &[column, row] :
            { std::pair { 0.0, 0.0 }, std::pair { 80.0, 45.0 }, std::pair { 159.0, 20.0 } }) {
            const Direction a = plain.ray(column, row), b = between.ray(column, row);
            EXPECT_NEAR(a.x, b.x, 1e-9);
            EXPECT_NEAR(a.y, b.y, 1e-9);
            EXPECT_NEAR(a.z, b.z, 1e-9);
            const std::optional<PicturePoint> back = between.project(b, 0.0);
            ASSERT_TRUE(back);
            EXPECT_NEAR(back->x, column, 1e-6);
            EXPECT_NEAR(back->y, row, 1e-6);
        }
    }
    EXPECT_NE(ViewSettingsProblem({ ViewProjection::Perspective, 10, 10, 250, 0, 0.5 }), "");
    EXPECT_NE(ViewSettingsProblem({ ViewProjection::Perspective, 10, 10, 90, 0, 1.5 }), "");
}

} // namespace
