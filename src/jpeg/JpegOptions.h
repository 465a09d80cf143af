#pragma once

#include <cstdint>

// The JPEG settings: the compression half shapes every JPEG the program
// writes, the reading half (and Grayscale) every JPEG it decodes. One byte a
// field; the enumerated fields hold the item index of the control that sets
// them, and an unknown value behaves like 0.
struct TJpegOptions {
    std::uint8_t CompressionQuality = 95; // 5..100
    bool Grayscale = false;
    std::uint8_t Performance = 0; // 0 quality, 1 speed
    std::uint8_t PixelFormat = 0; // 0 24 bits, 1 8 bits
    bool ProgressiveDisplay = false;
    bool ProgressiveEncoding = false;
    std::uint8_t Scale = 0; // 0 full, 1 half, 2 quarter, 3 eighth
    bool Smoothing = true;
    bool HorzSubSampling = false;
    bool VertSubSampling = false;

    bool operator==(const TJpegOptions &) const = default;
};

// The program holds one instance for its whole life (created at start-up and
// handed to the JPEG options window, the frame writer and the loader). Every
// JPEG picture object copies it when it is created.
