#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

// The one integer conversion of every number field and number answer:
// optional leading blanks, then either an optional sign and decimal digits
// (must fit in 32 signed bits), or a hexadecimal number introduced by "$",
// "x", "X", "0x" or "0X" (up to eight significant digits, read as a 32-bit
// two's-complement pattern). Nothing may follow. Empty text, or a sign or
// prefix without digits, is invalid.
std::optional<std::int32_t> parseInt32(std::string_view text);

// printf-style formatting of the few conversions the program uses:
// "%s", "%d", "%N.Md" (at least M digits, zero-padded, in a field of N),
// and "%%". A conversion whose argument is missing or of the other type
// expands to nothing.
using FormatArg = std::variant<std::int64_t, std::string_view>;
std::string formatText(std::string_view pattern, std::initializer_list<FormatArg> args);
