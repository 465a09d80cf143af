#include "app/ui/CommandPanel.h"

#include "common/Bitmap24.h"
#include "output/EnsureFolder.h"
#include "platform/MessageLanguage.h"
#include "platform/WindowServices.h"
#include "platform/ui/ControlNames.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

constexpr int kPanelWidth = 245;

QString qs(const std::string &s)
{
    return QString::fromStdString(s);
}

} // namespace

CommandPanel::CommandPanel(WindowServices &services, const std::string &programFolder, QWidget *parent)
    : QScrollArea(parent)
    , m_services(services)
    , m_rules(services, programFolder)
    , BrowseForFolder1(services, services)
{
    setObjectName(QStringLiteral("ScrollBox1"));
    createControls();
    bindControls();
    m_rules.onStateChanged = [this] { ApplyPanelState(); };
}

void CommandPanel::createControls()
{
    setFixedWidth(kPanelWidth);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);

    PanelAnim = new QWidget;
    // A small font, so that every caption fits the panel's fixed width.
    QFont panelFont = PanelAnim->font();
    panelFont.setPixelSize(11);
    PanelAnim->setFont(panelFont);
    auto *panel = new QVBoxLayout(PanelAnim);
    panel->setContentsMargins(2, 2, 2, 2);
    panel->setSpacing(4);

    auto newButton = [this](const QString &caption) {
        auto *b = new QPushButton(caption, PanelAnim);
        b->setAutoDefault(false);
        return b;
    };
    auto newCheck = [this](const QString &caption) { return new QCheckBox(caption, PanelAnim); };

    // Source picture.
    GroupBoxSrc = new QGroupBox(tr("Fichier Source Panorama:"), PanelAnim);
    auto *src = new QGridLayout(GroupBoxSrc);
    SpeedButtonSrcName = new QToolButton(GroupBoxSrc);
    SpeedButtonSrcName->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    SpeedButtonSrcName->setToolTip(tr("Ouvrir..."));
    EditSrcName = new QLineEdit(GroupBoxSrc);
    EditSrcName->setReadOnly(true);
    LabelSrcDim = new QLabel(GroupBoxSrc);
    src->addWidget(SpeedButtonSrcName, 0, 0);
    src->addWidget(EditSrcName, 0, 1);
    src->addWidget(LabelSrcDim, 1, 0, 1, 2);
    panel->addWidget(GroupBoxSrc);

    // Frame size and scrolling: width and height on one row, the step beside
    // the scroll-type group, the three options in two rows.
    GroupBoxAnim = new QGroupBox(tr("Dimensions des Images de  l'Animation:"), PanelAnim);
    auto *anim = new QGridLayout(GroupBoxAnim);
    Label1 = new QLabel(tr("Largeur: "), GroupBoxAnim);
    Label2 = new QLabel(tr("Hauteur:"), GroupBoxAnim);
    EditFrameWidth = new QLineEdit(GroupBoxAnim);
    EditFrameHeight = new QLineEdit(GroupBoxAnim);
    Label1->setBuddy(EditFrameWidth);
    Label2->setBuddy(EditFrameHeight);
    anim->addWidget(Label1, 0, 0);
    anim->addWidget(EditFrameWidth, 0, 1);
    anim->addWidget(Label2, 0, 2);
    anim->addWidget(EditFrameHeight, 0, 3);
    RadioGroupScrollType = new QGroupBox(tr("Défilement:"), GroupBoxAnim);
    auto *scroll = new QGridLayout(RadioGroupScrollType);
    m_scrollTypeButtons = new QButtonGroup(this);
    const QString scrollItems[] = { tr("Horizontal"), tr("Vertical") };
    for (int i = 0; i < 2; ++i) {
        auto *radio = new QRadioButton(scrollItems[i], RadioGroupScrollType);
        m_scrollTypeButtons->addButton(radio, i);
        scroll->addWidget(radio, 0, i);
    }
    EditStep = new QLineEdit(GroupBoxAnim);
    EditStep->setToolTip(tr("Pas (pixels)"));
    EditStep->setAccessibleName(tr("Pas"));
    EditStep->setMaximumWidth(40);
    anim->addWidget(RadioGroupScrollType, 1, 0, 1, 3);
    anim->addWidget(EditStep, 1, 3, Qt::AlignBottom);
    CheckBoxScrollDirection = newCheck(tr("G->D / H->B"));
    CheckBoxScrollBack = newCheck(tr("Aller et Retour"));
    CheckBoxCenter = newCheck(tr("Centrer l'Image"));
    CheckBoxLoop360 = newCheck(tr("Panorama 360° (boucle)"));
    CheckBoxLoop360->setAccessibleName(tr("Panorama 360° (boucle)"));
    CheckBoxLoop360->setToolTip(tr("Le panorama fait un tour complet : l'animation boucle sans raccord"));
    anim->addWidget(CheckBoxScrollDirection, 2, 0, 1, 2);
    anim->addWidget(CheckBoxScrollBack, 2, 2, 1, 2);
    anim->addWidget(CheckBoxCenter, 3, 0, 1, 4);
    anim->addWidget(CheckBoxLoop360, 4, 0, 1, 4);
    LabelRunLength = new QLabel(GroupBoxAnim);
    LabelRunLength->setObjectName(QStringLiteral("LabelRunLength"));
    anim->addWidget(LabelRunLength, 5, 0, 1, 4);
    panel->addWidget(GroupBoxAnim);

    // Output: each check box on the row of the field it governs.
    GroupBoxSave = new QGroupBox(tr("Enregistrement:"), PanelAnim);
    auto *save = new QGridLayout(GroupBoxSave);
    CheckBoxCopy = newCheck(tr("Déplacer vers:"));
    SpeedButtonCopy = new QToolButton(GroupBoxSave);
    SpeedButtonCopy->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    SpeedButtonCopy->setAccessibleName(tr("Choisir le dossier"));
    EditCopy = new QLineEdit(GroupBoxSave);
    CheckBoxSubDir = newCheck(tr("Sous Répertoire:"));
    EditSubDir = new QLineEdit(GroupBoxSave);
    CheckBoxRename = newCheck(tr("Renommer:"));
    EditDstName = new QLineEdit(GroupBoxSave);
    GroupBox1 = new QGroupBox(tr("ReNuméroter à partir de:"), GroupBoxSave);
    auto *numbering = new QHBoxLayout(GroupBox1);
    EditNumStart = new QLineEdit(GroupBox1);
    EditNumStart->setMaximumWidth(60);
    CheckBoxFormat = new QCheckBox(tr("Numérotation Formatée "), GroupBox1);
    numbering->addWidget(EditNumStart);
    numbering->addWidget(CheckBoxFormat);
    RadioGroupFormat = new QGroupBox(tr("Format d'Enregistrement:"), GroupBoxSave);
    auto *format = new QGridLayout(RadioGroupFormat);
    m_formatButtons = new QButtonGroup(this);
    const QString formatItems[]
        = { QStringLiteral("BMP"), QStringLiteral("JPG"), QStringLiteral("AVI"), QStringLiteral("PNG"), tr("Vidéo") };
    for (int i = 0; i < 5; ++i) {
        auto *radio = new QRadioButton(formatItems[i], RadioGroupFormat);
        m_formatButtons->addButton(radio, i);
        format->addWidget(radio, i / 3, i % 3); // three columns
    }
    SpeedButtonOpJPG = newButton(tr("Options JPEG"));
    SpeedButtonOpAVI = newButton(tr("Options AVI"));
    SpeedButtonOpVideo = newButton(tr("Options Vidéo"));
    save->addWidget(CheckBoxCopy, 0, 0);
    save->addWidget(SpeedButtonCopy, 0, 1, Qt::AlignRight);
    save->addWidget(EditCopy, 1, 0, 1, 2);
    save->addWidget(CheckBoxSubDir, 2, 0);
    save->addWidget(EditSubDir, 2, 1);
    save->addWidget(CheckBoxRename, 3, 0);
    save->addWidget(EditDstName, 3, 1);
    save->addWidget(GroupBox1, 4, 0, 1, 2);
    save->addWidget(RadioGroupFormat, 5, 0, 1, 2);
    save->addWidget(SpeedButtonOpJPG, 6, 0);
    save->addWidget(SpeedButtonOpAVI, 6, 1);
    save->addWidget(SpeedButtonOpVideo, 7, 0, 1, 2);
    panel->addWidget(GroupBoxSave);
    // A field without a label of its own is named after what introduces it.
    const std::pair<QLineEdit *, QString> fieldNames[] = { { EditSrcName, tr("Fichier Source Panorama:") },
        { EditCopy, tr("Déplacer vers:") }, { EditSubDir, tr("Sous Répertoire:") }, { EditDstName, tr("Renommer:") },
        { EditNumStart, tr("ReNuméroter à partir de:") } };
    for (const auto &[field, name] : fieldNames)
        field->setAccessibleName(name);

    // Runs.
    auto *runs = new QGridLayout;
    SpeedButtonTest = newButton(tr("Tester"));
    SpeedButtonCreate = newButton(tr("Créer"));
    SpeedButtonVerify = newButton(tr("Vérifier"));
    SpeedButtonOpenFolder = newButton(tr("Ouvrir le dossier"));
    SpeedButtonOpenFolder->setAccessibleName(tr("Ouvrir le dossier"));
    SpeedButtonOpenFolder->setToolTip(tr("Ouvre dans le gestionnaire de fichiers le dossier de la dernière création"));
    SpeedButtonStop = newButton(tr("STOP"));
    runs->addWidget(SpeedButtonTest, 0, 0);
    runs->addWidget(SpeedButtonCreate, 0, 1);
    runs->addWidget(SpeedButtonVerify, 1, 0);
    runs->addWidget(SpeedButtonOpenFolder, 1, 1);
    runs->addWidget(SpeedButtonStop, 2, 0, 1, 2);
    panel->addLayout(runs);
    CheckBoxVisu = newCheck(tr("Visualisation sans sauvegarde"));
    CheckBoxVisu->setEnabled(false); // a mode indicator set by the run commands
    panel->addWidget(CheckBoxVisu);
    SpeedButtonFilename = newButton(tr("Tester le Nom de Fichier"));
    SpeedButtonDefault = newButton(tr("Revenir aux Valeurs par Défaut"));
    panel->addWidget(SpeedButtonFilename);
    panel->addWidget(SpeedButtonDefault);
    panel->addStretch();

    // Edits may shrink: the captions, not the fields, set the panel's width.
    for (QLineEdit *edit : PanelAnim->findChildren<QLineEdit *>())
        edit->setMinimumWidth(30);
    for (QGroupBox *box : PanelAnim->findChildren<QGroupBox *>()) {
        box->layout()->setContentsMargins(3, 2, 3, 3);
        box->layout()->setSpacing(3);
        box->setAccessibleName(box->title()); // else a group inside a group takes the outer one's title
    }
    setWidget(PanelAnim);
    // 245 pixels, or wider when this platform's fonts need it: the panel
    // scrolls vertically only, so its captions must fit across.
    const int needed
        = PanelAnim->minimumSizeHint().width() + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2 * frameWidth();
    setFixedWidth(std::max(kPanelWidth, needed));

    // Every control answers to its own name (tests, accessibility tools).
    NAME_CONTROLS(PanelAnim, GroupBoxSrc, GroupBoxAnim, GroupBoxSave, GroupBox1, SpeedButtonSrcName, SpeedButtonCopy,
        EditSrcName, EditFrameWidth, EditFrameHeight, EditStep, EditCopy, EditSubDir, EditDstName, EditNumStart,
        LabelSrcDim, Label1, Label2, RadioGroupScrollType, RadioGroupFormat, CheckBoxScrollDirection,
        CheckBoxScrollBack, CheckBoxCenter, CheckBoxCopy, CheckBoxSubDir, CheckBoxRename, CheckBoxFormat, CheckBoxVisu,
        SpeedButtonOpJPG, SpeedButtonOpAVI, SpeedButtonTest, SpeedButtonCreate, SpeedButtonVerify, SpeedButtonStop,
        SpeedButtonFilename, SpeedButtonDefault, CheckBoxLoop360, SpeedButtonOpVideo, SpeedButtonOpenFolder);
}

