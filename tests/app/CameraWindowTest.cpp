// The "Options Caméra" window, as the program makes and wires it.
#include "anim/ui/TFormOpCamera.h"
#include "app/ui/CommandPanel.h"
#include "app/ui/ProgramWindows.h"
#include "app/ui/TFormMain.h"

#include "FormMainFixture.h"
#include "MediaTools.h"
#include "anim/SphereChoices.h"
#include "anim/SphereFrames.h"
#include "app/ui/PictureView.h"
#include "picture/PictureLoader.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

class CameraWindowTest : public FormMainTest {
protected:
    TFormOpCamera &showCamera()
    {
        found("Menu_OptionsCamera")->trigger();
        QCoreApplication::processEvents();
        EXPECT_TRUE(windows.opCamera.isVisible());
        return windows.opCamera;
    }
    static void type(QLineEdit *field, const char *text)
    {
        field->selectAll();
        QTest::keyClicks(field, QString::fromUtf8(text));
    }

    SteadyPlaybackClock clock;
    ProgramWindows windows { form, services, jpegOptions, aviOptions,
        QString::fromStdString((dir / "travelia").string()), clock };
};

TEST_F(CameraWindowTest, FieldsAreNamedInFrenchAndTheCustomSizeTakesTheTwoFields)
{
    TFormOpCamera &w = showCamera();
    EXPECT_EQ(w.windowTitle(), QString::fromUtf8("Options Caméra"));
    for (QWidget *field : std::initializer_list<QWidget *> { w.ComboOutputSize, w.EditOutputWidth, w.EditOutputHeight,
             w.EditDuration, w.EditHold, w.CheckSmooth, w.ButtonMusic, w.LabelMusic, w.LabelPass })
        EXPECT_FALSE(field->accessibleName().isEmpty()) << field->objectName().toStdString();
    EXPECT_EQ(w.ComboOutputSize->count(), 8);
    EXPECT_EQ(w.ComboOutputSize->currentText(), "Panorama 1:1");
    EXPECT_FALSE(w.EditOutputWidth->isEnabled());
    w.ComboOutputSize->setCurrentIndex(kCustomOutputSize);
    EXPECT_TRUE(w.EditOutputWidth->isEnabled());
    type(w.EditOutputWidth, "640");
    type(w.EditOutputHeight, "360");
    w.CheckSmooth->click();
    w.ButtonClose->click();
    EXPECT_FALSE(w.isVisible());
    const CameraChoices &c = form.CameraOptions();
    EXPECT_EQ(c.OutputSize, kCustomOutputSize);
    EXPECT_EQ(c.Width, "640");
    EXPECT_EQ(c.Height, "360");
    EXPECT_TRUE(c.Smooth);
}

// "Annuler" and Escape take back what was changed since the window was shown.
TEST_F(CameraWindowTest, CancelAndEscapeRestoreTheChoicesAsShown)
{
    form.CameraOptions().OutputSize = 2;
    form.CameraOptions().Duration = "20";
    for (const bool escape : { false, true }) {
        TFormOpCamera &w = showCamera();
        EXPECT_EQ(w.EditDuration->text(), "20");
        w.ComboOutputSize->setCurrentIndex(5);
        type(w.EditDuration, "3");
        w.CheckSmooth->click();
        EXPECT_EQ(form.CameraOptions().Duration, "3") << "in effect at once";
        if (escape)
            QTest::keyClick(w.EditHold, Qt::Key_Escape);
        else
            w.ButtonCancel->click();
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(form.CameraOptions().OutputSize, 2);
        EXPECT_EQ(form.CameraOptions().Duration, "20");
        EXPECT_FALSE(form.CameraOptions().Smooth);
    }
}

