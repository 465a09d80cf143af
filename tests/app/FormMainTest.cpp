#include "app/ui/CommandPanel.h"
#include "app/ui/PictureView.h"
#include "app/ui/TFormHelp.h"
#include "app/ui/TFormMain.h"

#include "FormMainFixture.h"

#include "../picture/FFmpegTestEncoder.h"
#include "MediaTools.h"
#include "TestUtils.h"
#include "jpeg/JpegOptions.h"
#include "options/AviOptions.h"
#include "options/ui/TFormOpVideo.h"
#include "output/FrameFile.h"
#include "viewer/PlaybackClock.h"
#include "viewer/ui/TFormVideoPlayer.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSet>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

namespace fs = std::filesystem;

namespace {

TEST_F(FormMainTest, StartsInFrenchWithThePanelDefaults)
{
    EXPECT_EQ(form.windowTitle(), "Travelia version: 0.6");
    EXPECT_EQ(form.Panel().LabelSrcDim->text(), "Aucune Image Chargée");
    EXPECT_EQ(form.Panel().EditFrameWidth->text(), "1024");
    EXPECT_EQ(form.Panel().EditFrameHeight->text(), "768");
    EXPECT_EQ(form.Panel().EditStep->text(), "1");
    EXPECT_FALSE(form.Panel().SpeedButtonTest->isEnabled());
    EXPECT_FALSE(form.Panel().SpeedButtonCreate->isEnabled());
    EXPECT_TRUE(form.Panel().SpeedButtonVerify->isEnabled());
    EXPECT_TRUE(form.Panel().SpeedButtonStop->isEnabled());
    EXPECT_FALSE(form.Panel().CheckBoxVisu->isEnabled());
    EXPECT_TRUE(form.Panel().CheckBoxVisu->isChecked());
    EXPECT_TRUE(form.Panel().GroupBoxAnim->isHidden());
    EXPECT_TRUE(form.Panel().GroupBoxSave->isHidden());
    EXPECT_EQ(form.Panel().EditCopy->text().toStdString(), dir.str() + "/");
    EXPECT_EQ(form.Run().Tempo, 100);
    EXPECT_FALSE(form.View().CenterInWindow());
    EXPECT_FALSE(form.Run().StopRequested);
    EXPECT_GE((&form.Panel())->width(), 245);
    EXPECT_LE(form.Panel().PanelAnim->minimumSizeHint().width(),
        (&form.Panel())->width() - form.style()->pixelMetric(QStyle::PM_ScrollBarExtent))
        << "the panel's captions fit across, beside its vertical scroll bar";
    EXPECT_EQ(form.statusBar()->height(), 24);
    EXPECT_EQ(form.size(), QSize(1040, 760));
}

// With a picture open, the panel once needed scrolling at the start size:
// "Vérifier" and "STOP" were cut and the last two buttons hidden.
TEST_F(FormMainTest, PanelFitsTheStartSizeWithAPictureOpen)
{
    open(writePanorama(600, 150));
    QCoreApplication::processEvents();
    CommandPanel &panel = form.Panel();
    const auto in = [](QWidget *w, QWidget *parent) { return QRect(w->mapTo(parent, QPoint(0, 0)), w->size()); };
    EXPECT_LE(panel.widget()->minimumSizeHint().height(), panel.viewport()->height());
    for (QWidget *button : std::initializer_list<QWidget *> {
             panel.SpeedButtonVerify, panel.SpeedButtonStop, panel.SpeedButtonFilename, panel.SpeedButtonDefault })
        EXPECT_TRUE(panel.viewport()->rect().contains(in(button, panel.viewport())))
            << button->objectName().toStdString();
    // The step field stands beside the scroll-type group.
    const QRect step = in(panel.EditStep, panel.PanelAnim), group = in(panel.RadioGroupScrollType, panel.PanelAnim);
    EXPECT_GE(step.left(), group.right());
    EXPECT_TRUE(step.top() < group.bottom() && step.bottom() > group.top());
}

// Once five fields of the panel were all named "Enregistrement:" for screen
// readers: each has a name of its own.
TEST_F(FormMainTest, EveryPanelFieldHasItsOwnAccessibleName)
{
    const QList<QLineEdit *> edits = form.Panel().findChildren<QLineEdit *>();
    QSet<QString> names;
    for (QLineEdit *edit : edits)
        names << QAccessible::queryAccessibleInterface(edit)->text(QAccessible::Name);
    names.remove(QString());
    EXPECT_EQ(names.size(), edits.size());
    EXPECT_EQ(edits.size(), 8);
    // A group is announced with its own title, not the one of the group around it.
    for (QGroupBox *group : form.Panel().findChildren<QGroupBox *>())
        EXPECT_EQ(QAccessible::queryAccessibleInterface(group)->text(QAccessible::Name).toStdString(),
            group->title().toStdString());
}

// The context menu belongs to the whole window, the status line included.
TEST_F(FormMainTest, RightClickOnTheStatusLineOpensTheContextMenu)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), form.statusBar()->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(form.statusBar(), &event);
    EXPECT_TRUE(popup()->isVisible());
    popup()->hide();
}

TEST_F(FormMainTest, OpeningAWidePictureFillsThePanel)
{
    const std::string path = writePanorama(600, 150);
    open(path);
    EXPECT_EQ(services.asked().back().caption, "Ouvrir Image");
    EXPECT_EQ(form.windowTitle(), "Travelia version: 0.6 - pano.bmp : 600 * 150 pixels");
    EXPECT_EQ(form.Panel().LabelSrcDim->text(), "600 * 150 Pixels");
    EXPECT_EQ(form.Panel().EditFrameWidth->text(), "200");
    EXPECT_EQ(form.Panel().EditFrameHeight->text(), "150");
    EXPECT_EQ(form.Panel().EditSrcName->text().toStdString(), path);
    EXPECT_TRUE(form.Panel().SpeedButtonTest->isEnabled());
    EXPECT_TRUE(form.Panel().SpeedButtonCreate->isEnabled());
    EXPECT_FALSE(form.Panel().GroupBoxAnim->isHidden());
    EXPECT_TRUE(form.Run().StopRequested);
    EXPECT_TRUE(form.PanoramaBitmap() == makeTestPanorama(600, 150));
    EXPECT_TRUE(form.View().DisplayBitmap() == form.PanoramaBitmap());

    form.Menu_FileWipeClick();
    EXPECT_EQ(form.windowTitle(), "Travelia version: 0.6");
    EXPECT_EQ(form.Panel().LabelSrcDim->text(), "Aucune Image Chargée");
    EXPECT_TRUE(form.Panel().EditSrcName->text().isEmpty());
    EXPECT_FALSE(form.Panel().SpeedButtonTest->isEnabled());
    EXPECT_TRUE(form.View().DisplayBitmap().isEmpty());
}

