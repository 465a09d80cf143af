#pragma once

#include "common/AtomicFile.h"
#include "video/FFmpegObjects.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <sys/uio.h>
#include <vector>

// The file a libavformat muxer writes: hidden until published (AtomicFile),
// served to the muxer as custom I/O.
//
// - Space can be reserved ahead of what is written (reserve), so that a full
//   disk refuses a packet before the muxer sees it and the index can still
//   be written. Where the file system cannot allocate (fallocate), zeros
//   past the end hold the space; the file is cut back to what was written
//   when it is closed.
// - Frame rows can reach the file without a copy of ours: the muxer is
//   handed a stand-in buffer in their place, and when it writes the
//   stand-in's bytes the rows are written from where they lie, by pwritev
//   (the kernel's copy is the only one). This needs the muxer to pass large
//   writes straight through (AVIOContext direct mode).
// - A muxer that goes back over its output (MP4 moving its index to the
//   front) reopens it for reading: the file has no name, so it gets a second
//   view of the same file (readBack).
class MuxerFile {
public:
    struct Rows {
        const std::uint8_t *first = nullptr; // the row written first
        std::ptrdiff_t pitch = 0; // from one row written to the next
        std::size_t length = 0; // bytes of each row
        std::size_t count = 0;
        std::size_t padding = 0; // zero bytes written after each row (below 4)
        std::size_t bytes() const { return (length + padding) * count; }
    };

    // allocate false: reserve by writing zeros, as on file systems without
    // fallocate (tests take that road on any file system).
    explicit MuxerFile(const std::string &target, bool allocate = true);
    ~MuxerFile();
    MuxerFile(const MuxerFile &) = delete;
    MuxerFile &operator=(const MuxerFile &) = delete;

    bool isOpen() const { return m_file && m_file->isOpen() && m_error == 0; }
    // errno of the first failed write, else of the last refused reservation;
    // 0 if none. A refused reservation leaves the file usable.
    int error() const { return m_error ? m_error : m_refused; }

    // Makes sure bytes up to offset end can be written: within the process's
    // file-size limit (EFBIG), and on disk (ENOSPC).
    bool reserve(std::int64_t end);
    // Writes at offset (not moving the muxer's position), for headers fixed
    // after the muxer's trailer.
    bool writeAt(std::int64_t offset, const void *data, std::size_t size);
    bool readAt(std::int64_t offset, void *data, std::size_t size);
    std::int64_t end() const { return m_end; }

    // Cuts the reservation and closes; then publish until a name is free.
    bool close();
    AtomicFile &file() { return *m_file; }

    // A buffer of rows.bytes() to hand the muxer in place of the rows;
    // nullptr when it cannot be made. It reads as zeros.
    const std::uint8_t *standIn(const Rows &rows);
    // True when the stand-in was written, as the rows; forgets the rows.
    bool takeStandIn();

    // The muxer's output: seekable (so that the muxer writes its index),
    // with a buffer of that size; direct passes large writes straight through.
    ffmpeg::IoContextPtr openOutput(int bufferSize, bool direct);
    // Set as the muxer's io_open / io_close2 (its opaque being this file): a
    // read-only view of the file from its start.
    static int openReadBack(AVFormatContext *format, AVIOContext **pb, const char *, int flags, AVDictionary **);
    static int closeReadBack(AVFormatContext *, AVIOContext *pb);

private:
    struct ReadView {
        MuxerFile *file;
        std::int64_t position;
    };
    static int write(void *opaque, ffmpeg::IoWriteBuffer data, int size);
    static std::int64_t seek(void *opaque, std::int64_t offset, int whence);
    static int readView(void *opaque, std::uint8_t *data, int length);
    static std::int64_t seekView(void *opaque, std::int64_t offset, int whence);
    std::int64_t seekTo(std::int64_t &position, std::int64_t offset, int whence) const;
    int fd() const { return m_file ? m_file->fd() : -1; }
    bool fail(int error);
    bool refuse(int error);
    bool writeRows(std::int64_t offset);

    struct Unmap {
        std::size_t size; // no initializer: default-constructible inside the class
        void operator()(std::uint8_t *address) const;
    };

    std::optional<AtomicFile> m_file; // none when the name cannot be a file
    std::int64_t m_reserved = 0;
    std::int64_t m_position = 0;
    std::int64_t m_end = 0;
    bool m_canAllocate = true;
    int m_error = 0;
    int m_refused = 0;
    std::unique_ptr<std::uint8_t, Unmap> m_standIn;
    std::optional<Rows> m_rows; // handed over, not yet written
    bool m_rowsWritten = false;
    std::vector<struct iovec> m_rowParts; // kept: no allocation per frame
};

// Why target cannot be written as a file, known before anything is made:
// EISDIR (a folder), ENAMETOOLONG (its last part too long for a file
// system); 0 when none of these.
int TargetNameError(const std::string &target);
