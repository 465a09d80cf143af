#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// libjpeg's compressor over rows of 24-bit pixels in blue, green, red order,
// for the JPEG picture object and the MJPEG video compressor.
struct JpegCompressParams {
    int quality = 95; // libjpeg's 1..100, with baseline tables
    bool grayscale = false; // one component
    // Keep the library's chroma subsampling across (2 x 1) and down (1 x 2);
    // cleared, every component is sampled 1 x 1 in that direction.
    bool horzSubsampling = false;
    bool vertSubsampling = false;
    bool progressive = false;
};

struct JpegCompressResult {
    bool ok = false;
    int messageCode = 0; // libjpeg's message code when not ok
};

// Compresses width x height pixels into a JFIF stream in out (replaced).
// Row y is read at firstRow + y * rowStep, top row first: a negative rowStep
// walks a bottom-up buffer. The stream may not grow past maxBytes (an error
// then). Errors of the library are returned, never thrown through it.
JpegCompressResult CompressJpeg(const std::uint8_t *firstRow, std::ptrdiff_t rowStep, int width, int height,
    const JpegCompressParams &params, std::vector<std::uint8_t> &out, std::size_t maxBytes = std::size_t(-1));
