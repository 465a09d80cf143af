#include "app/ui/TAboutBox.h"

#include "common/ProgramInfo.h"
#include "platform/ui/ControlNames.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <cmath>

namespace {

// A small pair of eyes for the OK button, 40 x 17.
QPixmap drawEyes()
{
    QImage image(40, 17, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (int cx : { 11, 29 }) {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(cx, 8.5), 9, 7);
        p.setBrush(QColor(0, 0, 128));
        p.drawEllipse(QPointF(cx + 2, 9), 3.5, 3.5);
    }
    return QPixmap::fromImage(image);
}

} // namespace

TAboutBox::TAboutBox(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("A propos"));
    setModal(true);
    setFixedSize(401, 342);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0, 128, 128));
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);

    Image1 = new QLabel(this);
    Image1->setPixmap(QPixmap::fromImage(DrawLogo()));
    Image1->setFixedSize(351, 152);
    labelVersion = new QLabel(QStringLiteral("Version"), this);
    labelVersion->setAlignment(Qt::AlignCenter);
    Date = new QLabel(this);
    Date->setAlignment(Qt::AlignCenter);
    Copyright = new QLabel(this);
    info1 = new QLabel(QString::fromUtf8("Logiciel gratuit, fourni tel quel et sans garantie. Vous pouvez le copier "
                                         "et le distribuer librement, sans le modifier ni le vendre."),
        this);
    info1->setWordWrap(true);
    info3 = new QLabel(QString::fromUtf8("Cette version est une pré-version en cours de test. Travaillez toujours "
                                         "sur des copies de vos documents originaux."),
        this);
    info3->setWordWrap(true);
    BitBtnOk = new QPushButton(this);
    BitBtnOk->setIcon(drawEyes());
    BitBtnOk->setIconSize(QSize(40, 17));
    BitBtnOk->setDefault(true);
    BitBtnOk->setAccessibleName(QStringLiteral("OK")); // a picture, no caption
    connect(BitBtnOk, &QPushButton::clicked, this, &TAboutBox::BitBtnOkClick);

    // Everything must fit the box's fixed size, one band below the other:
    // small type and tight spacing under the logo.
    QFont small = font();
    small.setPixelSize(11);
    for (QLabel *label : { labelVersion, Date, Copyright, info1, info3 })
        label->setFont(small);
    info1->setMinimumHeight(3 * info1->fontMetrics().lineSpacing());
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(25, 8, 25, 8);
    layout->setSpacing(3);
    layout->addWidget(Image1, 0, Qt::AlignHCenter);
    layout->addSpacing(4);
    for (QLabel *label : { labelVersion, Date, Copyright, info1, info3 })
        layout->addWidget(label);
    layout->addStretch();
    layout->addWidget(BitBtnOk, 0, Qt::AlignHCenter);
    NAME_CONTROLS(Image1, labelVersion, Date, Copyright, info1, info3, BitBtnOk);
    FormCreate();
}

void TAboutBox::FormCreate()
{
    labelVersion->setText(QString::fromUtf8(kProgramTitle));
    Date->setText(QString::fromUtf8(kProgramYear));
    Copyright->setText(QString::fromUtf8("© L'équipe Travelia. Tous droits réservés."));
}

void TAboutBox::BitBtnOkClick()
{
    accept();
}

void TAboutBox::showEvent(QShowEvent *event)
{
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

QImage TAboutBox::DrawLogo()
{
    QImage logo(351, 152, QImage::Format_RGB888);
    QPainter p(&logo);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 152);
    sky.setColorAt(0, QColor(255, 190, 110));
    sky.setColorAt(0.6, QColor(120, 170, 230));
    sky.setColorAt(1, QColor(40, 80, 160));
    p.fillRect(logo.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 240, 180));
    p.drawEllipse(QPointF(270, 45), 22, 22);
    // Three ridges, far to near.
    const QColor ridgeColors[] = { QColor(110, 120, 160), QColor(60, 90, 110), QColor(30, 60, 50) };
    for (int layer = 0; layer < 3; ++layer) {
        QPainterPath ridge;
        ridge.moveTo(0, 152);
        for (int x = 0; x <= 351; x += 3) {
            const double t = x / 351.0;
            const double y
                = 80 + layer * 22 - 25 * std::sin(t * (5 + 2 * layer) + layer) - 10 * std::sin(t * 17 + 2 * layer);
            ridge.lineTo(x, y);
        }
        ridge.lineTo(351, 152);
        ridge.closeSubpath();
        p.setBrush(ridgeColors[layer]);
        p.drawPath(ridge);
    }
    // A film strip along the bottom: the panorama becomes frames.
    p.setBrush(QColor(20, 20, 20));
    p.drawRect(0, 130, 351, 22);
    p.setBrush(QColor(230, 230, 230));
    for (int x = 4; x < 351; x += 14) {
        p.drawRect(x, 134, 7, 4);
        p.drawRect(x, 144, 7, 4);
    }
    QFont font(QStringLiteral("DejaVu Sans"), 30, QFont::Bold);
    font.setItalic(true);
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(QRect(3, 13, 351, 80), Qt::AlignCenter, QStringLiteral("Travelia"));
    p.setPen(Qt::white);
    p.drawText(QRect(0, 10, 351, 80), Qt::AlignCenter, QStringLiteral("Travelia"));
    return logo;
}
