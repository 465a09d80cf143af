#include "video/MuxerFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <new>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::int64_t kReserveStep = std::int64_t(32) << 20;
constexpr std::size_t kZeroBlock = std::size_t(1) << 20;

bool writeAll(int fd, const std::uint8_t *data, std::size_t size, std::int64_t offset)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data += n;
        size -= std::size_t(n);
        offset += n;
    }
    return true;
}

} // namespace

int TargetNameError(const std::string &target)
{
    const std::size_t slash = target.rfind('/');
    if (target.size() - (slash == std::string::npos ? 0 : slash + 1) > NAME_MAX)
        return ENAMETOOLONG;
    struct stat info { };
    if (target.empty() || (::stat(target.c_str(), &info) == 0 && S_ISDIR(info.st_mode)))
        return EISDIR;
    return 0;
}

MuxerFile::MuxerFile(const std::string &target, bool allocate)
    : m_canAllocate(allocate)
{
    // A name that cannot be a file gets none: the run fails at once, not
    // when the finished file cannot be published.
    if (const int error = TargetNameError(target)) {
        m_error = error;
        return;
    }
    m_file.emplace(target);
    if (!m_file->isOpen())
        m_error = m_file->error() ? m_file->error() : EIO;
}

MuxerFile::~MuxerFile() = default;

bool MuxerFile::fail(int error)
{
    if (!m_error)
        m_error = error ? error : EIO;
    return false;
}

bool MuxerFile::refuse(int error)
{
    m_refused = error ? error : EIO;
    return false;
}

bool MuxerFile::reserve(std::int64_t end)
{
    if (!isOpen())
        return false;
    // The size limit first, every time: space reserved ahead may lie past it.
    struct rlimit limit { };
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
        && std::uint64_t(end) > std::uint64_t(limit.rlim_cur))
        return refuse(EFBIG);
    if (end <= m_reserved)
        return true;
    // Ahead by a good step, so that one reservation serves many frames;
    // near a full disk, just what is needed.
    std::int64_t ahead = std::max(end, m_reserved + kReserveStep);
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        ahead = std::min<std::int64_t>(ahead, std::int64_t(limit.rlim_cur));
    const auto allocate = [this](std::int64_t upTo) {
        int ret;
        do
            ret = ::fallocate(fd(), FALLOC_FL_KEEP_SIZE, m_reserved, upTo - m_reserved);
        while (ret != 0 && errno == EINTR);
        return ret == 0;
    };
    if (m_canAllocate) {
        if (allocate(ahead) || (errno == ENOSPC && ahead > end && allocate(ahead = end))) {
            m_reserved = ahead;
            return true;
        }
        if (errno != EOPNOTSUPP && errno != ENOSYS)
            return refuse(errno);
        m_canAllocate = false;
    }
    // No allocation on this file system: zeros past the end hold the space.
    // Reserved but not yet written is always past m_end, so nothing written
    // is overwritten.
    static const std::vector<std::uint8_t> zeros(kZeroBlock, 0);
    std::int64_t from = std::max(m_reserved, m_end);
    const auto fill = [&](std::int64_t upTo) {
        for (; from < upTo;) {
            const std::size_t n = std::size_t(std::min<std::int64_t>(upTo - from, std::int64_t(kZeroBlock)));
            if (!writeAll(fd(), zeros.data(), n, from))
                return false;
            from += std::int64_t(n);
        }
        return true;
    };
    if (fill(ahead) || (errno == ENOSPC && ahead > end && from >= end)) {
        m_reserved = std::max(from, end);
        return true;
    }
    const int error = errno;
    m_reserved = from; // what was filled still holds
    return refuse(error);
}

bool MuxerFile::writeAt(std::int64_t offset, const void *data, std::size_t size)
{
    if (!isOpen())
        return false;
    if (!writeAll(fd(), static_cast<const std::uint8_t *>(data), size, offset))
        return fail(errno);
    m_end = std::max(m_end, offset + std::int64_t(size));
    return true;
}

bool MuxerFile::readAt(std::int64_t offset, void *data, std::size_t size)
{
    const ssize_t n = isOpen() ? ::pread(fd(), data, size, off_t(offset)) : -1;
    return n == ssize_t(size) || (n >= 0 ? fail(EIO) : fail(errno));
}

bool MuxerFile::close()
{
    if (!isOpen())
        return false;
    // Drops the blocks kept past the end.
    if (::ftruncate(fd(), off_t(m_end)) != 0)
        return fail(errno);
    if (!m_file->close())
        return fail(m_file->error());
    return true;
}

void MuxerFile::Unmap::operator()(std::uint8_t *address) const
{
    ::munmap(address, size);
}

const std::uint8_t *MuxerFile::standIn(const Rows &rows)
{
    const std::size_t size = std::max<std::size_t>(1, rows.bytes());
    if (!m_standIn || m_standIn.get_deleter().size != size) {
        m_standIn.reset();
        // Read-only zeros, backed by no memory: a muxer that read the frame
        // would find zeros, never another frame's pixels.
        void *address = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (address == MAP_FAILED)
            return nullptr;
        m_standIn = std::unique_ptr<std::uint8_t, Unmap>(static_cast<std::uint8_t *>(address), Unmap { size });
    }
    m_rows = rows;
    m_rowsWritten = false;
    return m_standIn.get();
}

