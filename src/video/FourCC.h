#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Four-character codes as Video for Windows stores them: the first character
// in the lowest byte, so the four bytes read the code in memory order. The
// one place that turns codes into text and back.

constexpr std::uint32_t mmioFOURCC(char a, char b, char c, char d)
{
    return std::uint32_t(std::uint8_t(a)) | std::uint32_t(std::uint8_t(b)) << 8 | std::uint32_t(std::uint8_t(c)) << 16
        | std::uint32_t(std::uint8_t(d)) << 24;
}

// The code's four bytes, zero bytes included ("DIB ", "dpx ").
inline std::string fourccBytes(std::uint32_t code)
{
    return { char(code & 0xFF), char(code >> 8 & 0xFF), char(code >> 16 & 0xFF), char(code >> 24 & 0xFF) };
}

// The code as a user types it: its bytes up to the first zero byte, without
// trailing blanks ("dpx ", "DIB " give "dpx", "DIB").
inline std::string fourccText(std::uint32_t code)
{
    std::string text = fourccBytes(code);
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// The code of a text of one to four characters, short texts padded with
// blanks (so "dpx" reads as "dpx "); 0 for an empty or longer text.
constexpr std::uint32_t fourccFromText(std::string_view text)
{
    if (text.empty() || text.size() > 4)
        return 0;
    char c[4] = { ' ', ' ', ' ', ' ' };
    for (std::size_t i = 0; i < text.size(); ++i)
        c[i] = text[i];
    return mmioFOURCC(c[0], c[1], c[2], c[3]);
}

// The code with its letters in upper case: codes are matched without regard
// to case.
constexpr std::uint32_t fourccUpper(std::uint32_t code)
{
    std::uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        std::uint32_t c = (code >> shift) & 0xFF;
        if (c >= 'a' && c <= 'z')
            c -= 'a' - 'A';
        result |= c << shift;
    }
    return result;
}
