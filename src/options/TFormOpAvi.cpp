#include "options/TFormOpAvi.h"

#include "common/TextFormat.h"
#include "platform/ModalQuestions.h"
#include "platform/ui/ControlNames.h"
#include "platform/ui/Mnemonics.h"
#include "platform/ui/WindowKeys.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>

namespace {

QString u8(const std::string &s)
{
    return QString::fromUtf8(s.c_str()); // a list line ends at its first zero character
}

} // namespace

TFormOpAvi::TFormOpAvi(TAviOptions &options, ModalQuestions &questions, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_options(options)
    , m_questions(questions)
{
    setWindowTitle(QStringLiteral("Options Avi:"));
    resize(439, 460);
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);

    auto smallButton = [this] {
        auto *b = new QPushButton(this);
        b->setFixedSize(23, 22);
        b->setAutoDefault(false);
        return b;
    };
    SpeedButtonRate = smallButton();
    SpeedButtonQuality = smallButton();
    SpeedButtonCompressor = smallButton();
    SpeedButtonRate->setAccessibleName(QString::fromUtf8("Images par Seconde"));
    SpeedButtonQuality->setAccessibleName(QString::fromUtf8("Qualité"));
    SpeedButtonCompressor->setAccessibleName(QString::fromUtf8("Ouvrir le compresseur"));
    LabelRate = new QLabel(QStringLiteral("Nbre d'images par seconde: "), this);
    LabelRate->setFixedWidth(217);
    LabelQuality = new QLabel(QStringLiteral("Qualite"), this);
    LabelQuality->setFixedWidth(201);
    SpeedButtonClose = new QPushButton(QStringLiteral("Ok.."), this);
    SpeedButtonClose->setFixedSize(65, 41);
    LabelCompress = new QLabel(QStringLiteral("Choisissez un Compresseur"), this);
    Edit1 = new QLineEdit(QStringLiteral("Edit1"), this);
    Edit1->setEnabled(false);
    Edit1->setFixedWidth(369);
    Edit1->setAccessibleName(QStringLiteral("Compresseur choisi"));
    ListBox1 = new QListWidget(this);
    ListBox1->setMinimumSize(401, 273);
    ListBox1->setUniformItemSizes(true);
    QFont courier(QStringLiteral("Courier"));
    courier.setStyleHint(QFont::TypeWriter);
    courier.setFixedPitch(true);
    courier.setPixelSize(11);
    ListBox1->setFont(courier);
    ListBox1->setAccessibleName(QStringLiteral("Choisissez un Compresseur"));
    // Only a press of the mouse chooses: keyboard moves change nothing.
    ListBox1->viewport()->installEventFilter(this);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);

    auto *layout = new QGridLayout(this);
    layout->addWidget(SpeedButtonRate, 0, 0);
    layout->addWidget(LabelRate, 0, 1);
    layout->addWidget(SpeedButtonClose, 0, 2, 2, 1, Qt::AlignRight);
    layout->addWidget(SpeedButtonQuality, 1, 0);
    layout->addWidget(LabelQuality, 1, 1);
    layout->addWidget(LabelCompress, 2, 1, 1, 2);
    layout->addWidget(SpeedButtonCompressor, 3, 0);
    layout->addWidget(Edit1, 3, 1, 1, 2);
    layout->addWidget(ListBox1, 4, 0, 1, 3);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(4, 1);

    connect(SpeedButtonRate, &QPushButton::clicked, this, &TFormOpAvi::SpeedButtonRateClick);
    connect(SpeedButtonQuality, &QPushButton::clicked, this, &TFormOpAvi::SpeedButtonQualityClick);
    connect(SpeedButtonCompressor, &QPushButton::clicked, this, &TFormOpAvi::SpeedButtonCompressorClick);
    connect(SpeedButtonClose, &QPushButton::clicked, this, &QWidget::hide);
    NAME_CONTROLS(SpeedButtonRate, SpeedButtonQuality, SpeedButtonClose, SpeedButtonCompressor, ListBox1, Edit1);
    ListBox1->installEventFilter(this);
    new WindowKeys(this, SpeedButtonClose);
    QString mnemonics;
    AssignMnemonics(this, mnemonics);
    FormCreate();
}

void TFormOpAvi::FormCreate()
{
    m_options.CodecIndex = 0;
    m_options.CodecHandler = 0;
    m_options.Rate = 10;
    m_options.Quality = 10000;
    showValues();
}

void TFormOpAvi::showValues()
{
    LabelRate->setText(QString::fromStdString(formatText("Nombre d'Images par seconde: %d", { m_options.Rate })));
    LabelQuality->setText(QString::fromStdString(formatText("Qulaité (0 à 10000) : %d", { m_options.Quality })));
}

void TFormOpAvi::showEvent(QShowEvent *event)
{
    SpeedButtonSearchCompressClick();
    QWidget::showEvent(event);
}

void TFormOpAvi::SpeedButtonSearchCompressClick()
{
    Edit1->clear();
    m_entries = Catalogue();
    ListBox1->clear();
    for (const CatalogueEntry &entry : m_entries)
        ListBox1->addItem(u8(entry.line));
    const std::int32_t count = std::int32_t(m_entries.size());
    if (m_options.CodecIndex >= count || m_options.CodecIndex < 0)
        m_options.CodecIndex = 0;
    ListBox1->setCurrentRow(m_options.CodecIndex);
    Edit1->setText(ListBox1->item(m_options.CodecIndex)->text());
    chooseCodec();
}

void TFormOpAvi::chooseCodec()
{
    // The run takes the code, read from the line once, here.
    std::uint32_t type = 0;
    GetCodec(m_options.CodecIndex, type, m_options.CodecHandler);
}

bool TFormOpAvi::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ListBox1->viewport() && event->type() == QEvent::MouseButtonPress)
        ListBox1MouseDown(static_cast<QMouseEvent *>(event)->position().toPoint().y());
    // Without a mouse, Space or Enter chooses the entry the arrows moved to.
    if (watched == ListBox1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if ((key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) && ListBox1->currentRow() >= 0) {
            ListBox1MouseDown(ListBox1->visualItemRect(ListBox1->currentItem()).center().y());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFormOpAvi::ListBox1MouseDown(int y)
{
    const int count = ListBox1->count();
    if (count == 0)
        return;
    const QModelIndex at = ListBox1->indexAt(QPoint(1, y));
    if (at.isValid()) {
        m_options.CodecIndex = at.row();
    } else {
        m_options.CodecIndex = count - 1;
        ListBox1->setCurrentRow(count - 1);
    }
    Edit1->setText(ListBox1->item(m_options.CodecIndex)->text());
    chooseCodec();
}

bool TFormOpAvi::GetCodec(std::int32_t index, std::uint32_t &type, std::uint32_t &handler) const
{
    return ::GetCodec(m_entries, index, type, handler);
}

void TFormOpAvi::SpeedButtonRateClick()
{
    m_options.Rate = RateFromText(
        m_questions.inputBox("Compression des Fichiers AVI:", "Images par Seconde:", std::to_string(m_options.Rate)));
    showValues();
}

void TFormOpAvi::SpeedButtonQualityClick()
{
    m_options.Quality = QualityFromText(
        m_questions.inputBox("Compression des Fichiers AVI:", "Qualité:", std::to_string(m_options.Quality)));
    showValues();
}

void TFormOpAvi::SpeedButtonCompressorClick()
{
    // FFmpeg's encoders have no settings window of their own: the quality
    // and key frames are set in the compression dialog of each run.
}