// A value that is not valid is refused with its message, the window stays
// open, and a run refuses it too.
TEST_F(CameraWindowTest, AValueNotValidIsRefusedWithItsMessage)
{
    open(writePanorama(600, 150));
    TFormOpCamera &w = showCamera();
    type(w.EditDuration, "-2");
    EXPECT_EQ(w.LabelPass->text(), QString::fromUtf8("Valeur de Durée d'un passage Incorrecte"));
    services.answerMessageBox(WindowServices::IdOk);
    w.ButtonClose->click();
    EXPECT_EQ(services.asked().back().text, "Valeur de Durée d'un passage Incorrecte");
    EXPECT_TRUE(w.isVisible());
    services.answerMessageBox(WindowServices::IdOk);
    form.Panel().SpeedButtonCreate->click();
    EXPECT_EQ(services.asked().back().text, "Valeur de Durée d'un passage Incorrecte");
    EXPECT_FALSE(fs::exists(dir / "anim")) << "nothing made on disk";
    w.EditDuration->clear();
    w.ButtonClose->click();
    EXPECT_FALSE(w.isVisible());
}

// Music is for video files: the chooser is greyed otherwise, and the chosen
// file's name is shown.
TEST_F(CameraWindowTest, MusicIsChosenForVideoFilesOnly)
{
    form.Panel().Rules().setFormat(FormatPng);
    form.Panel().ApplyPanelState();
    TFormOpCamera &w = showCamera();
    EXPECT_FALSE(w.ButtonMusic->isEnabled());
    w.hide();
    form.Panel().Rules().setFormat(FormatVideo);
    form.Panel().ApplyPanelState();
    showCamera();
    ASSERT_TRUE(w.ButtonMusic->isEnabled());
    services.answerOpenPicture("");
    w.ButtonMusic->click(); // cancelled
    EXPECT_EQ(form.CameraOptions().AudioFile, "");
    services.answerOpenPicture((dir / "musique" / "thème.ogg").string());
    w.ButtonMusic->click();
    EXPECT_EQ(w.LabelMusic->text(), QString::fromUtf8("thème.ogg"));
    EXPECT_EQ(form.CameraOptions().AudioFile, (dir / "musique" / "thème.ogg").string());
}

// 1080p and a pass of 2 s at 10 frames per second: "Créer" writes a video
// of that size and 20 frames, the panorama scaled once to the frame's height.
TEST_F(CameraWindowTest, CreateWritesAVideoOfTheCamerasSizeAndFrameCount)
{
    open(writePanorama(600, 150));
    form.Panel().Rules().setFormat(FormatVideo);
    form.Panel().ApplyPanelState();
    form.VideoOptions().Container = VideoContainer::Mkv; // lossless: frames counted exactly
    form.VideoOptions().Rate = 10;
    form.Panel().CheckBoxScrollBack->click(); // one pass
    TFormOpCamera &w = showCamera();
    w.ComboOutputSize->setCurrentIndex(2);
    type(w.EditDuration, "2");
    EXPECT_EQ(w.LabelPass->text().toStdString(),
        "Un passage : 2,0 s (20 images à 10 images par seconde)\nIl traverse l'image en 1,5 s : sous 7 s le "
        "défilement saccade. Une durée de 10 s serait fluide.");
    w.ButtonClose->click();
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    form.Panel().SpeedButtonCreate->click();
    ASSERT_EQ(namesIn(dir / "anim"), std::vector<std::string> { "ANIM0000.MKV" }) << form.StatusText().toStdString();
    const VideoStreamProbe probe = probeVideo(dir / "anim" / "ANIM0000.MKV");
    EXPECT_EQ(probe.width, 1920);
    EXPECT_EQ(probe.height, 1080);
    EXPECT_EQ(probe.packets, 20);
    EXPECT_EQ(probe.frameRate, "10/1");
}

// A frame series takes the camera too: frames of its size, as many as the
// pass has at the video files' rate.
TEST_F(CameraWindowTest, ASeriesTakesTheCamerasSizeAndDuration)
{
    open(writePanorama(600, 150));
    form.Panel().CheckBoxScrollBack->click();
    form.CameraOptions().OutputSize = kCustomOutputSize;
    form.CameraOptions().Width = "64";
    form.CameraOptions().Height = "48";
    form.CameraOptions().Duration = "0,5"; // 15 frames at 30 frames per second
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    form.Panel().SpeedButtonCreate->click();
    const std::vector<std::string> names = namesIn(dir / "anim");
    ASSERT_EQ(names.size(), 15u) << form.StatusText().toStdString();
    for (const std::string &name : { names.front(), names.back() }) {
        Bitmap24 frame;
        ASSERT_TRUE(LoadPictureFile((dir / "anim" / name).string(), frame, TJpegOptions {}));
        EXPECT_EQ(frame.width(), 64);
        EXPECT_EQ(frame.height(), 48);
    }
}

