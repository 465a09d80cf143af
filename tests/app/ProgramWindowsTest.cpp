#include "app/ui/ProgramWindows.h"
#include "app/ui/CommandPanel.h"
#include "app/ui/PictureView.h"
#include "app/ui/TFormMain.h"

#include "FormMainFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The main window with every other window made and wired as the program
// makes them.
class ProgramWindowsTest : public FormMainTest {
protected:
    QRadioButton *formatRadio(const char *caption)
    {
        for (QRadioButton *radio : form.Panel().RadioGroupFormat->findChildren<QRadioButton *>())
            if (radio->text().remove('&') == QString::fromUtf8(caption))
                return radio;
        ADD_FAILURE() << caption;
        return nullptr;
    }

    SteadyPlaybackClock clock;
    ProgramWindows windows { form, services, jpegOptions, aviOptions,
        QString::fromStdString((dir / "travelia").string()), clock };
};

// Every window stays over the main window: the window system knows it as
// transient for it, also once the main window has been in full screen.
TEST_F(ProgramWindowsTest, EveryWindowIsTransientForTheMainWindow)
{
    const auto check = [&](const char *when) {
        for (QWidget *w : windows.windows()) {
            EXPECT_EQ(w->parentWidget(), &form) << w->metaObject()->className();
            w->show();
            QCoreApplication::processEvents();
            ASSERT_NE(w->windowHandle(), nullptr);
            EXPECT_EQ(w->windowHandle()->transientParent(), form.windowHandle())
                << w->metaObject()->className() << " " << when;
            w->hide();
        }
    };
    check("at start");
    form.EnterFullScreen();
    QCoreApplication::processEvents();
    check("in full screen");
    form.LeaveFullScreen();
    QCoreApplication::processEvents();
    check("after full screen");
}

// "Stop" once un-maximised the window (it left a full screen that was not
// there); the window now comes back as it was before full screen.
TEST_F(ProgramWindowsTest, StopGivesTheWindowBackAsItWas)
{
    form.showMaximized();
    found("Menu_AnimStop")->trigger();
    EXPECT_TRUE(form.isMaximized());
    EXPECT_TRUE(form.Run().StopRequested);

    form.EnterFullScreen();
    ASSERT_TRUE(form.isFullScreen());
    found("PopupMenu_Stop")->trigger();
    EXPECT_FALSE(form.isFullScreen());
    EXPECT_TRUE(form.isMaximized());
    EXPECT_FALSE(form.menuBar()->isHidden());

    form.showNormal();
    form.resize(800, 500);
    form.EnterFullScreen();
    found("Menu_AnimStop")->trigger();
    EXPECT_FALSE(form.isMaximized());
    EXPECT_FALSE(form.isFullScreen());
    EXPECT_EQ(form.size(), QSize(800, 500));
}

// The progress window's Stop is the main window's: the run is asked to end
// and the window leaves full screen, back to maximised.
TEST_F(ProgramWindowsTest, ProgressWindowStopActsAsStop)
{
    form.showMaximized();
    form.EnterFullScreen();
    windows.encours.showProgress();
    windows.encours.SpeedButton1->click();
    EXPECT_TRUE(form.Run().StopRequested);
    EXPECT_FALSE(form.isFullScreen());
    EXPECT_TRUE(form.isMaximized());
    EXPECT_FALSE((&form.Panel())->isHidden());
    windows.encours.hideProgress();
}

// A choice made without a click (a screen reader checks the radio button
// through the accessibility bus, the arrow keys move it) updates the panel
// as a click does: "Vérifier" once stayed enabled for "Vidéo".
TEST_F(ProgramWindowsTest, FormatCheckedWithoutAClickUpdatesThePanel)
{
    open(writePanorama(44, 30));
    formatRadio("Vidéo")->setChecked(true);
    EXPECT_EQ(form.Panel().Rules().state().RadioGroupFormat, FormatVideo);
    EXPECT_FALSE(form.Panel().SpeedButtonVerify->isEnabled());
    EXPECT_EQ(form.Panel().EditDstName->text(), "ANIM");
    formatRadio("PNG")->setChecked(true);
    EXPECT_TRUE(form.Panel().SpeedButtonVerify->isEnabled());
    EXPECT_EQ(form.Panel().EditDstName->text(), "IMAGE");

    QRadioButton *vertical = form.Panel().RadioGroupScrollType->findChildren<QRadioButton *>().at(1);
    vertical->setChecked(true);
    EXPECT_EQ(form.Panel().Rules().state().RadioGroupScrollType, ScrollVertical);
    EXPECT_EQ(form.Panel().EditFrameWidth->text(), "1024");
}

