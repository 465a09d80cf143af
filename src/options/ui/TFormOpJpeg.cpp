#include "options/ui/TFormOpJpeg.h"

#include "common/Bitmap24.h"
#include "options/JpegOptions.h"
#include "options/JpegPreview.h"
#include "platform/ModalQuestions.h"
#include "platform/ui/ControlNames.h"
#include "platform/ui/Mnemonics.h"
#include "platform/ui/WindowKeys.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QVBoxLayout>

#include <cstdint>
#include <exception>

namespace {

QString u8(const char *s)
{
    return QString::fromUtf8(s);
}

QPixmap toPixmap(const Bitmap24 &bitmap)
{
    if (bitmap.isEmpty())
        return QPixmap();
    return QPixmap::fromImage(
        QImage(bitmap.bits(), bitmap.width(), bitmap.height(), qsizetype(bitmap.stride()), QImage::Format_BGR888));
}

// The item index, or 255 when the text was typed over and names no item.
std::uint8_t itemIndex(const QComboBox *combo)
{
    const int index = combo->findText(combo->currentText(), Qt::MatchExactly);
    return index < 0 ? 255 : std::uint8_t(index);
}

// Digits only; a number outside 5..100 is brought within it when the field
// is left.
class QualityValidator : public QIntValidator {
public:
    explicit QualityValidator(QObject *parent)
        : QIntValidator(5, 100, parent)
    {
    }
    void fixup(QString &input) const override
    {
        if (!input.isEmpty())
            input = QString::number(TypedJpegQuality(input.toStdString(), 5));
    }
};

} // namespace

