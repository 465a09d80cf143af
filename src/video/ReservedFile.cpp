#include "video/ReservedFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::int64_t kReserveStep = std::int64_t(32) << 20;
constexpr std::size_t kZeroBlock = std::size_t(1) << 20;

bool isFolder(const std::string &path)
{
    struct stat info { };
    return path.empty() || (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
}

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

ReservedFile::ReservedFile(const std::string &target, bool allocate)
    : m_canAllocate(allocate)
{
    // A name that is a folder gets no file: the run fails at once, not when
    // the finished file cannot be published.
    if (isFolder(target)) {
        m_error = EISDIR;
        return;
    }
    m_file.emplace(target);
    if (!m_file->isOpen())
        m_error = m_file->error() ? m_file->error() : EIO;
}

bool ReservedFile::fail(int error)
{
    if (!m_error)
        m_error = error ? error : EIO;
    return false;
}

bool ReservedFile::refuse(int error)
{
    m_refused = error ? error : EIO;
    return false;
}

bool ReservedFile::reserve(std::int64_t end)
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

bool ReservedFile::writeAt(std::int64_t offset, const void *data, std::size_t size)
{
    if (!isOpen())
        return false;
    if (!writeAll(fd(), static_cast<const std::uint8_t *>(data), size, offset))
        return fail(errno);
    m_end = std::max(m_end, offset + std::int64_t(size));
    return true;
}

bool ReservedFile::readAt(std::int64_t offset, void *data, std::size_t size)
{
    const ssize_t n = isOpen() ? ::pread(fd(), data, size, off_t(offset)) : -1;
    return n == ssize_t(size) || (n >= 0 ? fail(EIO) : fail(errno));
}

bool ReservedFile::close()
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

int ReservedFile::write(void *opaque, ffmpeg::IoWriteBuffer data, int size)
{
    auto *file = static_cast<ReservedFile *>(opaque);
    if (!file->writeAt(file->m_position, data, std::size_t(size)))
        return AVERROR(file->m_error);
    file->m_position += size;
    return size;
}

std::int64_t ReservedFile::seek(void *opaque, std::int64_t offset, int whence)
{
    auto *file = static_cast<ReservedFile *>(opaque);
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return file->m_end;
    case SEEK_SET:
        break;
    case SEEK_CUR:
        offset += file->m_position;
        break;
    case SEEK_END:
        offset += file->m_end;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (offset < 0)
        return AVERROR(EINVAL);
    return file->m_position = offset;
}
