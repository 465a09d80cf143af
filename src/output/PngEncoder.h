#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Bitmap24;

inline constexpr int kDefaultPngLevel = 1; // fast: most of the gain of deflate at a fraction of its time
inline constexpr int kMaxPngLevel = 9;

// A 24-bit RGB PNG of the bitmap (no other chunk, so the bytes depend only on
// the pixels and the level) through libpng. level: 0 stored; 1 to 3 the
// Paeth row filter with zlib's run-length strategy (fast, and on photos
// smaller than a full search at the default level); 4 to 9 zlib's level
// with the filter chosen per row. Returns false with libpng's message (or
// "out of memory") in error.
bool EncodePng(const Bitmap24 &bitmap, int level, std::vector<std::uint8_t> &out, std::string &error);
