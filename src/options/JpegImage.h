#pragma once

#include "common/InputFile.h"
#include "common/MemoryBudget.h"
#include "options/JpegOptions.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

class Bitmap24;

// A libjpeg error, with the text "JPEG error #<message code>". Warnings
// that mean damaged pixels (data cut short, corrupt data) end the decode as
// errors with their own code. Past libjpeg's codes, ours: too many scans or
// too much work for the picture's size, and an interrupted decode.
class JpegError : public std::runtime_error {
public:
    explicit JpegError(int messageCode, std::string libraryText = {});
    int messageCode() const { return m_code; }
    // libjpeg's own words for the code ("Premature end of JPEG file"), or "".
    const std::string &libraryText() const { return m_libraryText; }

    enum Kind { Library, TooMuchWork, Interrupted };
    Kind kind() const;

private:
    int m_code;
    std::string m_libraryText;
};

// A picture refused from its header, before its pixels are decoded: a side
// above Bitmap24's limit, more blocks than its file can hold, or a load
// (rows, libjpeg's work memory, the first frame) that does not fit in the
// memory available (shortage() tells how much).
class JpegRefused : public std::runtime_error {
public:
    enum Reason { SideTooLong, FileTooShort, Memory };
    JpegRefused(std::int64_t width, std::int64_t height, Reason reason, MemoryShortage shortage = {});
    std::int64_t width() const { return m_width; }
    std::int64_t height() const { return m_height; }
    Reason reason() const { return m_reason; }
    const MemoryShortage &shortage() const { return m_shortage; }

private:
    std::int64_t m_width;
    std::int64_t m_height;
    Reason m_reason;
    MemoryShortage m_shortage;
};

// The JPEG picture object: takes a copy of the JPEG settings when it is
// created and keeps it for its life; encodes and decodes with libjpeg as those options
// say. Errors of the library are thrown as JpegError, never through
// libjpeg's own frames.
class TJPEGImage {
public:
    TJPEGImage() = default; // the default settings
    explicit TJPEGImage(const TJpegOptions &options)
        : m_options(options)
    {
    }

    const TJpegOptions &options() const { return m_options; }
    void setOptions(const TJpegOptions &options) { m_options = options; }

    // The compressed file content of the bitmap (top row first). A bitmap
    // without width or height gives no data (an empty file).
    std::vector<std::uint8_t> compress(const Bitmap24 &bitmap) const;
    // The same with the output bounded: growing past maxBytes fails as the
    // library's out-of-memory error.
    std::vector<std::uint8_t> compress(const Bitmap24 &bitmap, std::size_t maxBytes) const;

    // Decodes a whole JPEG file held in memory into a 24-bit bitmap, with the
    // reading settings (scale, smoothing, grey, 8-bit quantisation to 236
    // colours, fast method, buffered-image decoding). Throws JpegError,
    // JpegRefused or std::bad_alloc. The work is bounded by the picture's
    // size: a file whose scans would visit its blocks far more often than
    // any encoder needs is refused (JpegError::TooMuchWork).
    void decode(const std::uint8_t *data, std::size_t size, Bitmap24 &target) const;
    // The same, asking cancelled now and then (JpegError::Interrupted).
    void decode(const std::uint8_t *data, std::size_t size, Bitmap24 &target, const CancelCheck &cancelled) const;
    void loadFromFile(const std::string &fileName, Bitmap24 &target) const;

private:
    TJpegOptions m_options;
};
