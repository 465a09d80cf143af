#include "video/AviFileService.h"

#include "common/AtomicFile.h"

#include "video/FFmpegObjects.h"
#include "video/VideoCompressors.h"
#include "video/VideoEncoder.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t kCompressorType = mmioFOURCC('v', 'i', 'd', 'c');
constexpr int kIoBufferSize = 1 << 20;
constexpr std::int64_t kReserveStep = std::int64_t(32) << 20;
constexpr std::size_t kMaxFrameBytes = std::size_t(1) << 29; // far inside one 1 GB RIFF part
// Room kept free beyond the frames for what the muxer writes later: per frame
// one idx1 entry (16 bytes) and one OpenDML ix entry (8 bytes); once the RIFF
// and list headers of a new part and the trailer's counters.
constexpr std::int64_t kIndexBytesPerFrame = 24;
constexpr std::int64_t kHeaderAndTrailerBytes = 64 * 1024;

std::atomic<int> libraryUsers { 0 };

std::uint32_t le32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::uint16_t le16(const std::uint8_t *p)
{
    return std::uint16_t(p[0] | p[1] << 8);
}

// The file under a temporary name beside its target, with disk space
// reserved ahead of what is written.
class PendingFile {
public:
    // A name that is a folder gets no file: the run fails at once, not when
    // the finished file cannot be renamed.
    explicit PendingFile(const std::string &target)
    {
        if (!isFolder(target))
            m_file.emplace(target);
    }

    bool isOpen() const { return fd() >= 0; }

