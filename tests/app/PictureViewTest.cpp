#include "app/ui/PictureView.h"

#include "TestUtils.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

struct ExposedCase {
    const char *name;
    QRect exposed; // in the view's coordinates
};

class PictureViewPaintTest : public ::testing::TestWithParam<ExposedCase> { };

// Only the exposed part of the picture is converted and drawn: every painted
// pixel, at the edges of that part too, is the picture's own.
TEST_P(PictureViewPaintTest, paintsTheExposedPartPixelForPixel)
{
    PictureView view;
    view.resize(120, 80);
    view.Layout(0);
    view.ShowFrame(makeTestPanorama(61, 37)); // odd width: the last pixel ends a padded row
    QImage shot(view.size(), QImage::Format_RGB32);
    shot.fill(Qt::white);
    const QRect exposed = GetParam().exposed;
    view.render(&shot, exposed.topLeft(), QRegion(exposed)); // the part lands where it stands in the view
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const int px = x - 5, py = y - 5; // the picture starts 5 pixels in, on black
            const bool inPicture = px >= 0 && py >= 0 && px < 61 && py < 37;
            const PixelBgr p = inPicture ? testPanoramaPixel(px, py) : PixelBgr {};
            const QColor expected = exposed.contains(x, y) ? QColor(p.r, p.g, p.b) : QColor(Qt::white);
            ASSERT_EQ(shot.pixelColor(x, y), expected) << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Parts, PictureViewPaintTest,
    ::testing::Values(ExposedCase { "middleStrip", QRect(20, 10, 17, 50) },
        ExposedCase { "lastColumn", QRect(65, 0, 1, 80) }, ExposedCase { "pastThePicture", QRect(70, 50, 30, 20) }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
