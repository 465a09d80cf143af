#include "app/ui/CommandPanel.h"
#include "app/ui/ProgramWindows.h"
#include "app/ui/TFormMain.h"

#include "FormMainFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;

namespace {

// One start of the program over a settings file: the main window and every
// other window, made and wired as the program makes them.
struct Session {
    Session(WindowServices &services, const fs::path &dir, const QString &settingsFile)
        : settings(settingsFile, QSettings::IniFormat)
        , form(services, jpegOptions, aviOptions, QString::fromStdString((dir / "travelia").string()), settings)
        , windows(form, services, jpegOptions, aviOptions, QString::fromStdString((dir / "travelia").string()), clock)
    {
        form.show();
        QCoreApplication::processEvents();
    }

    QRadioButton *radio(QGroupBox *group, const char *caption)
    {
        for (QRadioButton *r : group->findChildren<QRadioButton *>())
            if (r->text().remove('&') == QString::fromUtf8(caption))
                return r;
        ADD_FAILURE() << caption;
        return nullptr;
    }
    void type(QLineEdit *field, const char *text)
    {
        field->selectAll();
        QTest::keyClicks(field, QString::fromUtf8(text));
    }
    void open(const std::string &path, GuiServices &services)
    {
        services.answerOpenPicture(path);
        form.Menu_FileOpenClick();
    }

    TJpegOptions jpegOptions;
    TAviOptions aviOptions;
    QSettings settings;
    TFormMain form;
    SteadyPlaybackClock clock;
    ProgramWindows windows;
};

class RememberedWindowTest : public ::testing::Test {
protected:
    RememberedWindowTest() { EXPECT_TRUE(WriteBmpFile(makeTestPanorama(600, 150), picture)); }
    ~RememberedWindowTest() override { fs::current_path(savedCwd); }

    std::unique_ptr<Session> start() { return std::make_unique<Session>(services, dir.path(), settingsFile); }

