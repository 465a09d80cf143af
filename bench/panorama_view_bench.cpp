// Repainting the main window with a very large panorama open: fitted, at
// 1/8 and at 1:1, panned with the wheel and zoomed at the pointer, on the
// offscreen platform (its backing store is a plain image, as a window's is).
// Also the time to make the reduced copies, and the process's memory with
// the picture open against the picture's own size.
//
//   panorama_view_bench [--benchmark_filter=...]
// TRAVELIA_BENCH_PANORAMA=WxH sets the picture (default 50000x20000: 1 Gpx, 3 GB).
#include "app/ViewportPaint.h"
#include "app/ui/CommandPanel.h"
#include "app/ui/PictureView.h"
#include "app/ui/TFormMain.h"
#include "jpeg/JpegOptions.h"
#include "options/AviOptions.h"
#include "picture/PictureLevels.h"
#include "platform/ui/QtWindowServices.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QWheelEvent>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

// A line "Name:   123 kB" of /proc/self/status, in bytes.
double statusBytes(const char *name)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(name, 0) == 0)
            return std::strtod(line.c_str() + std::strlen(name), nullptr) * 1024;
    return 0;
}

void pictureSize(int &width, int &height)
{
    width = 50000;
    height = 20000;
    if (const char *size = std::getenv("TRAVELIA_BENCH_PANORAMA"))
        std::sscanf(size, "%dx%d", &width, &height);
}

// The window with the panorama open, made once for every benchmark.
struct Window {
    Window()
        : settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat)
        , form(services, jpegOptions, aviOptions, QStringLiteral("/tmp/travelia"), settings)
    {
        form.resize(1300, 900);
        form.show();
        QCoreApplication::processEvents();
        baseline = statusBytes("VmRSS:");
        int width = 0, height = 0;
        pictureSize(width, height);
        Bitmap24 &picture = form.PanoramaBitmap();
        if (!picture.resize(width, height))
            return;
        // A row of stripes and ramps, shifted down the picture.
        std::string row(std::size_t(width) * 3 + 64, '\0');
        for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = char((i / 3 * 7 + i % 3 * 85) & 255);
        for (int y = 0; y < height; ++y)
            std::memcpy(picture.scanLine(y), row.data() + (y % 64), std::size_t(width) * 3);
        form.Panel().RefreshPanel(false, picture);
        QElapsedTimer clock;
        clock.start();
        form.View().SharePicture(picture);
        while (!form.View().ReducedCopiesReady()) {
            QCoreApplication::processEvents();
            QThread::msleep(1);
        }
        copiesSeconds = clock.elapsed() / 1000.0;
        QCoreApplication::processEvents();
    }

    bool ready() { return !form.View().DisplayBitmap().isEmpty(); }

    QtWindowServices services;
    TJpegOptions jpegOptions;
    TAviOptions aviOptions;
    QTemporaryDir dir; // the remembered settings: none of the user's
    QSettings settings;
    TFormMain form;
    double baseline = 0; // the window without a picture
    double copiesSeconds = 0;
};

Window &window()
{
    static Window *w = new Window; // lives to the end: the picture is large
    return *w;
}

void setZoom(PictureView &view, const std::string &zoom)
{
    view.FitToWindow();
    if (zoom == "eighth")
        view.ZoomAt(0.125 / view.Viewport().Scale(), view.rect().center());
    else if (zoom == "actual")
        view.ActualSize();
}

// The window with the picture open; none (the benchmark skipped with the
// reason) when the picture does not fit in memory.
Window *openedWindow(benchmark::State &state)
{
    Window &w = window();
    if (w.ready())
        return &w;
    state.SkipWithError("the picture does not fit in memory");
    return nullptr;
}

void BM_Repaint(benchmark::State &state, const char *zoom)
{
    Window *opened = openedWindow(state);
    if (!opened)
        return;
    Window &w = *opened;
    PictureView &view = w.form.View();
    setZoom(view, zoom);
    for (auto _ : state)
        view.repaint();
    state.counters["scale"] = view.Viewport().Scale();
}
BENCHMARK_CAPTURE(BM_Repaint, fit, "fit")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Repaint, eighth, "eighth")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Repaint, actual, "actual")->Unit(benchmark::kMillisecond);

