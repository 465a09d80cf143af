#include "app/ui/ProgramWindows.h"

#include "app/ui/CommandPanel.h"
#include "app/ui/GuiRunFeedback.h"
#include "app/ui/PanoramaPreview.h"
#include "app/ui/PictureView.h"
#include "app/ui/TFormMain.h"
#include "common/Bitmap24.h"
#include "options/AviOptions.h"
#include "output/OutputFormat.h"
#include "platform/WindowServices.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSpinBox>

namespace {

void showModeless(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow(); // the JPEG options window sets its ranges as it becomes active
}

} // namespace

ProgramWindows::ProgramWindows(TFormMain &main, WindowServices &services, TJpegOptions &jpegOptions,
    TAviOptions &aviOptions, const QString &programPath, PlaybackClock &clock)
    : opJpeg(jpegOptions, main.View().DisplayBitmap(), services, &main)
    , yesAllNo(&main)
    , help(programPath, services, &main)
    , about(&main)
    , opAvi(aviOptions, services, &main)
    , view(main.View(), main.Run(), services, jpegOptions, main.Panel().Rules(), &main)
    , encours(main.Run().StopRequested, &main)
    , opVideo(main.VideoOptions(), &main)
    , player(
          main.View(), services, clock, [this] { return view.CheckBoxBoucle->isChecked(); }, &main)
    , opCamera(main.CameraOptions(), services, &main)
{
    connectRequests(main);
    connectCamera(main, aviOptions);
    // The AVI options window sets its defaults when it is made: the
    // remembered settings come after every window.
    main.RestoreSettings();
}

QList<QWidget *> ProgramWindows::windows()
{
    return { &opJpeg, &yesAllNo, &help, &about, &opAvi, &view, &encours, &opVideo, &player, &opCamera };
}

void ProgramWindows::connectRequests(TFormMain &main)
{
    const GuiRunFeedback &progress = main.RunProgress();
    QObject::connect(&progress, &GuiRunFeedback::progressOpened, &encours, &TFormencours::showProgress);
    QObject::connect(&progress, &GuiRunFeedback::progressClosed, &encours, &TFormencours::hideProgress);
    QObject::connect(&progress, &GuiRunFeedback::runStarted, &encours, &TFormencours::startRun);
    QObject::connect(&progress, &GuiRunFeedback::passStarted, &encours, &TFormencours::startPass);
    QObject::connect(&progress, &GuiRunFeedback::frameStarted, &encours,
        [this](int index, const QString &text) { encours.frameStarting(index, text.toStdString()); });
    // The progress window's Stop is the main window's: the run ends and the
    // window comes back from full screen as it was.
    QObject::connect(encours.SpeedButton1, &QPushButton::clicked, &main, &TFormMain::Menu_AnimStopClick);

    // The panel's run length follows the rates of the option windows.
    PanoramaPreview &preview = main.Preview();
    QObject::connect(opAvi.SpeedButtonRate, &QPushButton::clicked, &preview, &PanoramaPreview::refresh);
    QObject::connect(opVideo.SpinRate, &QSpinBox::valueChanged, &preview, &PanoramaPreview::refresh);
    preview.refreshWhenHidden(opAvi);
    preview.refreshWhenHidden(opVideo);

    QObject::connect(&main, &TFormMain::helpRequested, &help, [this] { showModeless(&help); });
    QObject::connect(&main, &TFormMain::aboutRequested, &about, [this] { about.exec(); });
    QObject::connect(&main, &TFormMain::jpegOptionsRequested, &opJpeg, [this] { showModeless(&opJpeg); });
    QObject::connect(&main, &TFormMain::aviOptionsRequested, &opAvi, [this] { showModeless(&opAvi); });
    QObject::connect(&main, &TFormMain::videoOptionsRequested, &opVideo, [this] { showModeless(&opVideo); });
    QObject::connect(&main, &TFormMain::cameraOptionsRequested, &opCamera, [this] { showModeless(&opCamera); });
    QObject::connect(&main, &TFormMain::viewerRequested, &view, [this] { showModeless(&view); });
    QObject::connect(&main, &TFormMain::seriesViewRequested, &view,
        [this](const QString &anyFrame, int format) { view.ShowSequence(anyFrame.toStdString(), format); });
    QObject::connect(&main, &TFormMain::videoPlayerRequested, &player,
        [this](const QString &fileName) { player.PlayVideo(fileName.toStdString()); });
    QObject::connect(&main, &TFormMain::settingsReset, &opJpeg, [this] {
        for (QWidget *w :
            { static_cast<QWidget *>(&opJpeg), static_cast<QWidget *>(&opVideo), static_cast<QWidget *>(&opCamera) })
            w->hide(); // shown again, they show the defaults
    });
    QObject::connect(&main, &TFormMain::closing, &player, [this] {
        for (QWidget *w : windows())
            w->hide();
    });
}

void ProgramWindows::connectCamera(TFormMain &main, const TAviOptions &aviOptions)
{
    const SettingsPanel &rules = main.Panel().Rules();
    // The seconds of a pass are those of the file the output makes, or would make.
    const auto rate = [&main, &rules, &aviOptions] {
        return rules.state().RadioGroupFormat == FormatAvi ? double(aviOptions.Rate) : double(main.VideoOptions().Rate);
    };
    // The view as the fields stand, its own problems only: a 360° loop the
    // panorama cannot make is the panel's, refused when a run starts.
    const auto sphere = [&rules](std::string &error) { return rules.sphere(false, error); };
    opCamera.describePass = [&main, &rules, rate, sphere](const CameraMove &move) {
        const Bitmap24 &panorama = main.PanoramaBitmap();
        std::string error;
        const SphereView view = sphere(error).value_or(SphereView {});
        return DescribePass(rules.state(), move, panorama.width(), panorama.height(), rate(), view);
    };
    opCamera.videoOutput = [&rules] { return rules.state().RadioGroupFormat == FormatVideo; };
    opCamera.describeProjection
        = [&main] { return DescribeProjection(main.CameraOptions(), main.OpenedPictureSphere()); };
    opCamera.sphereProblem = [sphere] {
        std::string error;
        return sphere(error) ? std::string() : error;
    };
    // The main window shows the first frame of the chosen view.
    QObject::connect(&opCamera, &TFormOpCamera::choicesChanged, &main.Preview(), &PanoramaPreview::refresh);
    main.Preview().refreshWhenHidden(opCamera);
    QObject::connect(&main, &TFormMain::projectionOffered, &opCamera, &TFormOpCamera::showOfferedProjection);
}
