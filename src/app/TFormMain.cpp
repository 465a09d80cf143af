#include "app/TFormMain.h"

#include "app/DisplayGeometry.h"
#include "app/TAboutBox.h"
#include "app/TFormHelp.h"
#include "common/TextFormat.h"
#include "options/TFormOpAvi.h"
#include "options/TFormOpJpeg.h"
#include "output/EnsureFolder.h"
#include "output/FrameFile.h"
#include "output/TDlgYesAllNo.h"
#include "output/TFormencours.h"
#include "picture/PictureLoader.h"
#include "picture/PictureRegistry.h"
#include "platform/WindowServices.h"
#include "viewer/TFormView.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace {

constexpr int kPanelWidth = 245;

QString qs(const std::string &s)
{
    return QString::fromStdString(s);
}

QString u8(const char *s)
{
    return QString::fromUtf8(s);
}

// The drawing area: the whole client area of the window, painted by the
// main window's paint handler; the panel lies over its right part.
class DrawingArea : public QWidget {
public:
    explicit DrawingArea(TFormMain *form)
        : QWidget(form)
        , m_form(form)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setContextMenuPolicy(Qt::DefaultContextMenu);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        m_form->FormPaint(painter);
    }
    void contextMenuEvent(QContextMenuEvent *event) override
    {
        m_form->PopupMenuPopup();
        m_form->PopupMenu->popup(event->globalPos());
    }

private:
    TFormMain *m_form;
};

// The registered picture types, in the file dialogs' filter form.
std::string pictureDialogFilter()
{
    std::string filter;
    for (const std::string &type : PictureRegistry::instance().dialogFilters())
        filter += (filter.empty() ? "" : ";;") + type;
    return filter;
}

// BGR rows to the screen's 32-bit format, once per shown picture, so that
// painting is a plain copy.
void convertToScreenImage(const Bitmap24 &source, QImage &target)
{
    if (source.isEmpty()) {
        target = QImage();
        return;
    }
    if (target.width() != source.width() || target.height() != source.height()
        || target.format() != QImage::Format_RGB32)
        target = QImage(source.width(), source.height(), QImage::Format_RGB32);
    const int w = source.width();
    for (int y = 0; y < source.height(); ++y) {
        const std::uint8_t *in = source.scanLine(y);
        auto *out = reinterpret_cast<std::uint32_t *>(target.scanLine(y));
        for (int x = 0; x < w; ++x, in += 3)
            out[x] = 0xFF000000u | (std::uint32_t(in[2]) << 16) | (std::uint32_t(in[1]) << 8) | in[0];
    }
}

} // namespace

TFormMain::TFormMain(
    WindowServices &services, const TJpegOptions &jpegOptions, const QString &programPath, QWidget *parent)
    : QMainWindow(parent)
    , m_services(services)
    , m_jpegOptions(jpegOptions)
    , m_programPath(programPath)
    , m_panel(services, QFileInfo(programPath).absolutePath().toStdString())
{
    setWindowTitle(u8(kProgramTitle));
    resize(1040, 760);

    m_drawingArea = new DrawingArea(this);
    setCentralWidget(m_drawingArea);
    createMenus();
    createPanel();
    connectPanel();

    StatusBar1Text = new QLabel(this);
    statusBar()->addWidget(StatusBar1Text, 1);
    statusBar()->setFixedHeight(24);
    statusBar()->setSizeGripEnabled(true);

    Timer1 = new QTimer(this);
    connect(Timer1, &QTimer::timeout, this, &TFormMain::Timer1Timer);

    m_panel.onStateChanged = [this] { ApplyPanelState(); };
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
    PanoramaBitmap.clear();
    DisplayBitmap.clear();
    Tempo = 100;
    CenterInWindow = Menu_AnimCenter->isChecked();
    Timer1->setInterval(1000);
    Timer1->start();
    RefreshPanel(true);
}

// ---------------------------------------------------------------- menus

