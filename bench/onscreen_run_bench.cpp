// Frames per second of an on-screen test run with no pause: 1024 x 768 frames
// scrolled across a 5000 x 800 panorama in the real main window. Run it on a
// display (or under xvfb-run) to include the window system's cost.
#include "app/ui/CommandPanel.h"
#include "app/ui/PictureView.h"
#include "app/ui/TFormMain.h"
#include "options/AviOptions.h"
#include "options/JpegOptions.h"
#include "platform/ui/QtWindowServices.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("anim")); // no folder question during the run

    QtWindowServices services;
    TJpegOptions jpegOptions;
    TAviOptions aviOptions;
    QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    TFormMain form(services, jpegOptions, aviOptions, dir.filePath(QStringLiteral("travelia")), settings);
    form.show();
    QCoreApplication::processEvents();

    Bitmap24 &pano = form.PanoramaBitmap();
    pano.resize(5000, 800);
    for (int y = 0; y < pano.height(); ++y)
        for (int x = 0; x < pano.width() * 3; ++x)
            pano.scanLine(y)[x] = std::uint8_t((x / 3) ^ y);
    PanelState &s = form.Panel().Rules().state();
    s.EditFrameWidth = "1024";
    s.EditFrameHeight = "768";
    s.EditCopy = dir.path().toStdString() + "/";
    s.CheckBoxScrollBack = argc > 1 && QByteArray(argv[1]) == "--back";
    form.Panel().ApplyPanelState();
    form.Run().Tempo = 0;

    QElapsedTimer clock;
    clock.start();
    form.SpeedButtonTestClick();
    const double seconds = clock.nsecsElapsed() / 1e9;
    const int frames = s.CheckBoxScrollBack ? 7952 : 3976;
    std::printf("platform=%s frames=%d seconds=%.2f fps=%.0f last=\"%s\"\n",
        qPrintable(QGuiApplication::platformName()), frames, seconds, frames / seconds, qPrintable(form.StatusText()));
    return 0;
}
