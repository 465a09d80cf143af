#include "app/TFormMain.h"

#include "anim/AnimSettings.h"
#include "anim/AviAnimationRun.h"
#include "anim/RunEndText.h"
#include "anim/VideoAnimationRun.h"
#include "app/BrowseForFolder.h"
#include "app/CommandPanel.h"
#include "app/PictureDrop.h"
#include "app/PictureLoadFeedback.h"
#include "app/PictureView.h"
#include "common/ProgramInfo.h"
#include "common/TextFormat.h"
#include "output/EnsureFolder.h"
#include "output/FrameFile.h"
#include "output/SaveAsTypes.h"
#include "output/SaveFailureText.h"
#include "picture/PictureLoader.h"
#include "picture/PictureRegistry.h"
#include "platform/Mnemonics.h"
#include "platform/WindowServices.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

#include <cstdlib>
#include <exception>
#include <memory>

namespace {

QString u8(const char *s)
{
    return QString::fromUtf8(s);
}

} // namespace

TFormMain::TFormMain(WindowServices &services, const TJpegOptions &jpegOptions, const TAviOptions &aviOptions,
    const QString &programPath, QWidget *parent)
    : QMainWindow(parent)
    , m_services(services)
    , m_jpegOptions(jpegOptions)
    , m_aviOptions(aviOptions)
    , m_run(services)
    , m_view(new PictureView(this))
    , ScrollBox1(new CommandPanel(services, QFileInfo(programPath).absolutePath().toStdString(), m_view))
    , StatusBar1Text(new QLabel(this))
    , m_runHost(
          *ScrollBox1, *m_view, m_run, services, jpegOptions, m_panorama.File, m_aviProgress,
          [this](const std::string &text) { setStatus(text); }, [this] { return StatusText().toStdString(); })
{
    setWindowTitle(u8(kProgramTitle));
    resize(1040, 760);
    setCentralWidget(m_view);
    createMenus();
    connectPanel();
    StatusBar1Text->setObjectName(QStringLiteral("StatusBar1Text"));
    statusBar()->addWidget(StatusBar1Text, 1);
    statusBar()->setFixedHeight(24);
    statusBar()->setSizeGripEnabled(true);
    new PictureDrop(this, [this](const std::string &fileName) { OpenDroppedPicture(fileName); });
    // Alt + a letter reaches every menu and every control of the panel.
    QString mnemonics;
    AssignMnemonics(menuBar(), mnemonics);
    AssignMnemonics(PopupMenu);
    AssignMnemonics(ScrollBox1->widget(), mnemonics);
    ScrollBox1->setAccessibleName(QStringLiteral("Panneau de Commande"));
    FormCreate();
}

TFormMain::~TFormMain()
{
    qApp->removeEventFilter(this);
}

void TFormMain::FormCreate()
{
    // Key preview: the window sees key presses before the focused control.
    qApp->installEventFilter(this);
    TBrowseForFolder::UseCurrentDirWhenEmpty = true;
    m_panorama.Wipe();
    m_view->DisplayBitmap().clear();
    m_run.Tempo = 100;
    m_view->setCenterInWindow(findChild<QAction *>(QStringLiteral("Menu_AnimCenter"))->isChecked());
    ScrollBox1->RefreshPanel(true, m_panorama.Picture);
}

void TFormMain::runCommand(Command handler)
{
    try {
        (this->*handler)();
    } catch (const std::exception &e) {
        m_services.errorBox(e.what());
    }
}

QMenu *TFormMain::addMenu(QMenu *menu, std::initializer_list<MenuEntry> entries)
{
    for (const MenuEntry &e : entries) {
        if (!e.name) {
            menu->addSeparator();
            continue;
        }
        QAction *action = menu->addAction(u8(e.caption));
        action->setObjectName(QString::fromLatin1(e.name));
        const Command handler = e.handler;
        connect(action, &QAction::triggered, this, [this, handler] { runCommand(handler); });
    }
    return menu;
}

