#include "anim/AnimationRun.h"

#include "anim/FrameLoop.h"
#include "anim/RunFeedback.h"
#include "anim/ScreenSink.h"
#include "anim/VideoSink.h"
#include "common/Bitmap24.h"
#include "common/TextFormat.h"
#include "output/FrameNames.h"
#include "picture/PanoramaScaler.h"

#include <algorithm>
#include <stdexcept>

VideoOutputSettings VideoSettingsFor(const RunRequest &request, const Bitmap24 &panorama)
{
    VideoOutputSettings outputSettings = request.video;
    const tanimprm &s = request.settings;
    outputSettings.width = s.FrameWidth;
    outputSettings.height = s.FrameHeight;
    if (!s.Camera.AudioFile.empty())
        outputSettings.audioFile = s.Camera.AudioFile;
    outputSettings.paletteSources.clear();
    if (outputSettings.container == VideoContainer::Gif && s.Sphere.Active()) {
        // Views may show any part of the panorama.
        outputSettings.paletteSources.push_back({ &panorama, 0, 0, panorama.width(), panorama.height() });
    } else if (outputSettings.container == VideoContainer::Gif) {
        // Frames show the panorama's first rows (columns when vertical) as
        // deep as the frame, all along the travel.
        if (s.ScrollType == ScrollVertical)
            outputSettings.paletteSources.push_back(
                { &panorama, 0, 0, std::min(panorama.width(), s.FrameWidth), panorama.height() });
        else
            outputSettings.paletteSources.push_back(
                { &panorama, 0, 0, panorama.width(), std::min(panorama.height(), s.FrameHeight) });
    }
    return outputSettings;
}

namespace {

// Known before anything is written: the picture being read among the names.
void RefuseInputPictureAmongTheNames(const RunRequest &request, std::int64_t total)
{
    if (!request.inputPicture || request.kind == RunKind::Test)
        return;
    const OutputNames &n = request.names;
    const std::int64_t files = request.kind == RunKind::Series ? total : 1;
    for (std::int64_t k = 0; k < files; ++k) {
        const std::string name
            = AbsolutePath(MakeFrameName(n.NameFormat, n.DstDir, n.DstName, FrameNumber(n.NumStart, k), n.Ext));
        if (NameLeadsTo(name, *request.inputPicture))
            throw TargetIsInputPicture(name);
    }
}

} // namespace

RunOutcome RunAnimation(const Bitmap24 &picture, const RunRequest &request, RunFeedback &feedback, bool &stopRequested)
{
    stopRequested = false;
    const RunPlan plan = PrepareFrames(request.settings, picture.width(), picture.height());
    // A camera sees the panorama scaled once (a load may have scaled it already).
    Bitmap24 scaled;
    const bool rescale = plan.camera
        && (picture.width() != plan.camera->panoramaWidth || picture.height() != plan.camera->panoramaHeight);
    if (rescale && !ScaleBitmap(picture, plan.camera->panoramaWidth, plan.camera->panoramaHeight, scaled))
        throw std::runtime_error(formatText("Impossible de créer une image de %d * %d pixels",
            { std::int64_t(plan.camera->panoramaWidth), std::int64_t(plan.camera->panoramaHeight) }));
    const Bitmap24 &panorama = rescale ? scaled : picture;
    RunOutcome outcome;
    outcome.total = plan.total();
    RefuseInputPictureAmongTheNames(request, outcome.total);
    feedback.runStarting(plan);
    switch (request.kind) {
    case RunKind::Test: {
        ScreenSink sink(request.names.DstName, request.names.NumStart, request.framePause);
        outcome.produced = PlayPasses(panorama, plan, sink, feedback, stopRequested);
        break;
    }
    case RunKind::Series: {
        SeriesSink sink(
            { request.names, request.threads, request.encoding, request.inputPicture }, feedback, stopRequested);
        outcome.produced = PlayPasses(panorama, plan, sink, feedback, stopRequested);
        outcome.series = sink.counts();
        outcome.seriesStoppedBy = sink.stoppedBy();
        break;
    }
    case RunKind::VideoFile: {
        VideoSink sink(VideoSettingsFor(request, panorama), request.names, request.inputPicture, feedback);
        outcome.produced = PlayPasses(panorama, plan, sink, feedback, stopRequested);
        outcome.file = sink.published();
        outcome.keptOldFile = sink.keptOldFile();
        break;
    }
    }
    outcome.stopped = outcome.produced < outcome.total;
    return outcome;
}