    // Makes sure bytes up to offset end can be written: within the process's
    // file-size limit, and allocated on disk when the file system can.
    bool reserve(std::int64_t end)
    {
        // The size limit first, every time: space reserved ahead may lie
        // past it.
        struct rlimit limit { };
        if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
            && std::uint64_t(end) > std::uint64_t(limit.rlim_cur))
            return false;
        if (end <= m_reserved)
            return true;
        if (m_canAllocate) {
            // Ahead by a good step, so that one allocation serves many
            // frames; near a full disk, just what is needed.
            const std::int64_t ahead = std::max(end, m_reserved + kReserveStep);
            int ret = allocate(ahead);
            if (ret != 0 && errno == ENOSPC && ahead > end)
                ret = allocate(end);
            else if (ret == 0)
                end = ahead;
            if (ret != 0 && errno != EOPNOTSUPP && errno != ENOSYS)
                return false;
            m_canAllocate = ret == 0; // otherwise writes go unprotected
        }
        m_reserved = end;
        return true;
    }

    // Frees the unused reservation, closes and renames over the target.
    bool commit()
    {
        if (fd() < 0)
            return false;
        // Drops the blocks kept past the end; should that fail they only
        // stay allocated.
        struct stat info { };
        [[maybe_unused]] const bool trimmed = ::fstat(fd(), &info) == 0 && ::ftruncate(fd(), info.st_size) == 0;
        return m_file->commit();
    }

    static int write(void *opaque, ffmpeg::IoWriteBuffer data, int size)
    {
        const int fd = static_cast<PendingFile *>(opaque)->fd();
        int done = 0;
        while (done < size) {
            const ssize_t n = ::write(fd, data + done, std::size_t(size - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return n < 0 ? AVERROR(errno) : AVERROR(EIO);
            done += int(n);
        }
        return size;
    }

    static std::int64_t seek(void *opaque, std::int64_t offset, int whence)
    {
        const int fd = static_cast<PendingFile *>(opaque)->fd();
        whence &= ~AVSEEK_FORCE;
        if (whence == AVSEEK_SIZE) {
            struct stat info { };
            return ::fstat(fd, &info) == 0 ? std::int64_t(info.st_size) : AVERROR(errno);
        }
        const off_t position = ::lseek(fd, off_t(offset), whence);
        return position < 0 ? AVERROR(errno) : std::int64_t(position);
    }

private:
    int allocate(std::int64_t end)
    {
        int ret;
        do
            ret = ::fallocate(fd(), FALLOC_FL_KEEP_SIZE, m_reserved, end - m_reserved);
        while (ret != 0 && errno == EINTR);
        return ret;
    }

    static bool isFolder(const std::string &path)
    {
        struct stat info { };
        return path.empty() || (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
    }

    int fd() const { return m_file ? m_file->fd() : -1; }

    std::optional<AtomicFile> m_file; // none when the name is a folder
    std::int64_t m_reserved = 0;
    bool m_canAllocate = true;
};

} // namespace

// What the file and its stream handles share; the file is completed when the
// last of them goes.
class AviWriter {
public:
    explicit AviWriter(const std::string &fileName)
        : m_file(fileName)
    {
    }
    ~AviWriter();
    AviWriter(const AviWriter &) = delete;
    AviWriter &operator=(const AviWriter &) = delete;

    int open();
    int createStream(const AVISTREAMINFO &info);
    int setFormat(const std::uint8_t *header, long size, const AVICOMPRESSOPTIONS *compression);
    int write(long start, long samples, const std::uint8_t *buffer, long size, long *bytesWritten);

private:
    int fail(int code) { return m_failure = code; }
    int writePacket(AVPacket *packet, long *bytesWritten);
    int drainEncoder(long *bytesWritten);

    // Declared in the order they are needed: destroyed in reverse.
    PendingFile m_file;
    ffmpeg::IoContextPtr m_io;
    ffmpeg::FormatContextPtr m_format;
    std::unique_ptr<VideoEncoder> m_encoder;
    ffmpeg::PacketPtr m_packet;
    bool m_hasStream = false;
    std::uint32_t m_rate = 0, m_scale = 1;
    std::string m_name;
    std::size_t m_stride = 0;
    std::size_t m_imageSize = 0;
    std::uint32_t m_keyFrameEvery = 1;
    bool m_headerWritten = false;
    int m_failure = AVIERR_OK;
    std::int64_t m_nextSample = 0;
    std::int64_t m_framesSent = 0;
    std::int64_t m_lastDts = -1;
    std::int64_t m_chunks = 0;
};

struct AviFile {
    std::shared_ptr<AviWriter> writer;
};

struct AviStream {
    std::shared_ptr<AviWriter> writer;
    bool compressing = false;
    AVICOMPRESSOPTIONS options;
};

int AviWriter::open()
{
    if (!m_file.isOpen())
        return AVIERR_FILEOPEN;
    AVFormatContext *format = nullptr;
    if (avformat_alloc_output_context2(&format, nullptr, "avi", nullptr) < 0 || !format)
        return AVIERR_MEMORY;
    m_format.reset(format);
    auto *buffer = static_cast<unsigned char *>(av_malloc(kIoBufferSize));
    if (!buffer)
        return AVIERR_MEMORY;
    // A seek callback makes the output seekable: the muxer then writes the
    // index, and OpenDML parts past 1 GB.
    m_io.reset(avio_alloc_context(buffer, kIoBufferSize, 1, &m_file, nullptr, &PendingFile::write, &PendingFile::seek));
    if (!m_io) {
        av_free(buffer);
        return AVIERR_MEMORY;
    }
    // Frames go to the file as they are, not copied through the buffer first.
    m_io->direct = 1;
    m_format->pb = m_io.get();
    // Raw frames stay as they come: rows bottom first, positive height.
    if (av_opt_set_int(m_format->priv_data, "flipped_raw_rgb", 1, 0) < 0)
        return AVIERR_UNSUPPORTED;
    m_packet.reset(av_packet_alloc());
    return m_packet ? AVIERR_OK : AVIERR_MEMORY;
}

AviWriter::~AviWriter()
{
    if (m_headerWritten) {
        if (m_encoder && m_failure == AVIERR_OK && m_encoder->flush() >= 0)
            drainEncoder(nullptr);
        // Whatever happens now, the file keeps the frames written so far.
        (void)av_write_trailer(m_format.get());
        avio_flush(m_io.get());
    }
    m_encoder.reset();
    m_format.reset();
    m_io.reset();
    // Releasing has no result to give: a failed rename leaves the old file
    // and removes the new one.
    if (m_headerWritten)
        (void)m_file.commit();
}

int AviWriter::createStream(const AVISTREAMINFO &info)
{
    if (m_hasStream)
        return AVIERR_UNSUPPORTED; // one video stream per file
    if (info.fccType != streamtypeVIDEO)
        return AVIERR_UNSUPPORTED;
    if (info.dwRate == 0 || info.dwScale == 0 || info.dwRate > INT_MAX || info.dwScale > INT_MAX)
        return AVIERR_BADPARAM;
    m_rate = info.dwRate;
    m_scale = info.dwScale;
    m_name.assign(info.szName, strnlen(info.szName, sizeof info.szName));
    m_hasStream = true;
    return AVIERR_OK;
}

int AviWriter::setFormat(const std::uint8_t *header, long size, const AVICOMPRESSOPTIONS *compression)
{
    if (!m_hasStream || m_headerWritten || m_failure != AVIERR_OK)
        return AVIERR_UNSUPPORTED; // the format is set once
    if (!header || size < long(kBitmapInfoHeaderSize) || le32(header) < kBitmapInfoHeaderSize
        || le32(header) > std::uint32_t(size))
        return AVIERR_BADFORMAT;
    const auto width = std::int32_t(le32(header + 4)), height = std::int32_t(le32(header + 8));
    // Top-down frames (negative height) are not taken; sizes fit the 16-bit
    // fields of the stream header.
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535 || le16(header + 12) != 1
        || le16(header + 14) != 24 || le32(header + 16) != BI_RGB)
        return AVIERR_BADFORMAT;
    const std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
    if (stride * std::size_t(height) > kMaxFrameBytes)
        return AVIERR_BADFORMAT;

    // From here on a failure is final: the stream is half made.
    AVStream *stream = avformat_new_stream(m_format.get(), nullptr);
    if (!stream)
        return fail(AVIERR_MEMORY);
    const bool compressed = compression && compression->fccHandler != 0 && compression->fccHandler != comptypeDIB;
    if (compressed) {
        std::uint32_t handler = 0;
        const AVCodec *codec = FindVideoCompressor(compression->fccHandler, &handler);
        if (!codec)
            return fail(AVIERR_NOCOMPRESSOR);
        EncoderParams params;
        params.width = width;
        params.height = height;
        params.rate = m_rate;
        params.scale = m_scale;
        params.keyFrameEvery = compression->dwFlags & AVICOMPRESSF_KEYFRAMES ? compression->dwKeyFrameEvery : 0;
        params.quality = compression->dwQuality;
        params.bytesPerSecond = compression->dwFlags & AVICOMPRESSF_DATARATE ? compression->dwBytesPerSecond : 0;
        m_encoder = std::make_unique<VideoEncoder>();
        if (!m_encoder->open(codec, params))
            return fail(AVIERR_COMPRESSOR);
        if (avcodec_parameters_from_context(stream->codecpar, m_encoder->context()) < 0)
            return fail(AVIERR_MEMORY);
        if (!stream->codecpar->codec_tag)
            stream->codecpar->codec_tag = handler;
        m_keyFrameEvery = params.keyFrameEvery;
    } else {
        AVCodecParameters *par = stream->codecpar;
        par->codec_type = AVMEDIA_TYPE_VIDEO;
        par->codec_id = AV_CODEC_ID_RAWVIDEO;
        par->format = AV_PIX_FMT_BGR24;
        par->width = width;
        par->height = height;
        par->bits_per_coded_sample = 24;
        par->codec_tag = 0; // BI_RGB
        m_keyFrameEvery = 1;
    }
    stream->time_base = { int(m_scale), int(m_rate) };
    stream->avg_frame_rate = { int(m_rate), int(m_scale) };
    if (!m_name.empty() && av_dict_set(&stream->metadata, "title", m_name.c_str(), 0) < 0)
        return fail(AVIERR_MEMORY);

    if (!m_file.reserve(kHeaderAndTrailerBytes))
        return fail(AVIERR_FILEWRITE);
    if (avformat_write_header(m_format.get(), nullptr) < 0)
        return fail(m_io->error < 0 ? AVIERR_FILEWRITE : AVIERR_BADFORMAT);
    m_stride = stride;
    m_imageSize = stride * std::size_t(height);
    m_headerWritten = true;
    return AVIERR_OK;
}

