#include "app/BrowseForFolder.h"
#include "app/CommandPanel.h"

#include "ScriptedServices.h"
#include "TestUtils.h"

#include <QLineEdit>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

namespace fs = std::filesystem;

namespace {

// The test folder is the current one; paths starting with "@" start in it.
class FolderTest : public ::testing::Test {
protected:
    FolderTest()
        : savedCwd(fs::current_path())
    {
        for (const char *name : { "have", "other" })
            fs::create_directory(dir / name);
        std::ofstream(dir / "file") << "x";
        fs::current_path(dir.path());
    }
    ~FolderTest() override
    {
        fs::current_path(savedCwd);
        TBrowseForFolder::UseCurrentDirWhenEmpty = false;
    }
    std::string at(const std::string &text) const { return text.starts_with("@") ? dir.str() + text.substr(1) : text; }

    TempDir dir;
    fs::path savedCwd;
    ScriptedServices services;
};

enum class Message { None, Exists, Failed };

// The picker, and through a missing start every branch of AskCreateFolder;
// "C:" also shows a cancelled creation query and a cancelled dialog.
struct PickCase {
    const char *name;
    const char *path;
    bool useCurrentDir;
    std::optional<std::string> query; // the creation query's answer; nothing: cancelled; "-": not asked
    Message message;
    const char *dialogStart; // nullptr: no dialog
    std::optional<std::string> chosen; // nothing: cancelled
    bool result;
    const char *pathAfter;
};

class PickerTest : public FolderTest, public ::testing::WithParamInterface<PickCase> { };

TEST_P(PickerTest, CreatesTheStartOrChoosesInTheDialog)
{
    const PickCase &c = GetParam();
    TBrowseForFolder::UseCurrentDirWhenEmpty = c.useCurrentDir;
    if (c.query != "-")
        services.answerInputQuery(c.query);
    if (c.message == Message::Exists)
        services.answerErrorMessage();
    if (c.message == Message::Failed)
        services.answerMessageBox(ModalQuestions::IdOk);
    if (c.dialogStart)
        services.answerBrowseForFolder(c.chosen);
    TBrowseForFolder picker(services, services);
    picker.Path = at(c.path);
    EXPECT_EQ(picker.Execute(), c.result);
    EXPECT_EQ(picker.Path, at(c.pathAfter));
    EXPECT_TRUE(!c.result || fs::is_directory(picker.Path)) << "the chosen folder exists";
    if (c.dialogStart) {
        EXPECT_EQ(services.asked().back().text, at(c.dialogStart));
    }
}

INSTANTIATE_TEST_SUITE_P(Starts, PickerTest,
    ::testing::Values(PickCase { "Chosen", "have", false, "-", Message::None, "have", "other", true, "other" },
        PickCase { "CreatedWithParents", "new", false, "new/a/b", Message::None, nullptr, {}, true, "new/a/b" },
        PickCase { "EmptyAnswer", "new", false, "", Message::None, "", std::nullopt, false, "" },
        PickCase { "AnswerExists", "new", false, "have", Message::Exists, nullptr, {}, true, "have" },
        PickCase {
            "CreationFails", "new", false, "file/sub", Message::Failed, "file/sub", std::nullopt, false, "file/sub" },
        PickCase { "EmptyStartsInTheCurrentFolder", "", true, "-", Message::None, "@", std::nullopt, false, "@" },
        PickCase { "BareDrive", "C:", false, std::nullopt, Message::None, "C:/", std::nullopt, false, "C:/" }),
    [](const auto &info) { return std::string(info.param.name); });

// The panel's folder button, the program folder being the test folder.
struct ChooseCase {
    const char *name;
    const char *field;
    std::optional<bool> createField; // "Création du Répertoire?", when asked
    bool startQuestion; // the picker's creation question, cancelled
    const char *dialogStart;
    std::optional<std::string> chosen; // nothing: cancelled
    const char *fieldAfter;
};

class ChooseFolderTest : public FolderTest, public ::testing::WithParamInterface<ChooseCase> { };

TEST_P(ChooseFolderTest, FieldTakesTheChosenFolderOnlyWhenItExists)
{
    const ChooseCase &c = GetParam();
    CommandPanel panel(services, dir.str() + "/");
    panel.Rules().state().EditCopy = at(c.field);
    panel.ApplyPanelState();
    if (c.createField)
        services.answerMessageBox(*c.createField ? ModalQuestions::IdYes : ModalQuestions::IdNo);
    if (c.startQuestion)
        services.answerInputQuery(std::nullopt);
    services.answerBrowseForFolder(c.chosen ? std::optional(at(*c.chosen)) : std::nullopt);
    panel.SpeedButtonCopy->click();
    EXPECT_EQ(services.asked().back().text, at(c.dialogStart));
    EXPECT_EQ(panel.EditCopy->text().toStdString(), at(c.fieldAfter));
}

INSTANTIATE_TEST_SUITE_P(Choices, ChooseFolderTest,
    ::testing::Values(ChooseCase { "Chosen", "@/have/", {}, false, "@/have", "@/other", "@/other/" },
        ChooseCase { "ChosenMissingCreatedWithoutAsking", "@/have/", {}, false, "@/have", "@/new/deep", "@/new/deep/" },
        ChooseCase {
            "MissingFieldCreatedFirstSeparatorAdded", "@/made", true, false, "@/made", std::nullopt, "@/made/" },
        ChooseCase { "MissingFieldRefusedTwice", "@/gone/", false, true, "@/gone", std::nullopt, "@/gone/" },
        ChooseCase { "EmptyFieldStartsInTheProgramFolder", "", {}, false, "@", std::nullopt, "" },
        ChooseCase { "ItemWithoutAFolder", "@/have/", {}, false, "@/have", "", "@/have/" },
        ChooseCase { "CreationFails", "@/have/", {}, false, "@/have", "@/file/sub", "@/have/" }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