TEST_F(FormMainTest, PictureShapeChoosesTheScrollType)
{
    open(writePanorama(150, 600, "tall.bmp"));
    EXPECT_EQ(form.Panel().Rules().state().RadioGroupScrollType, ScrollVertical);
    EXPECT_EQ(form.Panel().EditFrameWidth->text(), "1024") << "switching the scroll type resets the size";
    EXPECT_EQ(form.Panel().EditFrameHeight->text(), "768");
    open(writePanorama(200, 200, "square.bmp"));
    EXPECT_EQ(form.Panel().Rules().state().RadioGroupScrollType, ScrollVertical);
    EXPECT_EQ(form.Panel().EditFrameWidth->text(), "200") << "vertical kept: width and 3/4 of it";
    EXPECT_EQ(form.Panel().EditFrameHeight->text(), "150");
}

// Once a cancelled dialog or a file that failed to load dropped the picture
// shown: the window now stays as it was, and the status line says why.
TEST_F(FormMainTest, CancelledOrFailedOpenKeepsThePanorama)
{
    const std::string path = writePanorama(600, 150);
    open(path);
    const auto unchanged = [&] {
        EXPECT_TRUE(form.PanoramaBitmap() == makeTestPanorama(600, 150));
        EXPECT_TRUE(form.View().DisplayBitmap() == form.PanoramaBitmap());
        EXPECT_EQ(form.windowTitle(), "Travelia version: 0.6 - pano.bmp : 600 * 150 pixels");
        EXPECT_EQ(form.Panel().LabelSrcDim->text(), "600 * 150 Pixels");
        EXPECT_EQ(form.Panel().EditSrcName->text().toStdString(), path);
        EXPECT_TRUE(form.Panel().SpeedButtonTest->isEnabled());
        EXPECT_TRUE(form.Panel().SpeedButtonCreate->isEnabled());
    };
    open("");
    unchanged();
    EXPECT_EQ(form.StatusText(), "") << "nothing chosen, nothing to say";
    std::ofstream(dir / "broken.bmp") << "BM not really";
    open((dir / "broken.bmp").string());
    unchanged();
    EXPECT_TRUE(form.StatusText().startsWith(QString::fromUtf8("Image non chargée : ")))
        << form.StatusText().toStdString();
    open((dir / "missing.png").string());
    unchanged();
    EXPECT_TRUE(form.StatusText().startsWith(QString::fromUtf8("Image non chargée : ")))
        << form.StatusText().toStdString();
}

TEST_F(FormMainTest, EscapeCancelsALoadAndKeepsThePreviousPicture)
{
    open(writePanorama(600, 150));
    const Bitmap24 previous = form.PanoramaBitmap();
    // A picture long enough to decode that the window handles its messages
    // meanwhile: Escape then arrives in the middle of the load.
    QImage big(4000, 3000, QImage::Format_RGB888);
    big.fill(Qt::darkCyan);
    const std::string path = (dir / "big.png").string();
    ASSERT_TRUE(big.save(QString::fromStdString(path), "png", 100));
    int escapes = 0;
    services.onProcessMessages = [&] {
        if (form.IsLoading() && escapes++ == 0) {
            EXPECT_TRUE(form.FormKeyDown(Qt::Key_Escape));
        }
    };
    open(path);
    services.onProcessMessages = {};
    ASSERT_EQ(escapes, 1) << "the load handled no message";
    EXPECT_TRUE(form.PanoramaBitmap() == previous);
    EXPECT_TRUE(form.View().DisplayBitmap() == previous);
    EXPECT_EQ(form.Panel().LabelSrcDim->text().toStdString().find("Aucune"), std::string::npos);
    EXPECT_EQ(form.StatusText(), QString::fromUtf8("Chargement annulé"));
    // Loaded without Escape, the picture is held once: the view shares it.
    open(path);
    EXPECT_EQ(form.PanoramaBitmap().width(), 4000);
    EXPECT_TRUE(form.View().DisplayBitmap().sharesWith(form.PanoramaBitmap()));
}

