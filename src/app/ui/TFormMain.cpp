#include "app/ui/TFormMain.h"

#include "app/BrowseForFolder.h"
#include "app/ui/CommandPanel.h"
#include "app/ui/MainMenus.h"
#include "app/ui/PanoramaPreview.h"
#include "app/ui/PictureDrop.h"
#include "app/ui/PictureView.h"
#include "common/ProgramInfo.h"
#include "common/TextFormat.h"
#include "output/SaveAsCommand.h"
#include "picture/PictureRegistry.h"
#include "platform/MessageLanguage.h"
#include "platform/WindowServices.h"
#include "platform/ui/Mnemonics.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QToolButton>

#include <cstdlib>
#include <exception>

namespace {

QString u8(const char *s)
{
    return QString::fromUtf8(s);
}

} // namespace

TFormMain::TFormMain(WindowServices &services, TJpegOptions &jpegOptions, TAviOptions &aviOptions,
    const QString &programPath, QSettings &settings, QWidget *parent)
    : QMainWindow(parent)
    , m_services(services)
    , m_jpegOptions(jpegOptions)
    , m_run(services)
    , m_view(new PictureView(this))
    , ScrollBox1(new CommandPanel(services, QFileInfo(programPath).absolutePath().toStdString(), m_view))
    , StatusBar1Text(new QLabel(this))
    , StatusTimeLeft(new QLabel(this))
    , m_runFeedback(
          *m_view, m_run, services, [this](const std::string &text) { setStatus(text); },
          [this] { return StatusText().toStdString(); })
    , m_commands(ScrollBox1->Rules(), services, m_run, { jpegOptions, aviOptions, m_videoOptions }, m_runFeedback,
          m_runFeedback)
    , m_opening(m_panorama, ScrollBox1->Rules(), services, jpegOptions, m_runFeedback)
    , m_session(settings, { ScrollBox1->Rules(), m_run, jpegOptions, m_videoOptions, aviOptions, &m_cameraChoices })
    , m_language(settings, services, ChosenInterfaceLanguage(settings, QLocale::system()))
{
    setWindowTitle(u8(kProgramTitle));
    resize(1040, 760);
    setCentralWidget(m_view);
    createMenus();
    connectPanel();
    m_preview = new PanoramaPreview(*this, *m_view, *ScrollBox1, m_panorama.Picture, m_run, aviOptions, m_videoOptions);
    StatusBar1Text->setObjectName(QStringLiteral("StatusBar1Text"));
    statusBar()->addWidget(StatusBar1Text, 1);
    // The time a run has left, beside the line that names its frames.
    StatusTimeLeft->setObjectName(QStringLiteral("StatusTimeLeft"));
    statusBar()->addPermanentWidget(StatusTimeLeft);
    connect(&m_runFeedback, &GuiRunFeedback::timeLeftChanged, StatusTimeLeft,
        [this](const QString &text) { StatusTimeLeft->setText(InterfaceText(text.toStdString())); });
    statusBar()->setFixedHeight(24);
    statusBar()->setSizeGripEnabled(true);
    new PictureDrop(this, [this](const std::string &fileName) { OpenDroppedPicture(fileName); });
    // Alt + a letter reaches every menu and every control of the panel.
    QString mnemonics;
    AssignMnemonics(menuBar(), mnemonics);
    AssignMnemonics(PopupMenu);
    AssignMnemonics(ScrollBox1->widget(), mnemonics);
    ScrollBox1->setAccessibleName(tr("Panneau de Commande"));
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
    m_run.Tempo = RunContext::kDefaultTempo;
    m_view->setCenterInWindow(findChild<QAction *>(QStringLiteral("Menu_AnimCenter"))->isChecked());
    ScrollBox1->RefreshPanel(true, m_panorama.Picture);
    m_commands.pictureLoading = [this] { return m_opening.loading(); };
}

