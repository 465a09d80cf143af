#include "anim/ui/TFormOpCamera.h"

#include "anim/SphereChoices.h"

#include "output/EnsureFolder.h"
#include "platform/MessageLanguage.h"
#include "platform/WindowServices.h"
#include "platform/ui/ControlNames.h"
#include "platform/ui/Mnemonics.h"
#include "platform/ui/WindowKeys.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

QString qs(const std::string &text)
{
    return QString::fromStdString(text);
}

constexpr const char *kMusicFilter
    = QT_TRANSLATE_NOOP("TFormOpCamera", "Sons (*.mp3 *.m4a *.aac *.ogg *.opus *.flac *.wav);;Tous les fichiers (*)");

} // namespace

TFormOpCamera::TFormOpCamera(CameraChoices &choices, WindowServices &services, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_choices(choices)
    , m_services(services)
    , m_shown(choices)
{
    setWindowTitle(tr("Options Caméra"));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    layout->addLayout(form);
    ComboOutputSize = new QComboBox(this);
    for (const OutputSizeEntry &entry : CameraOutputSizes())
        ComboOutputSize->addItem(InterfaceText(entry.caption)); // engine texts
    EditOutputWidth = new QLineEdit(this);
    EditOutputHeight = new QLineEdit(this);
    EditDuration = new QLineEdit(this);
    EditDuration->setPlaceholderText(tr("selon le pas"));
    EditHold = new QLineEdit(this);
    ComboProjection = new QComboBox(this);
    for (const char *caption : ProjectionCaptions())
        ComboProjection->addItem(InterfaceText(caption));
    ComboView = new QComboBox(this);
    for (const char *caption : ViewCaptions())
        ComboView->addItem(InterfaceText(caption));
    EditFov = new QLineEdit(this);
    EditPitch = new QLineEdit(this);
    for (QLineEdit *edit : { EditFov, EditPitch })
        edit->setPlaceholderText(tr("selon la vue"));
    LabelProjection = new QLabel(this);
    LabelProjection->setWordWrap(true);
    CheckSmooth = new QCheckBox(tr("Mouvement adouci"), this);
    ButtonMusic = new QPushButton(tr("Musique..."), this);
    LabelMusic = new QLabel(this);
    LabelPass = new QLabel(this);
    LabelPass->setWordWrap(true);
    ButtonClose = new QPushButton(tr("Ok.."), this);
    ButtonCancel = new QPushButton(tr("Annuler"), this);
    for (QPushButton *b : { ButtonMusic, ButtonClose, ButtonCancel })
        b->setAutoDefault(false);

    const std::pair<QWidget *, const char *> rows[] = { { ComboOutputSize, QT_TR_NOOP("Taille de sortie:") },
        { EditOutputWidth, QT_TR_NOOP("Largeur de sortie:") }, { EditOutputHeight, QT_TR_NOOP("Hauteur de sortie:") },
        { EditDuration, QT_TR_NOOP("Durée d'un passage (s):") }, { EditHold, QT_TR_NOOP("Pause aux extrémités (s):") },
        { ComboProjection, QT_TR_NOOP("Projection du panorama:") }, { ComboView, QT_TR_NOOP("Vue:") },
        { EditFov, QT_TR_NOOP("Champ de vision (°):") }, { EditPitch, QT_TR_NOOP("Inclinaison (°):") } };
    const auto addRow = [&](QWidget *field, const char *caption) {
        auto *label = new QLabel(tr(caption), this);
        label->setBuddy(field);
        field->setAccessibleName(label->text().chopped(1));
        form->addRow(label, field);
    };
    for (std::size_t i = 0; i < 5; ++i)
        addRow(rows[i].first, rows[i].second);
    CheckSmooth->setAccessibleName(CheckSmooth->text());
    form->addRow(CheckSmooth);
    ButtonMusic->setAccessibleName(tr("Musique"));
    LabelMusic->setAccessibleName(tr("Musique choisie"));
    form->addRow(ButtonMusic, LabelMusic);
    // The view of a 360° panorama, below the camera's move.
    for (std::size_t i = 5; i < std::size(rows); ++i)
        addRow(rows[i].first, rows[i].second);
    LabelProjection->setAccessibleName(tr("Projection"));
    form->addRow(LabelProjection);
    LabelPass->setAccessibleName(tr("Passage"));
    layout->addWidget(LabelPass);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonClose);
    buttons->addWidget(ButtonCancel);
    layout->addLayout(buttons);
    NAME_CONTROLS(ComboOutputSize, EditOutputWidth, EditOutputHeight, EditDuration, EditHold, CheckSmooth, ButtonMusic,
        LabelMusic, ComboProjection, ComboView, EditFov, EditPitch, LabelProjection, LabelPass, ButtonClose,
        ButtonCancel);

    connect(ComboOutputSize, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0)
            return;
        m_choices.OutputSize = index;
        updateFields();
    });
    for (const auto &[combo, field] :
        { std::pair { ComboProjection, &CameraChoices::Projection }, std::pair { ComboView, &CameraChoices::View } })
        connect(combo, &QComboBox::currentIndexChanged, this, [this, field](int index) {
            if (index < 0)
                return;
            m_choices.*field = index;
            updateFields();
        });
    const std::pair<QLineEdit *, std::string CameraChoices::*> texts[] = { { EditOutputWidth, &CameraChoices::Width },
        { EditOutputHeight, &CameraChoices::Height }, { EditDuration, &CameraChoices::Duration },
        { EditHold, &CameraChoices::Hold }, { EditFov, &CameraChoices::Fov }, { EditPitch, &CameraChoices::Pitch } };
    for (const auto &[edit, field] : texts)
        connect(edit, &QLineEdit::textChanged, this, [this, field](const QString &text) {
            m_choices.*field = text.toStdString();
            updateFields();
        });
    connect(CheckSmooth, &QCheckBox::toggled, this, [this](bool on) {
        m_choices.Smooth = on;
        updateFields();
    });
    connect(ButtonMusic, &QPushButton::clicked, this, &TFormOpCamera::chooseMusic);
    connect(ButtonClose, &QPushButton::clicked, this, &TFormOpCamera::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &QWidget::close);
    // Keyboard use as in the other options windows: Escape is "Annuler",
    // Enter is "Ok..", Alt + a letter reaches each field.
    new WindowKeys(this, ButtonClose);
    QString mnemonics;
    AssignMnemonics(this, mnemonics);
    showValues();
}

