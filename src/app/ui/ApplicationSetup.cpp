#include "app/ui/ApplicationSetup.h"

#include "common/ProgramInfo.h"

#include <QApplication>
#include <QIcon>

void SetUpApplication(QApplication &)
{
    QApplication::setApplicationName(QString::fromUtf8(kProgramName));
    QApplication::setQuitOnLastWindowClosed(false);
    // The installed menu entry and icon: window managers and docks match the
    // windows to the entry, and show its icon, by these names.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.travelia.Travelia"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.travelia.Travelia")));
}
