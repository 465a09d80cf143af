#include "app/BrowseForFolder.h"

#include "ScriptedServices.h"
#include "TestUtils.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

namespace fs = std::filesystem;

namespace {

enum class Then { Nothing, ExistsMessage, FailureMessage };

struct AskCase {
    const char *name;
    const char *start; // under the test folder
    bool asked;
    std::optional<std::string> answer; // under the test folder ("" stays empty); nothing: cancelled
    Then then;
    bool result;
};

class AskCreateFolderTest : public ::testing::TestWithParam<AskCase> {
protected:
    AskCreateFolderTest()
    {
        fs::create_directory(dir / "have");
        std::ofstream(dir / "file") << "x";
    }
    std::string under(const std::string &name) const { return name.empty() ? name : (dir / name).string(); }

    TempDir dir;
    ScriptedServices services;
};

TEST_P(AskCreateFolderTest, AcceptsCreatesOrRefuses)
{
    const AskCase &c = GetParam();
    if (c.asked)
        services.answerInputQuery(c.answer ? std::optional(under(*c.answer)) : std::nullopt);
    if (c.then == Then::ExistsMessage)
        services.answerErrorMessage();
    if (c.then == Then::FailureMessage)
        services.answerMessageBox(ModalQuestions::IdOk);
    std::string path = under(c.start);
    EXPECT_EQ(AskCreateFolder(path, services), c.result);
    const std::string expected = c.answer ? under(*c.answer) : under(c.start);
    EXPECT_EQ(path, expected);
    EXPECT_EQ(fs::is_directory(path), c.result);
    if (c.then == Then::FailureMessage) {
        EXPECT_EQ(services.asked().back().text, "Impossible de créer Le Dossier: '" + expected + "'");
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, AskCreateFolderTest,
    ::testing::Values(AskCase { "ExistingFolder", "have", false, {}, Then::Nothing, true },
        AskCase { "Cancelled", "new", true, std::nullopt, Then::Nothing, false },
        AskCase { "EmptyAnswer", "new", true, "", Then::Nothing, false },
        AskCase { "AnswerExists", "new", true, "have", Then::ExistsMessage, true },
        AskCase { "CreatedWithParents", "new", true, "new/a/b", Then::Nothing, true },
        AskCase { "CreationFails", "new", true, "file/sub", Then::FailureMessage, false }),
    [](const auto &info) { return std::string(info.param.name); });

struct ExecuteCase {
    const char *name;
    const char *path; // as set before Execute; "@" stands for the test folder
    bool useCurrentDir;
    std::optional<bool> createStart; // the creation question's answer, when asked
    std::optional<std::string> dialogStart; // the dialog's start folder, when it opens
    std::optional<std::string> chosen; // the dialog's answer; nothing: cancelled
    bool result;
    std::string pathAfter;
};

class ExecuteTest : public ::testing::TestWithParam<ExecuteCase> {
protected:
    ExecuteTest()
        : savedCwd(fs::current_path())
    {
        fs::create_directory(dir / "have");
        fs::current_path(dir.path());
    }
    ~ExecuteTest() override
    {
        fs::current_path(savedCwd);
        TBrowseForFolder::UseCurrentDirWhenEmpty = false;
    }
    std::string expand(const std::string &text) const
    {
        return text.starts_with("@") ? dir.str() + text.substr(1) : text;
    }

    TempDir dir;
    fs::path savedCwd;
    ScriptedServices services;
};

TEST_P(ExecuteTest, StartsCreatesOrChooses)
{
    const ExecuteCase &c = GetParam();
    TBrowseForFolder::UseCurrentDirWhenEmpty = c.useCurrentDir;
    TBrowseForFolder picker(services, services);
    picker.Path = expand(c.path);
    if (c.createStart) // the answer keeps the text as shown
        services.answerInputQuery(*c.createStart ? std::optional(picker.Path) : std::nullopt);
    if (c.dialogStart)
        services.answerBrowseForFolder(c.chosen ? std::optional(expand(*c.chosen)) : std::nullopt);
    EXPECT_EQ(picker.Execute(), c.result);
    EXPECT_EQ(picker.Path, expand(c.pathAfter));
    if (c.dialogStart) {
        EXPECT_EQ(services.asked().back().text, expand(*c.dialogStart));
    }
}

INSTANTIATE_TEST_SUITE_P(Starts, ExecuteTest,
    ::testing::Values(ExecuteCase { "Chosen", "@/have", false, {}, "@/have", "@/other", true, "@/other" },
        ExecuteCase { "Cancelled", "@/have", false, {}, "@/have", std::nullopt, false, "@/have" },
        ExecuteCase { "VirtualItem", "@/have", false, {}, "@/have", "", true, "" },
        ExecuteCase { "MissingStartCreated", "@/new/deep", false, true, {}, {}, true, "@/new/deep" },
        ExecuteCase { "MissingStartRefused", "@/new", false, false, "@/new", std::nullopt, false, "@/new" },
        ExecuteCase { "EmptyStartsInTheCurrentFolder", "", true, {}, "@", std::nullopt, false, "@" },
        ExecuteCase { "EmptyAsksFirst", "", false, false, "", std::nullopt, false, "" },
        ExecuteCase { "BareDrive", "C:", false, false, "C:/", std::nullopt, false, "C:/" }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
