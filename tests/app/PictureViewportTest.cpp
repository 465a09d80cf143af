#include "app/PictureViewport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

// The drawing area of the window at its start size: 786 x 691 pixels from (5, 5).
constexpr int kLeft = 5, kTop = 5, kWidth = 786, kHeight = 691;

struct ViewportCase {
    const char *name;
    int pictureWidth, pictureHeight;
    bool centred;
    std::function<void(PictureViewport &)> act; // after the picture is set, fitted
    double scale, originX, originY;
    bool fitted;
};

class ViewportTable : public ::testing::TestWithParam<ViewportCase> { };

TEST_P(ViewportTable, placesThePicture)
{
    const ViewportCase &c = GetParam();
    PictureViewport v;
    v.setArea(kLeft, kTop, kWidth, kHeight);
    v.setCentred(c.centred);
    v.setPicture(c.pictureWidth, c.pictureHeight);
    if (c.act)
        c.act(v);
    EXPECT_NEAR(v.Scale(), c.scale, 1e-12);
    EXPECT_NEAR(v.OriginX(), c.originX, 1e-6);
    EXPECT_NEAR(v.OriginY(), c.originY, 1e-6);
    EXPECT_EQ(v.Fitted(), c.fitted);
}

// A 24000 x 4000 panorama fits across: 786 / 24000 of its size, 131 pixels high.
constexpr double kWideFit = 786.0 / 24000;

INSTANTIATE_TEST_SUITE_P(Cases, ViewportTable,
    ::testing::Values(ViewportCase { "widePanoramaFitsAcross", 24000, 4000, false, {}, kWideFit, 5, 5, true },
        ViewportCase { "widePanoramaCentredDown", 24000, 4000, true, {}, kWideFit, 5, 5 + 280, true },
        ViewportCase { "tallPictureFitsDown", 1000, 12000, false, {}, 691.0 / 12000, 5, 5, true },
        ViewportCase { "tallPictureCentredAcross", 1000, 12000, true, {}, 691.0 / 12000, 5 + 364, 5, true },
        // Never enlarged: a small picture stays at its size, where the
        // centring puts it (odd sides round down).
        ViewportCase { "smallPictureAtItsSize", 61, 37, false, {}, 1, 5, 5, true },
        ViewportCase { "smallPictureCentred", 61, 37, true, {}, 1, 5 + 362, 5 + 327, true },
        ViewportCase { "noPicture", 0, 0, false, {}, 1, 5, 5, true },
        // 1:1 keeps the picture's point at the area's centre (393, 345.5 in the
        // area: picture x 12000); down, the picture comes to cover the area.
        ViewportCase { "actualSizeAroundTheCentre", 24000, 4000, false, [](PictureViewport &v) { v.actualSize(); }, 1,
            5 + 393 - 12000, 5 + 691 - 4000, false },
        // 0.8 * sqrt 2 passes 1: it stops there.
        ViewportCase { "zoomInStopsAtOne", 1000, 750, false, [](PictureViewport &v) { v.zoomIn(); }, 1, 5 + 393 - 500,
            5 + 691 - 750, false },
        ViewportCase { "zoomOutStopsAtTheFit", 24000, 4000, false,
            [](PictureViewport &v) {
                v.actualSize();
                for (int i = 0; i < 20; ++i)
                    v.zoomOut();
            },
            kWideFit, 5, 5, true },
        // A picture as large as the area: its centre stays at the area's.
        ViewportCase { "zoomInStopsAt32", 786, 691, false,
            [](PictureViewport &v) {
                for (int i = 0; i < 30; ++i)
                    v.zoomIn();
            },
            32, 5 + 393 - 393 * 32.0, 5 + 345.5 - 345.5 * 32.0, false },
        ViewportCase { "fitAfterZoom", 24000, 4000, false,
            [](PictureViewport &v) {
                v.actualSize();
                v.fit();
            },
            kWideFit, 5, 5, true },
        // Panning stops at the edges: the picture always covers the area.
        ViewportCase { "panStopsAtTheLeftEdge", 24000, 4000, false,
            [](PictureViewport &v) {
                v.actualSize();
                v.panBy(1e6, 1e6);
            },
            1, 5, 5, false },
        ViewportCase { "panStopsAtTheRightEdge", 24000, 4000, false,
            [](PictureViewport &v) {
                v.actualSize();
                v.panBy(-1e6, -1e6);
            },
            1, 5 + 786 - 24000, 5 + 691 - 4000, false },
        ViewportCase { "noPanAlongAFittingSide", 600, 150, true,
            [](PictureViewport &v) {
                v.zoomIn(); // 849 x 212: wider than the area, not higher
                v.panBy(-30, -30);
            },
            PictureViewport::kZoomStep, 5 + 393 - 300 * PictureViewport::kZoomStep - 30,
            5 + 239, false },
        ViewportCase { "scrollBarPosition", 24000, 4000, false,
            [](PictureViewport &v) {
                v.actualSize();
                v.scrollHorizontally(1000);
                v.scrollVertically(100000);
            },
            1, 5 - 1000, 5 + 691 - 4000, false },
        // A larger area fits the fitted picture again.
        ViewportCase { "resizeFitsAgain", 24000, 4000, false,
            [](PictureViewport &v) { v.setArea(5, 5, 1200, 900); }, 1200.0 / 24000, 5, 5, true },
        // A zoomed picture keeps the point at the area's centre.
        ViewportCase { "resizeKeepsTheCentre", 24000, 4000, false,
            [](PictureViewport &v) {
                v.actualSize(); // picture x 12000 at the area's centre
                v.setArea(5, 5, 1001, 691);
            },
            1, 5 + 500.5 - 12000, 5 + 691 - 4000, false }),
    [](const auto &info) { return std::string(info.param.name); });

