#pragma once

#include <cstdint>

// The compression dialog's choice for an AVI file.
struct AviCompression {
    std::uint32_t compressor = 0; // its four-character code; 0: frames stored uncompressed
    std::uint32_t quality = 10000; // 0..10000
    std::uint32_t keyFrameEvery = 0; // a key frame every N frames; 0: the compressor's choice
    std::uint32_t bytesPerSecond = 0; // non-zero: this data rate instead of the quality
};
