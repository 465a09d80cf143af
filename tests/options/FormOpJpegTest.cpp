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
    static QColor at(const QLabel *image, int x, int y) { return image->pixmap().toImage().pixelColor(x, y); }

    TJpegOptions options;
    Bitmap24 display;
    ScriptedServices services; // fails the test on an unexpected error box
    TFormOpJpeg form;
};

TEST_F(FormOpJpegTest, ControlsApplyOnlyOnOkPreviewAndDefaults)
{
    options.CompressionQuality = 50; // not what the window holds: shows whether it applied
    QTest::mousePress(form.SpeedButtonDown, Qt::RightButton);
    QTest::mouseRelease(form.SpeedButtonDown, Qt::RightButton);
    form.CheckBoxDisableHorzSubSampling->setChecked(false);
    form.ComboBoxPerformance->setEditText(QStringLiteral("rapide"));
    form.close();
    EXPECT_EQ(options.CompressionQuality, 50) << "the close box applies nothing";

    form.show();
    form.BitBtnOk->click();
    EXPECT_TRUE(form.isHidden());
    EXPECT_EQ(options.CompressionQuality, 90);
    EXPECT_TRUE(options.HorzSubSampling);
    EXPECT_EQ(options.Performance, 255) << "a list typed over has no item";
    form.SpeedButtonDefaut->click();
    EXPECT_EQ(options, TJpegOptions {});
}

TEST_F(FormOpJpegTest, PreviewFollowsTheScrollBarsAndLeavesTheCurrentFolderAlone)
{
    TempDir cwd;
    const fs::path saved = fs::current_path();
    fs::current_path(cwd.path());
    std::ofstream(cwd / "tmp.jpg") << "the user's";

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

    std::ifstream in(cwd / "tmp.jpg");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "the user's");
    fs::current_path(saved);
}

} // namespace
