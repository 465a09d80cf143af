#pragma once

#include <array>
#include <cstdint>

class Bitmap24;

inline constexpr std::uint32_t kBmpHeaderSize = 54; // file header 14 + information header 40

// The two headers of a 24-bit, bottom-up, uncompressed BMP of the bitmap's
// size; the pixel data follow at byte 54 (no colour table).
std::array<std::uint8_t, kBmpHeaderSize> BmpHeaders(const Bitmap24 &bitmap);
