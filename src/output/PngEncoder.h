#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Bitmap24;

inline constexpr int kDefaultPngLevel = 1; // fast: most of the gain of deflate at a fraction of its time
inline constexpr int kMaxPngLevel = 9;

// A 24-bit RGB PNG of the bitmap (no other chunk, so the bytes depend only on
// the pixels and the level) through libpng. level: zlib's 0 (stored) to 9;
// levels up to 3 use the "up" row filter, which suits frames cut out of a
// photo and costs little, higher levels let libpng choose per row. Returns
// false with libpng's message (or "out of memory") in error.
bool EncodePng(const Bitmap24 &bitmap, int level, std::vector<std::uint8_t> &out, std::string &error);
