#include "app/ui/CommandPanel.h"
#include "app/ui/PictureView.h"
#include "app/ui/ProgramWindows.h"
#include "app/ui/TFormMain.h"

#include "FormMainFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A walk through the program without a mouse: every command is reached by
// its menu's letters, its shortcut or the panel's keys, every window is
// answered from the keyboard, and Escape never loses anything.
class KeyboardWalkTest : public FormMainTest {
protected:
    KeyboardWalkTest()
    {
        form.Run().Tempo = 0;
        QApplication::setActiveWindow(&form);
    }

    static QString plain(QString caption) { return caption.remove('&'); }

    // Alt + the menu's letter, then the entry's letter.
    void chooseFromMenu(const char *menuTitle, const char *entryName)
    {
        QApplication::setActiveWindow(&form);
        QAction *title = nullptr;
        for (QAction *a : form.menuBar()->actions())
            if (plain(a->text()) == QString::fromUtf8(menuTitle))
                title = a;
        ASSERT_NE(title, nullptr) << menuTitle;
        QTest::keySequence(&form, QKeySequence::mnemonic(title->text()));
        QMenu *menu = title->menu();
        ASSERT_TRUE(menu->isVisible()) << menuTitle << " opens with " << title->text().toStdString();
        QAction *entry = form.findChild<QAction *>(QString::fromLatin1(entryName));
        ASSERT_NE(entry, nullptr) << entryName;
        const QKeySequence letter = QKeySequence::mnemonic(entry->text());
        ASSERT_FALSE(letter.isEmpty()) << entryName;
        QTest::keyClick(menu, letter[0].key());
        EXPECT_FALSE(menu->isVisible()) << entryName << " chosen";
    }

