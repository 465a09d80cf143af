#include "anim/AnimationRun.h"

#include "anim/FrameSequence.h"
#include "common/Bitmap24.h"
#include "common/TextFormat.h"
#include "output/FrameNames.h"

#include <cstdint>

namespace {

std::int32_t add32(std::int32_t a, std::int32_t b)
{
    return std::int32_t(std::uint32_t(a) + std::uint32_t(b)); // wraps instead of overflowing
}

// What the passes of one run share.
struct RunState {
    const Bitmap24 &panorama;
    bool test;
    RunHost &host;
    bool &stopRequested;
    bool confirmOverwrite = true;
    std::int32_t counter = 0;
    std::int64_t total = 0;
    RunSummary summary {};
    FrameSeriesWriter *writer = nullptr; // creation runs
};

void Count(RunSummary &summary, SaveOutcome outcome)
{
    switch (outcome) {
    case SaveOutcome::Written:
        ++summary.written;
        break;
    case SaveOutcome::Skipped:
        ++summary.skipped;
        break;
    case SaveOutcome::Failed:
        ++summary.failed;
        break;
    case SaveOutcome::Abandoned:
        break;
    }
}

// One pass of frames from the plan's start; works on its own copy of the
// run's settings.
void PlayPass(RunState &run, tanimprm prm, const PassPlan &plan)
{
    for (std::int32_t i = 0; !run.stopRequested && i < plan.PassCount;) {
        try {
            const FramePosition at = PassPosition(plan, i);
            RenderFrame(prm, run.panorama, at.x, at.y);
            if (run.test) {
                prm.FileName = formatText("%s%d", { prm.DstName, std::int64_t(run.counter) });
            } else {
                prm.FileName
                    = AbsolutePath(MakeFrameName(prm.NameFormat, prm.DstDir, prm.DstName, run.counter, prm.Ext));
                FrameEncoding encoding;
                const FrameFilePlan plan = run.host.planFrame(prm.FileName, run.confirmOverwrite, encoding);
                if (plan.outcome == SaveOutcome::Abandoned) {
                    run.stopRequested = true; // the frame is not shown
                    continue;
                }
                run.writer->hand(*prm.FrameBitmap, prm.FileName, plan, encoding);
                run.host.processMessages();
            }
            run.host.setStatusText(formatText("%s / %4.4d", { prm.FileName, run.total }));
            run.host.showFrame(*prm.FrameBitmap);
            run.host.processMessages();
            run.counter = add32(run.counter, 1);
            ++i;
            ++run.summary.produced;
            if (run.test)
                run.host.waitTempo();
        } catch (...) {
            // Errors inside a frame end the run quietly.
            run.stopRequested = true;
        }
    }
}

} // namespace

FrameFilePlan RunHost::planFrame(const std::string &, bool &, FrameEncoding &)
{
    return {}; // written, put in place only where no file has the name
}

void RefuseInputPictureTarget(const std::string &fileName, const RunHost &host)
{
    if (const std::optional<FileIdentity> input = host.inputPicture(); input && NameLeadsTo(fileName, *input))
        throw TargetIsInputPicture(fileName);
}

int RunAnimation(const Bitmap24 &panorama, bool test, RunHost &host, bool &stopRequested, RunSummary *summary)
{
    if (summary)
        *summary = {};
    stopRequested = false;
    Bitmap24 frame; // freed on every way out
    tanimprm prm;
    prm.FrameBitmap = &frame;
    if (!host.readSettings(prm))
        return 0;
    prm.FrameBitmap = &frame; // the reader must not have replaced it
    const PassPlan outward = PrepareFrames(prm, panorama.width(), panorama.height());

    RunState run { panorama, test, host, stopRequested };
    run.counter = prm.NumStart;
    run.total = RunFrameCount(outward, prm);
    if (const std::optional<FileIdentity> input = host.inputPicture(); input && !test) {
        // Known before anything is written: the picture among the names.
        for (std::int64_t k = 0; k < run.total; ++k) {
            const std::string name = AbsolutePath(
                MakeFrameName(prm.NameFormat, prm.DstDir, prm.DstName, add32(prm.NumStart, std::int32_t(k)), prm.Ext));
            if (NameLeadsTo(name, *input))
                throw TargetIsInputPicture(name);
        }
    }
    FrameSeriesWriter writer(test ? 1 : host.frameThreads(), [&run](const FrameSeriesWriter::Report &report) {
        Count(run.summary, report.outcome);
        if (report.outcome != SaveOutcome::Written && report.detail.endsSeries())
            run.stopRequested = true; // nothing later could be put in place
        run.host.frameSaved(report);
    });
    run.writer = &writer;
    const auto finishFrames = [&] {
        try {
            writer.deliver(true); // the frames under way are finished and counted
        } catch (...) {
            run.stopRequested = true;
        }
    };
    PlayPass(run, prm, outward);
    if (HasReturnPass(prm)) {
        finishFrames(); // a stop found by the last reports also holds the return pass
        PlayPass(run, prm, ReturnPass(outward, prm, panorama.width(), panorama.height()));
    }
    finishFrames();
    run.summary.stopped = stopRequested && run.summary.produced < run.total;
    if (summary)
        *summary = run.summary;
    return run.summary.produced;
}
