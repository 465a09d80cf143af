#include "anim/VideoAnimationRun.h"

#include "anim/FilePasses.h"
#include "anim/FrameSequence.h"
#include "common/Bitmap24.h"
#include "options/VideoOptions.h"
#include "output/FrameNames.h"
#include "video/GifPalette.h"
#include "video/GifWriter.h"
#include "video/MuxedVideoWriter.h"
#include "video/QualityScale.h"
#include "video/WebpWriter.h"

#include <algorithm>
#include <memory>
#include <optional>

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
    case VideoContainer::Avi:
    case VideoContainer::Mp4:
    case VideoContainer::Webm:
    case VideoContainer::Mkv:
        break;
    }
    return std::make_unique<MuxedVideoWriter>(path, params, MuxedFormat(options));
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
    const std::optional<PassPlan> outward = ReadFileRunSettings(host, prm, frame, panorama);
    if (!outward)
        return {};

    VideoRunResult result;
    result.FileName = AbsolutePath(prm.FileName);
    std::unique_ptr<AnimationWriter> writer = OpenWriter(result.FileName, options, panorama, prm);

    FilePassRun run { panorama, host, progress, stopRequested, result.FileName, result.FileName, "unknown failure" };
    WriteFilePasses(run, prm, *outward, [&writer](const Bitmap24 &shown) {
        writer->addFrame(shown); // throws when the frame cannot be written
        return true;
    });
    if (!run.failure.empty())
        throw AnimationError(run.failure); // the writer removes its unfinished file
    if (run.frameIndex == 0)
        return result; // nothing to show: no file
    if (const std::int64_t queued = writer->queuedFrames(); queued > 0)
        host.finishingQueuedFrames(queued);
    result.FileName = writer->finish(FilePublishing(prm, result.FileName, host));
    result.FramesWritten = std::int32_t(writer->framesWritten());
    result.FileWritten = true;
    return result;
}
