#include "common/TextFormat.h"

#include "TestUtils.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace {

struct ParseCase {
    const char *text;
    std::optional<std::int32_t> expected;
};

void PrintTo(const ParseCase &c, std::ostream *os)
{
    *os << '"' << c.text << '"';
}

std::string parseCaseName(const ::testing::TestParamInfo<ParseCase> &info)
{
    return testNameFrom(info.param.text);
}

class ParseInt32Test : public ::testing::TestWithParam<ParseCase> { };

TEST_P(ParseInt32Test, FollowsTheNumberFieldRules)
{
    EXPECT_EQ(parseInt32(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Decimal, ParseInt32Test,
    ::testing::Values(ParseCase { "640", 640 }, ParseCase { " 640", 640 }, ParseCase { "   7", 7 },
        ParseCase { "640 ", std::nullopt }, ParseCase { "", std::nullopt }, ParseCase { "   ", std::nullopt },
        ParseCase { "+5", 5 }, ParseCase { "-5", -5 }, ParseCase { "+", std::nullopt }, ParseCase { "-", std::nullopt },
        ParseCase { "--5", std::nullopt }, ParseCase { "+-5", std::nullopt }, ParseCase { "- 5", std::nullopt },
        ParseCase { "0", 0 }, ParseCase { "-0", 0 }, ParseCase { "007", 7 }, ParseCase { "12a", std::nullopt },
        ParseCase { "1.5", std::nullopt }, ParseCase { "\t5", std::nullopt }),
    parseCaseName);

INSTANTIATE_TEST_SUITE_P(Limits, ParseInt32Test,
    ::testing::Values(ParseCase { "2147483647", 2147483647 }, ParseCase { "2147483648", std::nullopt },
        ParseCase { "-2147483648", INT32_MIN }, ParseCase { "-2147483649", std::nullopt },
        ParseCase { "99999999999999999999", std::nullopt }, ParseCase { "00000000000000000001", 1 }),
    parseCaseName);

INSTANTIATE_TEST_SUITE_P(Hexadecimal, ParseInt32Test,
    ::testing::Values(ParseCase { "$280", 640 }, ParseCase { "x280", 640 }, ParseCase { "X280", 640 },
        ParseCase { "0x280", 640 }, ParseCase { "0X280", 640 }, ParseCase { " $ff", 255 }, ParseCase { "$FF", 255 },
        ParseCase { "$", std::nullopt }, ParseCase { "0x", std::nullopt }, ParseCase { "-$10", std::nullopt },
        ParseCase { "+0x10", std::nullopt }, ParseCase { "$FFFFFFFF", -1 }, ParseCase { "$80000000", INT32_MIN },
        ParseCase { "$7FFFFFFF", INT32_MAX }, ParseCase { "$100000000", std::nullopt },
        ParseCase { "$000000000001", 1 }, ParseCase { "$1g", std::nullopt }, ParseCase { "$10 ", std::nullopt },
        ParseCase { "0x 1", std::nullopt }),
    parseCaseName);

struct FormatCase {
    const char *pattern;
    std::int64_t number;
    const char *expected;
};

class FormatNumberTest : public ::testing::TestWithParam<FormatCase> { };

TEST_P(FormatNumberTest, FormatsLikePrintf)
{
    EXPECT_EQ(formatText(GetParam().pattern, { GetParam().number }), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Numbers, FormatNumberTest,
    ::testing::Values(FormatCase { "%4.4d", 0, "0000" }, FormatCase { "%4.4d", 7, "0007" },
        FormatCase { "%4.4d", 9999, "9999" }, FormatCase { "%4.4d", 12345, "12345" },
        FormatCase { "%4.4d", -5, "-0005" }, FormatCase { "%4.4d", -12345, "-12345" }, FormatCase { "%d", 0, "0" },
        FormatCase { "%d", -17, "-17" }, FormatCase { "%d", 2147483647, "2147483647" },
        FormatCase { "%d", -2147483648LL, "-2147483648" }, FormatCase { "%4.4d", -2147483648LL, "-2147483648" },
        FormatCase { "%5d", 42, "   42" }, FormatCase { "n=%d%%", 3, "n=3%" }),
    [](const auto &info) {
        return testNameFrom(info.param.pattern) + "_" + testNameFrom(std::to_string(info.param.number));
    });

TEST(FormatText, BuildsFrameNamesAndStatusTexts)
{
    EXPECT_EQ(formatText("%s/%s%4.4d%s", { "/photos/anim", "IMAGE", 12, ".BMP" }), "/photos/anim/IMAGE0012.BMP");
    EXPECT_EQ(formatText("%s/%s%d%s", { "", "TestFrame-", 0, "" }), "/TestFrame-0");
    EXPECT_EQ(formatText("%s / %4.4d", { "TestFrame-12", 7952 }), "TestFrame-12 / 7952");
    EXPECT_EQ(formatText("%s - %s : %d * %d pixels", { "Travelia version: 0.6", "pano.bmp", 5000, 800 }),
        "Travelia version: 0.6 - pano.bmp : 5000 * 800 pixels");
}

TEST(FormatText, MissingOrMismatchedArgumentsExpandToNothing)
{
    EXPECT_EQ(formatText("a%db%sc", {}), "abc");
    EXPECT_EQ(formatText("%d", { "text" }), "");
    EXPECT_EQ(formatText("%s", { 5 }), "");
    EXPECT_EQ(formatText("50%", {}), "50%");
    EXPECT_EQ(formatText("%x", { 1 }), "%x");
}

} // namespace
