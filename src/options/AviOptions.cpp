#include "options/AviOptions.h"

#include "common/TextFormat.h"

namespace {

std::uint16_t valueFromText(const std::string &text, std::int32_t fallback, std::int32_t maximum)
{
    const auto value = parseInt32(text);
    if (!value || *value < 0)
        return std::uint16_t(fallback);
    return std::uint16_t(*value > maximum ? maximum : *value);
}

} // namespace

std::uint16_t RateFromText(const std::string &text)
{
    return valueFromText(text, 10, 65535);
}

std::uint16_t QualityFromText(const std::string &text)
{
    return valueFromText(text, 10000, 10000);
}
