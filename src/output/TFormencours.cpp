#include "output/TFormencours.h"

#include <QLabel>
#include <QVBoxLayout>

TFormencours::TFormencours(QWidget *parent)
    : QWidget(parent, Qt::Tool)
{
    setWindowTitle(QStringLiteral("Enregistrement en cours..."));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(this));
    resize(320, 90);
}
