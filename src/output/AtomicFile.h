#pragma once

#include <cstddef>
#include <string>

struct iovec;

// A file written under a temporary name in the target's folder and renamed
// over the target by commit(), so that a reader never sees half a file and a
// failed write leaves any old target untouched. Destroying an uncommitted
// object removes the temporary file. Not copyable; one thread.
class AtomicFile {
public:
    explicit AtomicFile(std::string target);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // False when the temporary file could not be created.
    bool isOpen() const { return m_fd >= 0; }
    bool write(const void *data, std::size_t size);
    // Gathers many buffers into few system calls.
    bool writeVector(const struct iovec *parts, std::size_t count);
    // Closes and renames; false (and nothing left behind) on any failure.
    bool commit();
    const std::string &tempName() const { return m_tempName; }

private:
    void discard();

    std::string m_target;
    std::string m_tempName;
    int m_fd = -1;
    bool m_failed = false;
};
