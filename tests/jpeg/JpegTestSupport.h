#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A JPEG stream cut into its marker segments, for tests that check what the
// encoder wrote or that build hostile files from a good one.
struct JpegSegment {
    std::uint8_t marker = 0; // the byte after 0xFF
    std::size_t offset = 0; // of the 0xFF
    std::size_t end = 0; // one past the segment (entropy data included for SOS)
    std::size_t payload = 0; // first byte after the length field
};

std::vector<JpegSegment> splitJpeg(const std::vector<std::uint8_t> &bytes);

struct JpegFrameInfo {
    std::uint8_t sofMarker = 0; // 0xC0 baseline, 0xC2 progressive...
    int width = 0, height = 0;
    struct Component {
        int id, h, v, table;
    };
    std::vector<Component> components;
    int scanCount = 0;
    // Quantisation tables by number, in natural (row-major) order.
    std::vector<std::vector<int>> tables = std::vector<std::vector<int>>(4);
    bool jfif = false;
};

JpegFrameInfo inspectJpeg(const std::vector<std::uint8_t> &bytes);

// A greyscale progressive JPEG whose scan script refines every coefficient
// on its own, bit by bit: 64 * (steps + 1) valid scans (steps up to 10), each
// visiting every block. A legal file that asks for far more decoding work
// than any encoder writes.
std::vector<std::uint8_t> bitByBitProgression(int width, int height, int steps);
