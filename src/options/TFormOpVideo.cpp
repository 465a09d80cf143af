#include "options/TFormOpVideo.h"

#include "platform/ui/ControlNames.h"
#include "platform/ui/Mnemonics.h"
#include "platform/ui/WindowKeys.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QString u8(const char *text)
{
    return QString::fromUtf8(text);
}

constexpr VideoContainer kContainers[]
    = { VideoContainer::Mp4, VideoContainer::Webm, VideoContainer::Mkv, VideoContainer::Gif, VideoContainer::Webp };
constexpr const char *kContainerNames[] = { "MP4", "WebM", "MKV", "GIF", "WebP" };
constexpr VideoCodec kCodecs[]
    = { VideoCodec::Default, VideoCodec::H264, VideoCodec::H265, VideoCodec::Av1, VideoCodec::Vp9, VideoCodec::Ffv1 };
constexpr const char *kCodecNames[] = { "Par défaut", "H.264", "H.265", "AV1", "VP9", "FFV1 (sans perte)" };
constexpr const char *kQualityIsEffort
    = "WebP sans perte : la qualité règle l'effort de compression (0 rapide, 100 fichier le plus petit)";

} // namespace

TFormOpVideo::TFormOpVideo(TVideoOptions &options, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_options(options)
    , m_shown(options)
{
    setWindowTitle(u8("Options Vidéo"));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    layout->addLayout(form);
    ComboContainer = new QComboBox(this);
    for (const char *name : kContainerNames)
        ComboContainer->addItem(u8(name));
    ComboCodec = new QComboBox(this);
    SpinQuality = new QSpinBox(this);
    SpinQuality->setRange(0, 100);
    SpinKeyInterval = new QSpinBox(this);
    SpinKeyInterval->setRange(0, kMaxKeyInterval);
    SpinKeyInterval->setSpecialValueText(u8("au choix de l'encodeur"));
    SpinRate = new QSpinBox(this);
    SpinRate->setRange(kMinVideoRate, kMaxVideoRate);
    EditPreset = new QLineEdit(this);
    EditPreset->setPlaceholderText(u8("celui de l'encodeur"));
    CheckLossless = new QCheckBox(u8("WebP sans perte"), this);
    ButtonClose = new QPushButton(u8("Ok.."), this);
    ButtonCancel = new QPushButton(u8("Annuler"), this);
    for (QPushButton *b : { ButtonClose, ButtonCancel })
        b->setAutoDefault(false);

    const std::pair<QWidget *, const char *> rows[] = { { ComboContainer, "Conteneur:" }, { ComboCodec, "Codec:" },
        { SpinQuality, "Qualité (0 à 100):" }, { SpinKeyInterval, "Une image clé toutes les (images):" },
        { SpinRate, "Images par seconde:" }, { EditPreset, "Préréglage de vitesse:" } };
    for (const auto &[field, caption] : rows) {
        auto *label = new QLabel(u8(caption), this);
        label->setBuddy(field);
        field->setAccessibleName(u8(caption).chopped(1));
        form->addRow(label, field);
        if (field == SpinQuality)
            LabelQuality = label;
    }
    CheckLossless->setAccessibleName(CheckLossless->text());
    form->addRow(CheckLossless);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonClose);
    buttons->addWidget(ButtonCancel);
    layout->addLayout(buttons);
    NAME_CONTROLS(ComboContainer, ComboCodec, SpinQuality, SpinKeyInterval, SpinRate, EditPreset, CheckLossless,
        LabelQuality, ButtonClose, ButtonCancel);

    connect(ComboContainer, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0 || index >= int(std::size(kContainers)))
            return;
        m_options.Container = kContainers[index];
        if (!ContainerAccepts(m_options.Container, m_options.Codec))
            m_options.Codec = VideoCodec::Default;
        updateFields();
        emit containerChanged();
    });
    connect(ComboCodec, &QComboBox::currentIndexChanged, this, [this](int index) {
        const QVariant codec = ComboCodec->itemData(index);
        if (codec.isValid())
            m_options.Codec = VideoCodec(codec.toInt());
        updateFields();
    });
    connect(SpinQuality, &QSpinBox::valueChanged, this, [this](int value) { m_options.Quality = value; });
    connect(SpinKeyInterval, &QSpinBox::valueChanged, this, [this](int value) { m_options.KeyInterval = value; });
    connect(SpinRate, &QSpinBox::valueChanged, this, [this](int value) { m_options.Rate = value; });
    connect(EditPreset, &QLineEdit::textChanged, this,
        [this](const QString &text) { m_options.Preset = text.trimmed().toStdString(); });
    connect(CheckLossless, &QCheckBox::toggled, this, [this](bool on) {
        m_options.Lossless = on;
        updateFields();
    });
    // OK keeps the changes; hiding the window is not closing it.
    connect(ButtonClose, &QPushButton::clicked, this, &QWidget::hide);
    connect(ButtonCancel, &QPushButton::clicked, this, &QWidget::close);
    // Keyboard use as in the other options windows: Escape is "Annuler",
    // Enter is "Ok..", Alt + a letter reaches each field.
    new WindowKeys(this, ButtonClose);
    QString mnemonics;
    AssignMnemonics(this, mnemonics);
    showValues();
}

