// Cost of showing one animation frame in the main window: the copy into the
// displayed picture and its conversion (ShowFrame), and the paint handler
// drawing it, on the offscreen platform (its backing store is a plain image,
// as a window's is).
#include "app/ui/CommandPanel.h"
#include "app/ui/PictureView.h"
#include "app/ui/TFormMain.h"
#include "options/AviOptions.h"
#include "options/JpegImage.h"
#include "output/FrameFile.h"
#include "platform/ui/QtWindowServices.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

Bitmap24 makeFrame(int width, int height)
{
    Bitmap24 frame;
    frame.resize(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t *row = frame.scanLine(y);
        for (int x = 0; x < width * 3; ++x)
            row[x] = std::uint8_t(x * 7 + y);
    }
    return frame;
}

struct Window {
    Window()
        : settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat)
        , form(services, jpegOptions, aviOptions, QStringLiteral("/tmp/travelia"), settings)
    {
        form.resize(1300, 900); // a drawing area larger than the frame: all of it is painted
        form.show();
        QCoreApplication::processEvents();
    }
    QtWindowServices services;
    TJpegOptions jpegOptions;
    TAviOptions aviOptions;
    QTemporaryDir dir;
    QSettings settings;
    TFormMain form;
};

void BM_ShowFrame(benchmark::State &state)
{
    Window w;
    const Bitmap24 frame = makeFrame(1024, 768);
    for (auto _ : state)
        w.form.View().ShowFrame(frame);
    state.SetBytesProcessed(state.iterations() * std::int64_t(frame.byteCount()));
}

void BM_PaintFrame(benchmark::State &state)
{
    Window w;
    w.form.View().ShowFrame(makeFrame(1024, 768));
    QWidget *area = w.form.centralWidget();
    for (auto _ : state)
        area->repaint();
}

void BM_ShowAndPaintFrame(benchmark::State &state)
{
    Window w;
    const Bitmap24 frame = makeFrame(1024, 768);
    QWidget *area = w.form.centralWidget();
    for (auto _ : state) {
        w.form.View().ShowFrame(frame);
        area->repaint();
    }
}

// Opening a 5000 x 800 panorama: decoding, panel refresh, copy and first paint.
void BM_OpenPanorama(benchmark::State &state, const char *extension)
{
    Window w;
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("pano")).toStdString() + extension;
    const Bitmap24 pano = makeFrame(5000, 800);
    if (!(std::string(extension) == ".jpg" ? WriteJpegFile(pano, path, TJpegOptions {}) : WriteBmpFile(pano, path))) {
        state.SkipWithError("cannot write the panorama");
        return;
    }
    for (auto _ : state) {
        w.form.OpenChosenPicture(path);
        if (w.form.PanoramaBitmap().width() != 5000)
            state.SkipWithError("the panorama did not open");
    }
}
BENCHMARK_CAPTURE(BM_OpenPanorama, bmp, ".bmp")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenPanorama, jpeg, ".jpg")->Unit(benchmark::kMillisecond);

BENCHMARK(BM_ShowFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShowAndPaintFrame)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
