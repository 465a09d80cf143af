#include "options/TFormOpJpeg.h"

#include "options/JpegOptions.h"

#include <QLabel>
#include <QVBoxLayout>

TFormOpJpeg::TFormOpJpeg(TJpegOptions &jpegOptions, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_jpegOptions(jpegOptions)
{
    setWindowTitle(QStringLiteral("Options Jpeg"));
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(QString::fromUtf8("Les réglages JPEG en vigueur : qualité 95, couleurs, "
                                               "sans sous-échantillonnage, non progressif."),
        this);
    label->setWordWrap(true);
    layout->addWidget(label);
    resize(420, 160);
    FormCreate();
}

void TFormOpJpeg::FormCreate()
{
    m_jpegOptions = TJpegOptions {};
}
