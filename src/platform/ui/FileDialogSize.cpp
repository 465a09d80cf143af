#include "platform/ui/FileDialogSize.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>

void FitFileDialog(QFileDialog &dialog)
{
    QSize minimum(900, 560);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        minimum = minimum.boundedTo(screen->availableGeometry().size());
    dialog.setMinimumSize(minimum);
}