void TFormOpVideo::updateFields()
{
    {
        const QSignalBlocker block(ComboCodec);
        ComboCodec->clear();
        for (std::size_t i = 0; i < std::size(kCodecs); ++i)
            if (ContainerAccepts(m_options.Container, kCodecs[i]))
                ComboCodec->addItem(u8(kCodecNames[i]), int(kCodecs[i]));
        ComboCodec->setCurrentIndex(std::max(0, ComboCodec->findData(int(m_options.Codec))));
        ComboCodec->setEnabled(ComboCodec->count() > 1);
    }
    const VideoFieldUse use = FieldsUsedBy(m_options);
    SpinQuality->setEnabled(use.quality);
    SpinKeyInterval->setEnabled(use.keyInterval);
    EditPreset->setEnabled(use.preset);
    CheckLossless->setEnabled(use.lossless);
    const QString effort = use.qualityIsEffort ? u8(kQualityIsEffort) : QString();
    SpinQuality->setToolTip(effort);
    LabelQuality->setToolTip(effort);
    SpinQuality->setAccessibleDescription(effort);
}

void TFormOpVideo::showValues()
{
    m_shown = m_options;
    const QSignalBlocker blockers[]
        = { QSignalBlocker(ComboContainer), QSignalBlocker(SpinQuality), QSignalBlocker(SpinKeyInterval),
              QSignalBlocker(SpinRate), QSignalBlocker(EditPreset), QSignalBlocker(CheckLossless) };
    for (std::size_t i = 0; i < std::size(kContainers); ++i)
        if (kContainers[i] == m_options.Container)
            ComboContainer->setCurrentIndex(int(i));
    SpinQuality->setValue(m_options.Quality);
    SpinKeyInterval->setValue(m_options.KeyInterval);
    SpinRate->setValue(m_options.Rate);
    EditPreset->setText(QString::fromStdString(m_options.Preset));
    CheckLossless->setChecked(m_options.Lossless);
    updateFields();
}

void TFormOpVideo::showEvent(QShowEvent *event)
{
    if (!event->spontaneous()) // shown by the program, not restored from an icon
        showValues();
    QWidget::showEvent(event);
}

void TFormOpVideo::closeEvent(QCloseEvent *event)
{
    // "Annuler", Escape and the close box: the options as they were shown.
    if (isVisible()) {
        const bool containerBack = m_options.Container != m_shown.Container;
        m_options = m_shown;
        showValues();
        if (containerBack)
            emit containerChanged();
    }
    QWidget::closeEvent(event);
}