// Drag and drop from a file manager: the same path as "Ouvrir...".
TEST_F(FormMainTest, DroppedPictureOpensAsFromTheOpenCommand)
{
    const auto mime = [](const QList<QUrl> &urls) {
        auto *data = new QMimeData;
        data->setUrls(urls);
        return data;
    };
    // Qt hands a drag over a control to the first parent that accepts drops:
    // the window, or a text field, which accepts drops itself.
    const auto drop = [&](QMimeData *data, QWidget *target = nullptr) {
        target = target ? target : &form;
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent dropped(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        if (enter.isAccepted())
            QApplication::sendEvent(target, &dropped);
        delete data;
        return enter.isAccepted();
    };
    const std::string path = writePanorama(600, 150);
    const QUrl url = QUrl::fromLocalFile(QString::fromStdString(path));
    // Refused before anything opens: several files, a web address, text.
    EXPECT_FALSE(drop(mime({ url, url })));
    EXPECT_FALSE(drop(mime({ QUrl(QStringLiteral("https://example.org/pano.jpg")) })));
    auto *text = new QMimeData;
    text->setText(QString::fromStdString(path));
    EXPECT_FALSE(drop(text));
    EXPECT_TRUE(form.PanoramaBitmap().isEmpty());
    EXPECT_TRUE(services.asked().empty()) << "a drop asks no dialog";

    ASSERT_TRUE(drop(mime({ url })));
    EXPECT_TRUE(form.PanoramaBitmap() == makeTestPanorama(600, 150));
    EXPECT_EQ(form.Panel().LabelSrcDim->text(), "600 * 150 Pixels");
    EXPECT_EQ(form.Panel().EditSrcName->text().toStdString(), path);
    EXPECT_TRUE(form.Run().StopRequested);
    EXPECT_TRUE(form.View().DisplayBitmap() == form.PanoramaBitmap());

    // On a text field the file is opened too, not pasted as a name.
    form.Menu_FileWipeClick();
    QLineEdit *field = form.Panel().EditSubDir;
    const QString subDir = field->text();
    ASSERT_TRUE(drop(mime({ url }), field));
    EXPECT_TRUE(form.PanoramaBitmap() == makeTestPanorama(600, 150));
    EXPECT_EQ(field->text(), subDir);

    // A file that is no picture: what a failed open gives, the picture kept.
    std::ofstream(dir / "notes.txt") << "pas une image";
    ASSERT_TRUE(drop(mime({ QUrl::fromLocalFile(QString::fromStdString((dir / "notes.txt").string())) })));
    EXPECT_TRUE(form.PanoramaBitmap() == makeTestPanorama(600, 150));
    EXPECT_EQ(form.Panel().LabelSrcDim->text(), "600 * 150 Pixels");
    EXPECT_TRUE(form.Panel().SpeedButtonCreate->isEnabled());
    EXPECT_TRUE(form.StatusText().startsWith(QString::fromUtf8("Image non chargée : ")));
}

struct TempoCase {
    const char *name;
    std::optional<std::string> answer;
    std::int32_t tempo;
};

class TempoDialogTest : public FormMainTest, public ::testing::WithParamInterface<TempoCase> { };

TEST_P(TempoDialogTest, ReadsTheAnswer)
{
    form.Run().Tempo = 250;
    services.answerInputBox(GetParam().answer);
    form.Menu_OptionsTempoClick();
    EXPECT_EQ(services.asked().back().caption, "Visualisation");
    EXPECT_EQ(services.asked().back().text, "Temporisation (ms):");
    EXPECT_EQ(form.Run().Tempo, GetParam().tempo);
}

INSTANTIATE_TEST_SUITE_P(Answers, TempoDialogTest,
    ::testing::Values(TempoCase { "number", "40", 40 }, TempoCase { "zero", "0", 0 },
        TempoCase { "letters", "abc", 100 }, TempoCase { "empty", "", 100 }, TempoCase { "negative", "-20", -20 },
        TempoCase { "cancel", std::nullopt, 250 }),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(FormMainTest, FullScreenHidesTheChromeAndCentres)
{
    form.EnterFullScreen();
    EXPECT_TRUE((&form.Panel())->isHidden());
    EXPECT_TRUE(form.menuBar()->isHidden());
    EXPECT_TRUE(form.statusBar()->isHidden());
    EXPECT_TRUE(form.View().CenterInWindow());
    EXPECT_TRUE(form.isFullScreen());
    form.Menu_AnimClick();
    EXPECT_TRUE(found("Menu_AnimFullScreen")->isChecked());
    EXPECT_TRUE(found("Menu_AnimCenter")->isChecked());

    form.Menu_AnimFullScreenClick();
    EXPECT_FALSE((&form.Panel())->isHidden());
    EXPECT_FALSE(form.menuBar()->isHidden());
    EXPECT_FALSE(form.statusBar()->isHidden());
    EXPECT_FALSE(form.isFullScreen());
    EXPECT_TRUE(form.View().CenterInWindow()) << "leaving full screen keeps the centring";
    form.PopupMenuPopup();
    EXPECT_FALSE(found("PopupMenu_FullScreen")->isChecked());
    EXPECT_TRUE(found("PopupMenu_Center")->isChecked());
}

TEST_F(FormMainTest, HiddenPanelCountsAsFullScreen)
{
    form.Menu_OptionsShowPanelClick();
    EXPECT_TRUE((&form.Panel())->isHidden());
    EXPECT_FALSE(form.menuBar()->isHidden());
    EXPECT_EQ(form.View().DrawArea().Right, form.View().ClientArea().Right - 5);
    form.Menu_AnimClick();
    EXPECT_TRUE(found("Menu_AnimFullScreen")->isChecked());
    form.Menu_AnimFullScreenClick();
    EXPECT_FALSE((&form.Panel())->isHidden());
    EXPECT_EQ(form.View().DrawArea().Right, form.View().ClientArea().Right - 5 - (&form.Panel())->width());
}

TEST_F(FormMainTest, EscapeOpensTheContextMenuAtTheCentreOfTheDrawingArea)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(form.Panel().EditStep, &press);
    EXPECT_TRUE(press.isAccepted());
    ASSERT_TRUE(popup()->isVisible());
    const QRect outer = form.frameGeometry();
    const QPoint expected(outer.left() + (form.View().DrawArea().Right - form.View().DrawArea().Left) / 2,
        outer.top() + (form.View().DrawArea().Bottom - form.View().DrawArea().Top) / 2);
    EXPECT_EQ(popup()->pos(), expected);
    popup()->hide();
}

TEST_F(FormMainTest, PaintsThePictureUnscaledOnBlack)
{
    open(writePanorama(60, 40));
    QImage shot = form.centralWidget()->grab().toImage();
    const PixelBgr p = testPanoramaPixel(10, 20);
    EXPECT_EQ(shot.pixelColor(5 + 10, 5 + 20), QColor(p.r, p.g, p.b));
    EXPECT_EQ(shot.pixelColor(5 + 60, 5), QColor(Qt::black));
    EXPECT_EQ(shot.pixelColor(2, 2), QColor(Qt::black));

    form.Menu_AnimCenterClick();
    shot = form.centralWidget()->grab().toImage();
    const int aw = form.View().DrawArea().Right - form.View().DrawArea().Left + 1;
    const int ah = form.View().DrawArea().Bottom - form.View().DrawArea().Top + 1;
    const QPoint origin(5 + (aw - 60) / 2, 5 + (ah - 40) / 2);
    EXPECT_EQ(shot.pixelColor(origin + QPoint(10, 20)), QColor(p.r, p.g, p.b));
    EXPECT_EQ(shot.pixelColor(5 + 10, 5 + 20), QColor(Qt::black));
}

TEST_F(FormMainTest, TestRunPlaysThereAndBackWithStatusTexts)
{
    open(writePanorama(60, 30)); // frame 40 x 30: 20 frames a pass
    form.Run().Tempo = 0;
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    form.SpeedButtonTestClick();
    EXPECT_TRUE(form.Panel().CheckBoxVisu->isChecked());
    EXPECT_EQ(form.StatusText(), "TestFrame-39 / 0040");
    // The last frame of the return pass is the first position again.
    Bitmap24 expected;
    ASSERT_TRUE(expected.resize(40, 30));
    expected.copyRect(makeTestPanorama(60, 30), 0, 0, 40, 30, 0, 0);
    EXPECT_TRUE(form.View().DisplayBitmap() == expected);
    EXPECT_FALSE(fs::exists(dir / "anim" / "IMAGE0000.BMP"));
}

TEST_F(FormMainTest, StopEndsATestRunAfterTheCurrentFrame)
{
    open(writePanorama(60, 30));
    form.Run().Tempo = 0;
    services.answerMessageBox(WindowServices::IdYes);
    int frames = 0;
    services.onProcessMessages = [&] {
        if (form.StatusText().startsWith("TestFrame-5 ") && ++frames == 1)
            form.Panel().SpeedButtonStop->click();
    };
    form.SpeedButtonTestClick();
    EXPECT_EQ(form.StatusText(), "TestFrame-5 / 0040");
    EXPECT_TRUE(form.Run().StopRequested);
}

TEST_F(FormMainTest, TempoPausesBetweenTestFrames)
{
    open(writePanorama(44, 30)); // 4 frames a pass, 8 in all
    form.Run().Tempo = 15;
    services.answerMessageBox(WindowServices::IdYes);
    QElapsedTimer clock;
    clock.start();
    form.SpeedButtonTestClick();
    EXPECT_GE(clock.elapsed(), 8 * 15);
    EXPECT_EQ(form.StatusText(), "TestFrame-7 / 0008");
}

TEST_F(FormMainTest, CreateRunWritesTheNumberedSeries)
{
    open(writePanorama(44, 30));
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    form.SpeedButtonCreateClick();
    EXPECT_FALSE(form.Panel().CheckBoxVisu->isChecked());
    for (int n = 0; n < 8; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "IMAGE%04d.BMP", n);
        EXPECT_TRUE(fs::exists(dir / "anim" / name)) << name;
    }
    EXPECT_FALSE(fs::exists(dir / "anim" / "IMAGE0008.BMP"));
    EXPECT_EQ(form.StatusText().toStdString(), dir.str() + "/anim/IMAGE0007.BMP / 0008");

    // A second run meets the free-number question; "Non" then "Oui pourTous".
    services.answerMessageBox(WindowServices::IdNo);
    services.answerOverwrite(WindowServices::OverwriteYesToAll);
    form.SpeedButtonCreateClick();
    EXPECT_EQ(services.pendingAnswers(), 0u);
}

