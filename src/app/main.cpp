#include "app/ui/ApplicationSetup.h"
#include "app/ui/ProgramWindows.h"
#include "app/ui/TFormMain.h"
#include "common/ProgramInfo.h"
#include "options/AviOptions.h"
#include "options/JpegOptions.h"
#include "picture/ui/PictureOpenDialog.h"
#include "platform/ui/QtWindowServices.h"
#include "video/AviCompressionDialog.h"
#include "viewer/PlaybackClock.h"

#include <QApplication>
#include <QSettings>
#include <QStringList>
#include <QTranslator>

#include <cstring>
#include <exception>
#include <iostream>

namespace {

// Errors that no handler caught end up in the default error box, and the
// program goes on with its message loop.
class TraveliaApplication : public QApplication {
public:
    TraveliaApplication(int &argc, char **argv, WindowServices &services)
        : QApplication(argc, argv)
        , m_services(services)
    {
    }

    bool notify(QObject *receiver, QEvent *event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception &e) {
            m_services.errorBox(e.what());
        } catch (...) {
            m_services.errorBox("Erreur inconnue");
        }
        return false;
    }

private:
    WindowServices &m_services;
};

} // namespace

int main(int argc, char **argv)
{
    // Answered before any window system is needed.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << VersionLine("travelia") << '\n';
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << "Usage: travelia [PICTURE]\n"
                     "Opens the picture, if one is named, as Fichier > Ouvrir... does.\n"
                     "  --version  the program's name and version\n"
                     "travelia-cli does the same work without a window (travelia-cli --help).\n";
        return 0;
    }
    QtWindowServices services;
    TraveliaApplication app(argc, argv, services);
    QTranslator qtFrench;
    SetUpApplication(app, qtFrench);

    // The settings of the last session: ~/.config/Travelia/Travelia.conf.
    QSettings settings(QString::fromUtf8(kProgramName), QString::fromUtf8(kProgramName));
    TJpegOptions jpegOptions; // the program's one set of JPEG settings
    TAviOptions aviOptions; // held for the AVI options window
    TFormMain main(services, jpegOptions, aviOptions, QCoreApplication::applicationFilePath(), settings);
    services.setParentWindow(&main);
    SteadyPlaybackClock playbackClock;
    ProgramWindows windows(
        main, services, jpegOptions, aviOptions, QCoreApplication::applicationFilePath(), playbackClock);
    services.setOverwriteDialog([&windows](const std::string &fileName, const std::string &caption) {
        return windows.yesAllNo.AskOverwrite(fileName, caption);
    });
    services.setOpenPictureDialog([&main](const std::string &title, const std::string &) {
        return PictureOpenDialog::getOpenPictureFileName(&main, title);
    });
    services.setCompressionDialog(
        [&main](AviCompression &options) { return runAviCompressionDialog(&main, options); });
    // Closing the main window ends the program, whatever other window is open.
    QObject::connect(&main, &TFormMain::closing, &app, &QCoreApplication::quit);

    main.show();
    // A picture named on the command line opens at start, as from "Ouvrir...".
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1)
        main.OpenChosenPicture(args.at(1).toStdString());
    return app.exec();
}
