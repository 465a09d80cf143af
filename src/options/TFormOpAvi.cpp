#include "options/TFormOpAvi.h"

#include <QLabel>
#include <QVBoxLayout>

TFormOpAvi::TFormOpAvi(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Options Avi:"));
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(this);
    label->setWordWrap(true);
    layout->addWidget(label);
    resize(439, 160);
    FormCreate();
    label->setText(QString::fromUtf8("Images par Seconde: %1\nQualité: %2").arg(m_options.Rate).arg(m_options.Quality));
}

void TFormOpAvi::FormCreate()
{
    m_options.Rate = 10;
    m_options.Quality = 10000;
}