void TFormMain::createMenus()
{
    auto add = [this](QMenu *menu, QAction *&action, const char *caption, void (TFormMain::*handler)()) {
        action = menu->addAction(u8(caption));
        connect(action, &QAction::triggered, this, handler);
    };
    Menu_File = menuBar()->addMenu(u8("Fichier"));
    add(Menu_File, Menu_FileOpen, "Ouvrir...", &TFormMain::Menu_FileOpenClick);
    add(Menu_File, Menu_FileWipe, "Effacer", &TFormMain::Menu_FileWipeClick);
    add(Menu_File, Menu_FileSaveAs, "Enregister Sous...", &TFormMain::Menu_FileSaveAsClick);
    Menu_File->addSeparator();
    add(Menu_File, esterleNomdeFichier1, "Tester le Nom de Fichier", &TFormMain::SpeedButtonFilenameClick);
    Menu_File->addSeparator();
    add(Menu_File, Menu_FileQuit, "Quitter", &TFormMain::Menu_FileQuitClick);

    Menu_Anim = menuBar()->addMenu(u8("Animation"));
    connect(Menu_Anim, &QMenu::aboutToShow, this, &TFormMain::Menu_AnimClick);
    add(Menu_Anim, Menu_AnimStop, "Stop", &TFormMain::Menu_AnimStopClick);
    Menu_Anim->addSeparator();
    add(Menu_Anim, Menu_AnimFullScreen, "Plein Ecran", &TFormMain::Menu_AnimFullScreenClick);
    Menu_AnimFullScreen->setCheckable(true);
    add(Menu_Anim, Menu_AnimCenter, "Centrer l'Animation dans la Fenêtre", &TFormMain::Menu_AnimCenterClick);
    Menu_AnimCenter->setCheckable(true);
    Menu_AnimCenter->setChecked(false);
    Menu_Anim->addSeparator();
    add(Menu_Anim, Menu_AnimTest, "Tester une Animation", &TFormMain::Menu_AnimTestClick);
    add(Menu_Anim, Menu_AnimCreate, "Créer une Animation", &TFormMain::Menu_AnimCreateClick);
    add(Menu_Anim, Menu_AnimVerify, "Vérifier l'animation créée", &TFormMain::Menu_AnimVerifyClick);

    Menu_Options = menuBar()->addMenu(u8("Options"));
    add(Menu_Options, Menu_OptionsJpeg, "Options Jpeg...", &TFormMain::Menu_OptionsJpegClick);
    add(Menu_Options, Menu_OptionsDefault, "Valeurs par Défaut", &TFormMain::Menu_OptionsDefaultClick);
    add(Menu_Options, Menu_OptionsShowPanel, "Voir/Cacher le Panneau de Commande...",
        &TFormMain::Menu_OptionsShowPanelClick);
    add(Menu_Options, Menu_OptionsTempo, "Temporisation de Visualisation...", &TFormMain::Menu_OptionsTempoClick);

    Menu_Help = menuBar()->addMenu(u8("Aide"));
    add(Menu_Help, Menu_HelpHelp, "Aide", &TFormMain::Menu_HelpHelpClick);
    Menu_HelpHelp->setShortcut(QKeySequence(Qt::Key_F1));
    Menu_Help->addSeparator();
    add(Menu_Help, Menu_HelpAbout, "A propos", &TFormMain::Menu_HelpAboutClick);

    PopupMenu = new QMenu(this);
    connect(PopupMenu, &QMenu::aboutToShow, this, &TFormMain::PopupMenuPopup);
    add(PopupMenu, PopupMenu_Stop, "Stop", &TFormMain::Menu_AnimStopClick);
    add(PopupMenu, PopupMenu_Tempo, "Temporisation de Visualisation...", &TFormMain::Menu_OptionsTempoClick);
    PopupMenu->addSeparator();
    add(PopupMenu, PopupMenu_FullScreen, "Plein Ecran", &TFormMain::Menu_AnimFullScreenClick);
    PopupMenu_FullScreen->setCheckable(true);
    add(PopupMenu, PopupMenu_Center, "Centrer l'Animation dans la Fenêtre", &TFormMain::Menu_AnimCenterClick);
    PopupMenu_Center->setCheckable(true);
    PopupMenu->addSeparator();
    add(PopupMenu, PopupMenu_Test, "Tester une Animation", &TFormMain::Menu_AnimTestClick);
    add(PopupMenu, PopupMenu_Create, "Créer une Animation", &TFormMain::Menu_AnimCreateClick);
    add(PopupMenu, PopupMenu_Verify, "Vérifier une Animation", &TFormMain::Menu_AnimVerifyClick);
    PopupMenu->addSeparator();
    add(PopupMenu, PopupMenu_Quit, "Quitter", &TFormMain::Menu_FileQuitClick);
}