// "Ouvrir le dossier", in the panel and in the menu, waits for a run to make
// something, then asks the desktop for the folder of what it made last.
// A series tells its time left beside the status line while it runs, and
// the line is empty again once it ends; a run with the progress window
// leaves it to that window.
TEST_F(FormMainTest, ASeriesTellsItsTimeLeftWhileItRuns)
{
    auto *label = form.findChild<QLabel *>(QStringLiteral("StatusTimeLeft"));
    ASSERT_NE(label, nullptr);
    QStringList told;
    QObject::connect(&form.RunProgress(), &GuiRunFeedback::timeLeftChanged, [&](const QString &t) { told << t; });
    open(writePanorama(44, 30));
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    form.SpeedButtonCreateClick();
    ASSERT_FALSE(namesIn(dir / "anim").empty());
    ASSERT_GE(told.size(), 2);
    EXPECT_EQ(told.front(), QString::fromUtf8("Temps restant : calcul..."));
    EXPECT_EQ(told.back(), QString());
    EXPECT_EQ(label->text(), QString());

    // An AVI file: the progress window tells it, the line goes as it opens.
    told.clear();
    QStringList besideTheFrames;
    QObject::connect(&form.RunProgress(), &GuiRunFeedback::frameStarted,
        [&](int, const QString &) { besideTheFrames << label->text(); });
    form.Panel().Rules().setFormat(FormatAvi);
    form.Panel().ApplyPanelState();
    services.answerAviSaveOptions(""); // no compressor
    form.SpeedButtonCreateClick();
    ASSERT_TRUE(fs::exists(dir / "anim" / "ANIM0000.AVI"));
    EXPECT_EQ(told, (QStringList { QString::fromUtf8("Temps restant : calcul..."), QString() }));
    ASSERT_FALSE(besideTheFrames.isEmpty());
    EXPECT_EQ(besideTheFrames, QStringList(besideTheFrames.size(), QString())) << "the progress window tells it";
}

TEST_F(FormMainTest, OpenFolderShowsWhereTheLastRunWrote)
{
    QAction *menuEntry = found("Menu_AnimOpenFolder");
    QPushButton *button = form.Panel().SpeedButtonOpenFolder;
    EXPECT_FALSE(button->isEnabled());
    EXPECT_FALSE(menuEntry->isEnabled());
    EXPECT_FALSE(button->toolTip().isEmpty());
    open(writePanorama(44, 30));
    EXPECT_FALSE(button->isEnabled()) << "a picture alone made nothing";
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    form.SpeedButtonCreateClick();
    ASSERT_TRUE(button->isEnabled());
    EXPECT_TRUE(menuEntry->isEnabled());
    button->click();
    menuEntry->trigger();
    EXPECT_EQ(services.openedFolders(), (std::vector<std::string> { dir.str() + "/anim", dir.str() + "/anim" }));

    // Another sub-folder: the next run's.
    form.Panel().Rules().state().EditSubDir = "./autre";
    form.Panel().ApplyPanelState();
    services.answerMessageBox(WindowServices::IdYes); // create ./autre
    form.SpeedButtonCreateClick();
    button->click();
    EXPECT_EQ(services.openedFolders().back(), dir.str() + "/autre");

    // The desktop refuses: said, with the path.
    services.openFolderResult = false;
    services.answerMessageBox(WindowServices::IdOk);
    button->click();
    EXPECT_EQ(services.asked().back().text,
        "Impossible d'ouvrir le dossier " + dir.str() + "/autre dans le gestionnaire de fichiers");
    EXPECT_EQ(services.pendingAnswers(), 0u);
}

