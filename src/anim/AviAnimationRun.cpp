#include "anim/AviAnimationRun.h"

#include "anim/FrameSequence.h"
#include "common/Bitmap24.h"
#include "common/DiskSpace.h"
#include "common/TextFormat.h"
#include "options/AviOptions.h"
#include "options/CodecCatalogue.h"
#include "output/AviFrame.h"
#include "output/AviProgress.h"
#include "output/FrameNames.h"
#include "platform/AviFileService.h"
#include "platform/BusyCursor.h"

#include <stdexcept>
#include <vector>

namespace {

std::int32_t add32(std::int32_t a, std::int32_t b)
{
    return std::int32_t(std::uint32_t(a) + std::uint32_t(b)); // wraps instead of overflowing
}

// What the passes of one run share.
struct AviRun {
    const Bitmap24 &panorama;
    AviRunHost &host;
    bool &stopRequested;
    PAVISTREAM compressed = nullptr;
    std::vector<std::uint8_t> header {};
    std::vector<std::uint8_t> pixels {};
    std::string folder {}; // where the file goes: its free space is shown
    std::int32_t frameIndex = 0;
    std::int64_t total = 0;
    bool writeFailed = false;
};

// One pass of frames, sample numbers running on in run.frameIndex.
void WriteAviPass(AviRun &run, tanimprm prm, const PassPlan &plan)
{
    run.host.progress().startPass(plan.PassCount);
    for (std::int32_t i = 0; !run.stopRequested && i < plan.PassCount;) {
        try {
            const FramePosition at = PassPosition(plan, i);
            RenderFrame(prm, run.panorama, at.x, at.y);
            run.host.setStatusText(
                formatText("%s - Frame%4.4d / %4.4d", { prm.FileName, std::int64_t(run.frameIndex), run.total }));
            const std::int64_t freeKo = FreeDiskBytes(run.folder) / 1024;
            run.host.progress().frameStarting(i,
                formatText("Frame %4.4d / %4.4d - Disque Libre %d Ko",
                    { std::int64_t(run.frameIndex), run.total, freeKo < 0 ? 0 : freeKo }));
            run.host.showFrame(*prm.FrameBitmap);
            run.host.processMessages();
            ConvertAviFrame(*prm.FrameBitmap, run.header, run.pixels);
            if (AVIStreamWrite(run.compressed, run.frameIndex, 1, run.pixels.data(), long(run.pixels.size()),
                    AVIIF_KEYFRAME, nullptr, nullptr)
                != AVIERR_OK) {
                run.writeFailed = true;
                throw std::runtime_error("Failed to add frame to AVI");
            }
            run.frameIndex = add32(run.frameIndex, 1);
            ++i;
            run.host.processMessages();
        } catch (...) {
            // Any failure inside a frame stops the run; the file is still
            // closed with the frames written.
            run.stopRequested = true;
        }
    }
}

[[noreturn]] void fail(const char *message)
{
    throw std::runtime_error(message);
}

} // namespace

AviRunResult RunAviAnimation(
    const Bitmap24 &panorama, const TAviOptions &options, AviRunHost &host, bool &stopRequested)
{
    stopRequested = false;
    // A video needs at least one frame a second: refused before anything is
    // created.
    if (options.Rate == 0)
        throw AviSettingsError("AVI frame rate must be at least 1 frame per second");

    Bitmap24 frame; // freed on every way out, last
    tanimprm prm;
    prm.FrameBitmap = &frame;
    if (!host.readSettings(prm))
        return {};
    prm.FrameBitmap = &frame;
    const PassPlan outward = PrepareFrames(prm, panorama.width(), panorama.height());

    AviRunResult result;
    result.FileName = AbsolutePath(prm.FileName);
    const ScopedBusyCursor busy(host.cursors(), BusyCursors::Cursor::AppStart);
    const AviFileLibrary library;
    AviFileHolder file;
    {
        PAVIFILE opened = nullptr;
        if (AVIFileOpen(&opened, result.FileName, OF_CREATE | OF_SHARE_EXCLUSIVE | OF_WRITE) != AVIERR_OK)
            fail("Failed to create AVI file");
        file.reset(opened);
    }
    const AviFrameSizes sizes = GetAviFrameSizes(frame);
    if (sizes.HeaderSize == 0)
        fail("Failed to retrieve bitmap info");

    AVISTREAMINFO info;
    info.fccType = streamtypeVIDEO;
    info.dwScale = 1;
    info.dwRate = options.Rate;
    info.dwQuality = options.Quality;
    info.dwSuggestedBufferSize = sizes.ImageSize;
    info.dwSampleSize = sizes.ImageSize;
    info.rcFrame = { 0, 0, prm.FrameWidth, prm.FrameHeight };
    AviStreamHolder stream;
    {
        PAVISTREAM created = nullptr;
        if (AVIFileCreateStream(file.get(), &created, info) != AVIERR_OK)
            fail("Failed to create AVI stream");
        stream.reset(created);
    }

    AviRun run { panorama, host, stopRequested };
    run.header.resize(sizes.HeaderSize);
    run.pixels.resize(sizes.ImageSize);
    ConvertAviFrame(frame, run.header, run.pixels);

    AVICOMPRESSOPTIONS compression;
    GetCodec(options.Codecs, options.CodecIndex, compression.fccType, compression.fccHandler);
    compression.dwKeyFrameEvery = 1;
    compression.dwQuality = info.dwQuality;
    compression.dwFlags = AVICOMPRESSF_VALID | AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_DATARATE;
    compression.lpFormat = run.header.data();
    compression.cbFormat = sizes.HeaderSize;
    compression.dwInterleaveEvery = 1;
    if (!host.chooseCompression(compression))
        fail("Failed to get AVI Compression Options");
    AviStreamHolder compressed;
    {
        PAVISTREAM made = nullptr;
        if (AVIMakeCompressedStream(&made, stream.get(), compression) != AVIERR_OK)
            fail("Failed to create AVI Compressed stream");
        compressed.reset(made);
    }
    if (AVIStreamSetFormat(compressed.get(), 0, run.header.data(), long(run.header.size())) != AVIERR_OK)
        fail("Failed to set AVI stream format");

    run.compressed = compressed.get();
    run.folder = result.FileName.substr(0, result.FileName.rfind('/') + 1);
    run.total = RunFrameCount(outward, prm);
    {
        host.progress().showProgress();
        struct Hide {
            AviProgress &progress;
            ~Hide() { progress.hideProgress(); }
        } hide { host.progress() };
        WriteAviPass(run, prm, outward);
        if (HasReturnPass(prm))
            WriteAviPass(run, prm, ReturnPass(outward, prm, panorama.width(), panorama.height()));
    }
    compressed.reset();
    stream.reset();
    file.reset();
    result.FramesWritten = run.frameIndex;
    result.FileWritten = !run.writeFailed || run.frameIndex > 0;
    if (run.writeFailed)
        fail("Failed to add frame to AVI");
    host.setStatusText(host.statusText() + "-" + "OK!");
    return result;
}
