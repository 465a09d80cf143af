// Speed of the resampling (picture/Resample.h), in source pixels a second
// for the scaler and frame pixels a second for the frame sampler, with the
// AVX2 loops and with the plain ones (last argument: 1 AVX2, 0 plain).
#include "common/Bitmap24.h"
#include "picture/FrameSampler.h"
#include "picture/PanoramaScaler.h"
#include "picture/ResampleRows.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

// Smooth bands and fine detail, cheap to make at any size.
Bitmap24 makePicture(int width, int height)
{
    Bitmap24 picture;
    picture.resize(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t *row = picture.scanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = std::uint8_t((x * 7 + y * 3) ^ (x >> 4));
            row[3 * x + 1] = std::uint8_t((x / 5 + y / 3) * 11);
            row[3 * x + 2] = std::uint8_t(x * y >> 6);
        }
    }
    return picture;
}

bool chooseUnits(benchmark::State &state, std::int64_t avx2)
{
    if (!UseVectorUnits(avx2 ? VectorUnits::Avx2 : VectorUnits::Plain)) {
        state.SkipWithError("no AVX2 on this processor");
        return false;
    }
    return true;
}

// Whole picture: source width, height, output width, height, AVX2.
void BM_ScalePicture(benchmark::State &state)
{
    if (!chooseUnits(state, state.range(4)))
        return;
    const Bitmap24 src = makePicture(int(state.range(0)), int(state.range(1)));
    Bitmap24 out;
    for (auto _ : state) {
        ScaleBitmap(src, int(state.range(2)), int(state.range(3)), out);
        benchmark::DoNotOptimize(out.bits());
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * src.width() * src.height());
}
BENCHMARK(BM_ScalePicture)
    ->ArgNames({ "sw", "sh", "ow", "oh", "avx2" })
    ->Args({ 20000, 2000, 10800, 1080, 1 }) // 1.85: a panorama to 1080p
    ->Args({ 20000, 2000, 10800, 1080, 0 })
    ->Args({ 20000, 4000, 5400, 1080, 1 }) // 3.7
    ->Args({ 20000, 4000, 5400, 1080, 0 })
    ->Args({ 40000, 4000, 2000, 200, 1 }) // 1/20, box pre-shrink 10
    ->Args({ 40000, 4000, 2000, 200, 0 })
    ->Args({ 4000, 500, 10000, 1250, 1 }) // enlargement 2.5
    ->Args({ 4000, 500, 10000, 1250, 0 })
    ->Unit(benchmark::kMillisecond);

// The same fed as a decoder does, bands of 16 rows from its own buffer.
void BM_ScaleStreamed(benchmark::State &state)
{
    if (!chooseUnits(state, state.range(4)))
        return;
    const Bitmap24 src = makePicture(int(state.range(0)), int(state.range(1)));
    const int ow = int(state.range(2)), oh = int(state.range(3));
    Bitmap24 out;
    out.resize(ow, oh);
    for (auto _ : state) {
        PanoramaScaler scaler(src.width(), src.height(), ow, oh,
            [&](int row, const std::uint8_t *pixels) { std::memcpy(out.scanLine(row), pixels, std::size_t(ow) * 3); });
        for (int y = 0; y < src.height(); y += 16)
            scaler.pushRows(src.scanLine(y), src.stride(), std::min(16, src.height() - y));
        benchmark::DoNotOptimize(out.bits());
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * src.width() * src.height());
}
BENCHMARK(BM_ScaleStreamed)
    ->ArgNames({ "sw", "sh", "ow", "oh", "avx2" })
    ->Args({ 20000, 2000, 10800, 1080, 1 })
    ->Args({ 20000, 2000, 10800, 1080, 0 })
    ->Args({ 40000, 4000, 2000, 200, 1 })
    ->Args({ 40000, 4000, 2000, 200, 0 })
    ->Unit(benchmark::kMillisecond);

// 1920 x 1080 frames of a 1080-high panorama (1920-wide when vertical):
// step in 1/100 pixel (100: whole pixels, copies), vertical, AVX2.
void BM_SampleFrame(benchmark::State &state)
{
    if (!chooseUnits(state, state.range(2)))
        return;
    const bool vertical = state.range(1) != 0;
    const Bitmap24 panorama = vertical ? makePicture(1920, 8000) : makePicture(8000, 1080);
    FrameLayout layout;
    layout.width = 1920;
    layout.height = 1080;
    layout.travel = vertical ? TravelAxis::Vertical : TravelAxis::Horizontal;
    FrameSampler sampler(layout);
    Bitmap24 frame;
    const double step = double(state.range(0)) / 100.0;
    double position = 0.0;
    for (auto _ : state) {
        sampler.render(panorama, position, frame);
        benchmark::DoNotOptimize(frame.bits());
        position += step;
        if (position > 6000.0)
            position -= 6000.0;
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * 1920 * 1080);
}
BENCHMARK(BM_SampleFrame)
    ->ArgNames({ "step", "vertical", "avx2" })
    ->Args({ 37, 0, 1 })
    ->Args({ 37, 0, 0 })
    ->Args({ 37, 1, 1 })
    ->Args({ 37, 1, 0 })
    ->Args({ 100, 0, 1 })
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
