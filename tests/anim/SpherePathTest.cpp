#include "anim/SpherePath.h"
#include "anim/FrameSequence.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

tanimprm viewRun(const SphereMapping &mapping)
{
    tanimprm prm;
    prm.FrameWidth = 320;
    prm.FrameHeight = 180;
    prm.ScrollDirection = true;
    prm.ScrollBack = false;
    prm.Camera.Duration = 2;
    prm.Camera.Rate = 10;
    prm.Sphere.Mapping = mapping;
    return prm;
}

// A loop is one turn at one speed: the frame after the last is the first.
TEST(SpherePath, loopTurnsOnceAtOneSpeed)
{
    tanimprm prm = viewRun(SphereMapping::whole(SphereProjection::Equirectangular, 400, 200));
    prm.Loop360 = true;
    const RunPlan plan = PrepareFrames(prm, 400, 200);
    ASSERT_TRUE(plan.sphere);
    ASSERT_EQ(plan.sphere->passes.size(), 1u);
    const std::vector<SphereFrame> &pass = plan.sphere->passes[0];
    ASSERT_EQ(pass.size(), 20u);
    EXPECT_EQ(plan.total(), 20);
    const double step = 360.0 / 20;
    for (std::size_t k = 0; k < pass.size(); ++k)
        EXPECT_NEAR(pass[k].yaw, double(k) * step, 1e-9);
    EXPECT_NEAR(pass.back().yaw + step, pass.front().yaw + 360.0, 1e-9);
}

// A partial panorama is crossed from edge to edge, the view inside it, and
// back unless one way.
TEST(SpherePath, partialPanoramaIsCrossedEdgeToEdgeAndBack)
{
    tanimprm prm = viewRun(SphereMapping::covering(SphereProjection::Cylindrical, 800, 300, 240.0));
    prm.ScrollBack = true;
    prm.Sphere.Fov = 60;
    const RunPlan plan = PrepareFrames(prm, 800, 300);
    ASSERT_TRUE(plan.sphere);
    ASSERT_EQ(plan.sphere->passes.size(), 2u);
    const std::vector<SphereFrame> &out = plan.sphere->passes[0], &back = plan.sphere->passes[1];
    const double edge = prm.Sphere.Mapping.coveredDegrees() / 2 - 30;
    EXPECT_NEAR(out.front().yaw, -edge, 1e-9);
    EXPECT_NEAR(out.back().yaw, edge, 1e-9);
    EXPECT_NEAR(back.front().yaw, edge, 1e-9);
    EXPECT_NEAR(back.back().yaw, -edge, 1e-9);
    EXPECT_EQ(out.front().view.fovDegrees, 60);
}

// The opening goes from the little planet towards the view, then the pan
// starts where it ends.
TEST(SpherePath, planetOpeningLeadsIntoThePan)
{
    tanimprm prm = viewRun(SphereMapping::whole(SphereProjection::Equirectangular, 400, 200));
    prm.Sphere.PlanetIntro = true;
    prm.Sphere.Pitch = 10;
    const RunPlan plan = PrepareFrames(prm, 400, 200);
    ASSERT_TRUE(plan.sphere);
    const std::vector<SphereFrame> &pass = plan.sphere->passes[0];
    const auto intro = std::size_t(std::llround(kPlanetIntroSeconds * prm.Camera.Rate));
    ASSERT_EQ(pass.size(), intro + 20);
    const ViewSettings &planet = pass.front().view;
    EXPECT_EQ(planet.projection, ViewProjection::Perspective);
    EXPECT_EQ(planet.centreDistance, 1.0);
    EXPECT_EQ(planet.pitchDegrees, kLittlePlanetPitch);
    EXPECT_EQ(planet.fovDegrees, kDefaultStereographicFov);
    for (std::size_t k = 1; k < intro; ++k) {
        EXPECT_LT(pass[k].view.centreDistance, pass[k - 1].view.centreDistance);
        EXPECT_GT(pass[k].view.pitchDegrees, pass[k - 1].view.pitchDegrees);
        EXPECT_EQ(ViewSettingsProblem(pass[k].view), "");
        EXPECT_EQ(pass[k].yaw, pass[intro].yaw);
    }
    EXPECT_EQ(pass[intro].view.projection, ViewProjection::Rectilinear);
    EXPECT_EQ(pass[intro].view.pitchDegrees, 10);
}

} // namespace
