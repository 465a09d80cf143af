// What the main window's commands leave on disk when a question is closed,
// a write fails or a run is stopped, and what they say about it.

#include "app/CommandPanel.h"

#include "FormMainFixture.h"

#include <QPushButton>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::vector<std::uint8_t> kOldBytes { 'o', 'l', 'd' };

// Escape or the close box on a question of "Créer" ends the run with nothing
// written: no folder made, no file replaced, no other file added.
struct ClosedQuestionCase {
    const char *name;
    std::int32_t format;
    const char *existing; // a file in ./anim before the run; "": no ./anim at all
    bool keepNumber; // "Existe déjà" answered NON (Ecraser): the overwrite dialog is the one closed
    const char *question; // part of the closed question's caption
};

class ClosedQuestionTest : public FormMainTest, public ::testing::WithParamInterface<ClosedQuestionCase> { };

TEST_P(ClosedQuestionTest, EndsTheRunWithNothingWritten)
{
    const ClosedQuestionCase &c = GetParam();
    open(writePanorama(44, 30));
    form.Panel().Rules().setFormat(c.format);
    form.Panel().ApplyPanelState();
    if (*c.existing) {
        fs::create_directory(dir / "anim");
        writeFileBytes(dir / "anim" / c.existing, kOldBytes);
    }
    if (c.keepNumber) {
        services.answerMessageBox(WindowServices::IdNo);
        services.answerOverwriteClosed();
    } else {
        services.answerMessageBoxClosed();
    }
    form.Panel().SpeedButtonCreate->click();

    ASSERT_FALSE(services.asked().empty());
    EXPECT_NE(services.asked().back().caption.find(c.question), std::string::npos) << services.asked().back().caption;
    if (!*c.existing) {
        EXPECT_FALSE(fs::exists(dir / "anim"));
        return;
    }
    EXPECT_EQ(namesIn(dir / "anim"), std::vector<std::string> { c.existing });
    EXPECT_EQ(readFileBytes(dir / "anim" / c.existing), kOldBytes);
}

INSTANTIATE_TEST_SUITE_P(Questions, ClosedQuestionTest,
    ::testing::Values(ClosedQuestionCase { "folderQuestion", FormatBmp, "", false, "Création du Répertoire?" },
        ClosedQuestionCase { "firstFileOfASeries", FormatBmp, "IMAGE0000.BMP", false, " Existe déjà" },
        ClosedQuestionCase { "firstFileAvi", FormatAvi, "ANIM0000.AVI", false, " Existe déjà" },
        ClosedQuestionCase { "firstFileVideo", FormatVideo, "ANIM0000.MP4", false, " Existe déjà" },
        ClosedQuestionCase { "overwriteDialog", FormatPng, "IMAGE0000.PNG", true, "Ecraser le Fichier ?" }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
