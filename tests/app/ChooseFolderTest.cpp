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

// Texts under the test folder are written with "@" for it.
struct ChooseCase {
    const char *name;
    const char *field;
    std::optional<bool> createField; // "Création du Répertoire?", when asked
    std::optional<bool> createStart; // the picker's creation question, when asked
    const char *dialogStart;
    std::optional<std::string> chosen; // nothing: cancelled
    const char *fieldAfter;
};

class ChooseFolderTest : public ::testing::TestWithParam<ChooseCase> {
protected:
    ChooseFolderTest()
        : panel(services, dir.str() + "/")
    {
        fs::create_directory(dir / "base");
        fs::create_directory(dir / "other");
        std::ofstream(dir / "file") << "x";
        TBrowseForFolder::UseCurrentDirWhenEmpty = true;
    }
    ~ChooseFolderTest() override { TBrowseForFolder::UseCurrentDirWhenEmpty = false; }
    std::string expand(const std::string &text) const
    {
        return text.starts_with("@") ? dir.str() + text.substr(1) : text;
    }

    TempDir dir;
    ScriptedServices services;
    CommandPanel panel;
};

TEST_P(ChooseFolderTest, FieldTakesTheChosenFolderOnlyWhenItExists)
{
    const ChooseCase &c = GetParam();
    panel.Rules().state().EditCopy = expand(c.field);
    panel.ApplyPanelState();
    if (c.createField)
        services.answerMessageBox(*c.createField ? ModalQuestions::IdYes : ModalQuestions::IdNo);
    if (c.createStart)
        services.answerInputQuery(std::nullopt);
    services.answerBrowseForFolder(c.chosen ? std::optional(expand(*c.chosen)) : std::nullopt);
    panel.SpeedButtonCopy->click();
    EXPECT_EQ(services.asked().back().text, expand(c.dialogStart));
    EXPECT_EQ(panel.EditCopy->text().toStdString(), expand(c.fieldAfter));
    EXPECT_EQ(panel.Rules().state().EditCopy, expand(c.fieldAfter));
}

INSTANTIATE_TEST_SUITE_P(Choices, ChooseFolderTest,
    ::testing::Values(ChooseCase { "Chosen", "@/base/", {}, {}, "@/base", "@/other", "@/other/" },
        ChooseCase { "CancelledKeepsTheFieldWithItsSeparator", "@/base", {}, {}, "@/base", std::nullopt, "@/base/" },
        ChooseCase {
            "ChosenMissingIsCreatedWithoutAsking", "@/base/", {}, {}, "@/base", "@/typed/deep", "@/typed/deep/" },
        ChooseCase { "MissingFieldCreatedFirst", "@/made/", true, {}, "@/made", std::nullopt, "@/made/" },
        ChooseCase { "MissingFieldRefusedTwice", "@/gone/", false, false, "@/gone", std::nullopt, "@/gone/" },
        ChooseCase { "EmptyFieldStartsInTheProgramFolder", "", {}, {}, "@", std::nullopt, "" },
        ChooseCase { "ItemWithoutAFolder", "@/base/", {}, {}, "@/base", "", "@/base/" },
        ChooseCase { "CreationFails", "@/base/", {}, {}, "@/base", "@/file/sub", "@/base/" }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
