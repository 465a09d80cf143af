#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

// Every frame of an animated WebP as libwebp's demuxer composes it: BGR,
// rows top first, unpadded; and the file's loop count (0: for ever).
struct DecodedWebp {
    bool ok = false;
    std::uint32_t loopCount = 99;
    int width = 0, height = 0;
    std::vector<std::vector<std::uint8_t>> frames;
};
DecodedWebp decodeWebp(const std::filesystem::path &file);