// The fourth format item writes real PNG files, on the window's workers, and
// keeps "Vérifier" available.
TEST_F(FormMainTest, PngItemCreatesAPngSeries)
{
    open(writePanorama(44, 30));
    QRadioButton *png = nullptr;
    for (QRadioButton *radio : form.Panel().RadioGroupFormat->findChildren<QRadioButton *>())
        if (radio->text() == "PNG")
            png = radio;
    ASSERT_TRUE(png);
    png->click();
    EXPECT_EQ(form.Panel().Rules().state().RadioGroupFormat, FormatPng);
    EXPECT_TRUE(form.Panel().SpeedButtonVerify->isEnabled());
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    form.SpeedButtonCreateClick();
    for (int n = 0; n < 8; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "IMAGE%04d.PNG", n);
        const QImage frame(QString::fromStdString((dir / "anim" / name).string()), "PNG");
        EXPECT_EQ(frame.size(), QSize(40, 30)) << name;
    }
    EXPECT_EQ(form.StatusText().toStdString(), dir.str() + "/anim/IMAGE0007.PNG / 0008");
}

TEST_F(FormMainTest, CreateWithTheAviFormatWritesOneFileThroughTheCompressionDialog)
{
    open(writePanorama(44, 30)); // 4 frames a pass, 8 in all
    form.Panel().Rules().setFormat(FormatAvi);
    form.Panel().ApplyPanelState();
    EXPECT_FALSE(form.Panel().SpeedButtonVerify->isEnabled());
    EXPECT_EQ(form.Panel().EditDstName->text(), "ANIM");
    QStringList progress;
    const GuiRunFeedback &relay = form.RunProgress();
    QObject::connect(&relay, &GuiRunFeedback::progressOpened, [&] { progress << "shown"; });
    QObject::connect(&relay, &GuiRunFeedback::frameStarted, [&](int, const QString &text) { progress << text; });
    QObject::connect(&relay, &GuiRunFeedback::progressClosed, [&] { progress << "hidden"; });
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    services.answerAviSaveOptions(""); // no compressor
    form.SpeedButtonCreateClick();
    EXPECT_FALSE(form.Panel().CheckBoxVisu->isChecked());
    EXPECT_TRUE(fs::exists(dir / "anim" / "ANIM0000.AVI"));
    EXPECT_EQ(form.StatusText().toStdString(), dir.str() + "/anim/ANIM0000.AVI - Frame0007 / 0008-OK!");
    ASSERT_EQ(progress.size(), 10);
    EXPECT_EQ(progress.front(), "shown");
    EXPECT_TRUE(progress[8].startsWith("Frame 0007 / 0008 - Disque Libre ")) << progress[8].toStdString();
    EXPECT_EQ(progress.back(), "hidden");
    EXPECT_TRUE(services.cursors().empty()) << "the busy cursor is taken back";
}

// The name test once showed "/TestFrame-0000" after a "Tester" run (and at
// start, whose mode indicator reads as a test run): it shows what "Créer"
// would write, whatever ran last.
TEST_F(FormMainTest, FileNameTestShowsTheFirstName)
{
    open(writePanorama(44, 30));
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    form.SpeedButtonFilenameClick();
    EXPECT_EQ(form.StatusText().toStdString(), dir.str() + "/anim/IMAGE0000.BMP");
    form.Run().Tempo = 0;
    form.SpeedButtonTestClick();
    ASSERT_EQ(form.StatusText(), "TestFrame-7 / 0008");
    found("esterleNomdeFichier1")->trigger();
    EXPECT_EQ(form.StatusText().toStdString(), dir.str() + "/anim/IMAGE0000.BMP");
    EXPECT_TRUE(form.Panel().CheckBoxVisu->isChecked()) << "the indicator still tells the last run";
    form.Menu_AnimCreateClick();
    found("esterleNomdeFichier1")->trigger();
    EXPECT_EQ(form.StatusText().toStdString(), dir.str() + "/anim/IMAGE0000.BMP");

    form.Panel().EditFrameWidth->setText("wide");
    emit form.Panel().EditFrameWidth->textEdited("wide");
    services.answerMessageBox(WindowServices::IdOk);
    form.SpeedButtonFilenameClick();
    EXPECT_EQ(services.asked().back().text, "Valeur de Largeur Incorrecte");
    EXPECT_EQ(form.StatusText(), "");
}

// A frame that cannot be written does not stop the run, but the status line
// no longer reads as if every frame were written.
TEST_F(FormMainTest, StatusLineCountsTheFramesThatFailed)
{
    open(writePanorama(44, 30)); // 8 frames
    fs::create_directories(dir / "anim" / "IMAGE0003.BMP"); // a folder where a frame should go
    services.answerMessageBox(WindowServices::IdNo); // the first name exists: keep the numbers
    services.answerOverwrite(WindowServices::OverwriteYes);
    form.Panel().Rules().state().EditNumStart = "3";
    form.Panel().ApplyPanelState();
    form.SpeedButtonCreateClick();
    EXPECT_EQ(
        form.StatusText().toStdString(), dir.str() + "/anim/IMAGE0010.BMP / 0008 - 1 image(s) non enregistrée(s)");
    EXPECT_TRUE(fs::exists(dir / "anim" / "IMAGE0010.BMP"));
}

// The picture being read is never replaced by a frame, even after the user
// chose to replace existing files (the panorama named like a frame of the
// run): the run is refused before anything is written, and the error box
// says why (before, that frame was skipped and the others written around it).
TEST_F(FormMainTest, RunNeverReplacesThePanoramaItReads)
{
    fs::create_directory(dir / "anim");
    const std::string path = writePanorama(44, 30, "anim/IMAGE0000.BMP");
    const auto before = readFileBytes(path);
    open(path);
    form.Panel().Rules().state().CheckBoxSubDir = false; // the output folder is the picture's own
    form.Panel().ApplyPanelState();
    services.answerMessageBox(WindowServices::IdNo); // "Existe déjà": replace
    services.answerErrorBox();
    form.SpeedButtonCreateClick();
    EXPECT_EQ(services.asked().back().text, path + " est l'image en cours de lecture : rien n'a été écrit.");
    EXPECT_EQ(readFileBytes(path), before);
    std::vector<std::string> left;
    for (const auto &entry : fs::directory_iterator(dir / "anim"))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string> { "IMAGE0000.BMP" }) << "no frame, no lock file";
}

