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
