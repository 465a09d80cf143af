#include "common/AtomicFile.h"

#include "common/FileModes.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

namespace {

std::string folderOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : path.substr(0, slash);
}

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
    const std::string folder = folderOf(m_target);
    // Unnamed: invisible while written, gone with the process. The mode is
    // the usual one (umask applied by open).
    m_fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (m_fd >= 0)
        return;
    // ENOENT/ENOTDIR/EACCES/EROFS are the folder's own faults: a named file
    // fails just as well and reports the same error.
    std::string name = folder + "/.travelia-XXXXXX";
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
    if (!close())
        return false;
    if (const int error = publish(m_target, how); error != 0) {
        failed(error);
        discard();
        return false;
    }
    return true;
}

bool AtomicFile::nameUnnamedFile()
{
    // linkat through /proc needs no privilege (AT_EMPTY_PATH does); a random
    // name beside the target, as the named fallback uses.
    const std::string folder = folderOf(m_target);
    const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = folder + "/.travelia-XXXXXX";
        // A name only: linkat below creates it, failing if it exists.
        static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        thread_local std::minstd_rand random(std::random_device {}());
        for (std::size_t i = name.size() - 6; i < name.size(); ++i)
            name[i] = letters[random() % (sizeof letters - 1)];
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0
            || (errno == ENOENT && ::linkat(m_fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0)) {
            m_tempName = name;
            return true;
        }
        if (errno != EEXIST)
            return failed(errno);
    }
    return failed(EEXIST);
}

bool AtomicFile::close()
{
    if (m_closed)
        return m_error == 0;
    if (m_fd < 0 || m_error) {
        failed(m_error);
        discard();
        return false;
    }
    // An unnamed file gets its temporary name before the descriptor goes,
    // or it would vanish with it.
    if (m_tempName.empty() && !nameUnnamedFile()) {
        discard();
        return false;
    }
    const int fd = m_fd;
    m_fd = -1;
    m_closed = true;
    // close reports delayed write errors (NFS, quota).
    if (::close(fd) != 0) {
        failed(errno);
        discard();
        return false;
    }
    return true;
}

int AtomicFile::publish(const std::string &target, Publish how)
{
    if (!m_closed || m_tempName.empty())
        return m_error ? m_error : EBADF;
    if (how == Publish::Replace) {
        if (std::rename(m_tempName.c_str(), target.c_str()) != 0)
            return errno;
    } else if (!publishNoReplace(target)) {
        return errno;
    }
    m_tempName.clear();
    return 0;
}

bool AtomicFile::publishNoReplace(const std::string &target)
{
    if (::renameat2(AT_FDCWD, m_tempName.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return false;
    // The file system cannot rename without replacing: a second name fails
    // just as well when the target exists.
    if (::link(m_tempName.c_str(), target.c_str()) == 0) {
        ::unlink(m_tempName.c_str());
        return true;
    }
    if (errno == EEXIST || (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS))
        return false;
    // No hard links either (FAT): claim the name with an exclusive create,
    // which never follows a link, then rename over our own empty file.
    const int claim = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (claim < 0)
        return false;
    ::close(claim);
    if (std::rename(m_tempName.c_str(), target.c_str()) != 0) {
        const int e = errno;
        ::unlink(target.c_str());
        errno = e;
        return false;
    }
    return true;
}
