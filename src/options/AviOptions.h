#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Frame rate, quality and codec choice of AVI runs: held by the AVI options
// window for the whole program, read by the AVI run when it starts writing.
struct TAviOptions {
    std::uint16_t Rate = 10; // frames per second
    std::uint16_t Quality = 10000; // 0..10000
    std::int32_t CodecIndex = 0; // entry of the catalogue list; 0 is "Sans Compression"
    // The handler code of that entry (GetCodec, read when the entry is
    // chosen); 0 for "Sans Compression". The run takes the compressor by it.
    std::uint32_t CodecHandler = 0;
};

// The frame rate typed in the options window: a text that is not a whole
// number, or a negative one, gives 10; above 65535 (the field holds 16 bits)
// the rate is held at 65535.
std::uint16_t RateFromText(const std::string &text);
// The quality typed: not a whole number, or negative, gives 10000; above
// 10000, 10000.
std::uint16_t QualityFromText(const std::string &text);