// A picture twice as wide as high is offered as equirectangular; choosing
// a perspective view shows its first frame in the main window in place of
// the panorama and its path; "Annuler" brings them back.
TEST_F(CameraWindowTest, AViewOfASphereShowsItsFirstFrameInTheMainWindow)
{
    open(writePanorama(400, 200));
    TFormOpCamera &w = showCamera();
    EXPECT_EQ(w.ComboProjection->currentIndex(), ProjectionEquirectangular);
    PictureView &view = form.View();
    EXPECT_FALSE(view.ShowsViewFrame());
    w.ComboView->setCurrentIndex(ViewPerspective);
    ASSERT_TRUE(view.ShowsViewFrame());
    const QSize shown = view.ViewFrame().size();
    EXPECT_NEAR(double(shown.width()) / shown.height(), 16.0 / 9.0, 0.02) << "the 1920 x 1080 frame, fitted";
    EXPECT_TRUE(view.FramePath().First.empty());
    w.ButtonCancel->click();
    EXPECT_FALSE(view.ShowsViewFrame());
    EXPECT_FALSE(view.FramePath().First.empty());
    EXPECT_EQ(form.CameraOptions().View, ViewFlat);
}

// "Créer" writes the view's frames: the first one is the remap's at yaw 0,
// of the camera's size, as many as the pass lasts at 30 frames per second.
TEST_F(CameraWindowTest, ASeriesOfAViewHoldsTheRemapsFrames)
{
    open(writePanorama(400, 200));
    form.Panel().CheckBoxScrollBack->click();
    CameraChoices &c = form.CameraOptions();
    c.OutputSize = kCustomOutputSize;
    c.Width = "64";
    c.Height = "36";
    c.Duration = "0,5";
    c.View = ViewPerspective;
    c.Fov = "100";
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    form.Panel().SpeedButtonCreate->click();
    const std::vector<std::string> names = namesIn(dir / "anim");
    ASSERT_EQ(names.size(), 15u) << form.StatusText().toStdString();
    Bitmap24 first;
    ASSERT_TRUE(LoadPictureFile((dir / "anim" / names.front()).string(), first, TJpegOptions {}));
    Bitmap24 expected;
    SphereFrames views(form.PanoramaBitmap(), SphereMapping::whole(SphereProjection::Equirectangular, 400, 200), 1);
    ViewSettings settings;
    settings.width = 64;
    settings.height = 36;
    settings.fovDegrees = 100;
    ASSERT_TRUE(views.render({ settings, 0.0 }, expected));
    ASSERT_EQ(first.width(), 64);
    ASSERT_EQ(first.height(), 36);
    EXPECT_TRUE(std::equal(first.bits(), first.bits() + first.byteCount(), std::as_const(expected).bits()));
}

// A panorama whose metadata covers 240° is placed by it; a 360° loop of it
// is refused with the angle before anything is written.
TEST_F(CameraWindowTest, ALoopOfAPartialPanoramaIsRefusedBeforeAnythingIsWritten)
{
    const fs::path partial = dir / "partiel.jpg";
    writeJpegWithPhotoSphere(partial, 200, 100,
        "GPano:ProjectionType=\"cylindrical\" GPano:FullPanoWidthPixels=\"300\" GPano:FullPanoHeightPixels=\"100\" "
        "GPano:CroppedAreaImageWidthPixels=\"200\" GPano:CroppedAreaImageHeightPixels=\"100\" "
        "GPano:CroppedAreaLeftPixels=\"50\" GPano:CroppedAreaTopPixels=\"0\"");
    open(partial.string());
    EXPECT_EQ(form.CameraOptions().Projection, ProjectionCylindrical);
    form.Panel().CheckBoxLoop360->click();
    services.answerMessageBox(WindowServices::IdOk);
    form.Panel().SpeedButtonCreate->click();
    EXPECT_EQ(services.asked().back().text, "La boucle 360° demande un tour complet : le panorama en couvre 240°");
    EXPECT_FALSE(fs::exists(dir / "anim")) << "nothing made on disk";
}

} // namespace
