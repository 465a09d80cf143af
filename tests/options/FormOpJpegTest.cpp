#include "options/ui/TFormOpJpeg.h"

#include "ScriptedServices.h"
#include "TestUtils.h"
#include "options/JpegOptions.h"
#include "options/JpegPreview.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

namespace fs = std::filesystem;

namespace {

class QualityButtonTest : public ::testing::TestWithParam<std::tuple<int, bool, bool, int>> { };

TEST_P(QualityButtonTest, StepsByOneOrFiveWithinFiveToHundred)
{
    const auto [quality, up, leftButton, expected] = GetParam();
    EXPECT_EQ(QualityAfterPress(quality, up, leftButton), expected);
}

INSTANTIATE_TEST_SUITE_P(Presses, QualityButtonTest,
    ::testing::Values(std::tuple(95, true, true, 96), std::tuple(90, true, false, 95), std::tuple(97, true, false, 100),
        std::tuple(50, false, false, 45), std::tuple(7, false, false, 5), std::tuple(6, false, true, 5)),
    [](const auto &info) {
        return "from" + std::to_string(std::get<0>(info.param)) + (std::get<1>(info.param) ? "Up" : "Down")
            + (std::get<2>(info.param) ? "Left" : "Right");
    });

TEST(PreviewSource, DrawsThePictureAtTheOffsetOnBlack)
{
    const Bitmap24 picture = makeTestPanorama(30, 20);
    for (const auto &[x, y] : { std::pair(0, 0), { 5, 3 }, { -20, -10 }, { 40, 0 } }) {
        const Bitmap24 square = PreviewSource(picture, 16, x, y);
        ASSERT_EQ(square.width(), 16);
        for (int sy = 0; sy < 16; ++sy)
            for (int sx = 0; sx < 16; ++sx) {
                const int px = sx - x, py = sy - y;
                const bool inside = px >= 0 && px < 30 && py >= 0 && py < 20;
                ASSERT_EQ(pixelAt(square, sx, sy), inside ? testPanoramaPixel(px, py) : PixelBgr {})
                    << x << "," << y << ": " << sx << "," << sy;
            }
    }
}

class FormOpJpegTest : public ::testing::Test {
protected:
    FormOpJpegTest()
        : form(options, display, services)
    {
    }
    static QColor at(const QLabel *image, int x, int y) { return image->pixmap().toImage().pixelColor(x, y); }

    TJpegOptions options;
    Bitmap24 display;
    ScriptedServices services; // fails the test on an unexpected error box
    TFormOpJpeg form;
};

TEST_F(FormOpJpegTest, ControlsApplyOnlyOnOkPreviewAndDefaults)
{
    options.CompressionQuality = 50;
    form.show();
    EXPECT_EQ(form.EditCompressionQuality->text(), "50") << "shown with the settings as they stand";
    const auto edit = [&] {
        QTest::mousePress(form.SpeedButtonDown, Qt::RightButton);
        QTest::mouseRelease(form.SpeedButtonDown, Qt::RightButton);
        form.CheckBoxDisableHorzSubSampling->setChecked(false);
        form.ComboBoxPerformance->setEditText(QStringLiteral("rapide"));
    };
    edit();
    form.close();
    EXPECT_EQ(options.CompressionQuality, 50) << "the close box applies nothing";

    form.show();
    EXPECT_EQ(form.EditCompressionQuality->text(), "50") << "and the fields show what was kept";
    edit();
    form.BitBtnOk->click();
    EXPECT_TRUE(form.isHidden());
    EXPECT_EQ(options.CompressionQuality, 45);
    EXPECT_TRUE(options.HorzSubSampling);
    EXPECT_EQ(options.Performance, 255) << "a list typed over has no item";
    form.show();
    form.SpeedButtonDefaut->click();
    EXPECT_EQ(options, TJpegOptions {});
    form.BitBtnOk->click();
    EXPECT_EQ(options, TJpegOptions {});
}

// "Défaut" used to leave the "after" picture showing the settings it replaced.
TEST_F(FormOpJpegTest, DefaultsRefreshTheAfterPicture)
{
    display = makeTestPanorama(300, 250);
    form.show();
    form.CheckBoxGrayScale->setChecked(true);
    form.SpeedButtonVoir->click();
    const PixelBgr p = testPanoramaPixel(40, 40);
    ASSERT_NE(p.r, p.b) << "the test pixel must have colour";
    QColor after = at(form.ImageDST, 40, 40);
    EXPECT_TRUE(after.red() == after.green() && after.green() == after.blue()) << "grey after a greyscale round trip";

    form.SpeedButtonDefaut->click();
    after = at(form.ImageDST, 40, 40);
    EXPECT_LE(std::abs(after.red() - p.r) + std::abs(after.green() - p.g) + std::abs(after.blue() - p.b), 30);
}

// The preview's bars took no focus: panning needed a mouse.
TEST_F(FormOpJpegTest, ArrowKeysPanThePreview)
{
    display = makeTestPanorama(300, 250);
    form.show();
    QApplication::setActiveWindow(&form);
    form.SpeedButtonVoir->setFocus();
    QTest::keyClick(form.SpeedButtonVoir, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), form.ScrollBarHorz) << "Tab goes from >> Voir >> to the bars";
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(form.ScrollBarHorz, Qt::Key_Left);
    QCoreApplication::processEvents();
    const int x = form.ScrollBarHorz->value();
    ASSERT_EQ(std::abs(x), 5);
    const PixelBgr p = testPanoramaPixel(40 - x, 30);
    EXPECT_EQ(at(form.ImageSRC, 40, 30), QColor(p.r, p.g, p.b)) << "the preview follows the keys";
}

