#include "app/ui/ApplicationSetup.h"
#include "app/ui/CommandPanel.h"
#include "app/ui/PictureView.h"
#include "app/ui/TAboutBox.h"
#include "app/ui/TFormHelp.h"
#include "app/ui/TFormMain.h"
#include "common/ProgramInfo.h"
#include "options/JpegOptions.h"
#include "options/TFormOpAvi.h"
#include "options/ui/TFormOpJpeg.h"
#include "options/TFormOpVideo.h"
#include "output/ui/TDlgYesAllNo.h"
#include "output/ui/TFormencours.h"
#include "picture/ui/PictureOpenDialog.h"
#include "platform/ui/QtWindowServices.h"
#include "video/AviCompressionDialog.h"
#include "viewer/PlaybackClock.h"
#include "viewer/ui/TFormVideoPlayer.h"
#include "viewer/ui/TFormView.h"

#include <QApplication>
#include <QCheckBox>
#include <QLibraryInfo>
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

    // The windows in their start-up order; only the first is shown.
    TJpegOptions jpegOptions; // the program's one set of JPEG settings
    TAviOptions aviOptions; // held for the AVI options window
    TFormMain main(services, jpegOptions, aviOptions, QCoreApplication::applicationFilePath());
    services.setParentWindow(&main);
    TFormOpJpeg opJpeg(jpegOptions, main.View().DisplayBitmap(), services, &main);
    TDlgYesAllNo yesAllNo(&main);
    TFormHelp help(QCoreApplication::applicationFilePath(), services, &main);
    TAboutBox about(&main);
    TFormOpAvi opAvi(aviOptions, services, &main);
    TFormView view(main.View(), main.Run(), services, jpegOptions, main.Panel().Rules(), &main);
    TFormencours encours(main.Run().StopRequested, &main);
    TFormOpVideo opVideo(main.VideoOptions(), &main);
    SteadyPlaybackClock playbackClock;
    TFormVideoPlayer player(
        main.View(), services, playbackClock, [&view] { return view.CheckBoxBoucle->isChecked(); }, &main);

    services.setOverwriteDialog([&yesAllNo](const std::string &fileName, const std::string &caption) {
        return yesAllNo.AskOverwrite(fileName, caption);
    });
    services.setOpenPictureDialog([&main](const std::string &title, const std::string &) {
        return PictureOpenDialog::getOpenPictureFileName(&main, title);
    });
    services.setCompressionDialog([&main](AviCompression &options) { return runAviCompressionDialog(&main, options); });
    const GuiRunFeedback &progress = main.RunProgress();
    QObject::connect(&progress, &GuiRunFeedback::progressOpened, &encours, &TFormencours::showProgress);
    QObject::connect(&progress, &GuiRunFeedback::progressClosed, &encours, &TFormencours::hideProgress);
    QObject::connect(&progress, &GuiRunFeedback::passStarted, &encours, &TFormencours::startPass);
    QObject::connect(&progress, &GuiRunFeedback::frameStarted, &encours,
        [&encours](int index, const QString &text) { encours.frameStarting(index, text.toStdString()); });
    const auto showModeless = [](QWidget *window) {
        window->show();
        window->raise();
        window->activateWindow(); // the JPEG options window sets its ranges as it becomes active
    };
    QObject::connect(&main, &TFormMain::helpRequested, [&] { showModeless(&help); });
    QObject::connect(&main, &TFormMain::aboutRequested, [&] { about.exec(); });
    QObject::connect(&main, &TFormMain::jpegOptionsRequested, [&] { showModeless(&opJpeg); });
    QObject::connect(&main, &TFormMain::aviOptionsRequested, [&] { showModeless(&opAvi); });
    QObject::connect(&main, &TFormMain::videoOptionsRequested, [&] { showModeless(&opVideo); });
    QObject::connect(&main, &TFormMain::viewerRequested, [&] { showModeless(&view); });
    QObject::connect(&main, &TFormMain::videoPlayerRequested,
        [&](const QString &fileName) { player.PlayVideo(fileName.toStdString()); });
    QObject::connect(&main, &TFormMain::closing, [&] { player.hide(); });
    QObject::connect(&main, &TFormMain::closing, [&] {
        for (QWidget *w : std::initializer_list<QWidget *> { &opJpeg, &help, &opAvi, &view, &encours, &opVideo })
            w->hide();
    });

    main.show();
    // A picture named on the command line opens at start, as from "Ouvrir...".
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1)
        main.OpenChosenPicture(args.at(1).toStdString());
    return app.exec();
}
