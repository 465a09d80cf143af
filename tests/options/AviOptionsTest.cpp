#include "options/AviOptions.h"

#include <gtest/gtest.h>

namespace {

// Typed answers: not a whole number or negative gives the default; above the
// range, the range's end (the rate holds 16 bits, the quality 0 to 10000).
TEST(AviValue, readsTheTypedAnswer)
{
    struct {
        const char *typed;
        std::uint16_t rate, quality;
    } const cases[] = { { "abc", 10, 10000 }, { "", 10, 10000 }, { "-5", 10, 10000 }, { "0", 0, 0 }, { "25", 25, 25 },
        { "20000", 20000, 10000 }, { "70000", 65535, 10000 }, { "$10", 16, 16 }, { " 7", 7, 7 } };
    for (const auto &c : cases) {
        EXPECT_EQ(RateFromText(c.typed), c.rate) << c.typed;
        EXPECT_EQ(QualityFromText(c.typed), c.quality) << c.typed;
    }
}

} // namespace
