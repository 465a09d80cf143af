#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct stat;

// Device and inode number: tells whether two names lead to one file.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileIdentity &) const = default;
};

// The identity of a file whose status was read (stat, lstat, fstat).
FileIdentity IdentityOf(const struct stat &status);

// True when the name is that file, or a link that leads to it.
bool NameLeadsTo(const std::string &name, const FileIdentity &file);

// Why a file could not be read.
enum class FileError {
    None,
    NotFound,
    PermissionDenied,
    NotRegularFile, // folder, device, pipe, socket
    TooLarge, // above the size allowed for the read
    Changed, // shorter than announced: cut while it was read
    ReadFailed, // any other system error (see systemError)
    Interrupted, // the caller's cancel check said stop
};

// Asked now and then during long reads and decodes; true ends them.
using CancelCheck = std::function<bool()>;

// A picture file opened for reading: only regular files are accepted, and
// opening never blocks (a pipe without a writer is refused at once, not
// waited for). The size is known before anything is read.
class InputFile {
public:
    explicit InputFile(const std::string &fileName);
    ~InputFile();
    InputFile(const InputFile &) = delete;
    InputFile &operator=(const InputFile &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    FileError error() const { return m_error; }
    int systemError() const { return m_errno; } // errno of the failure, 0 if none
    std::uint64_t size() const { return m_size; }
    FileIdentity identity() const { return m_identity; }

    // Exactly n bytes at offset, or false (error() tells why).
    bool readAt(std::uint64_t offset, void *out, std::size_t n);

private:
    bool fail(FileError error, int systemError);

    int m_fd = -1;
    std::uint64_t m_size = 0;
    FileIdentity m_identity;
    FileError m_error = FileError::None;
    int m_errno = 0;
};

// A whole file read into memory (no mapping: a file cut by another program
// while it is decoded cannot pull the memory away). Files above maxBytes are
// refused before anything is read. kPadding zero bytes follow the data, for
// decoders that read a little past the end. A file that does not fit in
// the memory available is refused as TooLarge.
class FileBytes {
public:
    static constexpr std::size_t kPadding = 64;
    // No bound but the memory.
    static constexpr std::uint64_t kMaxBytes = ~std::uint64_t(0) - kPadding;

    FileBytes(InputFile &file, std::uint64_t maxBytes = kMaxBytes, const CancelCheck &cancelled = {});
    explicit FileBytes(const std::string &fileName, std::uint64_t maxBytes = kMaxBytes);

    bool isOpen() const { return m_error == FileError::None; }
    FileError error() const { return m_error; }
    int systemError() const { return m_errno; }
    const std::uint8_t *data() const { return m_data.get(); }
    std::size_t size() const { return m_size; }
    FileIdentity identity() const { return m_identity; }

private:
    void read(InputFile &file, std::uint64_t maxBytes, const CancelCheck &cancelled);

    std::unique_ptr<std::uint8_t[]> m_data;
    std::size_t m_size = 0;
    FileIdentity m_identity;
    FileError m_error = FileError::None;
    int m_errno = 0;
};

// "not found", "permission denied", "not a regular file"... (English, for
// the command line and the log).
std::string FileErrorText(FileError error, int systemError);
