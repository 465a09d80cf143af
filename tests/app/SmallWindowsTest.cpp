#include "app/HelpText.h"
#include "app/ui/ApplicationSetup.h"
#include "app/ui/InterfaceTranslators.h"
#include "app/ui/TAboutBox.h"
#include "app/ui/TFormHelp.h"
#include "output/ui/TDlgYesAllNo.h"
#include "output/ui/TFormencours.h"

#include "ScriptedServices.h"
#include "TestUtils.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <fstream>

namespace {

struct AnswerCase {
    const char *name;
    QPushButton *TDlgYesAllNo::*button; // nullptr: the close box, or Escape
    bool escape;
    int result;
};

class OverwriteDialogTest : public ::testing::TestWithParam<AnswerCase> { };

TEST_P(OverwriteDialogTest, ReturnsTheModalResultOfEachAnswer)
{
    TDlgYesAllNo dialog;
    const AnswerCase c = GetParam();
    QTimer::singleShot(0, &dialog, [&] {
        EXPECT_EQ(dialog.windowTitle(), "Ecraser le Fichier ?");
        EXPECT_EQ(dialog.Label1->text(), "/out/anim/IMAGE0003.BMP");
        if (c.button) {
            (dialog.*c.button)->click();
        } else if (c.escape) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(&dialog, &escape);
        } else {
            dialog.close();
        }
        if (dialog.isVisible()) {
            ADD_FAILURE() << "the dialog is still open";
            dialog.done(0);
        }
    });
    EXPECT_EQ(dialog.AskOverwrite("/out/anim/IMAGE0003.BMP", "Ecraser le Fichier ?"), c.result);
}

// Escape and the close box cancel: 2 ends the operation with nothing written.
INSTANTIATE_TEST_SUITE_P(Answers, OverwriteDialogTest,
    ::testing::Values(AnswerCase { "yes", &TDlgYesAllNo::ButtonYes, false, 6 },
        AnswerCase { "yesToAll", &TDlgYesAllNo::ButtonYesToAll, false, 10 },
        AnswerCase { "no", &TDlgYesAllNo::ButtonNo, false, 7 },
        AnswerCase { "stop", &TDlgYesAllNo::ButtonNotoAll, false, 9 }, AnswerCase { "closeBox", nullptr, false, 2 },
        AnswerCase { "escape", nullptr, true, 2 }),
    [](const auto &info) { return std::string(info.param.name); });

// The caption comes from code that knows no window: read in the window's language.
TEST(OverwriteDialog, TitleReadsInTheWindowsLanguage)
{
    const InterfaceTranslators english(InterfaceLanguage::English);
    TDlgYesAllNo dialog;
    QString title;
    QTimer::singleShot(0, &dialog, [&] {
        title = dialog.windowTitle();
        dialog.close();
    });
    dialog.AskOverwrite("/out/anim/IMAGE0003.BMP", "Ecraser le Fichier ?");
    EXPECT_EQ(title.toStdString(), "Replace the file?");
}

TEST(OverwriteDialog, CaptionsAndNoDefaultButton)
{
    TDlgYesAllNo dialog;
    EXPECT_EQ(dialog.ButtonYes->text().remove('&'), "Oui");
    EXPECT_EQ(dialog.ButtonYesToAll->text().remove('&'), "Oui pourTous");
    EXPECT_EQ(dialog.ButtonNo->text().remove('&'), "Non");
    EXPECT_EQ(dialog.ButtonNotoAll->text().remove('&'), "Stop !!!");
    // Enter answers nothing: no button is the default.
    for (QPushButton *b : { dialog.ButtonYes, dialog.ButtonYesToAll, dialog.ButtonNo, dialog.ButtonNotoAll })
        EXPECT_FALSE(b->isDefault() || b->autoDefault()) << b->text().toStdString();
    QTimer::singleShot(0, &dialog, [&] {
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &enter);
        EXPECT_TRUE(dialog.isVisible());
        dialog.ButtonNo->click();
    });
    EXPECT_EQ(dialog.AskOverwrite("f", "Ecraser le Fichier ?"), 7);
}

TEST(HelpWindow, ShowsTheBuiltInTextUntilAReplacementFileAppears)
{
    TempDir dir;
    const QString program = QString::fromStdString((dir / "travelia").string());
    ScriptedServices services;
    TFormHelp help(program, services);
    EXPECT_EQ(help.windowTitle(), "Aide");
    EXPECT_EQ(help.size(), QSize(870, 640));
    help.show();
    const QStringList lines = help.Memo1->toPlainText().split('\n');
    EXPECT_EQ(lines.size(), int(BuiltInHelpLines().size()));
    EXPECT_EQ(lines.front().toStdString(), BuiltInHelpLines().front());
    QCoreApplication::processEvents();
    EXPECT_TRUE(help.Memo1->verticalScrollBar()->isVisible()) << "the built-in text is longer than the window";
    help.hide();

    std::ofstream(dir / "travelia.TXT") << "Ligne un\nLigne deux\n";
    help.show();
    EXPECT_EQ(help.Memo1->toPlainText(), "Ligne un\nLigne deux");
    QCoreApplication::processEvents();
    EXPECT_FALSE(help.Memo1->verticalScrollBar()->isVisible()) << "two lines fit";
    help.hide();
    std::filesystem::remove(dir / "travelia.TXT");
    help.show();
    EXPECT_EQ(help.Memo1->toPlainText(), "Ligne un\nLigne deux") << "the last loaded text stays";
    help.hide();
    std::filesystem::create_directory(dir / "travelia.TXT");
    services.answerErrorBox(); // a replacement that cannot be read
    help.show();
    EXPECT_EQ(help.Memo1->toPlainText(), "Ligne un\nLigne deux");
}