TEST_F(FormMainTest, SaveAsWritesThePanoramaAndSaysOk)
{
    open(writePanorama(44, 30));
    const std::string copy = (dir / "copy.jpg").string();
    services.answerSavePicture(copy, "Images JPEG (*.jpg *.jpeg)");
    form.Menu_FileSaveAsClick();
    EXPECT_EQ(services.asked().back().caption, "Enregistrer Image");
    EXPECT_EQ(form.StatusText(), "OK!");
    const auto bytes = readFileBytes(copy);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);

    form.findChild<QLabel *>("StatusBar1Text")->clear();
    services.answerSavePicture(copy, "Images JPEG (*.jpg *.jpeg)");
    services.answerOverwriteClosed();
    form.Menu_FileSaveAsClick();
    EXPECT_EQ(form.StatusText(), "") << "a closed overwrite dialog ends the command silently";
    EXPECT_TRUE(form.Run().StopRequested);
}

TEST_F(FormMainTest, MenuCreateStopsAndLeavesFullScreenWithoutARun)
{
    open(writePanorama(44, 30));
    form.EnterFullScreen();
    form.Run().StopRequested = false;
    found("PopupMenu_Create")->trigger();
    EXPECT_TRUE(form.Run().StopRequested);
    EXPECT_FALSE(form.IsFullScreen());
    EXPECT_FALSE(form.Panel().CheckBoxVisu->isChecked());
    EXPECT_FALSE(fs::exists(dir / "anim"));
}

} // namespace

namespace {

TEST_F(FormMainTest, F1ShowsHelpExceptInFullScreen)
{
    TFormHelp help(QStringLiteral("/nonexistent/travelia"), services);
    QObject::connect(&form, &TFormMain::helpRequested, &help, &QWidget::show);
    QApplication::setActiveWindow(&form);
    QTest::keyClick(&form, Qt::Key_F1);
    EXPECT_TRUE(help.isVisible());
    help.hide();

    form.EnterFullScreen();
    QApplication::setActiveWindow(&form);
    QTest::keyClick(&form, Qt::Key_F1);
    EXPECT_FALSE(help.isVisible()) << "without its menu bar the window has no F1";
    form.LeaveFullScreen();
    QApplication::setActiveWindow(&form);
    QTest::keyClick(&form, Qt::Key_F1);
    EXPECT_TRUE(help.isVisible());
    help.hide();
}

} // namespace

namespace {

struct FormatCase {
    const char *extension;
    bool lossless; // exact pixels expected back
};

// 256 colours at most, so that every format, GIF included, can hold it.
Bitmap24 makeFewColourPanorama(int width, int height)
{
    Bitmap24 pano;
    pano.resize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t *p = pano.scanLine(y) + 3 * x;
            p[0] = std::uint8_t((x / 8 % 16) * 17);
            p[1] = std::uint8_t((y / 8 % 16) * 17);
            p[2] = 200;
        }
    return pano;
}

class OpenFormatTest : public FormMainTest, public ::testing::WithParamInterface<FormatCase> { };

TEST_P(OpenFormatTest, OpensThroughTheOpenCommandAndFillsThePanel)
{
    const FormatCase &c = GetParam();
    const Bitmap24 pano = makeFewColourPanorama(640, 120);
    const std::string path = (dir / (std::string("pano.") + c.extension)).string();
    if (QByteArray(c.extension).toLower() == "gif") {
        writeFileBytes(path, encodeStill(pano, "gif", "pal8")); // Qt has no GIF writer
    } else {
        QImage image(pano.bits(), 640, 120, int(pano.stride()), QImage::Format_BGR888);
        ASSERT_TRUE(image.save(QString::fromStdString(path), QByteArray(c.extension).toLower(), 100)) << path;
    }

    open(path);
    EXPECT_EQ(form.windowTitle().toStdString(),
        std::string("Travelia version: 0.6 - pano.") + c.extension + " : 640 * 120 pixels");
    EXPECT_EQ(form.Panel().EditFrameWidth->text(), "160");
    EXPECT_EQ(form.Panel().EditFrameHeight->text(), "120");
    EXPECT_TRUE(form.Panel().SpeedButtonCreate->isEnabled());
    ASSERT_EQ(form.PanoramaBitmap().width(), 640);
    ASSERT_EQ(form.PanoramaBitmap().height(), 120);
    if (c.lossless) {
        EXPECT_TRUE(form.PanoramaBitmap() == pano);
    } else {
        const PixelBgr got = pixelAt(form.PanoramaBitmap(), 100, 50);
        const PixelBgr want = pixelAt(pano, 100, 50);
        EXPECT_NEAR(got.b, want.b, 12);
        EXPECT_NEAR(got.g, want.g, 12);
        EXPECT_NEAR(got.r, want.r, 12);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, OpenFormatTest,
    ::testing::Values(FormatCase { "jpg", false }, FormatCase { "png", true }, FormatCase { "gif", true },
        FormatCase { "tif", true }, FormatCase { "bmp", true }, FormatCase { "PNG", true }),
    [](const auto &info) { return std::string(info.param.extension); });

} // namespace