// ---------------------------------------------------------------- panel

void TFormMain::createPanel()
{
    ScrollBox1 = new QScrollArea(m_drawingArea);
    ScrollBox1->setFixedWidth(kPanelWidth);
    ScrollBox1->setWidgetResizable(true);
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ScrollBox1->setAutoFillBackground(true);
    ScrollBox1->setBackgroundRole(QPalette::Window);

    PanelAnim = new QWidget;
    // A small font, so that every caption fits the panel's fixed width.
    QFont panelFont = PanelAnim->font();
    panelFont.setPixelSize(11);
    PanelAnim->setFont(panelFont);
    auto *panel = new QVBoxLayout(PanelAnim);
    panel->setContentsMargins(2, 2, 2, 2);
    panel->setSpacing(4);

    auto newButton = [this](const char *caption) {
        auto *b = new QPushButton(u8(caption), PanelAnim);
        b->setAutoDefault(false);
        return b;
    };
    auto newCheck = [this](const char *caption) { return new QCheckBox(u8(caption), PanelAnim); };

    // Source picture.
    GroupBoxSrc = new QGroupBox(u8("Fichier Source Panorama:"), PanelAnim);
    auto *src = new QGridLayout(GroupBoxSrc);
    SpeedButtonSrcName = new QToolButton(GroupBoxSrc);
    SpeedButtonSrcName->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    SpeedButtonSrcName->setToolTip(u8("Ouvrir..."));
    EditSrcName = new QLineEdit(GroupBoxSrc);
    EditSrcName->setReadOnly(true);
    LabelSrcDim = new QLabel(GroupBoxSrc);
    src->addWidget(SpeedButtonSrcName, 0, 0);
    src->addWidget(EditSrcName, 0, 1);
    src->addWidget(LabelSrcDim, 1, 0, 1, 2);
    panel->addWidget(GroupBoxSrc);

    // Frame size and scrolling.
    GroupBoxAnim = new QGroupBox(u8("Dimensions des Images de  l'Animation:"), PanelAnim);
    auto *anim = new QGridLayout(GroupBoxAnim);
    Label1 = new QLabel(u8("Largeur: "), GroupBoxAnim);
    Label2 = new QLabel(u8("Hauteur:"), GroupBoxAnim);
    EditFrameWidth = new QLineEdit(GroupBoxAnim);
    EditFrameHeight = new QLineEdit(GroupBoxAnim);
    anim->addWidget(Label1, 0, 0);
    anim->addWidget(EditFrameWidth, 0, 1);
    anim->addWidget(Label2, 1, 0);
    anim->addWidget(EditFrameHeight, 1, 1);
    RadioGroupScrollType = new QGroupBox(u8("Défilement:"), GroupBoxAnim);
    auto *scroll = new QGridLayout(RadioGroupScrollType);
    m_scrollTypeButtons = new QButtonGroup(this);
    const char *scrollItems[] = { "Horizontal", "Vertical" };
    for (int i = 0; i < 2; ++i) {
        auto *radio = new QRadioButton(u8(scrollItems[i]), RadioGroupScrollType);
        m_scrollTypeButtons->addButton(radio, i);
        scroll->addWidget(radio, 0, i);
    }
    EditStep = new QLineEdit(GroupBoxAnim);
    EditStep->setToolTip(u8("Pas (pixels)"));
    EditStep->setMaximumWidth(60);
    anim->addWidget(RadioGroupScrollType, 2, 0, 1, 2);
    anim->addWidget(EditStep, 3, 1);
    CheckBoxScrollDirection = newCheck("G->D / H->B");
    CheckBoxScrollBack = newCheck("Aller et Retour");
    CheckBoxCenter = newCheck("Centrer l'Image");
    anim->addWidget(CheckBoxScrollDirection, 4, 0, 1, 2);
    anim->addWidget(CheckBoxScrollBack, 5, 0, 1, 2);
    anim->addWidget(CheckBoxCenter, 6, 0, 1, 2);
    panel->addWidget(GroupBoxAnim);

    // Output.
    GroupBoxSave = new QGroupBox(u8("Enregistrement:"), PanelAnim);
    auto *save = new QGridLayout(GroupBoxSave);
    CheckBoxCopy = newCheck("Déplacer vers:");
    SpeedButtonCopy = new QToolButton(GroupBoxSave);
    SpeedButtonCopy->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    EditCopy = new QLineEdit(GroupBoxSave);
    CheckBoxSubDir = newCheck("Sous Répertoire:");
    EditSubDir = new QLineEdit(GroupBoxSave);
    CheckBoxRename = newCheck("Renommer:");
    EditDstName = new QLineEdit(GroupBoxSave);
    GroupBox1 = new QGroupBox(u8("ReNuméroter à partir de:"), GroupBoxSave);
    auto *numbering = new QVBoxLayout(GroupBox1);
    EditNumStart = new QLineEdit(GroupBox1);
    CheckBoxFormat = new QCheckBox(u8("Numérotation Formatée "), GroupBox1);
    numbering->addWidget(EditNumStart);
    numbering->addWidget(CheckBoxFormat);
    RadioGroupFormat = new QGroupBox(u8("Format d'Enregistrement:"), GroupBoxSave);
    auto *format = new QGridLayout(RadioGroupFormat);
    m_formatButtons = new QButtonGroup(this);
    const char *formatItems[] = { "BMP", "JPG", "AVI" };
    for (int i = 0; i < 3; ++i) {
        auto *radio = new QRadioButton(u8(formatItems[i]), RadioGroupFormat);
        m_formatButtons->addButton(radio, i);
        format->addWidget(radio, 0, i);
    }
    SpeedButtonOpJPG = newButton("Options JPEG");
    SpeedButtonOpAVI = newButton("Options AVI");
    save->addWidget(CheckBoxCopy, 0, 0);
    save->addWidget(SpeedButtonCopy, 0, 1, Qt::AlignRight);
    save->addWidget(EditCopy, 1, 0, 1, 2);
    save->addWidget(CheckBoxSubDir, 2, 0, 1, 2);
    save->addWidget(EditSubDir, 3, 0, 1, 2);
    save->addWidget(CheckBoxRename, 4, 0, 1, 2);
    save->addWidget(EditDstName, 5, 0, 1, 2);
    save->addWidget(GroupBox1, 6, 0, 1, 2);
    save->addWidget(RadioGroupFormat, 7, 0, 1, 2);
    save->addWidget(SpeedButtonOpJPG, 8, 0);
    save->addWidget(SpeedButtonOpAVI, 8, 1);
    panel->addWidget(GroupBoxSave);

    // Runs.
    auto *runs = new QGridLayout;
    SpeedButtonTest = newButton("Tester");
    SpeedButtonCreate = newButton("Créer");
    SpeedButtonVerify = newButton("Vérifier");
    SpeedButtonStop = newButton("STOP");
    runs->addWidget(SpeedButtonTest, 0, 0);
    runs->addWidget(SpeedButtonCreate, 0, 1);
    runs->addWidget(SpeedButtonVerify, 1, 0);
    runs->addWidget(SpeedButtonStop, 1, 1);
    panel->addLayout(runs);
    CheckBoxVisu = newCheck("Visualisation sans sauvegarde");
    CheckBoxVisu->setEnabled(false); // a mode indicator set by the run commands
    panel->addWidget(CheckBoxVisu);
    SpeedButtonFilename = newButton("Tester le Nom de Fichier");
    SpeedButtonDefault = newButton("Revenir aux Valeurs par Défaut");
    panel->addWidget(SpeedButtonFilename);
    panel->addWidget(SpeedButtonDefault);
    panel->addStretch();

    // Edits may shrink: the captions, not the fields, set the panel's width.
    for (QLineEdit *edit : PanelAnim->findChildren<QLineEdit *>())
        edit->setMinimumWidth(30);
    for (QGroupBox *box : PanelAnim->findChildren<QGroupBox *>())
        box->layout()->setContentsMargins(4, 4, 4, 4);
    ScrollBox1->setWidget(PanelAnim);
    // 245 pixels, or wider when this platform's fonts need it: the panel
    // scrolls vertically only, so its captions must fit across.
    const int needed = PanelAnim->minimumSizeHint().width() + style()->pixelMetric(QStyle::PM_ScrollBarExtent)
        + 2 * ScrollBox1->frameWidth();
    ScrollBox1->setFixedWidth(std::max(kPanelWidth, needed));
}

