#include "anim/FrameLoop.h"

#include "anim/CameraPath.h"
#include "anim/FrameSink.h"
#include "anim/RunFeedback.h"
#include "anim/SphereFrames.h"
#include "common/Bitmap24.h"
#include "picture/FrameSampler.h"

#include <algorithm>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <thread>

namespace {

// What the passes of one run share.
struct RunState {
    const Bitmap24 &panorama;
    const RunPlan &plan;
    FrameSink &sink;
    RunFeedback &feedback;
    bool &stopRequested;
    Bitmap24 frame {}; // one bitmap for every frame of the run
    bool fromPanorama = false; // frames inside the panorama go unrendered
    std::int64_t FrameIndex = 0; // the next frame's number in the run, carried into the return pass
    std::int64_t total = 0;
    std::string failure {};
};

// One pass of `count` frames; render(i) makes frame i of the pass in
// run.frame, or gives its rows in the panorama.
template <typename Render> void PlayFrames(RunState &run, std::int32_t count, const Render &render)
{
    const bool progress = run.sink.reportsProgress();
    if (progress)
        run.feedback.passStarting(count);
    for (std::int32_t i = 0; !run.stopRequested && i < count; ++i) {
        try {
            const std::optional<PanoramaWindow> window = render(i);
            if (!run.sink.prepare(run.FrameIndex)) {
                run.stopRequested = true; // the question was closed: the frame is not shown
                break;
            }
            run.feedback.setStatusText(run.sink.statusText(run.FrameIndex, run.total));
            if (progress)
                run.feedback.frameStarting(i, run.sink.progressText(run.FrameIndex, run.total));
            run.feedback.showFrame(run.frame);
            run.feedback.processMessages();
            const bool taken = window ? run.sink.takeRows(*window, run.plan.FrameWidth, run.plan.FrameHeight)
                                      : run.sink.take(run.frame);
            if (!taken) {
                run.stopRequested = true;
                break;
            }
            ++run.FrameIndex;
            run.feedback.processMessages();
            if (run.sink.pausesAfterFrames())
                run.feedback.waitTempo(run.sink.framePause());
        } catch (const std::exception &e) {
            run.failure = e.what();
            run.stopRequested = true;
        } catch (...) {
            run.failure = "unknown failure";
            run.stopRequested = true;
        }
    }
}

// One pass of frames from the pass's start, in the panorama's pixels.
void PlayPass(RunState &run, const PassPlan &pass)
{
    PlayFrames(run, pass.PassCount, [&run, &pass](std::int32_t i) {
        const FramePosition at = PassPosition(pass, i);
        std::optional<PanoramaWindow> window;
        if (run.fromPanorama)
            window = FrameWindow(run.plan, run.panorama, at.x, at.y);
        if (!window)
            RenderFrame(run.plan, run.panorama, run.frame, at.x, at.y);
        return window;
    });
}

// One pass of a camera: frames cut at fractional positions from the
// panorama as the frames see it.
void PlayCameraPass(RunState &run, FrameSampler &sampler, const std::vector<double> &positions)
{
    PlayFrames(run, std::int32_t(positions.size()), [&](std::int32_t i) {
        if (!sampler.render(run.panorama, positions[std::size_t(i)], run.frame))
            throw std::bad_alloc();
        return std::optional<PanoramaWindow>();
    });
}

// One pass of views of a 360° panorama.
void PlaySpherePass(RunState &run, SphereFrames &views, const std::vector<SphereFrame> &frames)
{
    PlayFrames(run, std::int32_t(frames.size()), [&](std::int32_t i) {
        if (!views.render(frames[std::size_t(i)], run.frame))
            throw std::bad_alloc();
        return std::optional<PanoramaWindow>();
    });
}

} // namespace

std::int64_t PlayPasses(
    const Bitmap24 &panorama, const RunPlan &plan, FrameSink &sink, RunFeedback &feedback, bool &stopRequested)
{
    RunState run { panorama, plan, sink, feedback, stopRequested };
    MakeFrameBitmap(plan, run.frame);
    run.total = plan.total();
    sink.begin(plan);
    run.fromPanorama = !plan.camera && !plan.sphere && sink.takesPanoramaRows() && !feedback.showsFrames();
    {
        struct Progress {
            RunFeedback *feedback; // null: the sink reports none
            ~Progress()
            {
                if (feedback)
                    feedback->progressShown(false);
            }
        } progress { sink.reportsProgress() ? &feedback : nullptr };
        if (progress.feedback)
            feedback.progressShown(true);
        if (plan.sphere) {
            // Every core renders rows of the same frame.
            SphereFrames views(panorama, plan.sphere->mapping, std::max(1u, std::thread::hardware_concurrency()));
            for (std::size_t p = 0; p < plan.sphere->passes.size(); ++p) {
                if (p > 0)
                    sink.passEnded();
                PlaySpherePass(run, views, plan.sphere->passes[p]);
            }
        } else if (plan.camera) {
            FrameSampler sampler(CameraLayout(plan));
            for (std::size_t p = 0; p < plan.camera->passes.size(); ++p) {
                if (p > 0)
                    sink.passEnded();
                PlayCameraPass(run, sampler, plan.camera->passes[p]);
            }
        } else {
            PlayPass(run, plan.outward);
            if (plan.back) {
                sink.passEnded(); // a stop found by the frames under way also holds the return pass
                PlayPass(run, *plan.back);
            }
        }
    }
    sink.end(run.failure);
    return run.FrameIndex;
}