    // Alt + the control's letter, in its window. A button pressed by its
    // letter shows itself pressed a moment, then clicks: until then, the
    // window's messages are handled.
    void pressLetterOf(QAbstractButton *control)
    {
        QApplication::setActiveWindow(control->window());
        const QKeySequence letter = QKeySequence::mnemonic(control->text());
        ASSERT_FALSE(letter.isEmpty()) << plain(control->text()).toStdString();
        bool clicked = false;
        const QMetaObject::Connection c
            = QObject::connect(control, &QAbstractButton::clicked, [&clicked] { clicked = true; });
        QTest::keySequence(control->window(), letter);
        QElapsedTimer waited;
        waited.start();
        while (!clicked && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        QObject::disconnect(c);
        EXPECT_TRUE(clicked) << plain(control->text()).toStdString();
    }

    // Acts on the next modal window once it is up.
    static void whenModalShows(std::function<void(QWidget *)> act)
    {
        QTimer::singleShot(0, [act] {
            QWidget *modal = QApplication::activeModalWidget();
            ASSERT_NE(modal, nullptr);
            act(modal);
        });
    }

    SteadyPlaybackClock clock;
    ProgramWindows windows { form, services, jpegOptions, aviOptions,
        QString::fromStdString((dir / "travelia").string()), clock };
};

TEST_F(KeyboardWalkTest, EveryCommandIsReachedWithoutAMouse)
{
    const std::string picture = writePanorama(44, 30);
    // Ctrl+O: the open dialog; then a test run from the menu's letters and with F5.
    services.answerOpenPicture(picture);
    QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(form.PanoramaBitmap().width(), 44);
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    chooseFromMenu("Animation", "Menu_AnimTest");
    EXPECT_EQ(form.StatusText(), "TestFrame-7 / 0008");
    form.findChild<QLabel *>("StatusBar1Text")->clear();
    QApplication::setActiveWindow(&form); // where the menu left it
    QTest::keyClick(&form, Qt::Key_F5);
    EXPECT_EQ(form.StatusText(), "TestFrame-7 / 0008");

    // F11 in and out of full screen; Escape opens the context menu and
    // closes it again, leaving everything as it was.
    QTest::keyClick(&form, Qt::Key_F11);
    EXPECT_TRUE(form.isFullScreen());
    QTest::keyClick(&form, Qt::Key_F11);
    EXPECT_FALSE(form.isFullScreen());
    EXPECT_FALSE((&form.Panel())->isHidden());
    QTest::keyClick(form.Panel().EditStep, Qt::Key_Escape);
    QMenu *popup = found<QMenu>("PopupMenu");
    ASSERT_TRUE(popup->isVisible());
    QTest::keyClick(popup, Qt::Key_Escape);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(form.PanoramaBitmap().width(), 44);
    EXPECT_EQ(form.Panel().EditStep->text(), "1");

    // The panel: Alt + a letter ticks a check box; "Créer" by its letter writes the series.
    const bool center = form.Panel().CheckBoxCenter->isChecked();
    pressLetterOf(form.Panel().CheckBoxCenter);
    EXPECT_NE(form.Panel().CheckBoxCenter->isChecked(), center);
    pressLetterOf(form.Panel().CheckBoxCenter);
    pressLetterOf(form.Panel().SpeedButtonCreate);
    EXPECT_TRUE(fs::exists(dir / "anim" / "IMAGE0007.BMP"));
    // The folder made: by the panel's letter, the menu's letters and Ctrl+Shift+O.
    pressLetterOf(form.Panel().SpeedButtonOpenFolder);
    chooseFromMenu("Animation", "Menu_AnimOpenFolder");
    QApplication::setActiveWindow(&form);
    QTest::keyClick(&form, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(services.openedFolders(), std::vector<std::string>(3, dir.str() + "/anim"));
    // "Vérifier" by its letter: the viewer plays that series; Escape closes it.
    pressLetterOf(form.Panel().SpeedButtonVerify);
    ASSERT_TRUE(windows.view.isVisible());
    EXPECT_EQ(windows.view.ListBox1->count(), 8);
    QApplication::setActiveWindow(&windows.view);
    QTest::keyClick(windows.view.ListBox1, Qt::Key_Escape);
    EXPECT_TRUE(windows.view.isHidden());

    // Options by the menu: a change undone by Escape, another kept by Enter.
    chooseFromMenu("Options", "Menu_OptionsVideo");
    ASSERT_TRUE(windows.opVideo.isVisible());
    QApplication::setActiveWindow(&windows.opVideo);
    windows.opVideo.SpinRate->setFocus();
    QTest::keyClick(windows.opVideo.SpinRate, Qt::Key_Up);
    EXPECT_EQ(form.VideoOptions().Rate, 31);
    QTest::keyClick(windows.opVideo.SpinRate, Qt::Key_Escape);
    EXPECT_TRUE(windows.opVideo.isHidden());
    EXPECT_EQ(form.VideoOptions().Rate, 30) << "Escape loses only the change just made";
    chooseFromMenu("Options", "Menu_OptionsVideo");
    QApplication::setActiveWindow(&windows.opVideo);
    windows.opVideo.SpinRate->setFocus();
    QTest::keyClick(windows.opVideo.SpinRate, Qt::Key_Up);
    QTest::keyClick(windows.opVideo.SpinRate, Qt::Key_Return);
    EXPECT_TRUE(windows.opVideo.isHidden());
    EXPECT_EQ(form.VideoOptions().Rate, 31);

    chooseFromMenu("Options", "Menu_OptionsJpeg");
    ASSERT_TRUE(windows.opJpeg.isVisible());
    QApplication::setActiveWindow(&windows.opJpeg);
    QTest::keySequence(&windows.opJpeg, QKeySequence::mnemonic(windows.opJpeg.Label1->text()));
    ASSERT_EQ(QApplication::focusWidget(), windows.opJpeg.EditCompressionQuality) << "the label's letter";
    windows.opJpeg.EditCompressionQuality->selectAll();
    QTest::keyClicks(windows.opJpeg.EditCompressionQuality, "70");
    QTest::keyClick(windows.opJpeg.EditCompressionQuality, Qt::Key_Return);
    EXPECT_EQ(jpegOptions.CompressionQuality, 70);

    chooseFromMenu("Options", "Menu_OptionsAvi");
    EXPECT_TRUE(windows.opAvi.isVisible());
    QApplication::setActiveWindow(&windows.opAvi);
    QTest::keyClick(&windows.opAvi, Qt::Key_Escape);
    EXPECT_TRUE(windows.opAvi.isHidden());

    // Help with F1 and the about box from the menu, both closed by Escape.
    QApplication::setActiveWindow(&form);
    QTest::keyClick(&form, Qt::Key_F1);
    ASSERT_TRUE(windows.help.isVisible());
    QApplication::setActiveWindow(&windows.help);
    QTest::keyClick(windows.help.Memo1, Qt::Key_Escape);
    EXPECT_TRUE(windows.help.isHidden());
    bool aboutShown = false;
    whenModalShows([&](QWidget *modal) {
        aboutShown = modal == &windows.about;
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    chooseFromMenu("Aide", "Menu_HelpAbout");
    EXPECT_TRUE(aboutShown);
    EXPECT_TRUE(windows.about.isHidden());

    // Ctrl+S asks for a name (closed: nothing written); Ctrl+Q ends.
    services.answerSavePicture("");
    QApplication::setActiveWindow(&form);
    QTest::keyClick(&form, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(services.asked().back().caption, "Enregistrer Image");
    bool closing = false;
    QObject::connect(&form, &TFormMain::closing, [&] { closing = true; });
    QTest::keyClick(&form, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(closing);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(services.pendingAnswers(), 0u);
}

// Tab goes through every control of the panel that takes the keyboard; in a
// group of radio buttons it stops on the one chosen, and the arrows move the
// choice, which the panel follows.
TEST_F(KeyboardWalkTest, TabReachesEveryControlOfThePanel)
{
    open(writePanorama(44, 30));
    CommandPanel &panel = form.Panel();
    QSet<QWidget *> expected;
    for (QWidget *w : panel.PanelAnim->findChildren<QWidget *>()) {
        const auto *radio = qobject_cast<QRadioButton *>(w);
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(&form)
            && (!radio || radio->isChecked()))
            expected << w;
    }
    ASSERT_GE(expected.size(), 25);
    panel.SpeedButtonSrcName->setFocus();
    QSet<QWidget *> reached;
    for (int i = 0; i < 80; ++i) {
        reached << QApplication::focusWidget();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    for (QWidget *w : expected)
        EXPECT_TRUE(reached.contains(w)) << w->objectName().toStdString() << " " << w->metaObject()->className();

    QRadioButton *bmp = panel.RadioGroupFormat->findChildren<QRadioButton *>().at(0);
    bmp->setFocus();
    QTest::keyClick(bmp, Qt::Key_Right);
    EXPECT_EQ(panel.Rules().state().RadioGroupFormat, FormatJpg) << "an arrow chooses, as a click does";
}

} // namespace
