#include "output/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

namespace {

mode_t processUmask()
{
    // umask can only be read by setting it; do that once.
    static const mode_t mask = [] {
        const mode_t m = ::umask(0);
        ::umask(m);
        return m;
    }();
    return mask;
}

} // namespace

AtomicFile::AtomicFile(std::string target)
    : m_target(std::move(target))
{
    std::vector<char> name(m_target.begin(), m_target.end());
    const std::string suffix = ".XXXXXX.tmp";
    name.insert(name.end(), suffix.begin(), suffix.end());
    name.push_back('\0');
    m_fd = ::mkstemps(name.data(), 4);
    if (m_fd < 0)
        return;
    m_tempName = name.data();
    // mkstemp creates 0600; a frame file gets the usual permissions.
    if (::fchmod(m_fd, 0666 & ~processUmask()) != 0)
        m_failed = true;
}

AtomicFile::~AtomicFile()
{
    discard();
}

void AtomicFile::discard()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_tempName.empty())
        ::unlink(m_tempName.c_str());
    m_tempName.clear();
}

bool AtomicFile::write(const void *data, std::size_t size)
{
    struct iovec part {
        const_cast<void *>(data), size
    };
    return writeVector(&part, 1);
}

bool AtomicFile::writeVector(const struct iovec *parts, std::size_t count)
{
    if (m_fd < 0 || m_failed)
        return false;
    std::vector<struct iovec> pending(parts, parts + count);
    std::size_t first = 0;
    while (first < pending.size()) {
        if (pending[first].iov_len == 0) {
            ++first;
            continue;
        }
        const int batch = int(std::min<std::size_t>(pending.size() - first, IOV_MAX));
        const ssize_t written = ::writev(m_fd, pending.data() + first, batch);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            m_failed = true;
            return false;
        }
        if (written == 0) {
            m_failed = true;
            return false;
        }
        // Skip what went out; a short write resumes inside a buffer.
        std::size_t left = std::size_t(written);
        while (left > 0) {
            struct iovec &p = pending[first];
            const std::size_t n = std::min(left, p.iov_len);
            p.iov_base = static_cast<char *>(p.iov_base) + n;
            p.iov_len -= n;
            left -= n;
            if (p.iov_len == 0)
                ++first;
        }
    }
    return true;
}

bool AtomicFile::commit()
{
    if (m_fd < 0 || m_failed) {
        discard();
        return false;
    }
    const int fd = m_fd;
    m_fd = -1;
    // close reports delayed write errors (NFS, quota).
    if (::close(fd) != 0 || std::rename(m_tempName.c_str(), m_target.c_str()) != 0) {
        discard();
        return false;
    }
    m_tempName.clear();
    return true;
}
