#include "app/ui/PictureView.h"
#include "app/ui/InterfaceTranslators.h"

#include "TestUtils.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QThread>

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

Bitmap24 flat(int width, int height, std::uint8_t blue, std::uint8_t green, std::uint8_t red)
{
    Bitmap24 b;
    EXPECT_TRUE(b.resize(width, height));
    b.fill(blue, green, red);
    return b;
}

void waitForReducedCopies(const PictureView &view)
{
    QElapsedTimer clock;
    clock.start();
    while (!view.ReducedCopiesReady() && clock.elapsed() < 60000) {
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    ASSERT_TRUE(view.ReducedCopiesReady());
}

int pixelsOf(const QImage &image, const QColor &colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y) == colour;
    return n;
}

// Shown small, a large picture waits for its reduced copies: the area says
// so meanwhile (white on black), then shows the picture.
TEST(PictureViewCopies, saysItPreparesThePictureUntilItsCopiesAreReady)
{
    PictureView view;
    view.resize(800, 300);
    view.Layout(0);
    const Bitmap24 picture = flat(6000, 400, 0, 0, 255);
    view.SharePicture(picture);
    ASSERT_LT(view.Viewport().Scale(), 0.2);
    ASSERT_FALSE(view.ReducedCopiesReady()) << "handed over through the event loop only";
    QImage shot = view.grab().toImage();
    EXPECT_EQ(pixelsOf(shot, Qt::red), 0);
    EXPECT_GT(pixelsOf(shot, Qt::white), 0);
    waitForReducedCopies(view);
    shot = view.grab().toImage();
    EXPECT_EQ(shot.pixelColor(400, 20), QColor(Qt::red));
    EXPECT_EQ(pixelsOf(shot, Qt::white), 0);
}

// The notice is the window's text: English in the English window.
TEST(PictureViewCopies, theNoticeReadsInTheWindowsLanguage)
{
    EXPECT_EQ(PictureView::PreparingText().toStdString(), "Préparation de l'aperçu...");
    const InterfaceTranslators english(InterfaceLanguage::English);
    EXPECT_EQ(PictureView::PreparingText().toStdString(), "Preparing the preview...");
}

// A picture replaced before its copies are made gets its own copies, not
// the earlier one's; letting the picture go drops them.
TEST(PictureViewCopies, belongToThePictureShown)
{
    PictureView view;
    view.resize(800, 300);
    view.Layout(0);
    view.SharePicture(flat(6000, 400, 0, 0, 255));
    const Bitmap24 second = flat(3000, 3000, 255, 0, 0);
    view.SharePicture(second);
    waitForReducedCopies(view);
    ASSERT_FALSE(view.ReducedCopies().empty());
    EXPECT_EQ(view.ReducedCopies()[0].width(), 600);
    EXPECT_EQ(view.ReducedCopies()[0].height(), 600);
    EXPECT_TRUE(view.DisplayBitmap().sharesWith(second));
    QCoreApplication::processEvents(); // nothing of the first picture is still on its way
    EXPECT_EQ(view.ReducedCopies()[0].width(), 600);

    view.ReleasePicture();
    EXPECT_TRUE(view.ReducedCopies().empty());
    EXPECT_TRUE(view.DisplayBitmap().isEmpty());
    EXPECT_TRUE(view.ReducedCopiesReady());
}

// A frame replaces the panorama and is shown unscaled; the zoom commands
// bring the panorama back, fitted.
TEST(PictureViewFrames, aFrameIsShownUnscaledUntilAZoomCommand)
{
    PictureView view;
    view.resize(400, 300);
    view.Layout(0);
    const Bitmap24 picture = flat(4000, 300, 0, 0, 255);
    view.SharePicture(picture);
    waitForReducedCopies(view);
    view.ShowFrame(makeTestPanorama(61, 37));
    view.RepaintNow();
    EXPECT_FALSE(view.ShowsPanorama());
    QImage shot = view.grab().toImage();
    const PixelBgr p = testPanoramaPixel(30, 20);
    EXPECT_EQ(shot.pixelColor(5 + 30, 5 + 20), QColor(p.r, p.g, p.b));
    EXPECT_EQ(shot.pixelColor(5 + 70, 5 + 20), QColor(Qt::black));
    view.ZoomIn();
    EXPECT_TRUE(view.ShowsPanorama());
    EXPECT_DOUBLE_EQ(view.Viewport().Scale(), 391.0 / 4000 * PictureViewport::kZoomStep) << "from the fit";
    EXPECT_TRUE(view.DisplayBitmap().sharesWith(picture));
    shot = view.grab().toImage();
    EXPECT_EQ(shot.pixelColor(5 + 70, 5 + 20), QColor(Qt::red));
}

} // namespace
