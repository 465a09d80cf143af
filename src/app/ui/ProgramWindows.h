#pragma once

#include "app/ui/TAboutBox.h"
#include "app/ui/TFormHelp.h"
#include "options/TFormOpAvi.h"
#include "options/TFormOpVideo.h"
#include "options/ui/TFormOpJpeg.h"
#include "output/ui/TDlgYesAllNo.h"
#include "output/ui/TFormencours.h"
#include "viewer/PlaybackClock.h"
#include "viewer/ui/TFormVideoPlayer.h"
#include "viewer/ui/TFormView.h"

class TFormMain;
class WindowServices;
struct TAviOptions;
struct TJpegOptions;

// Every window of the program besides the main one, made over it (each is
// transient for it: kept above it, never lost behind it) and wired to its
// requests, in the program's start-up order; then the last session's
// settings are put in place. Only the main window is shown.
class ProgramWindows {
public:
    ProgramWindows(TFormMain &main, WindowServices &services, TJpegOptions &jpegOptions, TAviOptions &aviOptions,
        const QString &programPath, PlaybackClock &clock);

    TFormOpJpeg opJpeg;
    TDlgYesAllNo yesAllNo;
    TFormHelp help;
    TAboutBox about;
    TFormOpAvi opAvi;
    TFormView view;
    TFormencours encours;
    TFormOpVideo opVideo;
    TFormVideoPlayer player;

    // The windows that stay until closed, for the keyboard and the tests.
    QList<QWidget *> windows();

private:
    void connectRequests(TFormMain &main);
};