void TFormMain::RestoreSettings()
{
    const QByteArray geometry = m_session.restore();
    ScrollBox1->RefreshPanel(false, m_panorama.Picture);
    // Never back in full screen: the window as it stood before it.
    if (!geometry.isEmpty() && restoreGeometry(geometry))
        setWindowState(windowState() & ~Qt::WindowFullScreen);
}

void TFormMain::Menu_OptionsResetClick()
{
    std::string error;
    const bool forgotten = m_session.reset(error);
    m_cameraChoices.Projection = OfferedProjection(m_pictureSphere); // the picture's, not a setting
    ScrollBox1->RefreshPanel(false, m_panorama.Picture);
    emit settingsReset();
    if (!forgotten)
        m_services.errorBox("Réglages non effacés : " + error);
}

void TFormMain::Menu_OptionsClick()
{
    const bool french = m_language.chosen() == InterfaceLanguage::French;
    findChild<QAction *>(QStringLiteral("Menu_LanguageFrench"))->setChecked(french);
    findChild<QAction *>(QStringLiteral("Menu_LanguageEnglish"))->setChecked(!french);
}

void TFormMain::runCommand(const std::function<void()> &command)
{
    try {
        command();
    } catch (const std::exception &e) {
        m_services.errorBox(e.what());
    }
}

void TFormMain::createMenus()
{
    const MainMenus menus = CreateMainMenus(*this, [this](const std::function<void()> &c) { runCommand(c); });
    Menu_File = menus.file;
    Menu_Anim = menus.anim;
    PopupMenu = menus.popup;
}

void TFormMain::connectPanel()
{
    CommandPanel &p = *ScrollBox1;
    connect(&p, &CommandPanel::captionChanged, this, &QWidget::setWindowTitle);
    // The menu's entry and its shortcut follow the panel's button.
    QAction *openFolder = findChild<QAction *>(QStringLiteral("Menu_AnimOpenFolder"));
    connect(&p, &CommandPanel::settingsChanged, openFolder,
        [openFolder, &p] { openFolder->setEnabled(p.Rules().state().SpeedButtonOpenFolderEnabled); });
    p.Rules().videoExtension = [this] { return ContainerExtension(m_videoOptions.Container); };
    p.Rules().camera = [this](std::string &error) { return CameraFromChoices(m_cameraChoices, error); };
    p.Rules().sphere = [this](bool loop360, std::string &error) {
        return SphereFromChoices(m_cameraChoices, m_pictureSphere, loop360, error);
    };
    const std::pair<QAbstractButton *, Command> commands[] = { { p.SpeedButtonSrcName, &TFormMain::Menu_FileOpenClick },
        { p.SpeedButtonOpJPG, &TFormMain::SpeedButtonOpJPGClick },
        { p.SpeedButtonOpAVI, &TFormMain::SpeedButtonOpAVIClick },
        { p.SpeedButtonOpVideo, &TFormMain::SpeedButtonOpVideoClick },
        { p.SpeedButtonTest, &TFormMain::SpeedButtonTestClick },
        { p.SpeedButtonCreate, &TFormMain::SpeedButtonCreateClick },
        { p.SpeedButtonVerify, &TFormMain::SpeedButtonVerifyClick },
        { p.SpeedButtonOpenFolder, &TFormMain::SpeedButtonOpenFolderClick },
        { p.SpeedButtonStop, &TFormMain::SpeedButtonStopClick },
        { p.SpeedButtonFilename, &TFormMain::SpeedButtonFilenameClick },
        { p.SpeedButtonDefault, &TFormMain::SpeedButtonDefaultClick } };
    for (const auto &[button, handler] : commands)
        connect(
            button, &QAbstractButton::clicked, this, [this, h = handler] { runCommand([this, h] { (this->*h)(); }); });
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
    if (!isFullScreen()) {
        m_stateBeforeFullScreen = windowState();
        m_geometryBeforeFullScreen = saveGeometry();
    }
    ScrollBox1->hide();
    menuBar()->hide();
    statusBar()->hide();
    m_view->setCenterInWindow(true);
    // The window's state, not its flags: changing flags would re-create it,
    // and the windows kept over it would lose it.
    showFullScreen();
    FormResize();
}

