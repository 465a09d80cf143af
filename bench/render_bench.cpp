// RenderFrame against the floor it cannot beat: one memcpy of the frame's
// bytes. The default run (1024 x 768 out of 5000 x 800) should stay within
// 1.5 times that.
#include "anim/FrameSequence.h"
#include "common/Bitmap24.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

Bitmap24 makePanorama(int width, int height)
{
    Bitmap24 pano;
    pano.resize(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t *row = pano.scanLine(y);
        for (std::size_t i = 0; i < std::size_t(width) * 3; ++i)
            row[i] = std::uint8_t(i * 7 + y);
    }
    return pano;
}

void BM_RenderFrame(benchmark::State &state)
{
    const Bitmap24 pano = makePanorama(5000, int(state.range(2)));
    Bitmap24 frame;
    tanimprm prm;
    prm.FrameBitmap = &frame;
    prm.FrameWidth = int(state.range(0));
    prm.FrameHeight = int(state.range(1));
    prm.Step = 1;
    prm.Center = true;
    prm.ScrollDirection = true;
    const PassPlan plan = PrepareFrames(prm, pano.width(), pano.height());
    std::int32_t k = 0;
    for (auto _ : state) {
        RenderFrame(prm, pano, plan.X0 + k * plan.DX, 0);
        benchmark::DoNotOptimize(frame.bits());
        benchmark::ClobberMemory();
        k = (k + 997) % plan.PassCount; // move around the panorama like a run does
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(frame.byteCount()));
}
// frame width, frame height, panorama height
BENCHMARK(BM_RenderFrame)->Args({ 1024, 768, 800 })->Args({ 1024, 768, 600 })->Unit(benchmark::kMicrosecond);

void BM_Memcpy(benchmark::State &state)
{
    const std::size_t bytes = Bitmap24::strideFor(int(state.range(0))) * std::size_t(state.range(1));
    std::vector<std::uint8_t> src(bytes, 1), dst(bytes);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), bytes);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes));
}
BENCHMARK(BM_Memcpy)->Args({ 1024, 768 })->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
