#include "anim/FilePasses.h"

#include "anim/AnimationRun.h"
#include "common/Bitmap24.h"
#include "common/DiskSpace.h"
#include "common/TextFormat.h"
#include "output/AviProgress.h"
#include "output/FrameNames.h"

#include <exception>

namespace {

std::int32_t add32(std::int32_t a, std::int32_t b)
{
    return std::int32_t(std::uint32_t(a) + std::uint32_t(b)); // wraps instead of overflowing
}

// One pass of frames, frame numbers running on in run.frameIndex.
void WritePass(
    FilePassRun &run, tanimprm prm, const PassPlan &plan, const FrameSink &sink, const WindowSink &windowSink)
{
    const std::string folder = run.fileName.substr(0, run.fileName.rfind('/') + 1);
    run.progress.startPass(plan.PassCount);
    for (std::int32_t i = 0; !run.stopRequested && i < plan.PassCount; ++i) {
        try {
            const FramePosition at = PassPosition(plan, i);
            std::optional<PanoramaWindow> window;
            if (windowSink)
                window = FrameWindow(prm, run.panorama, at.x, at.y);
            if (!window)
                RenderFrame(prm, run.panorama, at.x, at.y);
            run.host.setStatusText(
                formatText("%s - Frame%4.4d / %4.4d", { run.statusName, std::int64_t(run.frameIndex), run.total }));
            const std::int64_t freeKo = FreeDiskBytes(folder) / 1024;
            run.progress.frameStarting(i,
                formatText("Frame %4.4d / %4.4d - Disque Libre %d Ko",
                    { std::int64_t(run.frameIndex), run.total, freeKo < 0 ? 0 : freeKo }));
            run.host.showFrame(*prm.FrameBitmap);
            run.host.processMessages();
            if (!(window ? windowSink(*window, prm.FrameBitmap->height()) : sink(*prm.FrameBitmap))) {
                run.stopRequested = true;
                break;
            }
            run.frameIndex = add32(run.frameIndex, 1);
            run.host.processMessages();
        } catch (const std::exception &e) {
            // Any failure inside a frame stops the run; the file is still
            // finished with the frames written, and the failure reported.
            run.failure = e.what();
            run.stopRequested = true;
        } catch (...) {
            run.failure = run.unknownFailure;
            run.stopRequested = true;
        }
    }
}

} // namespace

std::optional<PassPlan> ReadFileRunSettings(RunHost &host, tanimprm &prm, Bitmap24 &frame, const Bitmap24 &panorama)
{
    prm.FrameBitmap = &frame;
    if (!host.readSettings(prm))
        return std::nullopt;
    prm.FrameBitmap = &frame;
    return PrepareFrames(prm, panorama.width(), panorama.height());
}

void WriteFilePasses(
    FilePassRun &run, const tanimprm &prm, const PassPlan &outward, const FrameSink &sink, const WindowSink &windowSink)
{
    run.total = RunFrameCount(outward, prm);
    run.progress.showProgress();
    struct Hide {
        AviProgress &progress;
        ~Hide() { progress.hideProgress(); }
    } hide { run.progress };
    WritePass(run, prm, outward, sink, windowSink);
    if (HasReturnPass(prm))
        WritePass(run, prm, ReturnPass(outward, prm, run.panorama.width(), run.panorama.height()), sink, windowSink);
}

VideoPublishing FilePublishing(const tanimprm &prm, const std::string &target, RunHost &host)
{
    VideoPublishing publishing;
    publishing.dropQueued = [&host] { return host.dropQueuedFrames(); };
    publishing.target = target;
    publishing.replace = prm.ReplaceExisting;
    publishing.keep = host.inputPicture();
    publishing.nextName = [prm](int attempt) {
        constexpr int kMaxAttempts = 10000;
        if (attempt > kMaxAttempts)
            return std::string();
        return AbsolutePath(
            MakeFrameName(prm.NameFormat, prm.DstDir, prm.DstName, add32(prm.NumStart, attempt), prm.Ext));
    };
    return publishing;
}