void TFormMain::connectPanel()
{
    auto bindText = [this](QLineEdit *edit, std::string PanelState::*field) {
        connect(edit, &QLineEdit::textEdited, this,
            [this, field](const QString &text) { m_panel.state().*field = text.toStdString(); });
    };
    bindText(EditFrameWidth, &PanelState::EditFrameWidth);
    bindText(EditFrameHeight, &PanelState::EditFrameHeight);
    bindText(EditStep, &PanelState::EditStep);
    bindText(EditCopy, &PanelState::EditCopy);
    bindText(EditSubDir, &PanelState::EditSubDir);
    bindText(EditDstName, &PanelState::EditDstName);
    bindText(EditNumStart, &PanelState::EditNumStart);
    auto bindCheck = [this](QCheckBox *check, bool PanelState::*field) {
        connect(check, &QCheckBox::toggled, this, [this, field](bool on) { m_panel.state().*field = on; });
    };
    bindCheck(CheckBoxScrollDirection, &PanelState::CheckBoxScrollDirection);
    bindCheck(CheckBoxScrollBack, &PanelState::CheckBoxScrollBack);
    bindCheck(CheckBoxCenter, &PanelState::CheckBoxCenter);
    bindCheck(CheckBoxCopy, &PanelState::CheckBoxCopy);
    bindCheck(CheckBoxSubDir, &PanelState::CheckBoxSubDir);
    bindCheck(CheckBoxRename, &PanelState::CheckBoxRename);
    bindCheck(CheckBoxFormat, &PanelState::CheckBoxFormat);

    connect(m_scrollTypeButtons, &QButtonGroup::idClicked, this, [this](int id) {
        m_panel.setScrollType(id);
        ApplyPanelState();
    });
    connect(m_formatButtons, &QButtonGroup::idClicked, this, [this](int id) {
        m_panel.setFormat(id);
        ApplyPanelState();
    });

    connect(SpeedButtonSrcName, &QToolButton::clicked, this, &TFormMain::Menu_FileOpenClick);
    connect(SpeedButtonCopy, &QToolButton::clicked, this, &TFormMain::SpeedButtonCopyClick);
    connect(SpeedButtonOpJPG, &QPushButton::clicked, this, &TFormMain::SpeedButtonOpJPGClick);
    connect(SpeedButtonOpAVI, &QPushButton::clicked, this, &TFormMain::SpeedButtonOpAVIClick);
    connect(SpeedButtonTest, &QPushButton::clicked, this, &TFormMain::SpeedButtonTestClick);
    connect(SpeedButtonCreate, &QPushButton::clicked, this, &TFormMain::SpeedButtonCreateClick);
    connect(SpeedButtonVerify, &QPushButton::clicked, this, &TFormMain::SpeedButtonVerifyClick);
    connect(SpeedButtonStop, &QPushButton::clicked, this, &TFormMain::SpeedButtonStopClick);
    connect(SpeedButtonFilename, &QPushButton::clicked, this, &TFormMain::SpeedButtonFilenameClick);
    connect(SpeedButtonDefault, &QPushButton::clicked, this, &TFormMain::SpeedButtonDefaultClick);
}

