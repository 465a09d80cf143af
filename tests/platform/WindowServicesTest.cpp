#include "platform/WindowServices.h"

#include "TestUtils.h"

#include <gtest/gtest.h>

namespace {

struct FullStopCase {
    const char *text;
    const char *shown;
};

class ErrorBoxTextTest : public ::testing::TestWithParam<FullStopCase> { };

TEST_P(ErrorBoxTextTest, AddsAFullStopOnlyAfterCharactersSortingAfterDot)
{
    EXPECT_EQ(errorBoxText(GetParam().text), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Endings, ErrorBoxTextTest,
    ::testing::Values(FullStopCase { "", "" }, FullStopCase { "Disk full", "Disk full." },
        FullStopCase { "JPEG error #42", "JPEG error #42." }, FullStopCase { "Why?", "Why?." },
        FullStopCase { "Path:", "Path:." }, FullStopCase { "Stop!", "Stop!" }, FullStopCase { "(none)", "(none)" },
        FullStopCase { "Done.", "Done." }, FullStopCase { "a,", "a," }, FullStopCase { "a-", "a-" },
        FullStopCase { "a/", "a/." }, FullStopCase { "Créé", "Créé." }),
    [](const auto &info) { return testNameFrom(info.param.text); });

} // namespace
