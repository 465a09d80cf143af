#include "app/BrowseForFolder.h"
#include "app/ui/CommandPanel.h"

#include "ScriptedServices.h"
#include "TestUtils.h"

#include <QLineEdit>
#include <QToolButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace fs = std::filesystem;

namespace {

// Paths starting with "@" start in the test folder.
class FolderTest : public ::testing::Test {
protected:
    FolderTest()
    {
        for (const char *name : { "have", "other" })
            fs::create_directory(dir / name);
        writeFileBytes(dir / "file", {});
    }
    ~FolderTest() override { TBrowseForFolder::UseCurrentDirWhenEmpty = false; }
    std::string at(const std::string &text) const { return text.starts_with("@") ? dir.str() + text.substr(1) : text; }

    TempDir dir;
    ScriptedServices services;
};

// The picker alone: an empty start is the current folder when so set, and a
// bare drive name gets its separator.
TEST_F(FolderTest, PickerStartsInTheCurrentFolderOrAtTheDriveRoot)
{
    TBrowseForFolder::UseCurrentDirWhenEmpty = true;
    TBrowseForFolder picker(services, services);
    services.answerBrowseForFolder("other");
    EXPECT_TRUE(picker.Execute());
    EXPECT_EQ(services.asked().back().text, fs::current_path().string());
    EXPECT_EQ(picker.Path, "other");

    picker.Path = "C:";
    services.answerInputQuery(std::nullopt);
    services.answerBrowseForFolder(std::nullopt);
    EXPECT_FALSE(picker.Execute());
    EXPECT_EQ(services.asked().back().text, "C:/");
    EXPECT_EQ(picker.Path, "C:/");
}

enum class Message { None, Exists, Failed };

// The panel's folder button, the program folder being the test folder. A
// missing field left missing leads to the picker's creation query, and so to
// every branch of AskCreateFolder.
struct ChooseCase {
    const char *name;
    const char *field;
    std::optional<bool> createField; // "Création du Répertoire?", when asked
    std::optional<std::string> query; // the picker's creation query; nothing: cancelled; "-": not asked
    Message message; // after the query
    const char *dialogStart; // nullptr: no dialog
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
    if (c.query != "-")
        services.answerInputQuery(c.query ? std::optional(at(*c.query)) : std::nullopt);
    if (c.message == Message::Exists)
        services.answerErrorMessage();
    if (c.message == Message::Failed)
        services.answerMessageBox(ModalQuestions::IdOk);
    if (c.dialogStart)
        services.answerBrowseForFolder(c.chosen ? std::optional(at(*c.chosen)) : std::nullopt);
    panel.SpeedButtonCopy->click();
    if (c.dialogStart) {
        EXPECT_EQ(services.asked().back().text, at(c.dialogStart));
    }
    EXPECT_EQ(panel.EditCopy->text().toStdString(), at(c.fieldAfter));
}

INSTANTIATE_TEST_SUITE_P(Choices, ChooseFolderTest,
    ::testing::Values(ChooseCase { "Chosen", "@/have/", {}, "-", Message::None, "@/have", "@/other", "@/other/" },
        ChooseCase { "ChosenMissingCreated", "@/have/", {}, "-", Message::None, "@/have", "@/new/d", "@/new/d/" },
        ChooseCase { "ChosenCreationFails", "@/have/", {}, "-", Message::None, "@/have", "@/file/sub", "@/have/" },
        ChooseCase { "ItemWithoutAFolder", "@/have/", {}, "-", Message::None, "@/have", "", "@/have/" },
        ChooseCase { "EmptyFieldInTheProgramFolder", "", {}, "-", Message::None, "@", {}, "" },
        ChooseCase { "MissingFieldCreated", "@/made", true, "-", Message::None, "@/made", {}, "@/made/" },
        ChooseCase { "QueryCancelled", "@/gone/", false, {}, Message::None, "@/gone", {}, "@/gone/" },
        ChooseCase { "QueryCreatesWithParents", "@/gone/", false, "@/new/a", Message::None, nullptr, {}, "@/new/a/" },
        ChooseCase { "QueryEmpty", "@/gone/", false, "", Message::None, "", {}, "@/gone/" },
        ChooseCase { "QueryNamesAFolder", "@/gone/", false, "@/have", Message::Exists, nullptr, {}, "@/have/" },
        ChooseCase {
            "QueryCreationFails", "@/gone/", false, "@/file/sub", Message::Failed, "@/file/sub", {}, "@/gone/" }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
