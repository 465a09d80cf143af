#include "app/ui/CommandPanel.h"
#include "app/ui/PictureView.h"
#include "app/ui/TAboutBox.h"
#include "app/ui/TFormHelp.h"
#include "app/ui/TFormMain.h"
#include "options/AviOptions.h"
#include "options/JpegOptions.h"
#include "options/TFormOpAvi.h"
#include "options/TFormOpVideo.h"
#include "options/ui/TFormOpJpeg.h"
#include "output/ui/TDlgYesAllNo.h"
#include "output/ui/TFormencours.h"
#include "platform/ui/Mnemonics.h"
#include "viewer/PlaybackClock.h"
#include "viewer/ui/TFormVideoPlayer.h"
#include "viewer/ui/TFormView.h"

#include "ScriptedServices.h"
#include "TestUtils.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct MnemonicCase {
    const char *caption;
    const char *used;
    const char *expected;
    const char *usedAfter;
};

class MnemonicTest : public ::testing::TestWithParam<MnemonicCase> { };

TEST_P(MnemonicTest, FirstFreeWordStartThenAnyFreeLetter)
{
    const MnemonicCase c = GetParam();
    QString used = QString::fromUtf8(c.used);
    EXPECT_EQ(WithMnemonic(QString::fromUtf8(c.caption), used), QString::fromUtf8(c.expected));
    EXPECT_EQ(used, QString::fromUtf8(c.usedAfter));
}

INSTANTIATE_TEST_SUITE_P(Captions, MnemonicTest,
    ::testing::Values(MnemonicCase { "Ouvrir...", "", "&Ouvrir...", "o" },
        MnemonicCase { "Oui pourTous", "o", "Oui &pourTous", "op" },
        MnemonicCase { "Stop !!!", "s", "S&top !!!", "st" }, // no other word: any free letter
        MnemonicCase { "Élan vital", "", "Élan &vital", "v" }, // accented letters are not typed with Alt
        MnemonicCase { "G->D / H->B", "g", "G->&D / H->B", "gd" },
        MnemonicCase { "OK", "ok", "OK", "ok" }, // nothing free: unchanged
        MnemonicCase { "+", "", "+", "" }, MnemonicCase { "&Oui", "", "&Oui", "" }),
    [](const auto &info) {
        const std::string used = info.param.used;
        return testNameFrom(info.param.caption) + (used.empty() ? "" : "_used_" + testNameFrom(used));
    });

// The program's windows, built as the program builds them.
class KeyboardTest : public ::testing::Test {
protected:
    KeyboardTest()
        : settings(QString::fromStdString((dir / "settings.ini").string()), QSettings::IniFormat)
        , main(services, jpegOptions, aviOptions, QString::fromStdString((dir / "travelia").string()), settings)
        , opJpeg(jpegOptions, main.View().DisplayBitmap(), services)
        , help(QString::fromStdString((dir / "travelia").string()), services)
        , opAvi(aviOptions, services)
        , view(main.View(), main.Run(), services, jpegOptions, main.Panel().Rules())
        , encours(stop)
        , opVideo(main.VideoOptions())
        , player(main.View(), services, clock, [] { return false; })
    {
    }

    TempDir dir;
    ScriptedServices services;
    TJpegOptions jpegOptions;
    TAviOptions aviOptions;
    bool stop = false;
    QSettings settings;
    TFormMain main;
    TFormOpJpeg opJpeg;
    TDlgYesAllNo yesAllNo;
    TFormHelp help;
    TAboutBox about;
    TFormOpAvi opAvi;
    TFormView view;
    TFormencours encours;
    TFormOpVideo opVideo;
    SteadyPlaybackClock clock;
    TFormVideoPlayer player;
};

