#include "anim/FramePath.h"

#include "ScrollSettings.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

std::ostream &operator<<(std::ostream &os, const FrameRect &r)
{
    return os << "[" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << ")";
}

std::ostream &operator<<(std::ostream &os, const PathPoint &p)
{
    return os << "(" << p.X << ", " << p.Y << ")";
}

namespace {

struct PathCase {
    const char *name;
    int panoW, panoH;
    tanimprm settings;
    std::vector<FrameRect> frames; // every frame, in the run's order
    PathOutline outline;
};

tanimprm oneWay(tanimprm prm)
{
    prm.ScrollBack = false;
    return prm;
}

tanimprm loop(tanimprm prm)
{
    prm.Loop360 = true;
    return prm;
}

// A camera whose frames are output x output pixels, the panorama scaled to
// fit them, a step of `step` frame pixels.
tanimprm camera(tanimprm prm, int outputW, int outputH, double step)
{
    prm.FrameWidth = prm.Camera.OutputWidth = outputW;
    prm.FrameHeight = prm.Camera.OutputHeight = outputH;
    prm.Camera.Step = step;
    return prm;
}

tanimprm cameraStep(tanimprm prm, double step)
{
    prm.Camera.Step = step;
    return prm;
}

class FramePathTable : public ::testing::TestWithParam<PathCase> { };

TEST_P(FramePathTable, listsTheFramesAndOutlinesThem)
{
    const PathCase &c = GetParam();
    const RunPlan plan = PrepareFrames(c.settings, c.panoW, c.panoH);
    const std::vector<FrameRect> frames = FramePath(plan);
    EXPECT_EQ(frames, c.frames);
    EXPECT_EQ(std::int64_t(frames.size()), plan.total());
    const PathOutline outline = OutlinePath(frames, plan);
    EXPECT_EQ(outline.First, c.outline.First);
    EXPECT_EQ(outline.Last, c.outline.Last);
    EXPECT_EQ(outline.CentreLines, c.outline.CentreLines);
}

INSTANTIATE_TEST_SUITE_P(Plans, FramePathTable,
    ::testing::Values(
        // 50 x 30, frames 40 x 30, step 5: a surplus of 10, two frames a pass.
        PathCase { "oneWayLeftToRight", 50, 30, oneWay(scrollSettings(40, 30, 5, true, false)),
            { { 0, 0, 40, 30 }, { 5, 0, 45, 30 } },
            { { { 0, 0, 40, 30 } }, { { 5, 0, 45, 30 } }, { { { 20, 15 }, { 25, 15 } } } } },
        // Right to left starts one short of the surplus, as the run does.
        PathCase { "oneWayRightToLeft", 50, 30, oneWay(scrollSettings(40, 30, 5, false, false)),
            { { 9, 0, 49, 30 }, { 4, 0, 44, 30 } },
            { { { 9, 0, 49, 30 } }, { { 4, 0, 44, 30 } }, { { { 29, 15 }, { 24, 15 } } } } },
        // The return pass mirrors the outward start; the line turns once.
        PathCase { "thereAndBack", 50, 30, scrollSettings(40, 30, 5, true, false),
            { { 0, 0, 40, 30 }, { 5, 0, 45, 30 }, { 9, 0, 49, 30 }, { 4, 0, 44, 30 } },
            { { { 0, 0, 40, 30 } }, { { 4, 0, 44, 30 } }, { { { 20, 15 }, { 29, 15 }, { 24, 15 } } } } },
        PathCase { "verticalTopToBottom", 30, 50, oneWay(scrollSettings(30, 40, 5, true, true)),
            { { 0, 0, 30, 40 }, { 0, 5, 30, 45 } },
            { { { 0, 0, 30, 40 } }, { { 0, 5, 30, 45 } }, { { { 15, 20 }, { 15, 25 } } } } },
        // A frame higher than the panorama, centred: it reaches 5 rows above
        // and below the picture.
        PathCase { "centredFrame", 50, 20, oneWay(scrollSettings(40, 30, 5, true, false)),
            { { 0, -5, 40, 25 }, { 5, -5, 45, 25 } },
            { { { 0, -5, 40, 25 } }, { { 5, -5, 45, 25 } }, { { { 20, 10 }, { 25, 10 } } } } },
        PathCase { "uncentredFrame", 50, 20, oneWay(scrollSettings(40, 30, 5, true, false, false)),
            { { 0, 0, 40, 30 }, { 5, 0, 45, 30 } },
            { { { 0, 0, 40, 30 } }, { { 5, 0, 45, 30 } }, { { { 20, 15 }, { 25, 15 } } } } },
        // One turn of 100 pixels in 3 frames, at 0, 33 and 67: the last frame
        // wraps round the far edge, and so does its centre (107 is 7).
        PathCase { "loop360", 100, 30, loop(scrollSettings(80, 30, 30, true, false)),
            { { 0, 0, 80, 30 }, { 33, 0, 113, 30 }, { 67, 0, 147, 30 } },
            { { { 0, 0, 80, 30 } }, { { 67, 0, 100, 30 }, { 0, 0, 47, 30 } },
                { { { 40, 15 }, { 73, 15 } }, { { 7, 15 } } } } },
        PathCase { "loop360Vertical", 30, 100, loop(scrollSettings(30, 20, 50, true, true)),
            { { 0, 0, 30, 20 }, { 0, 50, 30, 70 } },
            { { { 0, 0, 30, 20 } }, { { 0, 50, 30, 70 } }, { { { 15, 10 }, { 15, 60 } } } } },
        // 200 x 100 scaled by 1/2 for 80 x 50 frames: a camera at 0, 10 and
        // 20 on the 100 x 50 it sees stands at 0, 20 and 40 on the picture,
        // each frame covering 160 x 100 of it.
        PathCase { "cameraScaled", 200, 100, camera(oneWay(scrollSettings(0, 0, 1, true, false)), 80, 50, 10),
            { { 0, 0, 160, 100 }, { 20, 0, 180, 100 }, { 40, 0, 200, 100 } },
            { { { 0, 0, 160, 100 } }, { { 40, 0, 200, 100 } }, { { { 80, 50 }, { 120, 50 } } } } },
        // Unscaled, a fractional step reaches the pass's end exactly; the
        // frame higher than the picture is centred across.
        PathCase { "cameraFractionalStep", 50, 20, cameraStep(oneWay(scrollSettings(40, 30, 1, true, false)), 2.5),
            { { 0, -5, 40, 25 }, { 2.5, -5, 42.5, 25 }, { 5, -5, 45, 25 }, { 7.5, -5, 47.5, 25 }, { 10, -5, 50, 25 } },
            { { { 0, -5, 40, 25 } }, { { 10, -5, 50, 25 } }, { { { 20, 10 }, { 30, 10 } } } } },
        // Top to bottom and back: the return pass is the outward one backwards.
        PathCase { "cameraVerticalThereAndBack", 100, 200, camera(scrollSettings(0, 0, 1, true, true), 50, 80, 10),
            { { 0, 0, 100, 160 }, { 0, 20, 100, 180 }, { 0, 40, 100, 200 }, { 0, 40, 100, 200 }, { 0, 20, 100, 180 },
                { 0, 0, 100, 160 } },
            { { { 0, 0, 100, 160 } }, { { 0, 0, 100, 160 } }, { { { 50, 80 }, { 50, 120 }, { 50, 80 } } } } },
        // A turn of 100 scaled pixels (200 on the picture) in 4 frames; the
        // last wraps round the far edge.
        PathCase { "cameraLoop360", 200, 100, camera(loop(scrollSettings(0, 0, 1, true, false)), 80, 50, 25),
            { { 0, 0, 160, 100 }, { 50, 0, 210, 100 }, { 100, 0, 260, 100 }, { 150, 0, 310, 100 } },
            { { { 0, 0, 160, 100 } }, { { 150, 0, 200, 100 }, { 0, 0, 110, 100 } },
                { { { 80, 50 }, { 180, 50 } }, { { 30, 50 } } } } },
        PathCase { "noFrame", 40, 30, scrollSettings(40, 30, 1, true, false), {}, {} }),
    [](const auto &info) { return std::string(info.param.name); });

// A long run is listed by frames spread evenly over it, its first and last
// frames included.
TEST(FramePathLimit, spreadsTheFramesOfALongRun)
{
    const RunPlan plan = PrepareFrames(oneWay(scrollSettings(10, 10, 1, true, false)), 10000, 10); // 9990 frames
    const std::vector<FrameRect> frames = FramePath(plan, 4);
    const std::vector<FrameRect> expected { { 0, 0, 10, 10 }, { 3330, 0, 3340, 10 }, { 6659, 0, 6669, 10 },
        { 9989, 0, 9999, 10 } };
    EXPECT_EQ(frames, expected);
    EXPECT_EQ(FramePath(plan).size(), kFramePathLimit);
    EXPECT_EQ(OutlinePath(FramePath(plan), plan).CentreLines,
        (std::vector<std::vector<PathPoint>> { { { 5, 5 }, { 9994, 5 } } }));
}

} // namespace