struct ZoomPointCase {
    const char *name;
    double factor;
    double x, y; // in the window
};

class ZoomAtPoint : public ::testing::TestWithParam<ZoomPointCase> { };

// Away from the edges, the picture's point under the pointer stays there.
TEST_P(ZoomAtPoint, keepsThePointUnderThePointer)
{
    const ZoomPointCase &c = GetParam();
    PictureViewport v;
    v.setArea(kLeft, kTop, kWidth, kHeight);
    v.setPicture(24000, 4000);
    v.actualSize();
    v.scrollHorizontally(9000);
    v.scrollVertically(1500);
    const double px = v.toPictureX(c.x), py = v.toPictureY(c.y);
    v.zoomAt(c.factor, c.x, c.y);
    EXPECT_NEAR(v.toPictureX(c.x), px, 1e-9);
    EXPECT_NEAR(v.toPictureY(c.y), py, 1e-9);
    EXPECT_NE(v.Scale(), 1);
}

INSTANTIATE_TEST_SUITE_P(Points, ZoomAtPoint,
    ::testing::Values(ZoomPointCase { "inTwiceAtTheCentre", 2, 398, 350.5 },
        ZoomPointCase { "inAtTheTopLeftCorner", 1.25, 5, 5 }, ZoomPointCase { "inAtTheBottomRight", 3, 790, 695 },
        ZoomPointCase { "outByAQuarter", 0.75, 120, 600 }, ZoomPointCase { "outAtAnOddPoint", 0.5, 333.3, 77.7 }),
    [](const auto &info) { return std::string(info.param.name); });

// Near an edge the bounds win: zooming out at the left edge leaves no black
// at the left.
TEST(ZoomAtPointNearAnEdge, theEdgeStaysAtTheArea)
{
    PictureViewport v;
    v.setArea(kLeft, kTop, kWidth, kHeight);
    v.setPicture(24000, 4000);
    v.actualSize();
    v.scrollHorizontally(0);
    v.zoomAt(0.5, 700, 300);
    EXPECT_DOUBLE_EQ(v.Scale(), 0.5);
    EXPECT_NEAR(v.OriginX(), 5, 1e-9);
}

TEST(ViewportScrollBars, tellTheRangeThePageAndThePosition)
{
    PictureViewport v;
    v.setArea(kLeft, kTop, kWidth, kHeight);
    v.setPicture(24000, 4000);
    EXPECT_EQ(v.horizontal(), (PictureViewport::Scroll { 0, 786, 0 })) << "fitted: nothing to scroll";
    v.actualSize();
    v.scrollHorizontally(2500);
    EXPECT_EQ(v.horizontal(), (PictureViewport::Scroll { 24000 - 786, 786, 2500 }));
    EXPECT_EQ(v.vertical(), (PictureViewport::Scroll { 4000 - 691, 691, 4000 - 691 }));
    v.scrollHorizontally(-50);
    EXPECT_EQ(v.horizontal().Value, 0);
}

} // namespace