namespace {

TEST_F(FormMainTest, RunStartedInsideARunEndsFirstThenTheOuterOneResumes)
{
    open(writePanorama(60, 30)); // 40 frames a run
    form.Run().Tempo = 0;
    services.answerMessageBox(WindowServices::IdYes); // create ./anim, asked by the outer test run
    bool nested = false;
    QStringList outerTexts;
    services.onProcessMessages = [&] {
        if (!nested && form.StatusText() == "TestFrame-2 / 0040") {
            nested = true;
            form.SpeedButtonCreateClick(); // a creation run, inside the test run
        }
        if (form.StatusText().startsWith("TestFrame-"))
            outerTexts << form.StatusText();
    };
    form.SpeedButtonTestClick();
    EXPECT_TRUE(nested);
    EXPECT_TRUE(fs::exists(dir / "anim" / "IMAGE0039.BMP")) << "the inner run ran to its end";
    EXPECT_EQ(form.StatusText(), "TestFrame-39 / 0040") << "then the outer run went on";
    EXPECT_TRUE(outerTexts.contains("TestFrame-3 / 0040"));
}

TEST_F(FormMainTest, MenuCreateDuringATestRunStopsItAndCreatesNothing)
{
    open(writePanorama(60, 30));
    form.Run().Tempo = 0;
    services.answerMessageBox(WindowServices::IdYes);
    services.onProcessMessages = [&] {
        if (form.StatusText() == "TestFrame-4 / 0040")
            found("Menu_AnimCreate")->trigger();
    };
    form.SpeedButtonTestClick();
    EXPECT_EQ(form.StatusText(), "TestFrame-4 / 0040");
    EXPECT_FALSE(form.Panel().CheckBoxVisu->isChecked());
    EXPECT_TRUE(fs::is_empty(dir / "anim"));
}

} // namespace

