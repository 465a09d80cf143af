#include "output/OutputNaming.h"

#include "TestUtils.h"
#include "common/SeriesLock.h"

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

// A series that another run is writing ends the reading before any question
// about its files, the first one's included; the names read hold the series
// as long as they live.
TEST(ReadOutputNames, aSeriesAnotherRunIsWritingEndsTheReading)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "anim");
    writeFileBytes(dir / "anim" / "IMAGE0000.PNG", {});
    const OutputFields fields { .BaseFolder = dir.str(), .BaseNameSource = "IMAGE", .Format = FormatPng };
    std::vector<std::string> told;
    NamingQuestions questions;
    questions.ensureFolder = [](std::string &) { return true; };
    questions.firstFileExists = [&](const std::string &) {
        told.push_back("exists");
        return ExistingFirstFile::SearchFreeNumber;
    };
    questions.seriesBusy
        = [&](const std::string &pattern, const std::string &folder) { told.push_back(pattern + " in " + folder); };
    {
        const SeriesLock otherRun((dir / "anim" / "IMAGE0020.PNG").string());
        ASSERT_EQ(otherRun.state(), SeriesLock::State::Claimed);
        EXPECT_FALSE(ReadOutputNames(fields, questions));
        EXPECT_EQ(told, std::vector<std::string> { "IMAGE*.PNG in " + dir.str() + "/anim" });
    }
    told.clear();
    std::optional<OutputNames> names = ReadOutputNames(fields, questions);
    ASSERT_TRUE(names);
    EXPECT_EQ(names->FileName, dir.str() + "/anim/IMAGE0001.PNG");
    EXPECT_TRUE(names->Lock);
    EXPECT_EQ(SeriesLock((dir / "anim" / "IMAGE0001.PNG").string()).state(), SeriesLock::State::Busy);
    names.reset();
    EXPECT_EQ(SeriesLock((dir / "anim" / "IMAGE0001.PNG").string()).state(), SeriesLock::State::Claimed);
}

// A name test writes nothing and claims nothing.
TEST(ReadOutputNames, testModeClaimsNoSeries)
{
    TempDir dir;
    const OutputFields fields {
        .BaseFolder = dir.str(), .UseSubDir = false, .BaseNameSource = "IMAGE", .TestMode = true
    };
    NamingQuestions questions;
    questions.ensureFolder = [](std::string &) { return true; };
    const std::optional<OutputNames> names = ReadOutputNames(fields, questions);
    ASSERT_TRUE(names);
    EXPECT_FALSE(names->Lock);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

} // namespace