void TFormMain::createMenus()
{
    using F = TFormMain;
    const MenuEntry separator {};
    Menu_File = addMenu(menuBar()->addMenu(u8("Fichier")),
        { { "Menu_FileOpen", "Ouvrir...", &F::Menu_FileOpenClick },
            { "Menu_FileWipe", "Effacer", &F::Menu_FileWipeClick },
            { "Menu_FileSaveAs", "Enregister Sous...", &F::Menu_FileSaveAsClick }, separator,
            { "esterleNomdeFichier1", "Tester le Nom de Fichier", &F::SpeedButtonFilenameClick }, separator,
            { "Menu_FileQuit", "Quitter", &F::Menu_FileQuitClick } });
    Menu_Anim = addMenu(menuBar()->addMenu(u8("Animation")),
        { { "Menu_AnimStop", "Stop", &F::Menu_AnimStopClick }, separator,
            { "Menu_AnimFullScreen", "Plein Ecran", &F::Menu_AnimFullScreenClick },
            { "Menu_AnimCenter", "Centrer l'Animation dans la Fenêtre", &F::Menu_AnimCenterClick }, separator,
            { "Menu_AnimTest", "Tester une Animation", &F::Menu_AnimTestClick },
            { "Menu_AnimCreate", "Créer une Animation", &F::Menu_AnimCreateClick },
            { "Menu_AnimVerify", "Vérifier l'animation créée", &F::Menu_AnimVerifyClick } });
    connect(Menu_Anim, &QMenu::aboutToShow, this, &TFormMain::Menu_AnimClick);
    addMenu(menuBar()->addMenu(u8("Options")),
        { { "Menu_OptionsJpeg", "Options Jpeg...", &F::Menu_OptionsJpegClick },
            { "Menu_OptionsDefault", "Valeurs par Défaut", &F::Menu_OptionsDefaultClick },
            { "Menu_OptionsShowPanel", "Voir/Cacher le Panneau de Commande...", &F::Menu_OptionsShowPanelClick },
            { "Menu_OptionsTempo", "Temporisation de Visualisation...", &F::Menu_OptionsTempoClick } });
    addMenu(menuBar()->addMenu(u8("Aide")),
        { { "Menu_HelpHelp", "Aide", &F::Menu_HelpHelpClick }, separator,
            { "Menu_HelpAbout", "A propos", &F::Menu_HelpAboutClick } });
    findChild<QAction *>(QStringLiteral("Menu_HelpHelp"))->setShortcut(QKeySequence(Qt::Key_F1));

    PopupMenu = addMenu(new QMenu(this),
        { { "PopupMenu_Stop", "Stop", &F::Menu_AnimStopClick },
            { "PopupMenu_Tempo", "Temporisation de Visualisation...", &F::Menu_OptionsTempoClick }, separator,
            { "PopupMenu_FullScreen", "Plein Ecran", &F::Menu_AnimFullScreenClick },
            { "PopupMenu_Center", "Centrer l'Animation dans la Fenêtre", &F::Menu_AnimCenterClick }, separator,
            { "PopupMenu_Test", "Tester une Animation", &F::Menu_AnimTestClick },
            { "PopupMenu_Create", "Créer une Animation", &F::Menu_AnimCreateClick },
            { "PopupMenu_Verify", "Vérifier une Animation", &F::Menu_AnimVerifyClick }, separator,
            { "PopupMenu_Quit", "Quitter", &F::Menu_FileQuitClick } });
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    connect(PopupMenu, &QMenu::aboutToShow, this, &TFormMain::PopupMenuPopup);
    for (const char *name : { "Menu_AnimFullScreen", "Menu_AnimCenter", "PopupMenu_FullScreen", "PopupMenu_Center" })
        findChild<QAction *>(QString::fromLatin1(name))->setCheckable(true);
}

