#pragma once

#include <cstdint>
#include <span>

class Bitmap24;

// A frame as the AVI writer stores it: a 40-byte BITMAPINFOHEADER
// (little-endian, 24 bits, BI_RGB, positive height) and the pixel rows bottom
// row first, blue-green-red, each padded to a multiple of 4 bytes.
struct AviFrameSizes {
    std::uint32_t HeaderSize = 0; // 40; 0 for an empty bitmap, which has no description
    std::uint32_t ImageSize = 0; // padded row x height
};
AviFrameSizes GetAviFrameSizes(const Bitmap24 &frame);

// Fills header (HeaderSize bytes) with the frame's description; false,
// writing nothing, when its size is not HeaderSize. The pixels are not
// copied: the bitmap's rows are padded as the file wants them, and go to the
// file bottom row first where they lie (AVIStreamWriteRows).
bool FillAviFrameHeader(const Bitmap24 &frame, std::span<std::uint8_t> header);
