#include "common/InputFile.h"

#include "common/MemoryBudget.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FileError errorFor(int systemError)
{
    switch (systemError) {
    case ENOENT:
    case ENOTDIR:
        return FileError::NotFound;
    case EACCES:
    case EPERM:
        return FileError::PermissionDenied;
    case ENXIO: // a socket or a device without its driver
    case ENODEV:
        return FileError::NotRegularFile;
    default:
        return FileError::ReadFailed;
    }
}

// Reads are cut in pieces so that a cancel request is seen within a moment.
constexpr std::size_t kReadPiece = std::size_t(8) << 20;

} // namespace

FileIdentity IdentityOf(const struct stat &st)
{
    return { std::uint64_t(st.st_dev), std::uint64_t(st.st_ino) };
}

bool NameLeadsTo(const std::string &name, const FileIdentity &file)
{
    struct stat st { };
    if (::lstat(name.c_str(), &st) != 0)
        return false;
    if (IdentityOf(st) == file)
        return true;
    return S_ISLNK(st.st_mode) && ::stat(name.c_str(), &st) == 0 && IdentityOf(st) == file;
}

InputFile::InputFile(const std::string &fileName)
{
    // O_NONBLOCK: opening a pipe without a writer returns at once; it is then
    // refused as not a regular file. It changes nothing for regular files.
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        fail(errorFor(errno), errno);
        return;
    }
    struct stat st { };
    if (::fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        fail(FileError::ReadFailed, e);
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        fail(FileError::NotRegularFile, 0);
        return;
    }
    m_fd = fd;
    m_size = std::uint64_t(st.st_size);
    m_identity = IdentityOf(st);
}

InputFile::~InputFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool InputFile::fail(FileError error, int systemError)
{
    m_error = error;
    m_errno = systemError;
    return false;
}

bool InputFile::readAt(std::uint64_t offset, void *out, std::size_t n)
{
    if (m_fd < 0)
        return false;
    auto *p = static_cast<std::uint8_t *>(out);
    while (n > 0) {
        const ssize_t got = ::pread(m_fd, p, std::min(n, kReadPiece), off_t(offset));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return fail(FileError::ReadFailed, errno);
        }
        if (got == 0)
            return fail(FileError::Changed, 0);
        p += got;
        offset += std::uint64_t(got);
        n -= std::size_t(got);
    }
    return true;
}

FileBytes::FileBytes(InputFile &file, std::uint64_t maxBytes, const CancelCheck &cancelled)
{
    read(file, maxBytes, cancelled);
}

FileBytes::FileBytes(const std::string &fileName, std::uint64_t maxBytes)
{
    InputFile file(fileName);
    read(file, maxBytes, {});
}

void FileBytes::read(InputFile &file, std::uint64_t maxBytes, const CancelCheck &cancelled)
{
    if (!file.isOpen()) {
        m_error = file.error();
        m_errno = file.systemError();
        return;
    }
    m_identity = file.identity();
    const std::uint64_t size = file.size();
    MemoryShortage shortage;
    if (size > maxBytes || size > kMaxBytes || size > std::numeric_limits<std::size_t>::max() - kPadding
        || !MemoryFits(size + kPadding, shortage)) {
        m_error = FileError::TooLarge;
        return;
    }
    m_data.reset(new (std::nothrow) std::uint8_t[std::size_t(size) + kPadding]);
    if (!m_data) {
        m_error = FileError::ReadFailed;
        m_errno = ENOMEM;
        return;
    }
    for (std::uint64_t done = 0; done < size;) {
        if (cancelled && cancelled()) {
            m_error = FileError::Interrupted;
            break;
        }
        const std::size_t piece = std::size_t(std::min<std::uint64_t>(size - done, kReadPiece));
        if (!file.readAt(done, m_data.get() + done, piece)) {
            m_error = file.error();
            m_errno = file.systemError();
            break;
        }
        done += piece;
    }
    if (m_error != FileError::None) {
        m_data.reset();
        return;
    }
    std::memset(m_data.get() + size, 0, kPadding);
    m_size = std::size_t(size);
}

std::string FileErrorText(FileError error, int systemError)
{
    switch (error) {
    case FileError::None:
        return "no error";
    case FileError::NotFound:
        return "not found";
    case FileError::PermissionDenied:
        return "permission denied";
    case FileError::NotRegularFile:
        return "not a regular file";
    case FileError::TooLarge:
        return "file too large";
    case FileError::Changed:
        return "the file changed while it was read";
    case FileError::Interrupted:
        return "interrupted";
    case FileError::ReadFailed:
        break;
    }
    return systemError ? std::string("read error: ") + std::strerror(systemError) : "read error";
}
