#include "anim/VideoAnimationRun.h"

#include "anim/FilePasses.h"
#include "anim/FrameSequence.h"
#include "common/Bitmap24.h"
#include "options/VideoOptions.h"
#include "output/FrameNames.h"
#include "video/GifPalette.h"
#include "video/VideoOutput.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <stdexcept>

namespace {

// The panorama's part that frames show: its first rows (columns when
// vertical) as deep as the frame, all along the travel.
PaletteRegion ShownRegion(const Bitmap24 &panorama, const tanimprm &prm)
{
    if (prm.ScrollType == ScrollVertical)
        return { &panorama, 0, 0, std::min(panorama.width(), prm.FrameWidth), panorama.height() };
    return { &panorama, 0, 0, panorama.width(), std::min(panorama.height(), prm.FrameHeight) };
}

[[noreturn]] void fail(const TVideoOptions &options, const VideoError &error, const std::string &target)
{
    throw VideoRunError(VideoFailureText(options.Container, error, target));
}

} // namespace

VideoOutputSpec VideoSpec(const TVideoOptions &options, int width, int height)
{
    VideoOutputSpec spec;
    spec.container = options.Container;
    spec.codec = options.Codec;
    spec.width = width;
    spec.height = height;
    spec.rate = { std::uint32_t(std::max(0, options.Rate)), 1 };
    spec.quality = options.Quality;
    spec.keyInterval = options.KeyInterval;
    spec.preset = options.Preset;
    spec.lossless = options.Lossless;
    return spec;
}

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
    VideoOutputSpec spec = VideoSpec(options, prm.FrameWidth, prm.FrameHeight);
    spec.paletteSources = { ShownRegion(panorama, prm) };
    std::unique_ptr<VideoOutput> output;
    try {
        output = OpenVideoOutput(result.FileName, spec);
    } catch (const VideoError &e) {
        if (e.reason() == VideoError::Reason::Settings)
            throw VideoSettingsError(VideoFailureText(options.Container, e, result.FileName));
        fail(options, e, result.FileName);
    }

    FilePassRun run { panorama, host, progress, stopRequested, result.FileName, result.FileName, "unknown failure" };
    WriteFilePasses(run, prm, *outward, [&output](const Bitmap24 &shown) {
        output->writeFrame(FrameRows::of(shown)); // throws when the frame cannot be written
        return true;
    });
    if (!run.failure.empty()) {
        output->abandon();
        fail(options, VideoError(VideoError::Reason::Frame, run.failure), result.FileName);
    }
    if (const std::int64_t queued = output->queuedFrames(); queued > 0)
        host.finishingQueuedFrames(queued);
    try {
        const PublishedVideo published = output->finish(FilePublishing(prm, result.FileName, host));
        result.FileWritten = !published.name.empty();
        result.FramesWritten = std::int32_t(published.frames);
        if (result.FileWritten)
            result.FileName = published.name;
    } catch (const VideoError &e) {
        fail(options, e, result.FileName);
    }
    return result;
}
