#pragma once

#include <cstdint>
#include <span>

class Bitmap24;

// A frame as the AVI writer hands it over: a 40-byte BITMAPINFOHEADER
// (little-endian, 24 bits, BI_RGB, positive height) and the pixel rows bottom
// row first, blue-green-red, each padded to a multiple of 4 bytes.
struct AviFrameSizes {
    std::uint32_t HeaderSize = 0; // 40; 0 for an empty bitmap, which has no description
    std::uint32_t ImageSize = 0; // padded row x height
};
AviFrameSizes GetAviFrameSizes(const Bitmap24 &frame);

// Fills header (HeaderSize bytes) and pixels (ImageSize bytes) from the
// frame; false, writing nothing, when a buffer's size is not the frame's.
// Runs for every frame: one copy per row.
bool ConvertAviFrame(const Bitmap24 &frame, std::span<std::uint8_t> header, std::span<std::uint8_t> pixels);
