#pragma once

#include "options/JpegOptions.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

class Bitmap24;

// A libjpeg error, with the text "JPEG error #<message code>".
class JpegError : public std::runtime_error {
public:
    explicit JpegError(int messageCode);
    int messageCode() const { return m_code; }

private:
    int m_code;
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

    // Decodes a whole JPEG file held in memory into a 24-bit bitmap, with the
    // reading settings (scale, smoothing, grey, 8-bit quantisation to 236
    // colours, fast method, buffered-image decoding). Throws JpegError, or
    // std::runtime_error when the picture exceeds the size limit.
    void decode(const std::uint8_t *data, std::size_t size, Bitmap24 &target) const;
    void loadFromFile(const std::string &fileName, Bitmap24 &target) const;

private:
    TJpegOptions m_options;
};
