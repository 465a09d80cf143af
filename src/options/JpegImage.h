#pragma once

#include "common/InputFile.h"
#include "common/MemoryBudget.h"
#include "options/JpegOptions.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

class Bitmap24;

// A libjpeg error, with the text "JPEG error #<message code>". Warnings
// that mean damaged pixels (data cut short, corrupt data) end the decode as
// errors with their own code. Past libjpeg's codes, ours: too many scans or
// too much work for the picture's size, an interrupted decode, and a read of
// the file that failed (decodeRows).
class JpegError : public std::runtime_error {
public:
    explicit JpegError(int messageCode, std::string libraryText = {});
    int messageCode() const { return m_code; }
    // libjpeg's own words for the code ("Premature end of JPEG file"), or "".
    const std::string &libraryText() const { return m_libraryText; }

    enum Kind { Library, TooMuchWork, Interrupted, ReadFailed };
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

// How a row-wise decode reads its file: exactly n bytes at offset into out,
// or false when they cannot be read.
using JpegReadAt = std::function<bool(std::uint64_t offset, void *out, std::size_t n)>;

// Where a row-wise decode (TJPEGImage::decodeRows) sends the picture.
class JpegRowSink {
public:
    virtual ~JpegRowSink() = default;
    // Once the header is read, before anything sizeable is taken: given the
    // size the settings decode the picture to, the size to keep (no larger on
    // either side; that size itself keeps the picture whole).
    virtual void chooseKeptSize(int width, int height, int &keptWidth, int &keptHeight) = 0;
    // What the sink takes, besides the kept rows, to make them from rows of
    // the decoded size.
    virtual std::uint64_t workBytes(int decodedWidth, int decodedHeight, int keptWidth, int keptHeight) = 0;
    // Rows of the decoded size come next, top first: once, or once per scan
    // when the settings show a file of several scans scan by scan (the last
    // pass is the picture).
    virtual void startPass(int decodedWidth, int decodedHeight, int keptWidth, int keptHeight) = 0;
    // The next row: decodedWidth pixels of blue, green, red.
    virtual void takeRow(const std::uint8_t *pixels) = 0;
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

    // Decodes the file read through `read` (fileSize bytes, read a piece at
    // a time, never held whole) row by row into sink, with the reading
    // settings. When the sink keeps the picture smaller, libjpeg decodes at
    // the smallest scale (M/8 of the file's size, M = 1..8, within the
    // settings' own scale) whose rows are still at least the kept size on
    // both sides. Throws as decode() does (a refusal gives the size the
    // settings decode the picture to, and the memory of the kept size),
    // JpegError::ReadFailed when a read fails, and what the sink throws.
    void decodeRows(
        std::uint64_t fileSize, const JpegReadAt &read, JpegRowSink &sink, const CancelCheck &cancelled) const;

private:
    TJpegOptions m_options;
};