void TFormMain::ApplyPanelState()
{
    const PanelState &s = m_panel.state();
    const QSignalBlocker blockers[] = { QSignalBlocker(CheckBoxScrollDirection), QSignalBlocker(CheckBoxScrollBack),
        QSignalBlocker(CheckBoxCenter), QSignalBlocker(CheckBoxCopy), QSignalBlocker(CheckBoxSubDir),
        QSignalBlocker(CheckBoxRename), QSignalBlocker(CheckBoxFormat) };
    setWindowTitle(qs(s.Caption));
    auto setText = [](QLineEdit *edit, const std::string &text) {
        const QString value = qs(text);
        if (edit->text() != value)
            edit->setText(value);
    };
    setText(EditSrcName, s.EditSrcName);
    LabelSrcDim->setText(qs(s.LabelSrcDim));
    setText(EditFrameWidth, s.EditFrameWidth);
    setText(EditFrameHeight, s.EditFrameHeight);
    setText(EditStep, s.EditStep);
    setText(EditCopy, s.EditCopy);
    setText(EditSubDir, s.EditSubDir);
    setText(EditDstName, s.EditDstName);
    setText(EditNumStart, s.EditNumStart);
    if (QAbstractButton *b = m_scrollTypeButtons->button(s.RadioGroupScrollType))
        b->setChecked(true);
    if (QAbstractButton *b = m_formatButtons->button(s.RadioGroupFormat))
        b->setChecked(true);
    CheckBoxScrollDirection->setChecked(s.CheckBoxScrollDirection);
    CheckBoxScrollBack->setChecked(s.CheckBoxScrollBack);
    CheckBoxCenter->setChecked(s.CheckBoxCenter);
    CheckBoxCopy->setChecked(s.CheckBoxCopy);
    CheckBoxSubDir->setChecked(s.CheckBoxSubDir);
    CheckBoxRename->setChecked(s.CheckBoxRename);
    CheckBoxFormat->setChecked(s.CheckBoxFormat);
    CheckBoxVisu->setChecked(s.CheckBoxVisu);
    SpeedButtonTest->setEnabled(s.SpeedButtonTestEnabled);
    SpeedButtonCreate->setEnabled(s.SpeedButtonCreateEnabled);
    SpeedButtonVerify->setEnabled(s.SpeedButtonVerifyEnabled);
    GroupBoxAnim->setVisible(s.GroupBoxAnimVisible);
    GroupBoxSave->setVisible(s.GroupBoxSaveVisible);
}

