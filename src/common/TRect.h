#pragma once

#include <cstdint>

// A rectangle as the program's geometry uses it: left, top, right, bottom,
// 32-bit signed each; right and bottom are exclusive where pixels are meant.
struct TRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    bool operator==(const TRect &) const = default;
};