int AviWriter::write(long start, long samples, const std::uint8_t *buffer, long size, long *bytesWritten)
{
    if (!m_headerWritten)
        return AVIERR_BADFORMAT;
    if (m_failure != AVIERR_OK)
        return m_failure;
    if (!buffer || samples < 1 || start < m_nextSample)
        return AVIERR_BADPARAM;
    if (size < 0 || std::size_t(size) / m_imageSize != std::size_t(samples) || std::size_t(size) % m_imageSize != 0)
        return AVIERR_BADSIZE;
    for (long i = 0; i < samples; ++i) {
        const std::uint8_t *rows = buffer + std::size_t(i) * m_imageSize;
        const std::int64_t sample = std::int64_t(start) + i;
        if (!m_encoder) {
            AVPacket *packet = m_packet.get();
            packet->data = const_cast<std::uint8_t *>(rows); // not reference-counted: the muxer only reads it
            packet->size = int(m_imageSize);
            packet->pts = packet->dts = sample;
            packet->duration = 1;
            packet->flags = AV_PKT_FLAG_KEY;
            const int ret = writePacket(packet, bytesWritten);
            packet->data = nullptr;
            packet->size = 0;
            if (ret != AVIERR_OK)
                return ret;
            continue;
        }
        const bool key = m_keyFrameEvery > 0 && m_framesSent % m_keyFrameEvery == 0;
        if (m_encoder->send(rows, m_stride, sample, key) < 0)
            return fail(AVIERR_COMPRESSOR);
        ++m_framesSent;
        if (const int ret = drainEncoder(bytesWritten); ret != AVIERR_OK)
            return ret;
    }
    m_nextSample = std::int64_t(start) + samples;
    return AVIERR_OK;
}

