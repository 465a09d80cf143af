#include "video/AviFileService.h"

#include "video/AviWriter.h"
#include "video/FFmpegObjects.h"
#include "video/VideoCompressors.h"

#include <atomic>
#include <climits>
#include <cstring>
#include <new>
#include <string>
#include <sys/stat.h>

namespace {

constexpr std::uint32_t kCompressorType = mmioFOURCC('v', 'i', 'd', 'c');

std::atomic<int> libraryUsers { 0 };

std::uint32_t le32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::uint16_t le16(const std::uint8_t *p)
{
    return std::uint16_t(p[0] | p[1] << 8);
}

bool isFolder(const std::string &path)
{
    struct stat info { };
    return path.empty() || (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
}

} // namespace

// What the file and its stream handles share.
struct AviShared {
    std::string target;
    AviWriter writer;
    bool hasStream = false;
    bool opened = false;
    VideoFrameFormat format;
    std::string failure; // before the writer has one
    std::int64_t nextSample = 0;
};

struct AviFile {
    std::shared_ptr<AviShared> shared;
};

struct AviStream {
    std::shared_ptr<AviShared> shared;
    bool compressing = false;
    AVICOMPRESSOPTIONS options;
};

int AVIFileInit()
{
    ffmpeg::routeLogs();
    ++libraryUsers;
    return AVIERR_OK;
}

void AVIFileExit()
{
    int users = libraryUsers.load();
    while (users > 0 && !libraryUsers.compare_exchange_weak(users, users - 1)) { }
}

int AVIFileOpen(PAVIFILE *file, const std::string &fileName, unsigned mode)
{
    if (!file)
        return AVIERR_BADPARAM;
    *file = nullptr;
    if ((mode & (OF_CREATE | OF_WRITE)) != (OF_CREATE | OF_WRITE))
        return AVIERR_UNSUPPORTED; // writing a new file is all there is
    // A name that is a folder, or too long for a file system, would only
    // fail once every frame is written.
    const std::size_t slash = fileName.rfind('/');
    if (isFolder(fileName) || fileName.size() - (slash == std::string::npos ? 0 : slash + 1) > NAME_MAX)
        return AVIERR_FILEOPEN;
    try {
        auto shared = std::make_shared<AviShared>();
        shared->target = fileName;
        *file = new AviFile { std::move(shared) };
        return AVIERR_OK;
    } catch (const std::bad_alloc &) {
        return AVIERR_MEMORY;
    }
}

int AVIFileCreateStream(PAVIFILE file, PAVISTREAM *stream, const AVISTREAMINFO &info)
{
    if (!stream)
        return AVIERR_BADPARAM;
    *stream = nullptr;
    if (!file)
        return AVIERR_BADHANDLE;
    AviShared &shared = *file->shared;
    if (shared.hasStream || info.fccType != streamtypeVIDEO)
        return AVIERR_UNSUPPORTED; // one video stream per file
    if (info.dwRate == 0 || info.dwScale == 0 || info.dwRate > INT_MAX || info.dwScale > INT_MAX)
        return AVIERR_BADPARAM;
    try {
        shared.format.rate = info.dwRate;
        shared.format.scale = info.dwScale;
        shared.writer.setTitle(std::string(info.szName, strnlen(info.szName, sizeof info.szName)));
        *stream = new AviStream { file->shared, false, {} };
        shared.hasStream = true;
        return AVIERR_OK;
    } catch (const std::bad_alloc &) {
        return AVIERR_MEMORY;
    }
}

int AVIMakeCompressedStream(PAVISTREAM *compressed, PAVISTREAM stream, const AVICOMPRESSOPTIONS &options)
{
    if (!compressed)
        return AVIERR_BADPARAM;
    *compressed = nullptr;
    if (!stream || stream->compressing)
        return AVIERR_BADHANDLE;
    if (options.fccType != 0 && options.fccType != streamtypeVIDEO && options.fccType != kCompressorType)
        return AVIERR_UNSUPPORTED;
    if (options.fccHandler != 0 && options.fccHandler != comptypeDIB && !FindVideoCompressor(options.fccHandler))
        return AVIERR_NOCOMPRESSOR;
    try {
        *compressed = new AviStream { stream->shared, true, options };
        return AVIERR_OK;
    } catch (const std::bad_alloc &) {
        return AVIERR_MEMORY;
    }
}

int AVIStreamSetFormat(PAVISTREAM stream, long pos, const void *format, long size)
{
    if (!stream)
        return AVIERR_BADHANDLE;
    AviShared &shared = *stream->shared;
    if (pos != 0 || shared.opened)
        return AVIERR_UNSUPPORTED; // the format is set once
    const auto *header = static_cast<const std::uint8_t *>(format);
    if (!header || size < long(kBitmapInfoHeaderSize) || le32(header) < kBitmapInfoHeaderSize
        || le32(header) > std::uint32_t(size))
        return AVIERR_BADFORMAT;
    const auto width = std::int32_t(le32(header + 4)), height = std::int32_t(le32(header + 8));
    // Top-down frames (negative height) are not taken.
    if (width <= 0 || height <= 0 || le16(header + 12) != 1 || le16(header + 14) != 24 || le32(header + 16) != BI_RGB) {
        shared.failure = "only 24-bit bottom-up frames can be written";
        return AVIERR_BADFORMAT;
    }
    VideoCodecChoice codec;
    if (stream->compressing) {
        const AVICOMPRESSOPTIONS &o = stream->options;
        codec.handler = o.fccHandler;
        codec.quality = o.dwQuality;
        codec.keyFrameEvery = o.dwFlags & AVICOMPRESSF_KEYFRAMES ? o.dwKeyFrameEvery : 0;
        codec.bytesPerSecond = o.dwFlags & AVICOMPRESSF_DATARATE ? o.dwBytesPerSecond : 0;
    }
    shared.format.width = width;
    shared.format.height = height;
    shared.opened = true;
    try {
        if (shared.writer.open(shared.target, shared.format, codec))
            return AVIERR_OK;
    } catch (const std::bad_alloc &) {
        return AVIERR_MEMORY;
    }
    // The compressor is asked before anything is made.
    const std::string &why = shared.writer.failure();
    if (why.rfind("the compressor", 0) == 0 || why.rfind("no compressor", 0) == 0)
        return AVIERR_COMPRESSOR;
    if (why.rfind("a frame", 0) == 0)
        return AVIERR_BADFORMAT;
    return AVIERR_FILEOPEN;
}

int AVIStreamWrite(PAVISTREAM stream, long start, long samples, const void *buffer, long size, unsigned flags,
    long *samplesWritten, long *bytesWritten)
{
    (void)flags; // uncompressed frames are all key frames; compressors follow their options
    if (samplesWritten)
        *samplesWritten = 0;
    if (bytesWritten)
        *bytesWritten = 0;
    if (!stream)
        return AVIERR_BADHANDLE;
    AviShared &shared = *stream->shared;
    if (!shared.opened)
        return AVIERR_BADFORMAT;
    const std::size_t stride = (std::size_t(shared.format.width) * 3 + 3) & ~std::size_t(3);
    const std::size_t imageSize = stride * std::size_t(shared.format.height);
    if (!buffer || samples < 1 || start != shared.nextSample)
        return AVIERR_BADPARAM;
    if (size < 0 || std::size_t(size) != imageSize * std::size_t(samples))
        return AVIERR_BADSIZE;
    for (long i = 0; i < samples; ++i) {
        try {
            if (!shared.writer.writeFrame(
                    static_cast<const std::uint8_t *>(buffer) + std::size_t(i) * imageSize, std::ptrdiff_t(stride)))
                return AVIERR_FILEWRITE;
        } catch (const std::bad_alloc &) {
            return AVIERR_MEMORY;
        }
        ++shared.nextSample;
        if (samplesWritten)
            ++*samplesWritten;
        if (bytesWritten)
            *bytesWritten += long(imageSize);
    }
    return AVIERR_OK;
}

int AVIStreamWriteRows(PAVISTREAM stream, long start, const std::uint8_t *bottomRow, std::ptrdiff_t pitch)
{
    if (!stream)
        return AVIERR_BADHANDLE;
    AviShared &shared = *stream->shared;
    if (!shared.opened)
        return AVIERR_BADFORMAT;
    if (!bottomRow || start != shared.nextSample)
        return AVIERR_BADPARAM;
    const std::size_t stride = (std::size_t(shared.format.width) * 3 + 3) & ~std::size_t(3);
    const std::size_t distance = std::size_t(pitch < 0 ? -pitch : pitch);
    if (shared.writer.storesRowsAsTheyCome() ? distance < std::size_t(shared.format.width) * 3 : distance != stride)
        return AVIERR_BADSIZE;
    try {
        if (!shared.writer.writeFrame(bottomRow, pitch))
            return AVIERR_FILEWRITE;
    } catch (const std::bad_alloc &) {
        return AVIERR_MEMORY;
    }
    ++shared.nextSample;
    return AVIERR_OK;
}

bool AVIStreamStoresRowsAsTheyCome(PAVISTREAM stream)
{
    return stream && stream->shared->opened && stream->shared->writer.storesRowsAsTheyCome();
}

int AVIFileFinish(PAVIFILE file, const VideoPublishing &publishing)
{
    if (!file)
        return AVIERR_BADHANDLE;
    if (!file->shared->opened)
        return AVIERR_BADFORMAT;
    try {
        return file->shared->writer.finish(publishing) ? AVIERR_OK : AVIERR_FILEWRITE;
    } catch (const std::bad_alloc &) {
        file->shared->writer.abandon();
        return AVIERR_MEMORY;
    }
}

std::string AVIFileError(PAVIFILE file)
{
    if (!file)
        return {};
    const std::string &failure = file->shared->writer.failure();
    return failure.empty() ? file->shared->failure : failure;
}

AviFileResult AVIFileResult(PAVIFILE file)
{
    if (!file)
        return {};
    const AviWriter &writer = file->shared->writer;
    return { writer.framesInFile(), writer.publishedName(), writer.queuedFrames() };
}

void AVIStreamRelease(PAVISTREAM stream)
{
    delete stream;
}

void AVIFileRelease(PAVIFILE file)
{
    delete file;
}
