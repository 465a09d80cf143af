#include "output/OutputNaming.h"

#include "TestUtils.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

struct NamingCase {
    const char *name;
    bool testMode;
    bool folderAgreed;
    std::optional<ExistingFirstFile> answer; // nothing: the first file must not exist
    std::optional<const char *> firstFile; // nothing: the reading ends
    std::vector<std::string> asked; // what the questions were told, in order
};

class ReadOutputNamesTest : public testing::TestWithParam<NamingCase> { };

// One naming step serves the window and the command line: each answers the
// questions in its own way, and the step asks them in the same order.
TEST_P(ReadOutputNamesTest, asksItsQuestionsInOrderAndActsOnTheAnswers)
{
    const NamingCase &c = GetParam();
    TempDir dir;
    std::filesystem::create_directory(dir / "anim");
    for (const char *existing : { "IMAGE0000.BMP", "IMAGE0003.BMP" })
        writeFileBytes(dir / "anim" / existing, {});
    // A dangling link is a name that exists: the free-number search passes it.
    std::filesystem::create_symlink("nowhere", dir / "anim" / "IMAGE0001.BMP");

    const OutputFields fields {
        .BaseFolder = dir.str() + "/", .SubDir = "anim", .BaseNameSource = "/photos/IMAGE.jpg", .TestMode = c.testMode
    };
    std::vector<std::string> asked;
    NamingQuestions questions;
    questions.ensureFolder = [&](std::string &folder) {
        asked.push_back("folder " + folder.substr(dir.str().size()));
        return c.folderAgreed;
    };
    questions.firstFileExists = [&](const std::string &first) {
        asked.push_back("exists " + first.substr(dir.str().size()));
        EXPECT_TRUE(c.answer.has_value());
        return c.answer.value_or(ExistingFirstFile::Refuse);
    };
    questions.freeNumberFound = [&](std::int32_t number) { asked.push_back("free " + std::to_string(number)); };

    const std::optional<OutputNames> names = ReadOutputNames(fields, questions);
    EXPECT_EQ(asked, c.asked);
    ASSERT_EQ(names.has_value(), c.firstFile.has_value());
    if (names) {
        EXPECT_EQ(names->FileName, c.testMode ? std::string(*c.firstFile) : dir.str() + *c.firstFile);
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, ReadOutputNamesTest,
    testing::Values(NamingCase { "folderRefused", false, false, std::nullopt, std::nullopt, { "folder /anim" } },
        NamingCase { "testModeStillEnsuresTheFolder", true, true, std::nullopt, "/TestFrame-0000", { "folder /anim" } },
        NamingCase { "searchFindsTheFirstGap", false, true, ExistingFirstFile::SearchFreeNumber, "/anim/IMAGE0002.BMP",
            { "folder /anim", "exists /anim/IMAGE0000.BMP", "free 2" } },
        NamingCase { "keepMeetsTheOverwriteDecisionLater", false, true, ExistingFirstFile::KeepNumber,
            "/anim/IMAGE0000.BMP", { "folder /anim", "exists /anim/IMAGE0000.BMP" } },
        NamingCase { "refuseEndsTheReading", false, true, ExistingFirstFile::Refuse, std::nullopt,
            { "folder /anim", "exists /anim/IMAGE0000.BMP" } }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
