#include "app/ui/CommandPanel.h"
#include "app/ui/PanoramaPreview.h"
#include "app/ui/PictureView.h"
#include "app/ui/TFormMain.h"

#include "FormMainFixture.h"
#include "output/OutputFormat.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

// Red grows from left to right, green from top to bottom: a shown pixel
// tells where in the picture it comes from.
Bitmap24 gradient(int width, int height)
{
    Bitmap24 b;
    EXPECT_TRUE(b.resize(width, height));
    for (int y = 0; y < height; ++y) {
        std::uint8_t *row = b.scanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = 128;
            row[3 * x + 1] = std::uint8_t(y * 255 / (height - 1));
            row[3 * x + 2] = std::uint8_t(x * 255 / (width - 1));
        }
    }
    return b;
}

class PanoramaViewTest : public FormMainTest {
protected:
    PictureView &view() { return form.View(); }

    std::string writeGradient(int width, int height)
    {
        const std::string path = (dir / "gradient.bmp").string();
        EXPECT_TRUE(WriteBmpFile(gradient(width, height), path));
        return path;
    }

    // The reduced copies are made on a thread: the window shows them once
    // its event loop hands them over.
    void waitForReducedCopies()
    {
        QElapsedTimer clock;
        clock.start();
        while (!view().ReducedCopiesReady() && clock.elapsed() < 60000) {
            QCoreApplication::processEvents();
            QThread::msleep(1);
        }
        ASSERT_TRUE(view().ReducedCopiesReady());
    }

    QImage shot() { return view().grab().toImage(); }

    std::string runLength() { return form.Panel().LabelRunLength->text().toStdString(); }

    void typeStep(const char *text)
    {
        QLineEdit *step = form.Panel().EditStep;
        step->selectAll();
        QTest::keyClicks(step, QString::fromLatin1(text));
    }
};

// The shown pixel at window point (x, y) is the gradient's at the picture
// point the viewport puts there, within the filter's reach.
void expectGradientAt(const QImage &image, const PictureViewport &v, int x, int y, int width, int height)
{
    const double px = v.toPictureX(x + 0.5), py = v.toPictureY(y + 0.5);
    const QColor c = image.pixelColor(x, y);
    const double reach = 255.0 / v.Scale(); // two picture pixels a window pixel, each way
    EXPECT_NEAR(c.red(), px * 255 / (width - 1), 2 + reach / (width - 1)) << x << "," << y;
    EXPECT_NEAR(c.green(), py * 255 / (height - 1), 2 + reach / (height - 1)) << x << "," << y;
    EXPECT_EQ(c.blue(), 128) << x << "," << y;
}

TEST_F(PanoramaViewTest, OpeningAPictureFitsItInTheDrawingArea)
{
    open(writeGradient(6000, 400));
    waitForReducedCopies();
    const PictureViewport &v = view().Viewport();
    const TRect &area = view().DrawArea();
    const int areaWidth = area.Right - area.Left + 1;
    EXPECT_TRUE(view().ShowsPanorama());
    EXPECT_TRUE(v.Fitted());
    EXPECT_DOUBLE_EQ(v.Scale(), double(areaWidth) / 6000);
    EXPECT_EQ(v.OriginX(), area.Left);
    EXPECT_EQ(v.OriginY(), area.Top);
    // Drawn from the first reduced copy (a fifth): the whole width, at the
    // right places; black under it.
    ASSERT_EQ(view().ReducedCopies().size(), 3u);
    const QImage image = shot();
    const int shownHeight = int(400 * v.Scale());
    for (int x : { area.Left + 150, area.Left + areaWidth / 2, area.Right - 3 })
        expectGradientAt(image, v, x, area.Top + shownHeight / 4, 6000, 400);
    EXPECT_EQ(image.pixelColor(area.Left + areaWidth / 2, area.Top + shownHeight + 20), QColor(Qt::black));
    // Held once: the view and the copies share or reduce the panorama's pixels.
    EXPECT_TRUE(view().DisplayBitmap().sharesWith(form.PanoramaBitmap()));
    std::size_t copies = 0;
    for (const Bitmap24 &level : view().ReducedCopies())
        copies += level.byteCount();
    EXPECT_LT(copies, form.PanoramaBitmap().byteCount() / 10);
}