void CommandPanel::bindControls()
{
    auto bindText = [this](QLineEdit *edit, std::string PanelState::*field) {
        connect(edit, &QLineEdit::textEdited, this,
            [this, field](const QString &text) { m_rules.state().*field = text.toStdString(); });
    };
    bindText(EditFrameWidth, &PanelState::EditFrameWidth);
    bindText(EditFrameHeight, &PanelState::EditFrameHeight);
    for (QLineEdit *size : { EditFrameWidth, EditFrameHeight })
        connect(size, &QLineEdit::textEdited, this, [this] { m_rules.state().FrameSizeFollowsPicture = false; });
    bindText(EditStep, &PanelState::EditStep);
    bindText(EditCopy, &PanelState::EditCopy);
    bindText(EditSubDir, &PanelState::EditSubDir);
    bindText(EditDstName, &PanelState::EditDstName);
    bindText(EditNumStart, &PanelState::EditNumStart);
    auto bindCheck = [this](QCheckBox *check, bool PanelState::*field) {
        connect(check, &QCheckBox::toggled, this, [this, field](bool on) { m_rules.state().*field = on; });
    };
    bindCheck(CheckBoxScrollDirection, &PanelState::CheckBoxScrollDirection);
    bindCheck(CheckBoxScrollBack, &PanelState::CheckBoxScrollBack);
    bindCheck(CheckBoxCenter, &PanelState::CheckBoxCenter);
    bindCheck(CheckBoxLoop360, &PanelState::CheckBoxLoop360);
    connect(CheckBoxLoop360, &QCheckBox::toggled, this, [this](bool on) { CheckBoxScrollBack->setEnabled(!on); });
    bindCheck(CheckBoxCopy, &PanelState::CheckBoxCopy);
    bindCheck(CheckBoxSubDir, &PanelState::CheckBoxSubDir);
    bindCheck(CheckBoxRename, &PanelState::CheckBoxRename);
    bindCheck(CheckBoxFormat, &PanelState::CheckBoxFormat);

    // The state, not the click: a choice made from the keyboard or through
    // the accessibility bus checks the button without clicking it.
    connect(m_scrollTypeButtons, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (!checked)
            return;
        m_rules.setScrollType(id);
        ApplyPanelState();
    });
    connect(m_formatButtons, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (!checked)
            return;
        m_rules.setFormat(id);
        ApplyPanelState();
    });

    connect(SpeedButtonCopy, &QToolButton::clicked, this, &CommandPanel::ChooseFolder);

    // After the state took the edit: what a run would make is shown anew.
    for (QLineEdit *edit : { EditFrameWidth, EditFrameHeight, EditStep })
        connect(edit, &QLineEdit::textEdited, this, &CommandPanel::settingsChanged);
    for (QCheckBox *check : { CheckBoxScrollDirection, CheckBoxScrollBack, CheckBoxCenter, CheckBoxLoop360 })
        connect(check, &QCheckBox::toggled, this, &CommandPanel::settingsChanged);
}