void TFormOpCamera::showValues()
{
    m_shown = m_choices;
    const QSignalBlocker blockers[] = { QSignalBlocker(ComboOutputSize), QSignalBlocker(EditOutputWidth),
        QSignalBlocker(EditOutputHeight), QSignalBlocker(EditDuration), QSignalBlocker(EditHold),
        QSignalBlocker(CheckSmooth), QSignalBlocker(ComboProjection), QSignalBlocker(ComboView),
        QSignalBlocker(EditFov), QSignalBlocker(EditPitch) };
    ComboOutputSize->setCurrentIndex(std::clamp(m_choices.OutputSize, 0, kCustomOutputSize));
    EditOutputWidth->setText(qs(m_choices.Width));
    EditOutputHeight->setText(qs(m_choices.Height));
    EditDuration->setText(qs(m_choices.Duration));
    EditHold->setText(qs(m_choices.Hold));
    CheckSmooth->setChecked(m_choices.Smooth);
    ComboProjection->setCurrentIndex(std::clamp<int>(m_choices.Projection, ProjectionFlat, ProjectionEquirectangular));
    ComboView->setCurrentIndex(std::clamp<int>(m_choices.View, ViewFlat, ViewLittlePlanet));
    EditFov->setText(qs(m_choices.Fov));
    EditPitch->setText(qs(m_choices.Pitch));
    updateFields();
}

void TFormOpCamera::showOfferedProjection()
{
    m_shown.Projection = m_choices.Projection;
    const QSignalBlocker blocker(ComboProjection);
    ComboProjection->setCurrentIndex(std::clamp<int>(m_choices.Projection, ProjectionFlat, ProjectionEquirectangular));
    updateFields();
}

void TFormOpCamera::updateFields()
{
    const bool custom = m_choices.OutputSize == kCustomOutputSize;
    EditOutputWidth->setEnabled(custom);
    EditOutputHeight->setEnabled(custom);
    ButtonMusic->setEnabled(videoOutput && videoOutput());
    LabelMusic->setText(m_choices.AudioFile.empty() ? tr("(aucune)") : QFileInfo(qs(m_choices.AudioFile)).fileName());
    LabelMusic->setToolTip(qs(m_choices.AudioFile));
    // A flat picture has no view: its fields wait for a sphere.
    const bool sphere = m_choices.Projection != ProjectionFlat;
    ComboView->setEnabled(sphere);
    EditFov->setEnabled(sphere && m_choices.View != ViewFlat);
    EditPitch->setEnabled(sphere && m_choices.View != ViewFlat);
    LabelProjection->setText(describeProjection ? InterfaceText(describeProjection()) : QString());
    std::string error;
    const std::optional<CameraMove> move = CameraFromChoices(m_choices, error);
    if (!move)
        LabelPass->setText(InterfaceText(error));
    else if (const std::string problem = sphereProblem ? sphereProblem() : std::string(); !problem.empty())
        LabelPass->setText(InterfaceText(problem));
    else
        LabelPass->setText(describePass ? InterfaceText(describePass(*move)) : QString());
    emit choicesChanged();
}

void TFormOpCamera::accept()
{
    std::string error;
    if (!CameraFromChoices(m_choices, error)) {
        ShowError(m_services, error); // as the panel says its refusals
        return; // the window stays, with the value to correct
    }
    if (const std::string problem = sphereProblem ? sphereProblem() : std::string(); !problem.empty()) {
        ShowError(m_services, problem);
        return;
    }
    hide(); // hiding the window is not closing it: the changes stay
}

void TFormOpCamera::chooseMusic()
{
    const std::string file = m_services.openPictureFile(tr("Musique").toStdString(), tr(kMusicFilter).toStdString());
    if (file.empty())
        return; // cancelled: the music stays as it was
    m_choices.AudioFile = file;
    updateFields();
}

void TFormOpCamera::showEvent(QShowEvent *event)
{
    if (!event->spontaneous()) // shown by the program, not restored from an icon
        showValues();
    QWidget::showEvent(event);
}

void TFormOpCamera::closeEvent(QCloseEvent *event)
{
    // "Annuler", Escape and the close box: the choices as they were shown.
    if (isVisible()) {
        m_choices = m_shown;
        showValues();
    }
    QWidget::closeEvent(event);
}
