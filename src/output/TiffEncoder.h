#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Bitmap24;

enum class TiffCompression { Deflate, None };

// An 8-bit RGB TIFF of the bitmap (rows top first, strips of about 64 KB;
// deflate with the horizontal predictor, or uncompressed) through libtiff,
// built in memory. Returns false with libtiff's message in error.
bool EncodeTiff(
    const Bitmap24 &bitmap, TiffCompression compression, std::vector<std::uint8_t> &out, std::string &error);
