#include "common/SeriesLock.h"

#include "common/SeriesName.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string folderOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : path.substr(0, slash);
}

// ".IMAGE.PNG.travelia-lock", or the key's hash in its place when that name
// would be too long for the folder.
std::string lockLeaf(const std::string &fileName)
{
    const std::string suffix = ".travelia-lock";
    const std::string readable = "." + SeriesKey(fileName) + suffix;
    if (readable.size() <= NAME_MAX)
        return readable;
    const std::string prefix = TemporaryNamePrefix(fileName); // ".travelia-<hash>-"
    return "." + prefix.substr(10, 16) + suffix;
}

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

SeriesLock::SeriesLock(const std::string &fileName)
{
    const std::string folder = folderOf(fileName);
    m_lockName = folder + "/" + lockLeaf(fileName);
    claim();
    if (m_state == State::Claimed)
        removeLeftovers(folder, fileName);
}

void SeriesLock::claim()
{
    // A run that ends removes the file while it holds the lock; one that
    // opened it just before must then start again on a file of its own.
    for (int attempt = 0; attempt < 100; ++attempt) {
        int fd = ::open(m_lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0666);
        // Another user's lock file: reading is enough to lock it.
        if (fd < 0 && errno == EACCES)
            fd = ::open(m_lockName.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY);
        if (fd < 0) {
            m_errno = errno;
            m_state = State::Unavailable;
            return;
        }
        int locked;
        do
            locked = ::flock(fd, LOCK_EX | LOCK_NB);
        while (locked != 0 && errno == EINTR);
        if (locked != 0) {
            m_errno = errno;
            m_state = errno == EWOULDBLOCK ? State::Busy : State::Unavailable;
            ::close(fd);
            return;
        }
        struct stat held {
        }, named {};
        if (::fstat(fd, &held) == 0 && ::lstat(m_lockName.c_str(), &named) == 0 && sameFile(held, named)) {
            m_fd = fd;
            m_state = State::Claimed;
            m_errno = 0;
            return;
        }
        ::close(fd);
    }
    m_errno = EAGAIN;
    m_state = State::Unavailable;
}

void SeriesLock::removeLeftovers(const std::string &folder, const std::string &fileName)
{
    const std::string prefix = TemporaryNamePrefix(fileName);
    const std::size_t length = prefix.size() + 6; // the random part
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() == length && name.compare(0, prefix.size(), prefix) == 0
            && ::unlinkat(::dirfd(dir), name.c_str(), 0) == 0)
            ++m_leftoversRemoved;
    }
    ::closedir(dir);
}

SeriesLock::~SeriesLock()
{
    if (m_fd < 0)
        return;
    ::unlink(m_lockName.c_str());
    ::close(m_fd);
}