void TFormMain::LeaveFullScreen()
{
    if (isFullScreen()) {
        if (m_stateBeforeFullScreen & Qt::WindowMaximized)
            showMaximized();
        else
            showNormal();
    }
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
    if (m_opening.loading()) {
        m_opening.cancel();
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
    std::string error;
    if (!m_session.save(isFullScreen() ? m_geometryBeforeFullScreen : saveGeometry(), error))
        m_services.errorBox("Réglages non enregistrés : " + error);
    // Closing the main window ends the program, whatever other window is open.
    emit closing();
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
    runCommand([this, &fileName] { OpenChosenPicture(fileName); });
}

void TFormMain::OpenChosenPicture(const std::string &fileName)
{
    // The shown picture shares the panorama's pixels: letting the panorama go
    // frees them only once the view lets go too.
    if (m_opening.Open(fileName, [this] { m_view->ReleasePicture(); })) {
        offerProjection(ReadPictureSphere(fileName, m_panorama.Picture.width(), m_panorama.Picture.height()));
        ScrollBox1->ApplyPanelState();
        m_view->SharePicture(m_panorama.Picture);
    }
    m_view->repaint();
}

void TFormMain::offerProjection(PictureSphere picture)
{
    m_pictureSphere = std::move(picture);
    m_cameraChoices.Projection = OfferedProjection(m_pictureSphere);
    m_preview->pictureChanged();
    emit projectionOffered();
}

void TFormMain::Menu_FileWipeClick()
{
    m_panorama.Wipe();
    offerProjection({});
    ScrollBox1->RefreshPanel(false, m_panorama.Picture);
    m_view->SharePicture(m_panorama.Picture);
    m_view->repaint();
}

void TFormMain::Menu_FileSaveAsClick()
{
    if (SaveAsCommand(m_panorama.Picture, m_services, m_run.StopRequested, m_jpegOptions))
        setStatus("OK!");
}

void TFormMain::setStatus(const std::string &text)
{
    StatusBar1Text->setText(InterfaceText(text));
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
    const auto ended = qScopeGuard([this] { m_runFeedback.runEnded(); });
    m_commands.Test(m_panorama.Picture);
}

void TFormMain::SpeedButtonCreateClick()
{
    const auto ended = qScopeGuard([this] { m_runFeedback.runEnded(); });
    m_commands.Create(m_panorama.Picture, m_panorama.File);
}

void TFormMain::SpeedButtonVerifyClick()
{
    ScrollBox1->setVisuMode(true);
    requestVerify();
}

void TFormMain::SpeedButtonOpenFolderClick()
{
    m_commands.OpenMadeFolder();
}

void TFormMain::requestVerify()
{
    const SettingsPanel &rules = ScrollBox1->Rules();
    const bool videoFile = IsVideoFile(rules.state().RadioGroupFormat);
    if (videoFile && !rules.MadeVideoFile().empty()) {
        m_run.StopRequested = true; // a run in progress ends: the file plays where it drew
        emit videoPlayerRequested(QString::fromStdString(rules.MadeVideoFile()));
    } else if (const std::optional<MadeSeries> &series = rules.LastMadeSeries(); !videoFile && series)
        emit seriesViewRequested(QString::fromStdString(series->AnyFrame), series->Format);
    else
        emit viewerRequested();
}

void TFormMain::SpeedButtonFilenameClick()
{
    m_commands.ShowFirstFileName();
}

void TFormMain::SpeedButtonDefaultClick()
{
    ScrollBox1->RefreshPanel(true, m_panorama.Picture);
}