TEST_F(PanoramaViewTest, ThePathAndTheCountFollowThePanel)
{
    open(writePanorama(600, 150)); // frames 200 x 150, step 1, there and back
    EXPECT_EQ(runLength(), "800 images, 1:20 à 10 i/s");
    PathOutline path = view().FramePath();
    EXPECT_EQ(path.First, (std::vector<FrameRect> { { 0, 0, 200, 150 } }));
    EXPECT_EQ(path.Last, (std::vector<FrameRect> { { 0, 0, 200, 150 } }));
    EXPECT_EQ(path.CentreLines, (std::vector<std::vector<PathPoint>> { { { 100, 75 }, { 499, 75 }, { 100, 75 } } }));

    typeStep("4");
    EXPECT_EQ(runLength(), "200 images, 0:20 à 10 i/s");
    path = view().FramePath();
    EXPECT_EQ(path.Last, (std::vector<FrameRect> { { 3, 0, 203, 150 } }));
    EXPECT_EQ(path.CentreLines, (std::vector<std::vector<PathPoint>> { { { 100, 75 }, { 499, 75 }, { 103, 75 } } }));

    form.Panel().CheckBoxScrollBack->click(); // one way
    EXPECT_EQ(runLength(), "100 images, 0:10 à 10 i/s");
    EXPECT_EQ(view().FramePath().Last, (std::vector<FrameRect> { { 396, 0, 596, 150 } }));
    form.Panel().CheckBoxScrollDirection->click(); // right to left
    EXPECT_EQ(view().FramePath().First, (std::vector<FrameRect> { { 399, 0, 599, 150 } }));
    form.Panel().CheckBoxLoop360->click(); // one turn of 600 / 4 frames
    EXPECT_EQ(runLength(), "150 images, 0:15 à 10 i/s");
    EXPECT_EQ(view().FramePath().First.size(), 1u);

    // The rate: the pause for series, the file's own for AVI and video.
    services.answerInputBox("40");
    form.findChild<QAction *>(QStringLiteral("Menu_OptionsTempo"))->trigger();
    EXPECT_EQ(runLength(), "150 images, 0:06 à 25 i/s");
    aviOptions.Rate = 50;
    form.Panel().RadioGroupFormat->findChildren<QRadioButton *>().at(FormatAvi)->click();
    EXPECT_EQ(runLength(), "150 images, 0:03 à 50 i/s");
    form.VideoOptions().Rate = 30;
    form.Preview().refresh(); // as the video options window asks
    form.Panel().RadioGroupFormat->findChildren<QRadioButton *>().at(FormatVideo)->click();
    EXPECT_EQ(runLength(), "150 images, 0:05 à 30 i/s");

    // A frame higher than the picture, centred: its rectangle reaches past it.
    form.Panel().CheckBoxLoop360->click();
    form.Panel().EditFrameHeight->selectAll();
    QTest::keyClicks(form.Panel().EditFrameHeight, QStringLiteral("170"));
    EXPECT_EQ(view().FramePath().First, (std::vector<FrameRect> { { 399, -10, 599, 160 } }));
}

struct FaultyFieldCase {
    const char *name;
    QLineEdit *CommandPanel::*field;
    const char *text;
};

void PrintTo(const FaultyFieldCase &c, std::ostream *os)
{
    *os << c.name;
}

class PanoramaViewFaultyField : public PanoramaViewTest, public ::testing::WithParamInterface<FaultyFieldCase> { };

// A value the run would refuse shows neither a count nor a path, and asks
// nothing until the run is asked for.
TEST_P(PanoramaViewFaultyField, ShowsNothing)
{
    open(writePanorama(600, 150));
    const std::size_t asked = services.asked().size();
    QLineEdit *field = form.Panel().*GetParam().field;
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, QString::fromLatin1(GetParam().text));
    EXPECT_EQ(runLength(), "");
    EXPECT_TRUE(view().FramePath().First.empty());
    EXPECT_TRUE(view().FramePath().CentreLines.empty());
    EXPECT_EQ(services.asked().size(), asked);
    // Put right, both come back.
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("100"));
    EXPECT_FALSE(runLength().empty());
    EXPECT_FALSE(view().FramePath().First.empty());
}

