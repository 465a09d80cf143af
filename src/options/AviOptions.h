#pragma once

#include <cstdint>

// Frame rate, quality and codec choice of an AVI run.
struct TAviOptions {
    std::uint16_t Rate = 10; // frames per second
    std::uint16_t Quality = 10000; // 0..10000
    std::int32_t CodecIndex = 0; // entry of the codec catalogue
};