void TFormMain::RefreshPanel(bool resetDefaults)
{
    m_panel.RefreshPanel(resetDefaults, PanoramaBitmap.width(), PanoramaBitmap.height());
    ApplyPanelState();
}

bool TFormMain::ReadSettings(tanimprm &prm)
{
    const bool ok = m_panel.ReadSettings(prm);
    ApplyPanelState();
    return ok;
}

// ---------------------------------------------------------------- display

bool TFormMain::IsFullScreen() const
{
    return ScrollBox1->isHidden();
}

void TFormMain::ShowFrame(const Bitmap24 &bitmap)
{
    if (&bitmap != &DisplayBitmap) {
        if (!DisplayBitmap.resize(bitmap.width(), bitmap.height()))
            throw std::bad_alloc();
        if (bitmap.byteCount())
            std::memcpy(DisplayBitmap.bits(), bitmap.bits(), bitmap.byteCount());
    }
    convertToScreenImage(DisplayBitmap, m_displayImage);
}

void TFormMain::FormResize()
{
    const QRect client = m_drawingArea->rect();
    ClientArea = { client.left(), client.top(), client.left() + client.width(), client.top() + client.height() };
    DrawArea = ComputeDrawArea(ClientArea, ScrollBox1->isHidden() ? 0 : ScrollBox1->width());
    ScrollBox1->setGeometry(client.width() - ScrollBox1->width(), 0, ScrollBox1->width(), client.height());
    m_drawingArea->update();
}

void TFormMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TFormMain::FormPaint(QPainter &painter)
{
    painter.fillRect(m_drawingArea->rect(), Qt::black);
    const PaintPlacement p
        = ComputePaintPlacement(DrawArea, m_displayImage.width(), m_displayImage.height(), CenterInWindow);
    if (p.Draws)
        painter.drawImage(QPoint(p.X, p.Y), m_displayImage, QRect(0, 0, p.SourceWidth, p.SourceHeight));
}

