#include "app/ApplicationSetup.h"

#include "common/ProgramInfo.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

void SetUpApplication(QApplication &app, QTranslator &qtFrench)
{
    QApplication::setApplicationName(QString::fromUtf8(kProgramName));
    QApplication::setQuitOnLastWindowClosed(false);
    if (qtFrench.load(QStringLiteral("qtbase_fr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtFrench);
}