TEST(AboutBox, LabelsAndLogo)
{
    TAboutBox about;
    EXPECT_EQ(about.windowTitle(), "A propos");
    EXPECT_EQ(about.labelVersion->text(), "Travelia version: 0.6");
    EXPECT_EQ(about.Date->text(), "2026") << "the year of this version";
    EXPECT_FALSE(about.Copyright->text().isEmpty());
    EXPECT_EQ(about.info3->text(),
        "Cette version est une pré-version en cours de test. Travaillez toujours sur "
        "des copies de vos documents originaux.");
    EXPECT_EQ(about.size(), QSize(401, 342));
    EXPECT_TRUE(about.windowFlags() & Qt::WindowStaysOnTopHint);
    const QImage logo = TAboutBox::DrawLogo();
    EXPECT_EQ(logo.size(), QSize(351, 152));
    QTimer::singleShot(0, &about, [&] { about.BitBtnOk->click(); });
    EXPECT_EQ(about.exec(), QDialog::Accepted);
}

// The version line once stood on the logo's film strip: each part of the box
// now has a band of its own, top to bottom, inside the box.
TEST(AboutBox, VersionLabelBelowTheLogoAndNothingOverlaps)
{
    TAboutBox about;
    about.show();
    QCoreApplication::processEvents();
    int bottom = 0;
    for (const QWidget *w : std::initializer_list<const QWidget *> { about.Image1, about.labelVersion, about.Date,
             about.Copyright, about.info1, about.info3, about.BitBtnOk }) {
        EXPECT_GE(w->y(), bottom) << w->objectName().toStdString() << " overlaps the part above it";
        EXPECT_GE(w->height(), w->minimumSizeHint().height()) << "squeezed";
        bottom = w->geometry().bottom() + 1;
    }
    EXPECT_LE(bottom, about.height());
}

// Titles once read "Erreur — Travelia": the window manager appends the
// application's display name, which therefore follows its plain name.
TEST(ApplicationSetup, SetsNoDisplayNameSoTitlesStayExact)
{
    SetUpApplication(*qApp);
    QCoreApplication::setApplicationName(QStringLiteral("probe"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "probe");
    // Window managers find the menu entry, and its icon, by this name.
    const QString entry = QStringLiteral(TRAVELIA_DIST_DIR "/") + QGuiApplication::desktopFileName() + ".desktop";
    EXPECT_TRUE(QFileInfo(entry).isFile()) << entry.toStdString();
    QCoreApplication::setApplicationName(QStringLiteral("Travelia"));
}

class ProgressWindowTest : public ::testing::Test {
protected:
    bool stop = false;
    ScriptedServices pump;
    TFormencours window { stop };
};

TEST_F(ProgressWindowTest, OnlyTheRunClosesItAndStopRaisesTheSharedRequest)
{
    window.showProgress();
    EXPECT_FALSE(window.close()) << "the close box does nothing while it is shown";
    EXPECT_TRUE(window.isVisible());
    window.SpeedButton1->click();
    EXPECT_TRUE(stop);
    window.hideProgress();
    EXPECT_FALSE(window.isVisible());
}

// The time left counts the frames of the whole run, passes one after the
// other, at the rate they come; without the run's total, those of the pass.
class ProgressTimeLeftTest : public ::testing::Test {
protected:
    // count frames of the pass from first: the run's nth starts n * 100 ms
    // after it started.
    void frames(std::int32_t first, std::int32_t count)
    {
        for (std::int32_t i = first; i < first + count; ++i) {
            now = std::chrono::milliseconds(100 * started++);
            window.frameStarting(i, "Frame 0001 / 0200 - Disque Libre 12 Ko");
        }
    }
    std::string timeLeft() const { return window.LabelTimeLeft->text().toStdString(); }

    bool stop = false;
    std::chrono::milliseconds now { 0 };
    std::int64_t started = 0;
    TFormencours window { stop, nullptr, [this] { return now; } };
};

TEST_F(ProgressTimeLeftTest, CountsTheWholeRunAcrossItsPasses)
{
    window.startRun(200);
    EXPECT_EQ(timeLeft(), "Temps restant : calcul...");
    window.startPass(100);
    frames(0, 5);
    EXPECT_EQ(timeLeft(), "Temps restant : calcul...") << "the first second";
    frames(5, 16); // 20 frames made at 10 a second: 180 left
    EXPECT_EQ(timeLeft(), "Temps restant : 18 s");
    frames(21, 79);
    window.startPass(100); // the return pass
    frames(0, 1);
    EXPECT_EQ(timeLeft(), "Temps restant : 10 s") << "100 of the run made, not 0 of the pass";
    frames(1, 99);
    EXPECT_EQ(timeLeft(), "Temps restant : 1 s");
    EXPECT_EQ(window.ProgressBar1->value(), 99);
}

TEST_F(ProgressTimeLeftTest, WithoutTheRunsTotalCountsThePass)
{
    window.startPass(700);
    frames(0, 21);
    EXPECT_EQ(timeLeft(), "Temps restant : 1 min 08 s");
    window.startPass(0);
    EXPECT_EQ(timeLeft(), "Temps restant : 0 s");
}

TEST_F(ProgressTimeLeftTest, ReadsInEnglishInTheEnglishWindow)
{
    const InterfaceTranslators english(InterfaceLanguage::English);
    window.startRun(1000);
    EXPECT_EQ(timeLeft(), "Time left: estimating...");
    window.startPass(1000);
    frames(0, 21);
    EXPECT_EQ(timeLeft(), "Time left: 1 min 38 s");
    EXPECT_EQ(window.LabelProgress->text().toStdString(), "Frame 0001 / 0200 - Free disk 12 KB");
}

} // namespace