void TFormMain::connectPanel()
{
    CommandPanel &p = *ScrollBox1;
    connect(&p, &CommandPanel::captionChanged, this, &QWidget::setWindowTitle);
    p.Rules().videoExtension = [this] { return ContainerExtension(m_videoOptions.Container); };
    const std::pair<QAbstractButton *, Command> commands[] = { { p.SpeedButtonSrcName, &TFormMain::Menu_FileOpenClick },
        { p.SpeedButtonOpJPG, &TFormMain::SpeedButtonOpJPGClick },
        { p.SpeedButtonOpAVI, &TFormMain::SpeedButtonOpAVIClick },
        { p.SpeedButtonOpVideo, &TFormMain::SpeedButtonOpVideoClick },
        { p.SpeedButtonTest, &TFormMain::SpeedButtonTestClick },
        { p.SpeedButtonCreate, &TFormMain::SpeedButtonCreateClick },
        { p.SpeedButtonVerify, &TFormMain::SpeedButtonVerifyClick },
        { p.SpeedButtonStop, &TFormMain::SpeedButtonStopClick },
        { p.SpeedButtonFilename, &TFormMain::SpeedButtonFilenameClick },
        { p.SpeedButtonDefault, &TFormMain::SpeedButtonDefaultClick } };
    for (const auto &[button, handler] : commands)
        connect(button, &QAbstractButton::clicked, this, [this, handler = handler] { runCommand(handler); });
}

bool TFormMain::IsFullScreen() const
{
    return ScrollBox1->isHidden();
}

void TFormMain::FormResize()
{
    const int panelWidth = ScrollBox1->width();
    ScrollBox1->setGeometry(m_view->width() - panelWidth, 0, panelWidth, m_view->height());
    m_view->Layout(ScrollBox1->isHidden() ? 0 : panelWidth);
}

void TFormMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TFormMain::EnterFullScreen()
{
    ScrollBox1->hide();
    menuBar()->hide();
    statusBar()->hide();
    m_view->setCenterInWindow(true);
    if (!(windowFlags() & Qt::FramelessWindowHint))
        setWindowFlag(Qt::FramelessWindowHint, true); // re-creates the window: only when it changes
    showMaximized();
    FormResize();
}

void TFormMain::LeaveFullScreen()
{
    if (windowFlags() & Qt::FramelessWindowHint)
        setWindowFlag(Qt::FramelessWindowHint, false);
    showNormal();
    menuBar()->show();
    statusBar()->show();
    ScrollBox1->show();
    FormResize();
}

bool TFormMain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && widget->window() == this && FormKeyDown(static_cast<QKeyEvent *>(event)->key()))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TFormMain::FormKeyDown(int key)
{
    if (key != Qt::Key_Escape)
        return false;
    if (m_load) {
        m_load->cancel();
        return true;
    }
    const QRect outer = frameGeometry();
    const TRect &area = m_view->DrawArea();
    PopupMenu->popup(QPoint(
        outer.left() + std::abs(area.Right - area.Left) / 2, outer.top() + std::abs(area.Bottom - area.Top) / 2));
    return true;
}

// The context menu belongs to the whole window: a right click anywhere that
// no control answers itself (drawing area, status line) opens it.
void TFormMain::contextMenuEvent(QContextMenuEvent *event)
{
    PopupMenu->popup(event->globalPos());
}

void TFormMain::closeEvent(QCloseEvent *event)
{
    m_run.StopRequested = true;
    // Closing the main window ends the program, whatever other window is open.
    emit closing();
    QCoreApplication::quit();
    event->accept();
    QMainWindow::closeEvent(event);
}

void TFormMain::Menu_FileOpenClick()
{
    m_run.StopRequested = true;
    OpenChosenPicture(m_services.openPictureFile("Ouvrir Image", PictureRegistry::instance().dialogFilter()));
}

void TFormMain::OpenDroppedPicture(const std::string &fileName)
{
    m_run.StopRequested = true;
    try {
        OpenChosenPicture(fileName);
    } catch (const std::exception &e) {
        m_services.errorBox(e.what());
    }
}