void CommandPanel::ApplyPanelState()
{
    const PanelState &s = m_rules.state();
    const QSignalBlocker blockers[] = { QSignalBlocker(CheckBoxScrollDirection), QSignalBlocker(CheckBoxScrollBack),
        QSignalBlocker(CheckBoxCenter), QSignalBlocker(CheckBoxCopy), QSignalBlocker(CheckBoxSubDir),
        QSignalBlocker(CheckBoxRename), QSignalBlocker(CheckBoxFormat), QSignalBlocker(CheckBoxLoop360),
        QSignalBlocker(m_scrollTypeButtons), QSignalBlocker(m_formatButtons) };
    emit captionChanged(qs(s.Caption));
    auto setText = [](QLineEdit *edit, const std::string &text) {
        const QString value = qs(text);
        if (edit->text() != value)
            edit->setText(value);
    };
    setText(EditSrcName, s.EditSrcName);
    LabelSrcDim->setText(InterfaceText(s.LabelSrcDim));
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
    CheckBoxLoop360->setChecked(s.CheckBoxLoop360);
    CheckBoxScrollBack->setEnabled(!s.CheckBoxLoop360); // a loop has no return pass
    CheckBoxCopy->setChecked(s.CheckBoxCopy);
    CheckBoxSubDir->setChecked(s.CheckBoxSubDir);
    CheckBoxRename->setChecked(s.CheckBoxRename);
    CheckBoxFormat->setChecked(s.CheckBoxFormat);
    CheckBoxVisu->setChecked(s.CheckBoxVisu);
    SpeedButtonTest->setEnabled(s.SpeedButtonTestEnabled);
    SpeedButtonCreate->setEnabled(s.SpeedButtonCreateEnabled);
    SpeedButtonVerify->setEnabled(s.SpeedButtonVerifyEnabled);
    SpeedButtonOpenFolder->setEnabled(s.SpeedButtonOpenFolderEnabled);
    GroupBoxAnim->setVisible(s.GroupBoxAnimVisible);
    GroupBoxSave->setVisible(s.GroupBoxSaveVisible);
    emit settingsChanged();
}