bool MuxerFile::takeStandIn()
{
    const bool written = m_rowsWritten;
    m_rows.reset();
    m_rowsWritten = false;
    return written;
}

bool MuxerFile::writeRows(std::int64_t offset)
{
    if (!isOpen())
        return false;
    const Rows &rows = *m_rows;
    static const std::uint8_t zeros[4] {};
    const std::size_t padding = std::min(rows.padding, sizeof zeros);
    // Two parts a row when padded: twice as many parts as IOV_MAX for a
    // tall frame, hence the batches below.
    m_rowParts.resize(padding ? 2 * rows.count : rows.count);
    const std::uint8_t *row = rows.first;
    for (std::size_t i = 0; i < m_rowParts.size(); row += rows.pitch) {
        m_rowParts[i++] = { const_cast<std::uint8_t *>(row), rows.length };
        if (padding)
            m_rowParts[i++] = { const_cast<std::uint8_t *>(zeros), padding };
    }
    std::size_t first = 0;
    std::int64_t at = offset;
    while (first < m_rowParts.size()) {
        const int batch = int(std::min<std::size_t>(m_rowParts.size() - first, IOV_MAX));
        const ssize_t written = ::pwritev(fd(), m_rowParts.data() + first, batch, off_t(at));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return fail(written == 0 ? EIO : errno);
        at += written;
        // Skip what went out; a short write resumes inside a row.
        for (std::size_t left = std::size_t(written); left > 0;) {
            struct iovec &part = m_rowParts[first];
            const std::size_t n = std::min(left, part.iov_len);
            part.iov_base = static_cast<std::uint8_t *>(part.iov_base) + n;
            part.iov_len -= n;
            left -= n;
            if (part.iov_len == 0)
                ++first;
        }
    }
    m_end = std::max(m_end, at);
    m_rowsWritten = true;
    return true;
}

int MuxerFile::write(void *opaque, ffmpeg::IoWriteBuffer data, int size)
{
    auto *file = static_cast<MuxerFile *>(opaque);
    const bool rows = file->m_rows && !file->m_rowsWritten && data == file->m_standIn.get()
        && std::size_t(size) == file->m_rows->bytes();
    if (!(rows ? file->writeRows(file->m_position) : file->writeAt(file->m_position, data, std::size_t(size))))
        return AVERROR(file->m_error);
    file->m_position += size;
    return size;
}

std::int64_t MuxerFile::seekTo(std::int64_t &position, std::int64_t offset, int whence) const
{
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return m_end;
    case SEEK_SET:
        break;
    case SEEK_CUR:
        offset += position;
        break;
    case SEEK_END:
        offset += m_end;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (offset < 0)
        return AVERROR(EINVAL);
    return position = offset;
}

std::int64_t MuxerFile::seek(void *opaque, std::int64_t offset, int whence)
{
    auto *file = static_cast<MuxerFile *>(opaque);
    return file->seekTo(file->m_position, offset, whence);
}

int MuxerFile::readView(void *opaque, std::uint8_t *data, int length)
{
    auto *view = static_cast<ReadView *>(opaque);
    MuxerFile &file = *view->file;
    // Only what was written: reserved space past the end reads as nothing.
    const std::int64_t left = file.m_end - view->position;
    if (left <= 0)
        return AVERROR_EOF;
    const std::size_t n = std::size_t(std::min<std::int64_t>(left, length));
    if (!file.readAt(view->position, data, n))
        return AVERROR(file.m_error ? file.m_error : EIO);
    view->position += std::int64_t(n);
    return int(n);
}

std::int64_t MuxerFile::seekView(void *opaque, std::int64_t offset, int whence)
{
    auto *view = static_cast<ReadView *>(opaque);
    return view->file->seekTo(view->position, offset, whence);
}

ffmpeg::IoContextPtr MuxerFile::openOutput(int bufferSize, bool direct)
{
    auto *buffer = static_cast<unsigned char *>(av_malloc(std::size_t(bufferSize)));
    if (!buffer)
        return nullptr;
    ffmpeg::IoContextPtr io(
        avio_alloc_context(buffer, bufferSize, 1, this, nullptr, &MuxerFile::write, &MuxerFile::seek));
    if (!io) {
        av_free(buffer);
        return nullptr;
    }
    io->direct = direct ? 1 : 0;
    return io;
}

int MuxerFile::openReadBack(AVFormatContext *format, AVIOContext **pb, const char *, int flags, AVDictionary **)
{
    if (flags & AVIO_FLAG_WRITE)
        return AVERROR(EPERM);
    constexpr int kBufferSize = 1 << 16;
    auto *view = new (std::nothrow) ReadView { static_cast<MuxerFile *>(format->opaque), 0 };
    auto *buffer = static_cast<unsigned char *>(av_malloc(kBufferSize));
    *pb = view && buffer
        ? avio_alloc_context(buffer, kBufferSize, 0, view, &MuxerFile::readView, nullptr, &MuxerFile::seekView)
        : nullptr;
    if (*pb)
        return 0;
    av_free(buffer);
    delete view;
    return AVERROR(ENOMEM);
}

int MuxerFile::closeReadBack(AVFormatContext *, AVIOContext *pb)
{
    delete static_cast<ReadView *>(pb->opaque);
    ffmpeg::IoContextFree()(pb);
    return 0;
}