int AviWriter::drainEncoder(long *bytesWritten)
{
    for (;;) {
        const int ret = m_encoder->receive(m_packet.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return AVIERR_OK;
        if (ret < 0)
            return fail(AVIERR_COMPRESSOR);
        if (m_keyFrameEvery == 1)
            m_packet->flags |= AV_PKT_FLAG_KEY;
        const int written = writePacket(m_packet.get(), bytesWritten);
        av_packet_unref(m_packet.get());
        if (written != AVIERR_OK)
            return written;
    }
}

int AviWriter::writePacket(AVPacket *packet, long *bytesWritten)
{
    AVStream *stream = m_format->streams[0];
    packet->stream_index = 0;
    av_packet_rescale_ts(packet, { int(m_scale), int(m_rate) }, stream->time_base);
    if (packet->dts == AV_NOPTS_VALUE)
        packet->dts = packet->pts;
    // The muxer fills skipped samples with empty chunks.
    const std::int64_t skipped = std::max<std::int64_t>(0, packet->dts - m_lastDts - 1);
    const std::int64_t end = avio_tell(m_io.get()) + 9 + packet->size + 8 * skipped
        + kIndexBytesPerFrame * (m_chunks + skipped + 1) + kHeaderAndTrailerBytes;
    if (!m_file.reserve(end))
        return fail(AVIERR_FILEWRITE);
    if (av_write_frame(m_format.get(), packet) < 0 || m_io->error < 0)
        return fail(AVIERR_FILEWRITE);
    m_chunks += skipped + 1;
    m_lastDts = packet->dts;
    if (bytesWritten)
        *bytesWritten += packet->size;
    return AVIERR_OK;
}

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
    ffmpeg::routeLogs();
    try {
        auto writer = std::make_shared<AviWriter>(fileName);
        if (const int ret = writer->open(); ret != AVIERR_OK)
            return ret;
        *file = new AviFile { std::move(writer) };
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
    try {
        if (const int ret = file->writer->createStream(info); ret != AVIERR_OK)
            return ret;
        *stream = new AviStream { file->writer, false, {} };
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
        *compressed = new AviStream { stream->writer, true, options };
        return AVIERR_OK;
    } catch (const std::bad_alloc &) {
        return AVIERR_MEMORY;
    }
}

int AVIStreamSetFormat(PAVISTREAM stream, long pos, const void *format, long size)
{
    if (!stream)
        return AVIERR_BADHANDLE;
    if (pos != 0)
        return AVIERR_UNSUPPORTED;
    try {
        return stream->writer->setFormat(
            static_cast<const std::uint8_t *>(format), size, stream->compressing ? &stream->options : nullptr);
    } catch (const std::bad_alloc &) {
        return AVIERR_MEMORY;
    }
}

int AVIStreamWrite(PAVISTREAM stream, long start, long samples, const void *buffer, long size, unsigned flags,
    long *samplesWritten, long *bytesWritten)
{
    (void)flags; // uncompressed frames are all key frames; compressors follow their options
    if (!stream)
        return AVIERR_BADHANDLE;
    long bytes = 0;
    const int ret = stream->writer->write(start, samples, static_cast<const std::uint8_t *>(buffer), size, &bytes);
    if (samplesWritten)
        *samplesWritten = ret == AVIERR_OK ? samples : 0;
    if (bytesWritten)
        *bytesWritten = bytes;
    return ret;
}

void AVIStreamRelease(PAVISTREAM stream)
{
    delete stream;
}

void AVIFileRelease(PAVIFILE file)
{
    delete file;
}
