#include "anim/AviAnimationRun.h"

#include "anim/FilePasses.h"
#include "anim/FrameSequence.h"
#include "anim/RunEndText.h"
#include "common/Bitmap24.h"
#include "common/TextFormat.h"
#include "options/AviOptions.h"
#include "output/FrameNames.h"
#include "platform/BusyCursor.h"
#include "video/AviFileService.h"
#include "video/AviFrame.h"
#include "video/VideoCompressors.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

[[noreturn]] void fail(const char *message, const std::string &cause)
{
    throw AviRunError(message, cause);
}

std::string systemCause(const std::string &path)
{
    return std::string(std::strerror(errno ? errno : EIO)) + ": " + path;
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
    const std::optional<PassPlan> outward = ReadFileRunSettings(host, prm, frame, panorama);
    if (!outward)
        return {};

    AviRunResult result;
    result.FileName = AbsolutePath(prm.FileName);
    RefuseInputPictureTarget(result.FileName, host);
    const ScopedBusyCursor busy(host.cursors(), BusyCursors::Cursor::AppStart);
    const AviFileLibrary library;
    AviFileHolder file;
    {
        PAVIFILE opened = nullptr;
        errno = EISDIR; // the one reason the name itself is refused
        if (AVIFileOpen(&opened, result.FileName, OF_CREATE | OF_SHARE_EXCLUSIVE | OF_WRITE) != AVIERR_OK)
            fail("Failed to create AVI file", systemCause(result.FileName));
        file.reset(opened);
    }
    const AviFrameSizes sizes = GetAviFrameSizes(frame);
    if (sizes.HeaderSize == 0)
        fail("Failed to retrieve bitmap info", "the frame is empty");

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
            fail("Failed to create AVI stream", AVIFileError(file.get()));
        stream.reset(created);
    }

    std::vector<std::uint8_t> header(sizes.HeaderSize);
    FillAviFrameHeader(frame, header);

    AVICOMPRESSOPTIONS compression;
    compression.fccType = options.CodecHandler ? ICTYPE_VIDEO : 0;
    compression.fccHandler = options.CodecHandler;
    compression.dwKeyFrameEvery = 1;
    compression.dwQuality = info.dwQuality;
    compression.dwFlags = AVICOMPRESSF_VALID | AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_DATARATE;
    compression.lpFormat = header.data();
    compression.cbFormat = sizes.HeaderSize;
    compression.dwInterleaveEvery = 1;
    if (!host.chooseCompression(compression))
        fail("Failed to get AVI Compression Options", {});
    AviStreamHolder compressed;
    {
        PAVISTREAM made = nullptr;
        if (AVIMakeCompressedStream(&made, stream.get(), compression) != AVIERR_OK)
            fail("Failed to create AVI Compressed stream",
                "no compressor '" + fourccText(compression.fccHandler) + "' on this machine");
        compressed.reset(made);
    }
    if (const int ret = AVIStreamSetFormat(compressed.get(), 0, header.data(), long(header.size())); ret != AVIERR_OK)
        fail(ret == AVIERR_FILEOPEN ? "Failed to create AVI file" : "Failed to set AVI stream format",
            AVIFileError(file.get()));

    FilePassRun run { panorama, host, host.progress(), stopRequested, result.FileName, prm.FileName };
    // The rows go as they lie, bottom row first: no copy of ours.
    const auto writeRows = [&](const std::uint8_t *bottomRow, std::size_t stride) {
        if (AVIStreamWriteRows(compressed.get(), run.frameIndex, bottomRow, -std::ptrdiff_t(stride)) == AVIERR_OK)
            return true;
        run.failure = AVIFileError(file.get());
        return false;
    };
    const FrameSink sink
        = [&](const Bitmap24 &shown) { return writeRows(shown.scanLine(shown.height() - 1), shown.stride()); };
    // Stored uncompressed for a host that does not look at the frames: a
    // frame that is panorama pixels only goes from the panorama's rows.
    WindowSink fromPanorama;
    if (!host.showsFrames() && AVIStreamStoresRowsAsTheyCome(compressed.get()))
        fromPanorama = [&](const PanoramaWindow &window, int height) {
            return writeRows(window.top + std::size_t(height - 1) * window.stride, window.stride);
        };
    WriteFilePasses(run, prm, *outward, sink, fromPanorama);
    compressed.reset();
    stream.reset();

    // The finish: the compressor's queued frames, the trailer and index, the
    // close and the publishing, whose failure is the run's.
    if (const std::int64_t queued = AVIFileResult(file.get()).queuedFrames; queued > 0)
        host.finishingQueuedFrames(queued);
    const VideoPublishing publishing = FilePublishing(prm, result.FileName, host);
    const bool finished = AVIFileFinish(file.get(), publishing) == AVIERR_OK;
    const AviFileResult written = AVIFileResult(file.get());
    const std::string finishFailure = AVIFileError(file.get());
    file.reset();
    result.FramesWritten = std::int32_t(written.frames);
    result.FileWritten = !written.publishedName.empty();
    result.KeptOldFile = finished && !result.FileWritten;
    if (result.FileWritten)
        result.FileName = written.publishedName;
    if (!run.failure.empty() || !finished) {
        std::string cause = run.failure.empty() ? finishFailure : run.failure;
        if (result.FileWritten)
            cause += formatText("\n%d frames kept in %s", { std::int64_t(result.FramesWritten), result.FileName });
        // Every frame in the file and still a failure: the file itself
        // could not be completed or put in place.
        const bool allFramesIn = run.failure.empty() && written.frames == run.frameIndex;
        throw AviRunError(allFramesIn ? "Failed to create AVI file" : "Failed to add frame to AVI", cause,
            result.FramesWritten, result.FileWritten ? result.FileName : std::string());
    }
    if (result.FileWritten && result.FileName != AbsolutePath(prm.FileName))
        host.setStatusText(
            formatText("%s - Frame%4.4d / %4.4d", { result.FileName, std::int64_t(run.frameIndex) - 1, run.total }));
    result.Stopped = result.FramesWritten < run.total;
    host.setStatusText(host.statusText() + FileRunEndText(result.Stopped, result.FramesWritten));
    return result;
}