TEST_F(FormOpJpegTest, PreviewFollowsTheScrollBarsAndLeavesTheCurrentFolderAlone)
{
    TempDir cwd;
    const fs::path saved = fs::current_path();
    fs::current_path(cwd.path());
    const std::vector<std::uint8_t> usersFile = { 'm', 'i', 'n', 'e' };
    writeFileBytes(cwd / "tmp.jpg", usersFile);

    form.show(); // no picture: two black squares, no error
    EXPECT_EQ(at(form.ImageSRC, 100, 100), QColor(Qt::black));
    EXPECT_EQ(at(form.ImageDST, 100, 100), QColor(Qt::black));

    display = makeTestPanorama(300, 250);
    QApplication::setActiveWindow(&form);
    EXPECT_EQ(form.ScrollBarHorz->minimum(), -300);
    EXPECT_EQ(form.ScrollBarVert->maximum(), 250);
    form.ScrollBarHorz->setValue(50);
    form.ScrollBarHorz->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QTest::mouseRelease(form.ScrollBarHorz, Qt::LeftButton);
    QCoreApplication::processEvents();
    const PixelBgr p = testPanoramaPixel(20, 30);
    EXPECT_EQ(at(form.ImageSRC, 51 + 20, 30), QColor(p.r, p.g, p.b));
    const QColor after = at(form.ImageDST, 51 + 20, 30);
    EXPECT_LE(std::abs(after.red() - p.r) + std::abs(after.green() - p.g) + std::abs(after.blue() - p.b), 30);

    EXPECT_EQ(readFileBytes(cwd / "tmp.jpg"), usersFile);
    fs::current_path(saved);
}

// "Annuler" and Escape take back what "Voir" and "Défaut" applied since the
// window was shown, and the fields show the settings kept.
TEST_F(FormOpJpegTest, CancelTakesBackWhatWasApplied)
{
    options.CompressionQuality = 80;
    options.Grayscale = true;
    for (const char *how : { "Annuler", "Escape" }) {
        form.show();
        QApplication::setActiveWindow(&form);
        form.CheckBoxGrayScale->setChecked(false);
        form.SpeedButtonVoir->click(); // the preview applies the settings
        ASSERT_FALSE(options.Grayscale);
        form.SpeedButtonDefaut->click();
        ASSERT_EQ(options.CompressionQuality, 95);
        if (std::string(how) == "Annuler")
            form.BitBtnCancel->click();
        else
            QTest::keyClick(form.CheckBoxGrayScale, Qt::Key_Escape);
        EXPECT_TRUE(form.isHidden()) << how;
        EXPECT_EQ(options.CompressionQuality, 80) << how;
        EXPECT_TRUE(options.Grayscale) << how;
        EXPECT_EQ(form.EditCompressionQuality->text(), "80") << how;
        EXPECT_TRUE(form.CheckBoxGrayScale->isChecked()) << how;
    }
}

// The quality can be typed (the field was greyed, "+" and "-" its only way);
// it stays within 5..100 and the buttons step from what was typed.
TEST_F(FormOpJpegTest, QualityCanBeTyped)
{
    form.show();
    QApplication::setActiveWindow(&form);
    QLineEdit *field = form.EditCompressionQuality;
    EXPECT_TRUE(field->isEnabled());
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, "72");
    form.SpeedButtonUp->click();
    EXPECT_EQ(field->text(), "73");
    field->selectAll();
    QTest::keyClicks(field, "2x5y0");
    EXPECT_EQ(field->text(), "250") << "digits only";
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_EQ(field->text(), "100") << "brought down to 100 when the field is left";
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, "3");
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_EQ(field->text(), "5") << "and up to 5";
    form.BitBtnOk->click();
    EXPECT_EQ(options.CompressionQuality, 5);
}

} // namespace