void TFormMain::OpenChosenPicture(const std::string &fileName)
{
    // An open asked for while a picture loads (the load handles messages)
    // waits for that load to end.
    if (m_load)
        return;
    const QString statusBefore = StatusText();
    PictureLoadFeedback feedback(fileName, m_services, [this](const std::string &text) { setStatus(text); });
    PictureLoadResult result;
    bool opened = false;
    {
        m_load = &feedback;
        const std::unique_ptr<PictureLoadFeedback *, void (*)(PictureLoadFeedback **)> loading(
            &m_load, [](PictureLoadFeedback **load) { *load = nullptr; });
        // The shown picture shares the panorama's pixels: letting the
        // panorama go frees them only once the view lets go too.
        opened = m_panorama.Open(fileName, m_services, m_jpegOptions, &result, feedback.cancelCheck(),
            feedback.progress(), [this] { m_view->DisplayBitmap().clear(); });
    }
    if (result.error == PictureError::Interrupted && !m_panorama.Picture.isEmpty()) {
        // Cancelled: the previous picture stays, as shown.
        setStatus("Chargement annulé");
        return;
    }
    if (opened)
        ScrollBox1->Rules().state().EditSrcName
            = QFileInfo(QString::fromStdString(fileName)).absoluteFilePath().toStdString();
    ScrollBox1->RefreshPanel(false, m_panorama.Picture);
    ScrollBox1->Rules().setScrollType(
        m_panorama.Picture.width() > m_panorama.Picture.height() ? ScrollHorizontal : ScrollVertical);
    ScrollBox1->ApplyPanelState();
    m_view->SharePicture(m_panorama.Picture);
    if (!opened && !fileName.empty())
        setStatus(result.error == PictureError::Interrupted
                ? std::string("Chargement annulé")
                : formatText("Image non chargée : %s", { PictureErrorText(result) }));
    else if (feedback.showedProgress())
        setStatus(statusBefore.toStdString());
    m_view->repaint();
}

void TFormMain::Menu_FileWipeClick()
{
    m_panorama.Wipe();
    ScrollBox1->RefreshPanel(false, m_panorama.Picture);
    m_view->SharePicture(m_panorama.Picture);
    m_view->repaint();
}

void TFormMain::Menu_FileSaveAsClick()
{
    m_run.StopRequested = true;
    const std::string filter = SaveAsDialogFilter();
    std::string chosenType = filter.substr(0, filter.find(";;"));
    const std::string typedName = m_services.savePictureFile("Enregistrer Image", filter, chosenType);
    if (typedName.empty())
        return;
    // The file is written in the chosen type, and its name says so.
    const std::string fileName = SaveAsFileName(typedName, chosenType);
    bool confirmOverwrite = true;
    SaveDetail detail;
    const SaveOutcome outcome = SaveFrameFile(m_panorama.Picture, fileName, confirmOverwrite, m_services,
        m_run.StopRequested, m_jpegOptions, nullptr, &detail);
    if (outcome == SaveOutcome::Written)
        setStatus("OK!");
    else if (outcome == SaveOutcome::Failed)
        ShowError(m_services, SaveFailureText(fileName, detail));
}

void TFormMain::RunAnimation(bool test)
{
    RunSummary summary;
    ::RunAnimation(m_panorama.Picture, test, m_runHost, m_run.StopRequested, &summary);
    const std::optional<FrameSeriesWriter::Report> failure = m_runHost.takeSeriesFailure();
    if (test)
        return; // nothing written: the last frame's name stays
    // A failed frame stops the run only when no later frame could be
    // written, but the status line always says so.
    std::string status = StatusText().toStdString();
    if (summary.stopped)
        status += StoppedRunText(summary.written);
    if (summary.failed > 0)
        status += formatText(" - %d image(s) non enregistrée(s)", { std::int64_t(summary.failed) });
    setStatus(status);
    if (failure)
        ShowError(m_services, SaveFailureText(failure->fileName, failure->detail));
}

void TFormMain::setStatus(const std::string &text)
{
    StatusBar1Text->setText(QString::fromStdString(text));
}

QString TFormMain::StatusText() const
{
    return StatusBar1Text->text();
}

void TFormMain::Menu_FileQuitClick()
{
    m_run.StopRequested = true;
    close();
}