// Screen readers name a control by its caption, or by the label that
// introduces it; the mnemonics underline a letter without changing that name.
TEST_F(KeyboardTest, EveryControlHasANameAndCaptionsHaveDistinctMnemonics)
{
    for (QWidget *window : std::initializer_list<QWidget *> {
             &main, &opJpeg, &yesAllNo, &help, &about, &opAvi, &view, &encours, &opVideo, &player }) {
        const std::string title = window->windowTitle().toStdString();
        QStringList letters;
        if (window == &main)
            for (QAction *a : main.menuBar()->actions())
                letters << QKeySequence::mnemonic(a->text()).toString();
        for (QWidget *w : window->findChildren<QWidget *>()) {
            if (!(w->focusPolicy() & Qt::TabFocus) || w->focusProxy() || w->window() != window)
                continue; // a drop-down list is a window of its own
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(w);
            ASSERT_NE(accessible, nullptr);
            const QString name = accessible->text(QAccessible::Name);
            EXPECT_FALSE(name.trimmed().isEmpty())
                << title << ": " << w->objectName().toStdString() << " " << w->metaObject()->className();
            auto *button = qobject_cast<QAbstractButton *>(w);
            if (!button || button->text().isEmpty())
                continue;
            EXPECT_EQ(name, QString(button->text()).remove(QLatin1Char('&'))) << title;
            const QKeySequence mnemonic = QKeySequence::mnemonic(button->text());
            const bool hasLetter = button->text().contains(QRegularExpression(QStringLiteral("[A-Za-z0-9]")));
            if (qobject_cast<QPushButton *>(w) && hasLetter) {
                EXPECT_FALSE(mnemonic.isEmpty()) << title << ": the command " << button->text().toStdString();
            }
            if (mnemonic.isEmpty())
                continue;
            EXPECT_FALSE(letters.contains(mnemonic.toString()))
                << title << ": " << button->text().toStdString() << " repeats a mnemonic";
            letters << mnemonic.toString();
        }
    }
    // Every entry of the menus can be chosen by its letter.
    for (QMenu *menu : main.findChildren<QMenu *>())
        for (QAction *a : menu->actions())
            EXPECT_TRUE(a->isSeparator() || !QKeySequence::mnemonic(a->text()).isEmpty()) << a->text().toStdString();
}

TEST_F(KeyboardTest, EnterIsOkAndEscapeClosesTheOptionWindows)
{
    opJpeg.show();
    QApplication::setActiveWindow(&opJpeg);
    opJpeg.CheckBoxGrayScale->setFocus();
    opJpeg.CheckBoxGrayScale->setChecked(true);
    QTest::keyClick(opJpeg.CheckBoxGrayScale, Qt::Key_Escape);
    EXPECT_TRUE(opJpeg.isHidden());
    EXPECT_FALSE(jpegOptions.Grayscale) << "Escape is the close box: nothing applied";

    opJpeg.show();
    QApplication::setActiveWindow(&opJpeg);
    opJpeg.CheckBoxGrayScale->setChecked(true);
    opJpeg.CheckBoxGrayScale->setFocus();
    QTest::keyClick(opJpeg.CheckBoxGrayScale, Qt::Key_Return);
    EXPECT_TRUE(opJpeg.isHidden());
    EXPECT_TRUE(jpegOptions.Grayscale) << "Enter is OK";

    // A focused button takes Enter for itself: "Défaut", not OK.
    opJpeg.show();
    QApplication::setActiveWindow(&opJpeg);
    opJpeg.SpeedButtonDefaut->setFocus();
    QTest::keyClick(opJpeg.SpeedButtonDefaut, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(opJpeg.isVisible());
    EXPECT_FALSE(jpegOptions.Grayscale);
    opJpeg.hide();

    // The compressor list answers Space without a mouse; Escape then closes.
    opAvi.show();
    QApplication::setActiveWindow(&opAvi);
    ASSERT_GE(opAvi.ListBox1->count(), 2);
    opAvi.ListBox1->setFocus();
    QTest::keyClick(opAvi.ListBox1, Qt::Key_Down);
    EXPECT_EQ(aviOptions.CodecIndex, 0) << "moving alone chooses nothing";
    QTest::keyClick(opAvi.ListBox1, Qt::Key_Space);
    EXPECT_EQ(aviOptions.CodecIndex, opAvi.ListBox1->currentRow());
    EXPECT_EQ(opAvi.Edit1->text(), opAvi.ListBox1->currentItem()->text());
    QTest::keyClick(opAvi.ListBox1, Qt::Key_Escape);
    EXPECT_TRUE(opAvi.isHidden());

    // "Options Vidéo": Enter keeps the changes, Escape takes them back; both close.
    for (const Qt::Key key : { Qt::Key_Escape, Qt::Key_Return }) {
        opVideo.show();
        QApplication::setActiveWindow(&opVideo);
        opVideo.SpinRate->setFocus();
        QTest::keyClick(opVideo.SpinRate, key);
        EXPECT_TRUE(opVideo.isHidden()) << key;
    }

    help.show();
    QApplication::setActiveWindow(&help);
    QTest::keyClick(&help, Qt::Key_Escape);
    EXPECT_TRUE(help.isHidden());
}

} // namespace
