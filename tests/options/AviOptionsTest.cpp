#include "options/AviOptions.h"

#include <gtest/gtest.h>

namespace {

struct AnswerCase {
    const char *typed;
    std::uint16_t rate;
    std::uint16_t quality;
};

class AviValueTest : public ::testing::TestWithParam<AnswerCase> { };

// Typed answers: not a whole number or negative gives the default; above the
// range, the range's end (the rate holds 16 bits, the quality 0 to 10000).
TEST_P(AviValueTest, readsTheTypedAnswer)
{
    EXPECT_EQ(RateFromText(GetParam().typed), GetParam().rate);
    EXPECT_EQ(QualityFromText(GetParam().typed), GetParam().quality);
}

INSTANTIATE_TEST_SUITE_P(Answers, AviValueTest,
    ::testing::Values(AnswerCase { "abc", 10, 10000 }, AnswerCase { "", 10, 10000 }, AnswerCase { "-5", 10, 10000 },
        AnswerCase { "0", 0, 0 }, AnswerCase { "25", 25, 25 }, AnswerCase { "20000", 20000, 10000 },
        AnswerCase { "70000", 65535, 10000 }, AnswerCase { "$10", 16, 16 }, AnswerCase { " 7", 7, 7 }));

} // namespace
