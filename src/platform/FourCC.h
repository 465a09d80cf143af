#pragma once

#include <cstdint>

// A four-character code as Video for Windows stores it: the first character in
// the lowest byte, so the four bytes read the code in memory order.
constexpr std::uint32_t mmioFOURCC(char a, char b, char c, char d)
{
    return std::uint32_t(std::uint8_t(a)) | std::uint32_t(std::uint8_t(b)) << 8 | std::uint32_t(std::uint8_t(c)) << 16
        | std::uint32_t(std::uint8_t(d)) << 24;
}