void TFormMain::EnterFullScreen()
{
    ScrollBox1->hide();
    menuBar()->hide();
    statusBar()->hide();
    CenterInWindow = true;
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

// ---------------------------------------------------------------- events

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
    const QRect outer = frameGeometry();
    const QPoint at(outer.left() + std::abs(DrawArea.Right - DrawArea.Left) / 2,
        outer.top() + std::abs(DrawArea.Bottom - DrawArea.Top) / 2);
    PopupMenu->popup(at);
    return true;
}

void TFormMain::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
    QMainWindow::closeEvent(event);
}

void TFormMain::FormClose()
{
    StopRequested = true;
    // Closing the main window ends the program, whatever other window is open.
    for (QWidget *w : { static_cast<QWidget *>(m_windows.OpJpeg), static_cast<QWidget *>(m_windows.Help),
             static_cast<QWidget *>(m_windows.OpAvi), static_cast<QWidget *>(m_windows.View),
             static_cast<QWidget *>(m_windows.Encours) })
        if (w)
            w->hide();
    QCoreApplication::quit();
}

// ---------------------------------------------------------------- pictures

bool TFormMain::LoadPicture(Bitmap24 &target, const std::string &fileName)
{
    const ScopedBusyCursor busy(m_services, WindowServices::Cursor::HourGlass);
    return LoadPictureFile(fileName, target, m_jpegOptions);
}

void TFormMain::Menu_FileOpenClick()
{
    StopRequested = true;
    OpenChosenPicture(m_services.openPictureFile("Ouvrir Image", pictureDialogFilter()));
}

void TFormMain::OpenChosenPicture(const std::string &fileName)
{
    bool loaded = false;
    if (!fileName.empty() && LoadPicture(PanoramaBitmap, fileName)) {
        m_panel.state().EditSrcName = QFileInfo(qs(fileName)).absoluteFilePath().toStdString();
        loaded = true;
    }
    if (!loaded)
        PanoramaBitmap.clear();
    RefreshPanel(false);
    m_panel.setScrollType(PanoramaBitmap.width() > PanoramaBitmap.height() ? ScrollHorizontal : ScrollVertical);
    ApplyPanelState();
    ShowFrame(PanoramaBitmap);
    m_drawingArea->repaint();
}

void TFormMain::Menu_FileWipeClick()
{
    PanoramaBitmap.clear();
    RefreshPanel(false);
    ShowFrame(PanoramaBitmap);
    m_drawingArea->repaint();
}

bool TFormMain::SaveFrameFile(const Bitmap24 &bitmap, const std::string &fileName, bool &confirmOverwrite)
{
    return ::SaveFrameFile(bitmap, fileName, confirmOverwrite, m_services, StopRequested, m_jpegOptions)
        == SaveOutcome::Written;
}

void TFormMain::Menu_FileSaveAsClick()
{
    StopRequested = true;
    const std::string fileName = m_services.savePictureFile("Enregistrer Image", pictureDialogFilter());
    if (fileName.empty())
        return;
    bool confirmOverwrite = true;
    if (SaveFrameFile(PanoramaBitmap, fileName, confirmOverwrite))
        setStatus("OK!");
}

// ---------------------------------------------------------------- runs

void TFormMain::RunAnimation(bool test)
{
    try {
        ::RunAnimation(PanoramaBitmap, test, *this, StopRequested);
    } catch (const std::exception &e) {
        m_services.errorBox(e.what());
    }
}

SaveOutcome TFormMain::saveFrame(const Bitmap24 &frame, const std::string &fileName, bool &confirmOverwrite)
{
    return ::SaveFrameFile(frame, fileName, confirmOverwrite, m_services, StopRequested, m_jpegOptions);
}

void TFormMain::showFrame(const Bitmap24 &frame)
{
    ShowFrame(frame);
    m_drawingArea->repaint();
}

void TFormMain::processMessages()
{
    m_services.processMessages();
}

void TFormMain::WaitTempo(std::int32_t ms)
{
    if (ms > 0) {
        m_waiting = true;
        Timer1->setInterval(ms);
        Timer1->start();
        while (m_waiting)
            m_services.waitForMessages();
    } else {
        // Zero, and a negative tempo, mean no pause.
        Timer1->stop();
        m_waiting = false;
        m_services.processMessages();
    }
}

