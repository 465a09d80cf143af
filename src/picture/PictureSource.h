#pragma once

#include "common/InputFile.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Where a streaming decoder reads a picture's bytes from: the checked input
// file (regular files only, cut files noticed) or bytes already in memory.
class PictureSource {
public:
    virtual ~PictureSource() = default;
    virtual std::uint64_t size() const = 0;
    // Exactly n bytes at offset, or false (error() tells why).
    virtual bool readAt(std::uint64_t offset, void *out, std::size_t n) = 0;
    virtual FileError error() const = 0;
    virtual int systemError() const = 0;
};

class FileSource : public PictureSource {
public:
    explicit FileSource(InputFile &file)
        : m_file(file)
    {
    }
    std::uint64_t size() const override { return m_file.size(); }
    bool readAt(std::uint64_t offset, void *out, std::size_t n) override { return m_file.readAt(offset, out, n); }
    FileError error() const override { return m_file.error(); }
    int systemError() const override { return m_file.systemError(); }

private:
    InputFile &m_file;
};

class MemorySource : public PictureSource {
public:
    MemorySource(const std::uint8_t *data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {
    }
    std::uint64_t size() const override { return m_size; }
    bool readAt(std::uint64_t offset, void *out, std::size_t n) override;
    FileError error() const override { return m_error; }
    int systemError() const override { return 0; }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    FileError m_error = FileError::None;
};

// Reported while a picture loads: the part decoded, 0 to 100.
using LoadProgress = std::function<void(int percent)>;

// What a decoder asks now and then while it works: whether to stop, and
// where it is (rows done out of the picture's height).
class DecodeControl {
public:
    DecodeControl(const CancelCheck &cancelled, const LoadProgress &progress)
        : m_cancelled(cancelled)
        , m_progress(progress)
    {
    }
    // Reports the rows done; true when the load is to stop.
    bool step(std::int64_t done, std::int64_t total);

private:
    const CancelCheck &m_cancelled;
    const LoadProgress &m_progress;
    int m_percent = -1;
};

// How a streaming decoder ended: Unhandled leaves the file to the general
// decoders (a variant it does not read: CMYK, floating point...).
enum class DecodeOutcome { Decoded, Failed, Unhandled };