// The viewer is named before any series is listed; after a frame series,
// "Vérifier" lists and plays that series without asking for a file.
TEST_F(ProgramWindowsTest, VerifyAfterASeriesPlaysIt)
{
    EXPECT_EQ(windows.view.windowTitle(), QString::fromUtf8("Vérifier l'animation"));
    open(writePanorama(44, 30)); // 8 frames
    form.Run().Tempo = 0;
    formatRadio("PNG")->setChecked(true);
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    form.Panel().SpeedButtonCreate->click();
    ASSERT_TRUE(fs::exists(dir / "anim" / "IMAGE0007.PNG"));
    const std::size_t asked = services.asked().size();

    form.Panel().SpeedButtonVerify->click();
    EXPECT_EQ(services.asked().size(), asked) << "no file asked for";
    EXPECT_TRUE(windows.view.isVisible());
    EXPECT_EQ(windows.view.windowTitle().toStdString(), dir.str() + "/anim/");
    ASSERT_EQ(windows.view.ListBox1->count(), 8);
    EXPECT_EQ(windows.view.ListBox1->item(0)->text(), "IMAGE0000.PNG");
    EXPECT_EQ(windows.view.ListBox1->currentRow(), 7) << "played from the first frame to the last";
    Bitmap24 last;
    ASSERT_TRUE(last.resize(40, 30));
    last.copyRect(makeTestPanorama(44, 30), 0, 0, 40, 30, 0, 0); // the return pass ends where it began
    EXPECT_TRUE(form.View().DisplayBitmap() == last);
}

// A new picture: the last run's result and "Chargement annulé" leave the
// status line.
TEST_F(ProgramWindowsTest, NewPictureClearsEarlierResults)
{
    open(writePanorama(44, 30));
    form.Run().Tempo = 0;
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    form.SpeedButtonCreateClick();
    ASSERT_FALSE(form.StatusText().isEmpty());
    open(writePanorama(50, 30, "other.bmp"));
    EXPECT_EQ(form.StatusText(), "");
}

// "Tester" and "Créer" are greyed while a picture loads, and a run asked
// for meanwhile (a shortcut, the menu) does nothing.
TEST_F(ProgramWindowsTest, RunsWaitForThePictureBeingLoaded)
{
    open(writePanorama(44, 30));
    QImage big(4000, 3000, QImage::Format_RGB888);
    big.fill(Qt::darkCyan);
    const std::string path = (dir / "big.png").string();
    ASSERT_TRUE(big.save(QString::fromStdString(path), "png", 100));
    int checks = 0;
    services.onProcessMessages = [&] {
        if (!form.IsLoading() || checks++ > 0)
            return;
        EXPECT_FALSE(form.Panel().SpeedButtonTest->isEnabled());
        EXPECT_FALSE(form.Panel().SpeedButtonCreate->isEnabled());
        found("Menu_AnimTest")->trigger();
        found("Menu_AnimCreate")->trigger();
        form.SpeedButtonCreateClick();
    };
    open(path);
    services.onProcessMessages = {};
    ASSERT_EQ(checks > 0, true) << "the load handled no message";
    EXPECT_EQ(form.PanoramaBitmap().width(), 4000);
    EXPECT_FALSE(fs::exists(dir / "anim")) << "no run, no question";
    EXPECT_TRUE(form.Panel().SpeedButtonTest->isEnabled());
    EXPECT_TRUE(form.Panel().SpeedButtonCreate->isEnabled());
}

// "Tester" plays a video file's animation at the file's rate (the pause
// the run asks of the shared timer), a frame series at the tempo.
TEST_F(ProgramWindowsTest, TestPlaysAVideoAtItsRate)
{
    open(writePanorama(44, 30));
    form.Run().Tempo = 7;
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    form.SpeedButtonTestClick();
    EXPECT_EQ(form.Run().Timer1.interval(), 7);
    formatRadio("Vidéo")->setChecked(true);
    form.SpeedButtonTestClick();
    EXPECT_EQ(form.Run().Timer1.interval(), 33) << "30 frames per second";
    formatRadio("AVI")->setChecked(true);
    aviOptions.Rate = 40;
    form.SpeedButtonTestClick();
    EXPECT_EQ(form.Run().Timer1.interval(), 25);
    EXPECT_EQ(form.StatusText(), "TestFrame-7 / 0008");
}

} // namespace