TFormOpJpeg::TFormOpJpeg(
    TJpegOptions &jpegOptions, const Bitmap24 &displayBitmap, ModalQuestions &questions, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_jpegOptions(jpegOptions)
    , m_shown(jpegOptions)
    , m_display(displayBitmap)
    , m_questions(questions)
{
    setWindowTitle(QStringLiteral("Options Jpeg"));
    createControls();
    new WindowKeys(this, BitBtnOk);
    QString mnemonics;
    AssignMnemonics(this, mnemonics);
    ShowOptions(m_jpegOptions);
}

void TFormOpJpeg::createControls()
{
    auto newImage = [this] {
        auto *image = new QLabel(this);
        image->setFixedSize(kPreviewSide, kPreviewSide);
        image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return image;
    };
    auto newButton = [this](const char *caption, QWidget *parent) {
        auto *b = new QPushButton(u8(caption), parent);
        b->setAutoDefault(false);
        return b;
    };
    ImageSRC = newImage();
    ImageDST = newImage();
    ScrollBarHorz = new QScrollBar(Qt::Horizontal, this);
    ScrollBarVert = new QScrollBar(Qt::Vertical, this);
    ScrollBarHorz->setAccessibleName(u8("Décalage horizontal de l'aperçu"));
    ScrollBarVert->setAccessibleName(u8("Décalage vertical de l'aperçu"));
    for (QScrollBar *bar : { ScrollBarHorz, ScrollBarVert }) {
        bar->setFocusPolicy(Qt::StrongFocus); // the arrow keys pan the preview too
        bar->setRange(0, 100);
        bar->installEventFilter(this);
        connect(bar, &QScrollBar::actionTriggered, this, [this] { m_scrolling = true; });
    }

    Panel1 = new QWidget(this);
    Label1 = new QLabel(u8("Qualité de Compression:"), Panel1);
    EditCompressionQuality = new QLineEdit(Panel1);
    EditCompressionQuality->setMaximumWidth(50);
    EditCompressionQuality->setValidator(new QualityValidator(EditCompressionQuality));
    Label1->setBuddy(EditCompressionQuality);
    SpeedButtonUp = newButton("+", Panel1);
    SpeedButtonDown = newButton("-", Panel1);
    for (QPushButton *b : { SpeedButtonUp, SpeedButtonDown }) {
        b->setFixedWidth(28);
        b->installEventFilter(this);
    }
    // A press without the mouse (keyboard, accessibility) steps as the left button.
    connect(SpeedButtonUp, &QPushButton::clicked, this, [this] { qualityButtonPressed(true, Qt::LeftButton); });
    connect(SpeedButtonDown, &QPushButton::clicked, this, [this] { qualityButtonPressed(false, Qt::LeftButton); });
    CheckBoxProgressiveEncoding = new QCheckBox(u8("Encoder en JPEG Progressif"), Panel1);
    CheckBoxGrayScale = new QCheckBox(u8("Sauver en Niveaux de Gris"), Panel1);
    CheckBoxDisableHorzSubSampling = new QCheckBox(u8("Désactiver le Sous Echantillonage Horizontal"), Panel1);
    CheckBoxDisableVertSubSampling = new QCheckBox(u8("Désactiver le Sous Echantillonage Vertical"), Panel1);
    auto *quality = new QHBoxLayout;
    quality->addWidget(EditCompressionQuality);
    quality->addWidget(SpeedButtonUp);
    quality->addWidget(SpeedButtonDown);
    quality->addStretch();
    auto *panel = new QVBoxLayout(Panel1);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->addWidget(Label1);
    panel->addLayout(quality);
    for (QCheckBox *c : { CheckBoxProgressiveEncoding, CheckBoxGrayScale, CheckBoxDisableHorzSubSampling,
             CheckBoxDisableVertSubSampling })
        panel->addWidget(c);
    panel->addStretch();
    SpeedButtonVoir = newButton(">> Voir   >>", this);

    GroupBox1 = new QGroupBox(u8("Options de Lecture:"), this);
    CheckBoxSmoothing = new QCheckBox(u8("Lissage"), GroupBox1);
    CheckBoxProgressiveDisplay = new QCheckBox(u8("Affichage Progressif"), GroupBox1);
    auto newCombo = [this](std::initializer_list<const char *> items, const char *accessibleName) {
        auto *combo = new QComboBox(GroupBox1);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        for (const char *item : items)
            combo->addItem(u8(item));
        combo->setAccessibleName(u8(accessibleName));
        combo->lineEdit()->setAccessibleName(u8(accessibleName));
        return combo;
    };
    ComboBoxPixelFormat = newCombo({ "24 bits", "8 bits" }, "Format des pixels");
    ComboBoxScale
        = newCombo({ "Pleine Taille", "Demie Taille", "Quart de Taille", "Huitième de Taille" }, "Taille de lecture");
    ComboBoxScale->setEnabled(false);
    ComboBoxPerformance = newCombo({ "Qualité", "Vitesse" }, "Méthode de lecture");
    auto *reading = new QGridLayout(GroupBox1);
    reading->addWidget(CheckBoxSmoothing, 0, 0);
    reading->addWidget(CheckBoxProgressiveDisplay, 1, 0);
    reading->addWidget(ComboBoxPixelFormat, 0, 1);
    reading->addWidget(ComboBoxScale, 1, 1);
    reading->addWidget(ComboBoxPerformance, 2, 1);

    SpeedButtonDefaut = newButton("Défaut", this);
    BitBtnOk = newButton("OK", this);
    BitBtnOk->setDefault(true);
    BitBtnCancel = newButton("Annuler", this);

    auto *grid = new QGridLayout(this);
    grid->addWidget(ImageSRC, 0, 0, Qt::AlignTop);
    grid->addWidget(Panel1, 0, 1);
    grid->addWidget(ImageDST, 0, 2, Qt::AlignTop);
    grid->addWidget(ScrollBarVert, 0, 3);
    grid->addWidget(SpeedButtonVoir, 1, 1);
    grid->addWidget(ScrollBarHorz, 1, 2);
    grid->addWidget(GroupBox1, 2, 0, 1, 2);
    auto *buttons = new QVBoxLayout;
    buttons->addStretch();
    buttons->addWidget(SpeedButtonDefaut);
    buttons->addWidget(BitBtnOk);
    buttons->addWidget(BitBtnCancel);
    grid->addLayout(buttons, 2, 2, 1, 2);
    grid->setColumnStretch(1, 1);

    NAME_CONTROLS(ImageSRC, ImageDST, ScrollBarHorz, ScrollBarVert, Panel1, Label1, EditCompressionQuality,
        SpeedButtonUp, SpeedButtonDown, CheckBoxProgressiveEncoding, CheckBoxGrayScale, CheckBoxDisableHorzSubSampling,
        CheckBoxDisableVertSubSampling, SpeedButtonVoir, GroupBox1, CheckBoxSmoothing, CheckBoxProgressiveDisplay,
        ComboBoxPixelFormat, ComboBoxScale, ComboBoxPerformance, SpeedButtonDefaut, BitBtnOk, BitBtnCancel);

    // Tab follows the columns: compression, the preview's bars, reading, buttons.
    QWidget *const order[] = { EditCompressionQuality, SpeedButtonUp, SpeedButtonDown, CheckBoxProgressiveEncoding,
        CheckBoxGrayScale, CheckBoxDisableHorzSubSampling, CheckBoxDisableVertSubSampling, SpeedButtonVoir,
        ScrollBarHorz, ScrollBarVert, CheckBoxSmoothing, CheckBoxProgressiveDisplay, ComboBoxPixelFormat, ComboBoxScale,
        ComboBoxPerformance, SpeedButtonDefaut, BitBtnOk, BitBtnCancel };
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(SpeedButtonVoir, &QPushButton::clicked, this, &TFormOpJpeg::UpdatePreview);
    connect(SpeedButtonDefaut, &QPushButton::clicked, this, [this] {
        SetDefaults();
        UpdatePreview(); // the "after" picture shows the settings just restored
    });
    // OK keeps what was applied: hiding the window is not closing it.
    connect(BitBtnOk, &QPushButton::clicked, this, [this] {
        ApplyOptions();
        hide();
    });
    connect(BitBtnCancel, &QPushButton::clicked, this, &QWidget::close);
}

void TFormOpJpeg::SetDefaults()
{
    ShowOptions(TJpegOptions {});
    ApplyOptions();
}

void TFormOpJpeg::ShowOptions(const TJpegOptions &o)
{
    EditCompressionQuality->setText(QString::number(o.CompressionQuality));
    CheckBoxProgressiveEncoding->setChecked(o.ProgressiveEncoding);
    CheckBoxGrayScale->setChecked(o.Grayscale);
    CheckBoxDisableHorzSubSampling->setChecked(!o.HorzSubSampling);
    CheckBoxDisableVertSubSampling->setChecked(!o.VertSubSampling);
    CheckBoxSmoothing->setChecked(o.Smoothing);
    CheckBoxProgressiveDisplay->setChecked(o.ProgressiveDisplay);
    const std::pair<QComboBox *, std::uint8_t> combos[] = { { ComboBoxPixelFormat, o.PixelFormat },
        { ComboBoxScale, o.Scale }, { ComboBoxPerformance, o.Performance } };
    for (const auto &[combo, item] : combos) {
        const int index = item < combo->count() ? item : 0; // a text typed over names no item
        combo->setCurrentIndex(index);
        combo->setEditText(combo->itemText(index));
    }
}

void TFormOpJpeg::ApplyOptions()
{
    TJpegOptions &o = m_jpegOptions;
    o.CompressionQuality
        = std::uint8_t(TypedJpegQuality(EditCompressionQuality->text().toStdString(), o.CompressionQuality));
    o.ProgressiveEncoding = CheckBoxProgressiveEncoding->isChecked();
    o.Grayscale = CheckBoxGrayScale->isChecked();
    o.HorzSubSampling = !CheckBoxDisableHorzSubSampling->isChecked();
    o.VertSubSampling = !CheckBoxDisableVertSubSampling->isChecked();
    o.Smoothing = CheckBoxSmoothing->isChecked();
    o.ProgressiveDisplay = CheckBoxProgressiveDisplay->isChecked();
    o.PixelFormat = itemIndex(ComboBoxPixelFormat);
    o.Scale = itemIndex(ComboBoxScale);
    o.Performance = itemIndex(ComboBoxPerformance);
}

void TFormOpJpeg::UpdatePreview()
{
    try {
        const Bitmap24 source = PreviewSource(m_display, kPreviewSide, ScrollBarHorz->value(), ScrollBarVert->value());
        ImageSRC->setPixmap(toPixmap(source));
        ApplyOptions();
        ImageDST->setPixmap(toPixmap(JpegPreview(source, m_jpegOptions)));
    } catch (const std::exception &e) {
        m_questions.errorBox(e.what());
    }
}

void TFormOpJpeg::FormActivate()
{
    if (m_display.isEmpty())
        return;
    ScrollBarHorz->setRange(-m_display.width(), m_display.width());
    ScrollBarVert->setRange(-m_display.height(), m_display.height());
}

void TFormOpJpeg::qualityButtonPressed(bool up, Qt::MouseButtons buttons)
{
    const int quality
        = TypedJpegQuality(EditCompressionQuality->text().toStdString(), m_jpegOptions.CompressionQuality);
    EditCompressionQuality->setText(QString::number(QualityAfterPress(quality, up, buttons & Qt::LeftButton)));
}

void TFormOpJpeg::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return; // restored from an icon: nothing changed
    m_shown = m_jpegOptions;
    ShowOptions(m_jpegOptions);
    UpdatePreview(); // FormShow
}

void TFormOpJpeg::closeEvent(QCloseEvent *event)
{
    // "Annuler", Escape and the close box: the settings as they were shown.
    if (isVisible()) {
        m_jpegOptions = m_shown;
        ShowOptions(m_shown);
    }
    QWidget::closeEvent(event);
}

void TFormOpJpeg::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

bool TFormOpJpeg::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((watched == SpeedButtonUp || watched == SpeedButtonDown)
        && (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        // Once per press: holding the button does not repeat.
        qualityButtonPressed(watched == SpeedButtonUp, mouse->buttons() | mouse->button());
        return true;
    }
    if ((watched == ScrollBarHorz || watched == ScrollBarVert)
        && (type == QEvent::MouseButtonRelease || type == QEvent::KeyRelease || type == QEvent::Wheel)) {
        // The preview follows the end of a scroll, once the bar has handled
        // the event, never each step of a drag or of a held arrow.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_scrolling)
                    return;
                m_scrolling = false;
                UpdatePreview(); // ScrollBarScroll
            },
            Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}