// The pixels alone: the window's part filled from the copy the view reads,
// without Qt's painting.
void BM_PaintPixels(benchmark::State &state, const char *zoom)
{
    Window *opened = openedWindow(state);
    if (!opened)
        return;
    Window &w = *opened;
    PictureView &view = w.form.View();
    setZoom(view, zoom);
    const PictureViewport &v = view.Viewport();
    const int level = ChooseLevel(view.ReducedCopies(), v.PictureWidth(), v.Scale());
    const Bitmap24 &source = level < 0 ? w.form.PanoramaBitmap() : view.ReducedCopies()[std::size_t(level)];
    const TRect &area = view.DrawArea();
    const PaintRect part { area.Left, area.Top, area.Right - area.Left + 1, area.Bottom - area.Top + 1 };
    std::vector<std::uint32_t> out(std::size_t(part.Width) * std::size_t(part.Height));
    for (auto _ : state)
        PaintViewport(std::as_const(source), v, part, out.data(), std::size_t(part.Width));
    state.counters["pixels"] = double(out.size());
}
BENCHMARK_CAPTURE(BM_PaintPixels, fit, "fit")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PaintPixels, eighth, "eighth")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PaintPixels, actual, "actual")->Unit(benchmark::kMillisecond);

// One wheel notch each way, each followed by its repaint.
void BM_WheelPan(benchmark::State &state, const char *zoom)
{
    Window *opened = openedWindow(state);
    if (!opened)
        return;
    Window &w = *opened;
    PictureView &view = w.form.View();
    setZoom(view, zoom);
    const QPointF at = view.rect().center();
    int notch = -120;
    for (auto _ : state) {
        QWheelEvent wheel(at, view.mapToGlobal(at), QPoint(), QPoint(0, notch), Qt::NoButton, Qt::NoModifier,
            Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &wheel);
        view.repaint();
        notch = -notch;
    }
}
BENCHMARK_CAPTURE(BM_WheelPan, eighth, "eighth")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WheelPan, actual, "actual")->Unit(benchmark::kMillisecond);

// Ctrl + wheel in and out at the pointer, each followed by its repaint.
void BM_WheelZoom(benchmark::State &state)
{
    Window *opened = openedWindow(state);
    if (!opened)
        return;
    Window &w = *opened;
    PictureView &view = w.form.View();
    setZoom(view, "fit");
    view.ZoomAt(4, view.rect().center());
    const QPointF at = view.rect().center() + QPointF(-100, 30);
    int notch = 120;
    for (auto _ : state) {
        QWheelEvent wheel(at, view.mapToGlobal(at), QPoint(), QPoint(0, notch), Qt::NoButton, Qt::ControlModifier,
            Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &wheel);
        view.repaint();
        notch = -notch;
    }
}
BENCHMARK(BM_WheelZoom)->Unit(benchmark::kMillisecond);

// The figures of the window once the picture is open.
void BM_OpenPictureMemory(benchmark::State &state)
{
    Window *opened = openedWindow(state);
    if (!opened)
        return;
    Window &w = *opened;
    for (auto _ : state)
        benchmark::DoNotOptimize(w.ready());
    const Bitmap24 &picture = w.form.PanoramaBitmap();
    double copies = 0;
    for (const Bitmap24 &level : w.form.View().ReducedCopies())
        copies += double(level.byteCount());
    const double rss = statusBytes("VmRSS:");
    state.counters["picture_MB"] = double(picture.byteCount()) / 1e6;
    state.counters["copies_MB"] = copies / 1e6;
    state.counters["rss_MB"] = rss / 1e6;
    state.counters["rss_over_picture"] = rss / double(picture.byteCount());
    state.counters["window_alone_MB"] = w.baseline / 1e6;
    state.counters["copies_s"] = w.copiesSeconds;
    state.counters["shares"] = w.form.View().DisplayBitmap().sharesWith(picture) ? 1 : 0;
}
BENCHMARK(BM_OpenPictureMemory)->Iterations(1);

// Making the copies again, on this thread.
void BM_MakeReducedCopies(benchmark::State &state)
{
    Window *opened = openedWindow(state);
    if (!opened)
        return;
    Window &w = *opened;
    const std::atomic<bool> cancelled { false };
    for (auto _ : state)
        benchmark::DoNotOptimize(MakePictureLevels(w.form.PanoramaBitmap(), cancelled));
}
BENCHMARK(BM_MakeReducedCopies)->Unit(benchmark::kMillisecond)->Iterations(1);

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
