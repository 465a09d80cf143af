#include "anim/FrameLoop.h"

#include "anim/FrameSink.h"
#include "anim/RunFeedback.h"
#include "common/Bitmap24.h"

#include <exception>
#include <optional>
#include <string>

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
    std::int64_t index = 0; // frames shown, over both passes
    std::int64_t total = 0;
    std::string failure {};
};

// One pass of frames from the pass's start.
void PlayPass(RunState &run, const PassPlan &pass)
{
    const bool progress = run.sink.reportsProgress();
    if (progress)
        run.feedback.passStarting(pass.PassCount);
    for (std::int32_t i = 0; !run.stopRequested && i < pass.PassCount; ++i) {
        try {
            const FramePosition at = PassPosition(pass, i);
            std::optional<PanoramaWindow> window;
            if (run.fromPanorama)
                window = FrameWindow(run.plan, run.panorama, at.x, at.y);
            if (!window)
                RenderFrame(run.plan, run.panorama, run.frame, at.x, at.y);
            if (!run.sink.prepare(run.index)) {
                run.stopRequested = true; // the question was closed: the frame is not shown
                break;
            }
            run.feedback.setStatusText(run.sink.statusText(run.index, run.total));
            if (progress)
                run.feedback.frameStarting(i, run.sink.progressText(run.index, run.total));
            run.feedback.showFrame(run.frame);
            run.feedback.processMessages();
            const bool taken = window ? run.sink.takeRows(*window, run.plan.FrameWidth, run.plan.FrameHeight)
                                      : run.sink.take(run.frame);
            if (!taken) {
                run.stopRequested = true;
                break;
            }
            ++run.index;
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

} // namespace

std::int64_t PlayPasses(
    const Bitmap24 &panorama, const RunPlan &plan, FrameSink &sink, RunFeedback &feedback, bool &stopRequested)
{
    RunState run { panorama, plan, sink, feedback, stopRequested };
    MakeFrameBitmap(plan, run.frame);
    run.total = plan.total();
    sink.begin(plan);
    run.fromPanorama = sink.takesPanoramaRows() && !feedback.showsFrames();
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
        PlayPass(run, plan.outward);
        if (plan.back) {
            sink.passEnded(); // a stop found by the frames under way also holds the return pass
            PlayPass(run, *plan.back);
        }
    }
    sink.end(run.failure);
    return run.index;
}
