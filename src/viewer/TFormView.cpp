#include "viewer/TFormView.h"

#include <QLabel>
#include <QVBoxLayout>

TFormView::TFormView(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringLiteral("FormView"));
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(QString::fromUtf8("Aucune série ouverte."), this);
    layout->addWidget(label);
    setFixedSize(258, 382);
}
