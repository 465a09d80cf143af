#include "common/TextFormat.h"

#include <cstddef>

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::int32_t> parseHex(std::string_view digits)
{
    if (digits.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        const int d = hexDigit(c);
        if (d < 0)
            return std::nullopt;
        value = value * 16 + std::uint64_t(d);
        if (value > 0xFFFFFFFFull) // more than eight significant digits
            return std::nullopt;
    }
    return std::int32_t(std::uint32_t(value));
}

std::optional<std::int32_t> parseDecimal(std::string_view digits, bool negative)
{
    if (digits.empty())
        return std::nullopt;
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    std::int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > limit)
            return std::nullopt;
    }
    return std::int32_t(negative ? -value : value);
}

void appendNumber(std::string &out, std::int64_t value, int width, int precision)
{
    std::string digits = std::to_string(value < 0 ? -(value + 1) + 1ull : std::uint64_t(value));
    if (precision >= 0 && int(digits.size()) < precision)
        digits.insert(0, std::size_t(precision) - digits.size(), '0');
    if (value < 0)
        digits.insert(0, 1, '-');
    if (int(digits.size()) < width)
        out.append(std::size_t(width) - digits.size(), ' ');
    out += digits;
}

} // namespace

std::optional<std::int32_t> parseInt32(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    text.remove_prefix(i);
    if (text.empty())
        return std::nullopt;
    if (text[0] == '$' || text[0] == 'x' || text[0] == 'X')
        return parseHex(text.substr(1));
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return parseHex(text.substr(2));
    bool negative = false;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    return parseDecimal(text, negative);
}

std::string formatText(std::string_view pattern, std::initializer_list<FormatArg> args)
{
    std::string out;
    out.reserve(pattern.size() + 32);
    auto next = args.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c != '%' || i + 1 >= pattern.size()) {
            out += c;
            continue;
        }
        std::size_t j = i + 1;
        if (pattern[j] == '%') {
            out += '%';
            i = j;
            continue;
        }
        int width = 0, precision = -1;
        while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9')
            width = width * 10 + (pattern[j++] - '0');
        if (j < pattern.size() && pattern[j] == '.') {
            precision = 0;
            ++j;
            while (j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9')
                precision = precision * 10 + (pattern[j++] - '0');
        }
        if (j >= pattern.size()) {
            out.append(pattern.substr(i));
            break;
        }
        const char conv = pattern[j];
        if (conv != 'd' && conv != 's') {
            out.append(pattern.substr(i, j - i + 1));
            i = j;
            continue;
        }
        if (next != args.end()) {
            const FormatArg &arg = *next++;
            if (conv == 'd' && std::holds_alternative<std::int64_t>(arg)) {
                appendNumber(out, std::get<std::int64_t>(arg), width, precision);
            } else if (conv == 's' && std::holds_alternative<std::string_view>(arg)) {
                const std::string_view s = std::get<std::string_view>(arg);
                if (int(s.size()) < width)
                    out.append(std::size_t(width) - s.size(), ' ');
                out.append(s);
            }
        }
        i = j;
    }
    return out;
}
