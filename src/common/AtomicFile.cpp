#include "common/AtomicFile.h"

#include "common/FileModes.h"
#include "common/SeriesName.h"

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
    std::string name = folder + "/" + TemporaryNamePrefix(m_target) + "XXXXXX";
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

bool AtomicFile::commit(Publish how, const FileIdentity *keep)
{
    if (!close())
        return false;
    if (const int error = publish(m_target, how, keep); error != 0) {
        failed(error);
        discard();
        return false;
    }
    return true;
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
    m_closed = true;
    // An unnamed file keeps its descriptor until it has a name, or it would
    // vanish with it.
    if (m_tempName.empty())
        return true;
    const int fd = m_fd;
    m_fd = -1;
    // close reports delayed write errors (NFS, quota).
    if (::close(fd) != 0) {
        failed(errno);
        discard();
        return false;
    }
    return true;
}

int AtomicFile::linkUnnamed(const std::string &name)
{
    // linkat through /proc needs no privilege (AT_EMPTY_PATH does). Either
    // fails when the name exists, whatever it is.
    const std::string self = "/proc/self/fd/" + std::to_string(m_fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return 0;
    if (errno == ENOENT && ::linkat(m_fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0)
        return 0;
    return errno;
}

int AtomicFile::publishUnnamed(const std::string &target)
{
    struct stat own { };
    if (::fstat(m_fd, &own) != 0)
        return errno;
    if (const int error = linkUnnamed(target))
        return error;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        // Published, but its content is in doubt: take our name back.
        const int error = errno;
        if (NameLeadsTo(target, IdentityOf(own)))
            ::unlink(target.c_str());
        failed(error);
        return error;
    }
    return 0;
}

bool AtomicFile::nameUnnamedFile()
{
    // A random name beside the target, as the named fallback uses.
    const std::string start = folderOf(m_target) + "/" + TemporaryNamePrefix(m_target);
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::minstd_rand random(std::random_device {}());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = start;
        for (int i = 0; i < 6; ++i)
            name += letters[random() % (sizeof letters - 1)];
        const int error = linkUnnamed(name);
        if (error == 0) {
            m_tempName = name;
            return true;
        }
        if (error != EEXIST) {
            errno = error;
            return false;
        }
    }
    errno = EEXIST;
    return false;
}

int AtomicFile::publish(const std::string &target, Publish how, const FileIdentity *keep)
{
    if (!m_closed || m_error)
        return m_error ? m_error : EBADF;
    if (!m_tempName.empty())
        return publishNamed(target, how, keep);
    if (m_fd < 0)
        return EBADF; // published already
    if (how == Publish::NoReplace)
        return publishUnnamed(target);
    // Replacing takes a temporary name for as short a time as can be: the
    // descriptor is closed in between, which reports delayed write errors.
    if (keep && NameLeadsTo(target, *keep))
        return kKeptFile;
    if (!nameUnnamedFile())
        return errno;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        const int error = errno;
        failed(error);
        discard();
        return error;
    }
    return publishNamed(target, how, keep);
}

int AtomicFile::publishNamed(const std::string &target, Publish how, const FileIdentity *keep)
{
    if (how == Publish::Replace) {
        if (keep && NameLeadsTo(target, *keep))
            return kKeptFile;
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
