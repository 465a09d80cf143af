#include "options/TFormOpAvi.h"

#include "ScriptedServices.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include <gtest/gtest.h>

namespace {

class FormOpAviTest : public ::testing::Test {
protected:
    ScriptedServices services;
    TAviOptions options;
    TFormOpAvi window { options, services };
};

// Showing rebuilds the catalogue behind "Sans Compression" and keeps the
// choice while it is still inside the list; the run reads the same entries.
TEST_F(FormOpAviTest, showingRebuildsTheCatalogueAndKeepsAChoiceInsideIt)
{
    options.CodecIndex = 100000;
    window.show();
    EXPECT_EQ(window.ListBox1->item(0)->text(), "Sans Compression");
    EXPECT_EQ(window.ListBox1->count(), int(options.Codecs.size()));
    EXPECT_GT(window.ListBox1->count(), 1) << "this machine's FFmpeg has compressors";
    EXPECT_EQ(options.CodecIndex, 0) << "an index outside the list goes back to 0";
    EXPECT_EQ(window.Edit1->text(), "Sans Compression");
    window.hide();
}

struct PressCase {
    const char *name;
    int row; // the row pressed; -1: below the last line
    bool lastChosen;
};

class ListPressTest : public FormOpAviTest, public ::testing::WithParamInterface<PressCase> { };

TEST_P(ListPressTest, aPressChoosesTheEntryUnderThePointerOrTheLastOne)
{
    window.resize(439, 2000); // every line visible, with room below the last
    window.show();
    const int count = window.ListBox1->count();
    const int row = GetParam().row < 0 ? count : GetParam().row;
    const int y = row < count ? window.ListBox1->visualItemRect(window.ListBox1->item(row)).center().y()
                              : window.ListBox1->visualItemRect(window.ListBox1->item(count - 1)).bottom() + 5;
    window.ListBox1MouseDown(y);
    const int chosen = GetParam().lastChosen ? count - 1 : row;
    EXPECT_EQ(options.CodecIndex, chosen);
    EXPECT_EQ(window.Edit1->text(), window.ListBox1->item(chosen)->text());
    std::uint32_t type = 0, handler = 0;
    EXPECT_EQ(window.GetCodec(options.CodecIndex, type, handler), chosen > 0);
    window.hide();
}

INSTANTIATE_TEST_SUITE_P(Rows, ListPressTest,
    ::testing::Values(PressCase { "first", 0, false }, PressCase { "second", 1, false },
        PressCase { "belowTheLast", -1, true }),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(FormOpAviTest, valueButtonsAskWithTheInputBoxAndShowTheValue)
{
    services.answerInputBox("70000");
    window.SpeedButtonRateClick();
    EXPECT_EQ(services.asked().back().caption, "Compression des Fichiers AVI:");
    EXPECT_EQ(options.Rate, 65535);
    EXPECT_EQ(window.LabelRate->text(), "Nombre d'Images par seconde: 65535");
    services.answerInputBox(std::nullopt);
    window.SpeedButtonQualityClick();
    EXPECT_EQ(options.Quality, 10000) << "Annuler keeps the value";
    EXPECT_EQ(window.LabelQuality->text(), "Qulaité (0 à 10000) : 10000");
}

} // namespace
