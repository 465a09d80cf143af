#include "common/AtomicFile.h"

#include "common/FileModes.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

namespace {

AtomicFile::Fault &fault()
{
    static AtomicFile::Fault injected;
    return injected;
}

} // namespace

void AtomicFile::setFaultForTesting(Fault injected)
{
    fault() = std::move(injected);
}

AtomicFile::AtomicFile(std::string target)
    : m_target(std::move(target))
{
    if (fault()) {
        if (const int error = fault()(m_target)) {
            m_error = error;
            return;
        }
    }
    const std::size_t slash = m_target.rfind('/');
    std::string name
        = (slash == std::string::npos ? std::string(".") : m_target.substr(0, slash)) + "/.travelia-XXXXXX";
    m_fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (m_fd < 0) {
        m_error = errno;
        return;
    }
    m_tempName = name;
    // mkstemp creates 0600; a frame file gets the usual permissions.
    if (::fchmod(m_fd, 0666 & ~ProcessUmask()) != 0)
        m_error = errno;
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

bool AtomicFile::failed(int error)
{
    if (!m_error)
        m_error = error ? error : EIO;
    return false;
}

bool AtomicFile::writeVector(const struct iovec *parts, std::size_t count)
{
    if (m_fd < 0 || m_error)
        return failed(m_error);
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
            return failed(errno);
        }
        if (written == 0)
            return failed(EIO);
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

bool AtomicFile::commit(Publish how)
{
    if (m_fd < 0 || m_error) {
        failed(m_error);
        discard();
        return false;
    }
    const int fd = m_fd;
    m_fd = -1;
    // close reports delayed write errors (NFS, quota).
    bool ok = ::close(fd) == 0 || failed(errno);
    if (ok && how == Publish::Replace)
        ok = std::rename(m_tempName.c_str(), m_target.c_str()) == 0 || failed(errno);
    else if (ok)
        ok = publishNoReplace();
    if (!ok) {
        discard();
        return false;
    }
    m_tempName.clear();
    return true;
}

bool AtomicFile::publishNoReplace()
{
    if (::renameat2(AT_FDCWD, m_tempName.c_str(), AT_FDCWD, m_target.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return failed(errno);
    // The file system cannot rename without replacing: a second name fails
    // just as well when the target exists.
    if (::link(m_tempName.c_str(), m_target.c_str()) == 0) {
        ::unlink(m_tempName.c_str());
        return true;
    }
    if (errno == EEXIST || (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS))
        return failed(errno);
    // No hard links either (FAT): claim the name with an exclusive create,
    // which never follows a link, then rename over our own empty file.
    const int claim = ::open(m_target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (claim < 0)
        return failed(errno);
    ::close(claim);
    if (std::rename(m_tempName.c_str(), m_target.c_str()) != 0) {
        const int e = errno;
        ::unlink(m_target.c_str());
        return failed(e);
    }
    return true;
}
