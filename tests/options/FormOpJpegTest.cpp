#include "options/TFormOpJpeg.h"

#include "ScriptedServices.h"
#include "TestUtils.h"
#include "options/JpegOptions.h"

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
#include <fstream>

namespace fs = std::filesystem;

namespace {

class FormOpJpegTest : public ::testing::Test {
protected:
    FormOpJpegTest()
        : form(options, display, services)
    {
    }

    static QColor shownAt(const QLabel *image, int x, int y) { return image->pixmap().toImage().pixelColor(x, y); }

    TJpegOptions options;
    Bitmap24 display;
    ScriptedServices services;
    TFormOpJpeg form;
};

TEST_F(FormOpJpegTest, SettingsApplyOnOkAndDefaultsOnlyThroughTheButtons)
{
    options.CompressionQuality = 50; // not what the window holds: shows whether it applied
    QTest::mousePress(form.SpeedButtonDown, Qt::RightButton);
    QTest::mouseRelease(form.SpeedButtonDown, Qt::RightButton);
    form.CheckBoxDisableHorzSubSampling->setChecked(false);
    form.ComboBoxPerformance->setEditText(QStringLiteral("rapide"));
    form.CheckBoxGrayScale->setChecked(true);
    form.close();
    EXPECT_EQ(options.CompressionQuality, 50) << "the close box applies nothing";

    form.show();
    form.BitBtnOk->click();
    EXPECT_TRUE(form.isHidden());
    EXPECT_EQ(form.EditCompressionQuality->text(), "90");
    EXPECT_EQ(options.CompressionQuality, 90);
    EXPECT_TRUE(options.HorzSubSampling);
    EXPECT_TRUE(options.Grayscale);
    EXPECT_EQ(options.Performance, 255) << "a combo typed over has no item";

    form.SpeedButtonDefaut->click();
    EXPECT_EQ(options, TJpegOptions {});
    EXPECT_EQ(form.EditCompressionQuality->text(), "95");
}

TEST_F(FormOpJpegTest, PreviewShowsThePictureBeforeAndAfterAndFollowsTheScrollBars)
{
    TempDir cwd;
    const fs::path saved = fs::current_path();
    fs::current_path(cwd.path());
    std::ofstream(cwd / "tmp.jpg") << "a file of the user's";
    display = makeTestPanorama(300, 250);

    form.show();
    const PixelBgr p = testPanoramaPixel(20, 30);
    EXPECT_EQ(shownAt(form.ImageSRC, 20, 30), QColor(p.r, p.g, p.b));
    const QColor after = shownAt(form.ImageDST, 20, 30);
    EXPECT_NEAR(after.red(), p.r, 16);
    EXPECT_NEAR(after.green(), p.g, 16);
    EXPECT_NEAR(after.blue(), p.b, 16);

    QApplication::setActiveWindow(&form);
    EXPECT_EQ(form.ScrollBarHorz->minimum(), -300);
    EXPECT_EQ(form.ScrollBarVert->maximum(), 250);
    form.ScrollBarHorz->setValue(50);
    form.ScrollBarHorz->triggerAction(QAbstractSlider::SliderSingleStepAdd); // 51
    QTest::mouseRelease(form.ScrollBarHorz, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(shownAt(form.ImageSRC, 20, 30), QColor(Qt::black));
    EXPECT_EQ(shownAt(form.ImageSRC, 51 + 20, 30), QColor(p.r, p.g, p.b));

    std::ifstream in(cwd / "tmp.jpg");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "a file of the user's");
    fs::current_path(saved);
}

TEST_F(FormOpJpegTest, PreviewWithoutAPictureShowsTwoBlackSquares)
{
    form.SpeedButtonVoir->click();
    for (const QLabel *image : { form.ImageSRC, form.ImageDST }) {
        EXPECT_EQ(image->pixmap().size(), QSize(TFormOpJpeg::kPreviewSide, TFormOpJpeg::kPreviewSide));
        EXPECT_EQ(shownAt(image, 100, 100), QColor(Qt::black));
    }
}

} // namespace