void TFormMain::Timer1Timer()
{
    Timer1->stop();
    m_waiting = false;
}

void TFormMain::setVisuMode(bool testOnly)
{
    m_panel.state().CheckBoxVisu = testOnly;
    ApplyPanelState();
}

void TFormMain::showModeless(QWidget *window)
{
    if (window) {
        window->show();
        window->raise();
    }
}

void TFormMain::setStatus(const std::string &text)
{
    StatusBar1Text->setText(qs(text));
}

QString TFormMain::StatusText() const
{
    return StatusBar1Text->text();
}

// ---------------------------------------------------------------- commands

void TFormMain::Menu_FileQuitClick()
{
    StopRequested = true;
    close();
}

void TFormMain::Menu_AnimClick()
{
    Menu_AnimFullScreen->setChecked(IsFullScreen());
    Menu_AnimCenter->setChecked(CenterInWindow);
}

void TFormMain::PopupMenuPopup()
{
    PopupMenu_FullScreen->setChecked(IsFullScreen());
    PopupMenu_Center->setChecked(CenterInWindow);
}

void TFormMain::Menu_AnimStopClick()
{
    StopRequested = true;
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
    CenterInWindow = !CenterInWindow;
    FormResize();
}

void TFormMain::Menu_AnimTestClick()
{
    SpeedButtonTestClick();
}

void TFormMain::Menu_AnimCreateClick()
{
    StopRequested = true;
    LeaveFullScreen();
    setVisuMode(false);
}

void TFormMain::Menu_AnimVerifyClick()
{
    setVisuMode(false);
    showModeless(m_windows.View);
}

void TFormMain::Menu_OptionsJpegClick()
{
    SpeedButtonOpJPGClick();
}

void TFormMain::Menu_OptionsDefaultClick()
{
    RefreshPanel(true);
}

void TFormMain::Menu_OptionsShowPanelClick()
{
    ScrollBox1->setHidden(!ScrollBox1->isHidden());
    FormResize();
}

void TFormMain::Menu_OptionsTempoClick()
{
    const std::string text = m_services.inputBox("Visualisation", "Temporisation (ms):", std::to_string(Tempo));
    Tempo = parseInt32(text).value_or(100);
}

void TFormMain::Menu_HelpHelpClick()
{
    showModeless(m_windows.Help);
}

void TFormMain::Menu_HelpAboutClick()
{
    if (m_windows.About)
        m_windows.About->exec();
}

void TFormMain::SpeedButtonTestClick()
{
    setVisuMode(true);
    RunAnimation(true);
}

void TFormMain::SpeedButtonCreateClick()
{
    setVisuMode(false);
    if (m_panel.state().RadioGroupFormat == FormatAvi) {
        ShowError(m_services, "La création de fichiers AVI n'est pas disponible dans cette version");
        return;
    }
    RunAnimation(false);
}

void TFormMain::SpeedButtonVerifyClick()
{
    setVisuMode(true);
    showModeless(m_windows.View);
}

void TFormMain::SpeedButtonStopClick()
{
    StopRequested = true;
}

void TFormMain::SpeedButtonFilenameClick()
{
    tanimprm prm;
    ReadSettings(prm);
    setStatus(prm.FileName);
}

void TFormMain::SpeedButtonDefaultClick()
{
    RefreshPanel(true);
}

void TFormMain::SpeedButtonOpJPGClick()
{
    showModeless(m_windows.OpJpeg);
}

void TFormMain::SpeedButtonOpAVIClick()
{
    showModeless(m_windows.OpAvi);
}

void TFormMain::SpeedButtonCopyClick()
{
    std::string folder = m_services.chooseFolder("Choisir le dossier d'enregistrement", m_panel.state().EditCopy);
    if (folder.empty())
        return;
    if (folder.back() != '/')
        folder += '/';
    if (!EnsureFolder(folder, m_services, m_panel.programFolder()))
        return;
    m_panel.state().EditCopy = folder;
    ApplyPanelState();
}
