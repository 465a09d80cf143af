#include "app/BrowseForFolder.h"

#include "ScriptedServices.h"
#include "TestUtils.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

namespace fs = std::filesystem;

namespace {

// Paths are relative to the test folder, the current one; "@" stands for it.
class FolderTest : public ::testing::Test {
protected:
    FolderTest()
        : savedCwd(fs::current_path())
    {
        fs::create_directory(dir / "have");
        std::ofstream(dir / "file") << "x";
        fs::current_path(dir.path());
    }
    ~FolderTest() override
    {
        fs::current_path(savedCwd);
        TBrowseForFolder::UseCurrentDirWhenEmpty = false;
    }
    std::string at(const std::string &text) const { return text == "@" ? dir.str() : text; }

    TempDir dir;
    fs::path savedCwd;
    ScriptedServices services;
};

enum class Message { None, Exists, Failed };

struct AskCase {
    const char *name;
    const char *path;
    std::optional<std::string> answer; // of the input query; nothing: cancelled ("-": not asked)
    Message message;
    bool result;
};

class AskCreateFolderTest : public FolderTest, public ::testing::WithParamInterface<AskCase> { };

TEST_P(AskCreateFolderTest, AcceptsCreatesOrRefuses)
{
    const AskCase &c = GetParam();
    const bool asked = c.answer != "-";
    if (asked)
        services.answerInputQuery(c.answer);
    if (c.message == Message::Exists)
        services.answerErrorMessage();
    if (c.message == Message::Failed)
        services.answerMessageBox(ModalQuestions::IdOk);
    std::string path = c.path;
    EXPECT_EQ(AskCreateFolder(path, services), c.result);
    EXPECT_EQ(path, asked && c.answer ? *c.answer : c.path);
    EXPECT_EQ(fs::is_directory(path), c.result);
    if (c.message == Message::Failed) {
        EXPECT_EQ(services.asked().back().text, "Impossible de créer Le Dossier: '" + path + "'");
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, AskCreateFolderTest,
    ::testing::Values(AskCase { "ExistingFolder", "have", "-", Message::None, true },
        AskCase { "Cancelled", "new", std::nullopt, Message::None, false },
        AskCase { "EmptyAnswer", "new", "", Message::None, false },
        AskCase { "AnswerExists", "new", "have", Message::Exists, true },
        AskCase { "CreatedWithParents", "new", "new/a/b", Message::None, true },
        AskCase { "CreationFails", "new", "file/sub", Message::Failed, false }),
    [](const auto &info) { return std::string(info.param.name); });

struct ExecuteCase {
    const char *name;
    const char *path;
    bool useCurrentDir;
    std::optional<bool> createStart; // the creation question's answer (the text kept), when asked
    const char *dialogStart; // nullptr: no dialog
    std::optional<std::string> chosen; // nothing: cancelled
    bool result;
    const char *pathAfter;
};

class ExecuteTest : public FolderTest, public ::testing::WithParamInterface<ExecuteCase> { };

TEST_P(ExecuteTest, StartsCreatesOrChooses)
{
    const ExecuteCase &c = GetParam();
    TBrowseForFolder::UseCurrentDirWhenEmpty = c.useCurrentDir;
    TBrowseForFolder picker(services, services);
    picker.Path = at(c.path);
    if (c.createStart)
        services.answerInputQuery(*c.createStart ? std::optional(picker.Path) : std::nullopt);
    if (c.dialogStart)
        services.answerBrowseForFolder(c.chosen);
    EXPECT_EQ(picker.Execute(), c.result);
    EXPECT_EQ(picker.Path, at(c.pathAfter));
    if (c.dialogStart) {
        EXPECT_EQ(services.asked().back().text, at(c.dialogStart));
    }
}

INSTANTIATE_TEST_SUITE_P(Starts, ExecuteTest,
    ::testing::Values(ExecuteCase { "Chosen", "have", false, {}, "have", "other", true, "other" },
        ExecuteCase { "Cancelled", "have", false, {}, "have", std::nullopt, false, "have" },
        ExecuteCase { "MissingStartCreated", "new/deep", false, true, nullptr, {}, true, "new/deep" },
        ExecuteCase { "MissingStartRefused", "new", false, false, "new", std::nullopt, false, "new" },
        ExecuteCase { "EmptyStartsInTheCurrentFolder", "", true, {}, "@", std::nullopt, false, "@" },
        ExecuteCase { "EmptyAsksFirst", "", false, false, "", std::nullopt, false, "" },
        ExecuteCase { "BareDrive", "C:", false, false, "C:/", std::nullopt, false, "C:/" }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