namespace {

// "Vidéo" chosen in the panel, its options set in the "Options Vidéo"
// window, then "Créer": one file ANIM0000.<EXT> and nothing else.
struct VideoCreateCase {
    const char *name;
    const char *container; // as listed in "Options Vidéo"
    const char *codec; // "" for the container's usual one
    bool loop360;
    const char *step;
    int frames;
};

class VideoCreateTest : public FormMainTest, public ::testing::WithParamInterface<VideoCreateCase> {
protected:
    void chooseVideo(const char *container, const char *codec)
    {
        for (QRadioButton *radio : form.Panel().RadioGroupFormat->findChildren<QRadioButton *>())
            if (radio->text().remove('&') == QString::fromUtf8("Vidéo"))
                radio->click();
        ASSERT_EQ(form.Panel().Rules().state().RadioGroupFormat, FormatVideo);
        TFormOpVideo options(form.VideoOptions());
        options.ComboContainer->setCurrentIndex(options.ComboContainer->findText(container));
        if (*codec)
            options.ComboCodec->setCurrentIndex(options.ComboCodec->findText(codec));
        options.SpinRate->setValue(10);
    }
    QStringList filesIn(const fs::path &folder)
    {
        QStringList names;
        for (const auto &entry : fs::directory_iterator(folder))
            names << QString::fromStdString(entry.path().filename().string());
        return names;
    }
};

TEST_P(VideoCreateTest, WritesOneFileWithTheFramesOfTheRun)
{
    const VideoCreateCase &c = GetParam();
    open(writePanorama(44, 30)); // frames 40 x 30
    chooseVideo(c.container, c.codec);
    EXPECT_FALSE(form.Panel().SpeedButtonVerify->isEnabled());
    if (c.loop360)
        form.Panel().CheckBoxLoop360->click();
    EXPECT_EQ(form.Panel().CheckBoxScrollBack->isEnabled(), !c.loop360) << "a loop has no return pass";
    form.Panel().EditStep->setText(c.step);
    emit form.Panel().EditStep->textEdited(c.step);
    int progressShown = 0;
    QObject::connect(&form.RunProgress(), &GuiRunFeedback::progressOpened, [&] { ++progressShown; });
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    form.Panel().SpeedButtonCreate->click();

    const std::string name = std::string("ANIM0000.") + QString(c.container).toUpper().toStdString();
    EXPECT_EQ(filesIn(dir / "anim"), QStringList { QString::fromStdString(name) });
    const DecodedVideo video = decodeVideo(dir / "anim" / name);
    EXPECT_EQ(video.errors, "");
    EXPECT_EQ(video.bgr.size(), std::size_t(c.frames) * 40 * 30 * 3);
    char counter[32];
    std::snprintf(counter, sizeof counter, " - Frame%04d / %04d-OK!", c.frames - 1, c.frames);
    EXPECT_EQ(form.StatusText().toStdString(), dir.str() + "/anim/" + name + counter);
    EXPECT_EQ(progressShown, 1) << "the progress window is reused";
    EXPECT_TRUE(form.Panel().SpeedButtonVerify->isEnabled()) << "the file made can be played";
    form.Panel().SpeedButtonOpenFolder->click();
    EXPECT_EQ(services.openedFolders(), std::vector<std::string> { dir.str() + "/anim" });
}

// There and back: 4 + 4 frames. A 360° loop has round(44 / step) frames.
INSTANTIATE_TEST_SUITE_P(Containers, VideoCreateTest,
    ::testing::Values(VideoCreateCase { "WebmThereAndBack", "WebM", "", false, "1", 8 },
        VideoCreateCase { "GifLoop", "GIF", "", true, "3", 15 },
        VideoCreateCase { "Mp4H264Loop", "MP4", "H.264", true, "4", 11 }),
    [](const auto &info) { return std::string(info.param.name); });

class ManualClock : public PlaybackClock {
public:
    std::chrono::nanoseconds now() const override { return time; }
    std::chrono::nanoseconds time = std::chrono::hours(1);
};

// "Vérifier", greyed for a video format until a run made its file, then
// plays that file in the drawing area at its rate (the player wired as the
// program wires it); the slider seeks. AVI files too; frame series keep
// their viewer.
TEST_F(VideoCreateTest, VerifyPlaysTheFileJustMade)
{
    open(writePanorama(44, 30)); // frames 40 x 30
    chooseVideo("MKV", ""); // lossless: the frames shown are exactly the file's
    EXPECT_FALSE(form.Panel().SpeedButtonVerify->isEnabled());
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    form.Panel().SpeedButtonCreate->click();
    ASSERT_TRUE(form.Panel().SpeedButtonVerify->isEnabled());

    ManualClock clock;
    TFormVideoPlayer player(
        form.View(), services, clock, [] { return false; }, &form);
    int viewerShown = 0;
    QObject::connect(&form, &TFormMain::viewerRequested, [&] { ++viewerShown; });
    QObject::connect(&form, &TFormMain::videoPlayerRequested,
        [&](const QString &fileName) { player.PlayVideo(fileName.toStdString()); });
    const auto fileFrame = [](const fs::path &file, int k) {
        const DecodedVideo video = decodeVideo(file);
        Bitmap24 frame;
        frame.resize(40, 30);
        for (int y = 0; y < 30; ++y)
            std::copy_n(video.bgr.data() + (std::size_t(k) * 30 + std::size_t(y)) * 40 * 3, 40 * 3, frame.scanLine(y));
        return frame;
    };
    const fs::path mkv = dir / "anim" / "ANIM0000.MKV";
    form.Panel().SpeedButtonVerify->click();
    EXPECT_TRUE(player.isVisible());
    EXPECT_TRUE(form.View().DisplayBitmap() == fileFrame(mkv, 0));
    clock.time += std::chrono::milliseconds(100);
    player.Tick();
    EXPECT_TRUE(form.View().DisplayBitmap() == fileFrame(mkv, 1));
    player.SliderPosition->setValue(6);
    EXPECT_TRUE(form.View().DisplayBitmap() == fileFrame(mkv, 6));
    EXPECT_EQ(viewerShown, 0);

    // An AVI run: "Vérifier" in the menu plays that file.
    form.Panel().Rules().setFormat(FormatAvi);
    form.Panel().ApplyPanelState();
    services.answerAviSaveOptions(""); // uncompressed
    form.Panel().SpeedButtonCreate->click();
    const fs::path avi = dir / "anim" / "ANIM0000.AVI";
    ASSERT_TRUE(fs::exists(avi));
    form.View().DisplayBitmap().clear();
    found("Menu_AnimVerify")->trigger();
    EXPECT_EQ(player.windowTitle().toStdString(), avi.string());
    EXPECT_TRUE(form.View().DisplayBitmap() == fileFrame(avi, 0));
    EXPECT_EQ(viewerShown, 0);

    // Pressed during a test run, it ends the run and plays the file there.
    player.hide();
    form.Run().Tempo = 0;
    services.onProcessMessages = [&] {
        if (form.StatusText() == "TestFrame-2 / 0008" && !player.isVisible())
            form.Panel().SpeedButtonVerify->click();
    };
    form.SpeedButtonTestClick();
    services.onProcessMessages = {};
    EXPECT_EQ(form.StatusText().toStdString(), "TestFrame-2 / 0008");
    EXPECT_TRUE(player.isVisible());
    EXPECT_TRUE(form.View().DisplayBitmap() == fileFrame(avi, 0));

    form.Panel().Rules().setFormat(FormatBmp);
    form.Panel().ApplyPanelState();
    form.Panel().SpeedButtonVerify->click();
    EXPECT_EQ(viewerShown, 1) << "a frame series is picked in the viewer";
}

// Another program takes the name while the run writes: the file goes to the
// next free number, and the status line names that one.
TEST_F(VideoCreateTest, NameTakenDuringTheRunMovesTheFileToTheNextNumber)
{
    open(writePanorama(44, 30));
    chooseVideo("MKV", "");
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    services.onProcessMessages = [&] {
        if (form.StatusText().endsWith("Frame0003 / 0008") && !fs::exists(dir / "anim" / "ANIM0000.MKV"))
            std::ofstream(dir / "anim" / "ANIM0000.MKV") << "autre";
    };
    form.Panel().SpeedButtonCreate->click();
    services.onProcessMessages = {};
    EXPECT_EQ(readFileBytes((dir / "anim" / "ANIM0000.MKV").string()).size(), 5u);
    EXPECT_EQ(decodeVideo(dir / "anim" / "ANIM0001.MKV").bgr.size(), 8u * 40 * 30 * 3);
    EXPECT_EQ(form.StatusText().toStdString(), dir.str() + "/anim/ANIM0001.MKV - Frame0007 / 0008-OK!");
}

// A run that cannot write its file says why, leaves nothing behind and does
// not show the last run's result on the status line.
TEST_F(VideoCreateTest, RefusedOrFailedFileLeavesNothing)
{
    open(writePanorama(44, 30));
    chooseVideo("MKV", "");
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    form.Panel().SpeedButtonCreate->click();
    ASSERT_TRUE(form.StatusText().endsWith("OK!"));
    fs::remove(dir / "anim" / "ANIM0000.MKV");

    // The message names what was refused; its wording belongs to the writers.
    const auto says = [&](std::initializer_list<std::string> pieces) {
        const std::string &text = services.asked().back().text;
        for (const std::string &piece : pieces)
            EXPECT_NE(text.find(piece), std::string::npos) << text << " lacks " << piece;
    };
    const auto createFails = [&](std::initializer_list<std::string> pieces) {
        services.answerErrorBox();
        form.Panel().SpeedButtonCreate->click();
        says(pieces);
        EXPECT_TRUE(fs::is_empty(dir / "anim")) << filesIn(dir / "anim").join(' ').toStdString();
        EXPECT_EQ(form.StatusText().toStdString(), "");
    };
    chooseVideo("MP4", "H.264");
    form.VideoOptions().Preset = "turbo"; // typed in "Préréglage de vitesse"
    createFails({ "libx264", "'turbo'", "(ultrafast, " }); // refused before any name is read
    form.VideoOptions() = {};
    chooseVideo("WebM", "");
    form.VideoOptions().Codec = VideoCodec::H264; // never offered for WebM
    createFails({ "webm", "h264" });

    // "Ecraser" chosen, but the name is a folder's: the finished file cannot go there.
    chooseVideo("MKV", "");
    fs::create_directory(dir / "anim" / "ANIM0000.MKV");
    services.answerMessageBox(WindowServices::IdNo); // exists: replace it
    services.answerErrorBox();
    form.Panel().SpeedButtonCreate->click();
    says({ dir.str() + "/anim/ANIM0000.MKV", "Is a directory" });
    EXPECT_EQ(filesIn(dir / "anim"), QStringList { "ANIM0000.MKV" });
    EXPECT_TRUE(fs::is_empty(dir / "anim" / "ANIM0000.MKV"));
    EXPECT_FALSE(form.StatusText().endsWith("OK!")) << form.StatusText().toStdString();
}

} // namespace
