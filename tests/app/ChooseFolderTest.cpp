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

// Paths are written with "@" for the test folder, the program's folder here.
struct ChooseCase {
    const char *name;
    const char *field;
    std::optional<bool> createField; // "Création du Répertoire?", when asked
    bool startQuestion; // the picker's creation question, cancelled
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
    }
    std::string at(const std::string &text) const { return text.starts_with("@") ? dir.str() + text.substr(1) : text; }

    TempDir dir;
    ScriptedServices services;
    CommandPanel panel;
};

TEST_P(ChooseFolderTest, FieldTakesTheChosenFolderOnlyWhenItExists)
{
    const ChooseCase &c = GetParam();
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
    ::testing::Values(ChooseCase { "Chosen", "@/base/", {}, false, "@/base", "@/other", "@/other/" },
        ChooseCase { "CancelledKeepsTheFieldWithASeparator", "@/base", {}, false, "@/base", std::nullopt, "@/base/" },
        ChooseCase { "ChosenMissingCreatedWithoutAsking", "@/base/", {}, false, "@/base", "@/new/deep", "@/new/deep/" },
        ChooseCase { "MissingFieldCreatedFirst", "@/made/", true, false, "@/made", std::nullopt, "@/made/" },
        ChooseCase { "MissingFieldRefusedTwice", "@/gone/", false, true, "@/gone", std::nullopt, "@/gone/" },
        ChooseCase { "EmptyFieldStartsInTheProgramFolder", "", {}, false, "@", std::nullopt, "" },
        ChooseCase { "ItemWithoutAFolder", "@/base/", {}, false, "@/base", "", "@/base/" },
        ChooseCase { "CreationFails", "@/base/", {}, false, "@/base", "@/file/sub", "@/base/" }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