void TFormMain::setCheckMarks(const char *fullScreen, const char *center)
{
    findChild<QAction *>(QString::fromLatin1(fullScreen))->setChecked(IsFullScreen());
    findChild<QAction *>(QString::fromLatin1(center))->setChecked(m_view->CenterInWindow());
}

void TFormMain::Menu_AnimStopClick()
{
    m_run.StopRequested = true;
    LeaveFullScreen();
}

void TFormMain::Menu_AnimFullScreenClick()
{
    if (!IsFullScreen())
        EnterFullScreen();
    else
        LeaveFullScreen();
}

void TFormMain::Menu_AnimCenterClick()
{
    m_view->setCenterInWindow(!m_view->CenterInWindow());
    FormResize();
}

void TFormMain::Menu_AnimCreateClick()
{
    m_run.StopRequested = true;
    LeaveFullScreen();
    ScrollBox1->setVisuMode(false);
}

void TFormMain::Menu_AnimVerifyClick()
{
    ScrollBox1->setVisuMode(false);
    requestVerify();
}

void TFormMain::Menu_OptionsShowPanelClick()
{
    ScrollBox1->setHidden(!ScrollBox1->isHidden());
    FormResize();
}

void TFormMain::Menu_OptionsTempoClick()
{
    const std::string text = m_services.inputBox("Visualisation", "Temporisation (ms):", std::to_string(m_run.Tempo));
    m_run.Tempo = parseInt32(text).value_or(100);
}

void TFormMain::SpeedButtonTestClick()
{
    ScrollBox1->setVisuMode(true);
    RunAnimation(true);
}

void TFormMain::SpeedButtonCreateClick()
{
    ScrollBox1->setVisuMode(false);
    const std::int32_t format = ScrollBox1->Rules().state().RadioGroupFormat;
    try {
        if (format == FormatAvi) {
            const AviRunResult avi
                = ::RunAviAnimation(m_panorama.Picture, m_aviOptions, m_runHost, m_run.StopRequested);
            rememberVideoFile(avi.FileWritten && avi.FramesWritten > 0, avi.FileName);
        } else if (format == FormatVideo) {
            setStatus({}); // a run that fails before its first frame shows no earlier result
            const VideoRunResult result = ::RunVideoAnimation(
                m_panorama.Picture, m_videoOptions, m_runHost, m_runHost.progress(), m_run.StopRequested);
            rememberVideoFile(result.FileWritten, result.FileName);
            if (result.FileWritten) {
                // The name may have been taken while the file was written: say where it went.
                std::string status = m_runHost.statusText();
                status.replace(0, status.find(" - Frame"), result.FileName);
                setStatus(status + FileRunEndText(result.Stopped, result.FramesWritten));
            }
        } else {
            RunAnimation(false);
        }
    } catch (const TargetIsInputPicture &e) {
        m_services.errorBox(e.FileName + " est l'image en cours de lecture : rien n'a été écrit");
    }
}

void TFormMain::SpeedButtonVerifyClick()
{
    ScrollBox1->setVisuMode(true);
    requestVerify();
}

void TFormMain::rememberVideoFile(bool written, const std::string &fileName)
{
    if (!written)
        return;
    ScrollBox1->Rules().setMadeVideoFile(fileName);
    ScrollBox1->ApplyPanelState();
}

void TFormMain::requestVerify()
{
    const SettingsPanel &rules = ScrollBox1->Rules();
    if (IsVideoFile(rules.state().RadioGroupFormat) && !rules.MadeVideoFile().empty()) {
        m_run.StopRequested = true; // a run in progress ends: the file plays where it drew
        emit videoPlayerRequested(QString::fromStdString(rules.MadeVideoFile()));
    } else
        emit viewerRequested();
}

void TFormMain::SpeedButtonFilenameClick()
{
    tanimprm prm;
    ScrollBox1->ReadSettings(prm);
    setStatus(prm.FileName);
}

void TFormMain::SpeedButtonDefaultClick()
{
    ScrollBox1->RefreshPanel(true, m_panorama.Picture);
}
