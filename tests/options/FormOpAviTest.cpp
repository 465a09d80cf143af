#include "options/CodecCatalogue.h"
#include "options/ui/TFormOpAvi.h"

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

// Showing rebuilds the catalogue behind "Sans Compression" and sends an
// index outside it back to 0; a press chooses the line under the pointer, or
// the last one below it.
TEST_F(FormOpAviTest, showingRebuildsTheListAndAPressChoosesALine)
{
    options.CodecIndex = 100000;
    window.resize(439, 2000); // every line visible, with room below the last
    window.show();
    QListWidget *list = window.ListBox1;
    EXPECT_EQ(list->item(0)->text(), "Sans Compression");
    EXPECT_EQ(list->count(), int(CatalogueList().size()));
    ASSERT_GT(list->count(), 1) << "this machine's FFmpeg has compressors";
    EXPECT_EQ(options.CodecIndex, 0);
    EXPECT_EQ(window.Edit1->text(), "Sans Compression");

    const int last = list->count() - 1;
    for (auto [y, chosen] : { std::pair { list->visualItemRect(list->item(1)).center().y(), 1 },
             { list->visualItemRect(list->item(last)).bottom() + 5, last } }) {
        window.ListBox1MouseDown(y);
        EXPECT_EQ(options.CodecIndex, chosen);
        EXPECT_EQ(window.Edit1->text(), list->item(chosen)->text());
        std::uint32_t type = 0, handler = 0;
        EXPECT_TRUE(window.GetCodec(options.CodecIndex, type, handler));
        EXPECT_EQ(options.CodecHandler, handler) << "the run takes the code of the line chosen";
    }
    window.hide();
}

// The value buttons ask through the input box and show the value kept.
TEST_F(FormOpAviTest, valueButtonsAskWithTheInputBoxAndShowTheValue)
{
    services.answerInputBox("70000");
    window.SpeedButtonRateClick();
    EXPECT_EQ(options.Rate, 65535);
    EXPECT_EQ(window.LabelRate->text(), "Nombre d'Images par seconde: 65535");
    services.answerInputBox(std::nullopt);
    window.SpeedButtonQualityClick();
    EXPECT_EQ(services.asked().size(), 2u);
    EXPECT_EQ(options.Quality, 10000) << "Annuler keeps the value";
    EXPECT_EQ(window.LabelQuality->text(), "Qulaité (0 à 10000) : 10000");
}

} // namespace