    TempDir dir;
    fs::path savedCwd = fs::current_path();
    GuiServices services;
    QString settingsFile = QString::fromStdString((dir / "config" / "travelia.conf").string());
    std::string picture = (dir / "pano.bmp").string();
};

// The window started twice over the same settings: what was chosen in the
// first session, through the window's own controls, is there in the second.
TEST_F(RememberedWindowTest, SettingsSurviveARestart)
{
    const std::string outFolder = (dir / "sorties").string() + "/";
    fs::create_directory(outFolder);
    {
        auto first = start();
        first->open(picture, services);
        CommandPanel &p = first->form.Panel();
        first->type(p.EditFrameWidth, "320");
        first->type(p.EditFrameHeight, "240");
        first->type(p.EditStep, "3");
        p.CheckBoxScrollDirection->click();
        p.CheckBoxScrollBack->click();
        p.CheckBoxCenter->click();
        p.CheckBoxLoop360->click();
        p.CheckBoxCopy->click();
        first->type(p.EditCopy, outFolder.c_str());
        first->type(p.EditSubDir, "./film");
        first->radio(p.RadioGroupFormat, "Vidéo")->click();
        services.answerInputBox("40");
        first->form.Menu_OptionsTempoClick();

        TFormOpJpeg &jpeg = first->windows.opJpeg;
        jpeg.show();
        first->type(jpeg.EditCompressionQuality, "80");
        jpeg.CheckBoxGrayScale->setChecked(true);
        jpeg.BitBtnOk->click();
        TFormOpVideo &video = first->windows.opVideo;
        video.show();
        video.ComboContainer->setCurrentIndex(1); // WebM
        video.SpinRate->setValue(24);
        video.EditPreset->setText(QStringLiteral("6"));
        video.ButtonClose->click();
        first->aviOptions.Rate = 25; // what the AVI options window holds
        first->aviOptions.Quality = 7000;

        first->form.resize(700, 500);
        first->form.showMaximized();
        first->form.close();
    }
    ASSERT_TRUE(fs::exists(dir / "config" / "travelia.conf"));

    auto second = start();
    EXPECT_TRUE(second->form.isMaximized());
    EXPECT_FALSE(second->form.isFullScreen());
    EXPECT_EQ(second->form.Run().Tempo, 40);
    EXPECT_EQ(second->jpegOptions.CompressionQuality, 80);
    EXPECT_TRUE(second->jpegOptions.Grayscale);
    EXPECT_EQ(second->form.VideoOptions().Container, VideoContainer::Webm);
    EXPECT_EQ(second->form.VideoOptions().Rate, 24);
    EXPECT_EQ(second->form.VideoOptions().Preset, "6");
    EXPECT_EQ(second->aviOptions.Rate, 25);
    EXPECT_EQ(second->aviOptions.Quality, 7000);
    second->windows.opJpeg.show();
    EXPECT_EQ(second->windows.opJpeg.EditCompressionQuality->text(), "80") << "the window shows them";
    second->windows.opVideo.show();
    EXPECT_EQ(second->windows.opVideo.SpinRate->value(), 24);

    CommandPanel &p = second->form.Panel();
    EXPECT_TRUE(second->radio(p.RadioGroupFormat, "Vidéo")->isChecked());
    EXPECT_EQ(p.EditDstName->text(), "ANIM");
    EXPECT_TRUE(p.CheckBoxCopy->isChecked());
    EXPECT_EQ(p.EditCopy->text().toStdString(), outFolder);
    EXPECT_EQ(p.EditSubDir->text(), "./film");
    EXPECT_EQ(p.EditStep->text(), "3");
    EXPECT_FALSE(p.CheckBoxScrollDirection->isChecked());
    EXPECT_FALSE(p.CheckBoxCenter->isChecked());
    EXPECT_TRUE(p.CheckBoxLoop360->isChecked());
    second->open(picture, services);
    EXPECT_EQ(p.EditFrameWidth->text(), "320") << "the size typed, not the picture's";
    EXPECT_EQ(p.EditFrameHeight->text(), "240");
    EXPECT_EQ(p.EditCopy->text().toStdString(), outFolder);
    EXPECT_EQ(p.EditSubDir->text(), "./film");
}

// The camera's choices, made in its window, are there in the next session
// and its window shows them.
TEST_F(RememberedWindowTest, CameraChoicesSurviveARestart)
{
    {
        auto first = start();
        TFormOpCamera &camera = first->windows.opCamera;
        camera.show();
        camera.ComboOutputSize->setCurrentIndex(kCustomOutputSize);
        first->type(camera.EditOutputWidth, "720");
        first->type(camera.EditOutputHeight, "1280");
        first->type(camera.EditDuration, "12,5");
        first->type(camera.EditHold, "1");
        camera.CheckSmooth->click();
        camera.ButtonClose->click();
        first->form.close();
    }
    auto second = start();
    const CameraChoices expected { kCustomOutputSize, "720", "1280", "12,5", true, "1", "", 0, 0, "", "" };
    EXPECT_EQ(second->form.CameraOptions(), expected);
    TFormOpCamera &camera = second->windows.opCamera;
    camera.show();
    EXPECT_EQ(camera.ComboOutputSize->currentIndex(), kCustomOutputSize);
    EXPECT_EQ(camera.EditOutputWidth->text(), "720");
    EXPECT_EQ(camera.EditDuration->text(), "12,5");
    EXPECT_TRUE(camera.CheckSmooth->isChecked());
}

// The window's place comes back, never full screen: closed in full screen,
// it opens as it was before.
TEST_F(RememberedWindowTest, WindowComesBackWhereItWasNeverFullScreen)
{
    {
        auto first = start();
        EXPECT_EQ(first->form.size(), QSize(1040, 760)) << "the default size at the first start";
        first->form.resize(700, 500);
        first->form.EnterFullScreen();
        first->form.close();
    }
    auto second = start();
    EXPECT_FALSE(second->form.isFullScreen());
    EXPECT_FALSE(second->form.isMaximized());
    EXPECT_EQ(second->form.size(), QSize(700, 500));
    EXPECT_FALSE((&second->form.Panel())->isHidden());
}

// A hand-edited or foreign file: each value out of range (a negative rate,
// an unknown format) is its default in the window, the others are kept.
TEST_F(RememberedWindowTest, ForeignValuesFallBackToTheDefaults)
{
    {
        QSettings store(settingsFile, QSettings::IniFormat);
        store.setValue(QStringLiteral("panel/format"), 9);
        store.setValue(QStringLiteral("video/rate"), -5);
        store.setValue(QStringLiteral("video/container"), QStringLiteral("gif"));
        store.setValue(QStringLiteral("window/geometry"), QStringLiteral("pas une géométrie"));
    }
    auto session = start();
    CommandPanel &p = session->form.Panel();
    EXPECT_EQ(p.Rules().state().RadioGroupFormat, FormatBmp);
    EXPECT_TRUE(session->radio(p.RadioGroupFormat, "BMP")->isChecked());
    EXPECT_EQ(session->form.VideoOptions().Rate, 30);
    EXPECT_EQ(session->form.VideoOptions().Container, VideoContainer::Gif);
    session->windows.opVideo.show();
    EXPECT_EQ(session->windows.opVideo.SpinRate->value(), 30);
    EXPECT_EQ(session->form.size(), QSize(1040, 760));
}

// "Réinitialiser les réglages" forgets the stored settings and brings every
// default back, in the panel and in the options windows.
TEST_F(RememberedWindowTest, ResetForgetsAndRestoresTheDefaults)
{
    {
        auto first = start();
        first->form.Run().Tempo = 5;
        first->jpegOptions.CompressionQuality = 60;
        first->form.VideoOptions().Rate = 12;
        first->form.Panel().Rules().setFormat(FormatPng);
        first->form.close();
    }
    auto second = start();
    ASSERT_EQ(second->form.Run().Tempo, 5);
    second->windows.opVideo.show();
    for (QAction *a : second->form.findChildren<QAction *>())
        if (a->objectName() == "Menu_OptionsReset")
            a->trigger();
    EXPECT_EQ(second->form.Run().Tempo, 100);
    EXPECT_EQ(second->jpegOptions, TJpegOptions {});
    EXPECT_EQ(second->form.VideoOptions(), TVideoOptions {});
    EXPECT_EQ(second->form.Panel().Rules().state().RadioGroupFormat, FormatBmp);
    EXPECT_TRUE(second->radio(second->form.Panel().RadioGroupFormat, "BMP")->isChecked());
    EXPECT_TRUE(second->windows.opVideo.isHidden()) << "its fields held the old values";
    second->windows.opVideo.show();
    EXPECT_EQ(second->windows.opVideo.SpinRate->value(), 30);
    const QSettings store(settingsFile, QSettings::IniFormat);
    EXPECT_TRUE(store.allKeys().isEmpty());
}

// Settings that cannot be written when the window closes: the error box
// names the file; the window closes all the same.
TEST_F(RememberedWindowTest, SettingsThatCannotBeWrittenAreTold)
{
    std::ofstream(dir / "config") << "un fichier, pas un dossier";
    auto session = start();
    services.answerErrorBox();
    session->form.close();
    ASSERT_FALSE(services.asked().empty());
    const std::string &text = services.asked().back().text;
    EXPECT_EQ(text.rfind("Réglages non enregistrés : " + settingsFile.toStdString(), 0), 0u) << text;
    EXPECT_FALSE(session->form.isVisible());
    EXPECT_TRUE(fs::is_regular_file(dir / "config"));
}

} // namespace