INSTANTIATE_TEST_SUITE_P(Fields, PanoramaViewFaultyField,
    ::testing::Values(FaultyFieldCase { "lettersInTheStep", &CommandPanel::EditStep, "abc" },
        FaultyFieldCase { "emptyStep", &CommandPanel::EditStep, "" },
        FaultyFieldCase { "zeroWidth", &CommandPanel::EditFrameWidth, "0" },
        FaultyFieldCase { "negativeHeight", &CommandPanel::EditFrameHeight, "-5" }),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(PanoramaViewTest, NoPictureNoPathNorCount)
{
    EXPECT_EQ(runLength(), "");
    open(writePanorama(600, 150));
    EXPECT_FALSE(runLength().empty());
    form.Menu_FileWipeClick();
    EXPECT_EQ(runLength(), "");
    EXPECT_TRUE(view().FramePath().First.empty());
}

// A run shows its frames unscaled, and its last frame stays; a zoom command
// brings the panorama back, fitted first.
TEST_F(PanoramaViewTest, ARunShowsItsFramesUnscaledAndTheZoomBringsThePanoramaBack)
{
    const Bitmap24 picture = gradient(3000, 300);
    open(writeGradient(3000, 300)); // frames 400 x 300
    typeStep("100"); // 26 frames a pass; the last one at 3000 - 400 - 1 - 2500 = 99
    form.Run().Tempo = 0;
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    form.SpeedButtonTestClick();
    EXPECT_FALSE(view().ShowsPanorama());
    Bitmap24 last;
    ASSERT_TRUE(last.resize(400, 300));
    last.copyRect(picture, 99, 0, 400, 300, 0, 0);
    EXPECT_TRUE(view().DisplayBitmap() == last);
    QImage image = shot();
    const PixelBgr p = pixelAt(picture, 99 + 10, 20);
    EXPECT_EQ(image.pixelColor(5 + 10, 5 + 20), QColor(p.r, p.g, p.b));
    EXPECT_EQ(image.pixelColor(5 + 400 + 3, 5 + 20), QColor(Qt::black));
    EXPECT_TRUE(form.findChild<QScrollBar *>(QStringLiteral("PictureHorizontalScroll"))->isHidden());

    // The panel's edits leave the frame on screen.
    typeStep("50");
    EXPECT_FALSE(view().ShowsPanorama());

    QTest::keyClick(&form, Qt::Key_9, Qt::ControlModifier); // "Ajuster à la fenêtre"
    EXPECT_TRUE(view().ShowsPanorama());
    EXPECT_TRUE(view().Viewport().Fitted());
    EXPECT_TRUE(view().DisplayBitmap().sharesWith(form.PanoramaBitmap()));
    waitForReducedCopies();
    image = shot();
    expectGradientAt(image, view().Viewport(), 200, 15, 3000, 300);
}

TEST_F(PanoramaViewTest, ZoomCommandsFromTheMenuAndTheKeyboard)
{
    // "Affichage", between "Animation" and "Options".
    QStringList titles;
    for (QAction *a : form.menuBar()->actions())
        titles << a->text().remove(QLatin1Char('&'));
    EXPECT_EQ(titles.indexOf(QStringLiteral("Affichage")), titles.indexOf(QStringLiteral("Animation")) + 1);
    EXPECT_EQ(titles.indexOf(QStringLiteral("Options")), titles.indexOf(QStringLiteral("Affichage")) + 1);
    const struct {
        const char *name, *caption, *keys;
    } entries[] = { { "Menu_ViewZoomIn", "Zoom avant", "Ctrl++" }, { "Menu_ViewZoomOut", "Zoom arrière", "Ctrl+-" },
        { "Menu_ViewActualSize", "Taille réelle", "Ctrl+0" }, { "Menu_ViewFit", "Ajuster à la fenêtre", "Ctrl+9" } };
    for (const auto &e : entries) {
        QAction *action = found(e.name);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text().remove(QLatin1Char('&')), QString::fromUtf8(e.caption));
        EXPECT_EQ(action->shortcut().toString(), QString::fromLatin1(e.keys));
    }

    open(writeGradient(6000, 400));
    waitForReducedCopies();
    const double fit = view().Viewport().Scale();
    QTest::keyClick(&form, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(view().Viewport().Scale(), 1);
    QScrollBar *across = form.findChild<QScrollBar *>(QStringLiteral("PictureHorizontalScroll"));
    EXPECT_TRUE(across->isVisible());
    EXPECT_EQ(across->maximum(), view().Viewport().horizontal().Maximum);
    QTest::keyClick(&form, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(view().Viewport().Scale(), 1 / PictureViewport::kZoomStep);
    QTest::keyClick(&form, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(view().Viewport().Scale(), 1);
    QTest::keyClick(&form, Qt::Key_9, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(view().Viewport().Scale(), fit);
    EXPECT_TRUE(across->isHidden());
}

TEST_F(PanoramaViewTest, WheelAndDragMoveThePanorama)
{
    open(writeGradient(6000, 400));
    waitForReducedCopies();
    const PictureViewport &v = view().Viewport();
    // Ctrl + wheel zooms in at the pointer: the point under it stays there
    // along the panorama (across, the picture, lower than the area, stays
    // at its top).
    const QPointF at(300.5, 40.5);
    const double px = v.toPictureX(at.x());
    QWheelEvent zoom(at, view().mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::ControlModifier,
        Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view(), &zoom);
    EXPECT_DOUBLE_EQ(v.Scale(), 2 * double(view().DrawArea().Right - view().DrawArea().Left + 1) / 6000);
    EXPECT_NEAR(v.toPictureX(at.x()), px, 1e-9);
    EXPECT_EQ(v.OriginY(), view().DrawArea().Top);

    // The wheel alone pans along the panorama, which is not higher than the area.
    const double x0 = v.OriginX();
    QWheelEvent pan(
        at, view().mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&view(), &pan);
    EXPECT_DOUBLE_EQ(v.OriginX(), x0 - 120);

    // A drag moves it with the pointer.
    QTest::mousePress(&view(), Qt::LeftButton, Qt::NoModifier, QPoint(400, 50));
    QTest::mouseMove(&view(), QPoint(430, 50));
    QTest::mouseRelease(&view(), Qt::LeftButton, Qt::NoModifier, QPoint(430, 50));
    EXPECT_DOUBLE_EQ(v.OriginX(), x0 - 120 + 30);
    // And the scroll bar follows.
    EXPECT_EQ(form.findChild<QScrollBar *>(QStringLiteral("PictureHorizontalScroll"))->value(), v.horizontal().Value);
}

// Higher than the area, the picture pans up and down with the wheel, and
// across with Shift.
TEST_F(PanoramaViewTest, TheWheelPansDownAPictureHigherThanTheArea)
{
    open(writeGradient(6000, 1000));
    QTest::keyClick(&form, Qt::Key_0, Qt::ControlModifier);
    const PictureViewport &v = view().Viewport();
    ASSERT_GT(v.vertical().Maximum, 0);
    const double x0 = v.OriginX(), y0 = v.OriginY();
    const QPointF at(300, 300);
    const auto wheel = [&](Qt::KeyboardModifiers modifiers) {
        QWheelEvent event(
            at, view().mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view(), &event);
    };
    wheel(Qt::NoModifier); // up: the picture comes down (1:1 showed its bottom)
    EXPECT_DOUBLE_EQ(v.OriginY(), y0 + 120);
    EXPECT_DOUBLE_EQ(v.OriginX(), x0);
    wheel(Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(v.OriginX(), x0 + 120);
    EXPECT_EQ(form.findChild<QScrollBar *>(QStringLiteral("PictureVerticalScroll"))->value(), v.vertical().Value);
}

TEST_F(PanoramaViewTest, ResizingTheWindowFitsAgain)
{
    open(writeGradient(6000, 400));
    const double before = view().Viewport().Scale();
    form.resize(1240, 760);
    QCoreApplication::processEvents();
    EXPECT_TRUE(view().Viewport().Fitted());
    EXPECT_DOUBLE_EQ(view().Viewport().Scale(), before + 200.0 / 6000);
}

} // namespace