void CommandPanel::RefreshPanel(bool resetDefaults, const Bitmap24 &panorama)
{
    m_rules.RefreshPanel(resetDefaults, panorama.width(), panorama.height());
    ApplyPanelState();
}

void CommandPanel::setVisuMode(bool testOnly)
{
    m_rules.state().CheckBoxVisu = testOnly;
    ApplyPanelState();
}

void CommandPanel::ChooseFolder()
{
    namespace fs = std::filesystem;
    std::string text = m_rules.state().EditCopy;
    const std::string before = text;
    // Offers to create the folder; the answer does not stop the choice.
    EnsureFolder(text, m_services, m_rules.programFolder());
    BrowseForFolder1.EditBox = false;
    BrowseForFolder1.Title.clear();
    BrowseForFolder1.Path = text.size() > 1 && text.back() == '/' ? text.substr(0, text.size() - 1) : text;
    std::error_code ec;
    if (BrowseForFolder1.Execute()) {
        text = BrowseForFolder1.Path;
        if (!text.empty() && !fs::exists(text, ec))
            fs::create_directories(text, ec); // checked below, by the folder's existence
    } else {
        text = before;
    }
    if (!text.empty() && text.back() != '/')
        text += '/';
    if (!fs::is_directory(text, ec))
        return;
    m_rules.state().EditCopy = text;
    ApplyPanelState();
}
