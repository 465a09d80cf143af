#include "video/AviCompressionDialog.h"

#include "video/AviCompressors.h"
#include "video/FourCC.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

#include <algorithm>

namespace {

constexpr int kHandlerRole = Qt::UserRole;
constexpr int kFlagsRole = Qt::UserRole + 1;
// What a compressor has use for, as the flags of its entry.
constexpr unsigned kQuality = 0x1, kDataRate = 0x2, kKeyFrames = 0x4;
constexpr int kMaxQuality = 10000;
constexpr int kDefaultDataRate = 300; // Ko/s, shown while no data rate is set

// A field with its label, the label naming it for assistive technology too.
QLabel *labelFor(QWidget *field, const QString &text)
{
    auto *label = new QLabel(text);
    label->setBuddy(field);
    field->setAccessibleName(QString(text).remove(QLatin1Char('&')).remove(QLatin1Char(':')).trimmed());
    return label;
}

} // namespace

AviCompressionDialog::AviCompressionDialog(const AviCompression &options, QWidget *parent)
    : QDialog(parent)
    , m_compressor(new QComboBox(this))
    , m_qualitySlider(new QSlider(Qt::Horizontal, this))
    , m_quality(new QSpinBox(this))
    , m_keyFrames(new QSpinBox(this))
    , m_dataRateOn(new QCheckBox(QStringLiteral("&Débit (Ko/s) :"), this))
    , m_dataRate(new QSpinBox(this))
{
    setWindowTitle(QStringLiteral("Compression vidéo"));

    m_compressor->addItem(QStringLiteral("Sans Compression"), 0u);
    m_compressor->setItemData(0, 0u, kFlagsRole);
    for (const AviCompressor &c : AviCompressors()) {
        m_compressor->addItem(QStringLiteral("%1 - %2").arg(
                                  QString::fromStdString(fourccText(c.code)), QString::fromStdString(c.description)),
            c.code);
        const unsigned flags
            = (c.hasQuality ? kQuality : 0) | (c.takesDataRate ? kDataRate : 0) | (c.temporal ? kKeyFrames : 0);
        m_compressor->setItemData(m_compressor->count() - 1, flags, kFlagsRole);
        if (options.compressor != 0 && fourccUpper(c.code) == fourccUpper(options.compressor))
            m_compressor->setCurrentIndex(m_compressor->count() - 1);
    }

    m_qualitySlider->setRange(0, kMaxQuality);
    m_qualitySlider->setPageStep(500);
    m_qualitySlider->setAccessibleName(QStringLiteral("Curseur de qualité"));
    m_quality->setRange(0, kMaxQuality);
    m_quality->setSingleStep(100);
    connect(m_qualitySlider, &QSlider::valueChanged, m_quality, &QSpinBox::setValue);
    connect(m_quality, &QSpinBox::valueChanged, m_qualitySlider, &QSlider::setValue);
    m_quality->setValue(int(std::min<std::uint32_t>(options.quality, kMaxQuality)));

    m_keyFrames->setRange(0, 100000);
    m_keyFrames->setSpecialValueText(QStringLiteral("défaut"));
    connect(m_keyFrames, &QSpinBox::valueChanged, this,
        [this](int n) { m_keyFrames->setSuffix(n > 1 ? QStringLiteral(" images") : QStringLiteral(" image")); });
    m_keyFrames->setValue(int(std::min<std::uint32_t>(options.keyFrameEvery, 100000)));

    m_dataRate->setRange(1, 1000000);
    m_dataRate->setAccessibleName(QStringLiteral("Débit (Ko/s)"));
    const bool dataRate = options.bytesPerSecond > 0;
    m_dataRateOn->setChecked(dataRate);
    m_dataRate->setValue(
        dataRate ? int(std::max<std::uint32_t>(1, (options.bytesPerSecond + 512) / 1024)) : kDefaultDataRate);
    connect(m_dataRateOn, &QCheckBox::toggled, this, &AviCompressionDialog::compressorChanged);

    auto *form = new QFormLayout(this);
    form->addRow(labelFor(m_compressor, QStringLiteral("&Compresseur :")), m_compressor);
    auto *qualityRow = new QHBoxLayout;
    qualityRow->addWidget(m_qualitySlider, 1);
    qualityRow->addWidget(m_quality);
    form->addRow(labelFor(m_quality, QStringLiteral("&Qualité (0 à 10000) :")), qualityRow);
    form->addRow(labelFor(m_keyFrames, QStringLiteral("&Image clé toutes les :")), m_keyFrames);
    form->addRow(m_dataRateOn, m_dataRate);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);

    connect(m_compressor, &QComboBox::currentIndexChanged, this, &AviCompressionDialog::compressorChanged);
    compressorChanged();
    setMinimumWidth(420);
}

void AviCompressionDialog::compressorChanged()
{
    const std::uint32_t flags = m_compressor->currentData(kFlagsRole).toUInt();
    m_qualitySlider->setEnabled(flags & kQuality);
    m_quality->setEnabled(flags & kQuality);
    m_keyFrames->setEnabled(flags & kKeyFrames);
    m_dataRateOn->setEnabled(flags & kDataRate);
    m_dataRate->setEnabled((flags & kDataRate) && m_dataRateOn->isChecked());
}

AviCompression AviCompressionDialog::choice() const
{
    AviCompression chosen;
    chosen.compressor = m_compressor->currentData(kHandlerRole).toUInt();
    chosen.quality = std::uint32_t(m_quality->value());
    chosen.keyFrameEvery = std::uint32_t(m_keyFrames->value());
    chosen.bytesPerSecond = m_dataRateOn->isChecked() ? std::uint32_t(m_dataRate->value()) * 1024 : 0;
    return chosen;
}

bool runAviCompressionDialog(QWidget *parent, AviCompression &options)
{
    AviCompressionDialog dialog(options, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    options = dialog.choice();
    return true;
}
