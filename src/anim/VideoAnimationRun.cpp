#include "anim/VideoAnimationRun.h"

#include "anim/FrameSequence.h"
#include "common/Bitmap24.h"
#include "common/DiskSpace.h"
#include "common/TextFormat.h"
#include "options/VideoOptions.h"
#include "output/AviProgress.h"
#include "output/FrameNames.h"
#include "video/GifPalette.h"
#include "video/GifWriter.h"
#include "video/MuxedVideoWriter.h"
#include "video/QualityScale.h"
#include "video/WebpWriter.h"

#include <algorithm>
#include <memory>

namespace {

// The panorama's part that frames show: its first rows (columns when
// vertical) as deep as the frame, all along the travel.
PaletteRegion ShownRegion(const Bitmap24 &panorama, const tanimprm &prm)
{
    if (prm.ScrollType == ScrollVertical)
        return { &panorama, 0, 0, std::min(panorama.width(), prm.FrameWidth), panorama.height() };
    return { &panorama, 0, 0, panorama.width(), std::min(panorama.height(), prm.FrameHeight) };
}

// The container's muxer and the encoder of the chosen codec (or the
// container's usual one).
MuxedVideoFormat MuxedFormat(const TVideoOptions &options)
{
    MuxedVideoFormat format;
    format.preset = options.Preset;
    VideoCodec codec = options.Codec;
    switch (options.Container) {
    case VideoContainer::Webm:
        format.muxer = "webm";
        if (codec == VideoCodec::Default)
            codec = VideoCodec::Vp9;
        break;
    case VideoContainer::Mkv:
        format.muxer = "matroska";
        if (codec == VideoCodec::Default)
            codec = VideoCodec::Ffv1;
        break;
    default:
        format.muxer = "mp4";
        break;
    }
    switch (codec) {
    case VideoCodec::H265:
        format.encoder = "libx265";
        break;
    case VideoCodec::Av1:
        format.encoder = "libsvtav1";
        break;
    case VideoCodec::Vp9:
        format.encoder = "libvpx-vp9";
        break;
    case VideoCodec::Ffv1:
        format.encoder = "ffv1";
        break;
    default:
        format.encoder = "libx264";
        break;
    }
    return format;
}

std::unique_ptr<AnimationWriter> OpenWriter(
    const std::string &path, const TVideoOptions &options, const Bitmap24 &panorama, const tanimprm &prm)
{
    AnimationParams params;
    params.width = prm.FrameWidth;
    params.height = prm.FrameHeight;
    params.rate = options.Rate;
    params.quality = options.Quality;
    params.lossless = options.Lossless;
    params.keyInterval = options.KeyInterval;
    switch (options.Container) {
    case VideoContainer::Gif: {
        const int quality = int(MapQuality(QualityTarget::GifPaletteQuality, options.Quality));
        return std::make_unique<GifWriter>(path, params, MakeGifPalette({ ShownRegion(panorama, prm) }, quality, 4));
    }
    case VideoContainer::Webp:
        return std::make_unique<WebpWriter>(path, params);
    case VideoContainer::Mp4:
    case VideoContainer::Webm:
    case VideoContainer::Mkv:
        break;
    }
    return std::make_unique<MuxedVideoWriter>(path, params, MuxedFormat(options));
}

struct VideoRun {
    const Bitmap24 &panorama;
    RunHost &host;
    AviProgress &progress;
    bool &stopRequested;
    AnimationWriter &writer;
    std::string fileName;
    std::string folder {}; // its free space is shown
    std::int32_t frameIndex = 0;
    std::int64_t total = 0;
    std::string failure {}; // the writer's reason, when a frame could not be written
};

void WriteVideoPass(VideoRun &run, tanimprm prm, const PassPlan &plan)
{
    run.progress.startPass(plan.PassCount);
    for (std::int32_t i = 0; !run.stopRequested && i < plan.PassCount; ++i) {
        try {
            const FramePosition at = PassPosition(plan, i);
            RenderFrame(prm, run.panorama, at.x, at.y);
            run.host.setStatusText(
                formatText("%s - Frame%4.4d / %4.4d", { run.fileName, std::int64_t(run.frameIndex), run.total }));
            const std::int64_t freeKo = FreeDiskBytes(run.folder) / 1024;
            run.progress.frameStarting(i,
                formatText("Frame %4.4d / %4.4d - Disque Libre %d Ko",
                    { std::int64_t(run.frameIndex), run.total, freeKo < 0 ? 0 : freeKo }));
            run.host.showFrame(*prm.FrameBitmap);
            run.host.processMessages();
            run.writer.addFrame(*prm.FrameBitmap);
            ++run.frameIndex;
            run.host.processMessages();
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

VideoRunResult RunVideoAnimation(
    const Bitmap24 &panorama, const TVideoOptions &options, RunHost &host, AviProgress &progress, bool &stopRequested)
{
    stopRequested = false;
    if (options.Rate <= 0)
        throw VideoSettingsError("the frame rate must be at least 1 frame per second");
    if (!ContainerAccepts(options.Container, options.Codec))
        throw VideoSettingsError(std::string("a ") + ContainerName(options.Container) + " file cannot hold "
            + CodecName(options.Codec) + " video");

    Bitmap24 frame; // freed on every way out, last
    tanimprm prm;
    prm.FrameBitmap = &frame;
    if (!host.readSettings(prm))
        return {};
    prm.FrameBitmap = &frame;
    const PassPlan outward = PrepareFrames(prm, panorama.width(), panorama.height());

    VideoRunResult result;
    result.FileName = AbsolutePath(prm.FileName);
    std::unique_ptr<AnimationWriter> writer = OpenWriter(result.FileName, options, panorama, prm);

    VideoRun run { panorama, host, progress, stopRequested, *writer, result.FileName };
    run.folder = result.FileName.substr(0, result.FileName.rfind('/') + 1);
    run.total = RunFrameCount(outward, prm);
    {
        progress.showProgress();
        struct Hide {
            AviProgress &progress;
            ~Hide() { progress.hideProgress(); }
        } hide { progress };
        WriteVideoPass(run, prm, outward);
        if (HasReturnPass(prm))
            WriteVideoPass(run, prm, ReturnPass(outward, prm, panorama.width(), panorama.height()));
    }
    if (!run.failure.empty())
        throw AnimationError(run.failure); // the writer removes its unfinished file
    if (run.frameIndex == 0)
        return result; // nothing to show: no file
    VideoPublishing publishing;
    publishing.target = result.FileName;
    publishing.replace = prm.ReplaceExisting;
    publishing.nextName = [&prm](int attempt) {
        constexpr int kMaxAttempts = 10000;
        if (attempt > kMaxAttempts)
            return std::string();
        const std::int32_t number = std::int32_t(std::uint32_t(prm.NumStart) + std::uint32_t(attempt));
        return AbsolutePath(MakeFrameName(prm.NameFormat, prm.DstDir, prm.DstName, number, prm.Ext));
    };
    result.FileName = writer->finish(publishing);
    result.FramesWritten = run.frameIndex;
    result.FileWritten = true;
    return result;
}
