#include "viewer/TFormView.h"

#include "ScriptedServices.h"
#include "TestUtils.h"
#include "anim/PictureDisplay.h"
#include "anim/RunContext.h"
#include "anim/SettingsPanel.h"
#include "options/JpegOptions.h"
#include "output/FrameFile.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <optional>

namespace {

// The main window's drawing area, reduced to what the viewer uses: each
// repaint records the frame shown (its blue level, -1 for none).
class RecordingDisplay : public PictureDisplay {
public:
    Bitmap24 &DisplayBitmap() override { return bitmap; }
    void ShowFrame(const Bitmap24 &frame) override { bitmap = frame; }
    void RepaintNow() override
    {
        shown.push_back(bitmap.isEmpty() ? -1 : bitmap.bits()[0]);
        if (onRepaint)
            onRepaint();
    }

    Bitmap24 bitmap;
    std::vector<int> shown;
    std::function<void()> onRepaint;
};

class FormViewTest : public ::testing::Test {
protected:
    FormViewTest()
        : rules(services, dir.str() + "/")
        , run(services)
        , view(display, run, services, jpegOptions, rules)
    {
        run.Tempo = 0;
        // One frame of each blue level; frame 3 cannot be read.
        for (int n : { 0, 1, 2, 10 }) {
            Bitmap24 frame;
            frame.resize(4, 4);
            frame.fill(std::uint8_t(n), 0, 0);
            WriteBmpFile(frame,
                (dir
                    / (n == 1         ? "IMAGE1.BMP"
                            : n == 10 ? "IMAGE10.BMP"
                                      : "IMAGE000" + std::to_string(n) + ".BMP"))
                    .string());
        }
        std::ofstream(dir / "IMAGE0003.BMP") << "BM broken";
        std::ofstream(dir / "OTHER5.BMP") << "not listed";
    }

    // Lists the series and plays it once.
    void open()
    {
        services.answerOpenPicture((dir / "IMAGE0002.BMP").string());
        view.OpenSequence();
        display.shown.clear();
    }

    QPoint itemCentre(int row) { return view.ListBox1->visualItemRect(view.ListBox1->item(row)).center(); }

    TempDir dir;
    ScriptedServices services;
    SettingsPanel rules;
    RunContext run;
    TJpegOptions jpegOptions;
    RecordingDisplay display;
    TFormView view;
};

TEST_F(FormViewTest, OpenListsTheSeriesInFrameOrderAndPlaysItOnce)
{
    // "Fermer" during playback hides the viewer; the frames go on.
    display.onRepaint = [&] {
        if (display.shown.size() == 1)
            view.SpeedButtonClose->click();
    };
    services.answerOpenPicture((dir / "IMAGE0002.BMP").string());
    view.OpenSequence();
    QStringList names;
    for (int i = 0; i < view.ListBox1->count(); ++i)
        names << view.ListBox1->item(i)->text();
    EXPECT_EQ(names, QStringList({ "IMAGE0000.BMP", "IMAGE1.BMP", "IMAGE0002.BMP", "IMAGE0003.BMP", "IMAGE10.BMP" }));
    EXPECT_EQ(view.windowTitle().toStdString(), dir.str() + "/");
    EXPECT_EQ(view.ViewDir(), dir.str() + "/");
    EXPECT_EQ(display.shown, std::vector<int>({ 0, 1, 2, 2, 10 })) << "the unreadable frame keeps the previous one";
    EXPECT_EQ(view.ListBox1->currentRow(), 4);
    EXPECT_TRUE(view.isHidden());

    services.answerOpenPicture("");
    view.OpenSequence();
    EXPECT_EQ(view.ListBox1->count(), 5) << "a cancelled open changes nothing";
    EXPECT_EQ(view.windowTitle().toStdString(), dir.str() + "/");
}

TEST_F(FormViewTest, LoopWrapsUntilStop)
{
    open();
    view.CheckBoxBoucle->setChecked(true);
    display.onRepaint = [&] {
        if (display.shown.size() == 7)
            view.SpeedButtonStop->click();
    };
    view.PlayFrom(2);
    EXPECT_EQ(display.shown, std::vector<int>({ 2, 2, 10, 0, 1, 2, 2 }));
    EXPECT_TRUE(run.StopRequested);
}

struct PlayCase {
    const char *name;
    int selected; // -1: none
    Qt::MouseButton button;
    bool asked;
    std::optional<std::string> answer; // nothing: cancelled
    std::vector<int> shown;
};

class PlayButtonTest : public FormViewTest, public ::testing::WithParamInterface<PlayCase> { };

TEST_P(PlayButtonTest, StartsWhereTheButtonAndTheAnswerSay)
{
    const PlayCase &c = GetParam();
    open();
    view.ListBox1->setCurrentRow(c.selected);
    if (c.asked)
        services.answerInputBox(c.answer);
    QTest::mousePress(view.SpeedButtonPlay, c.button);
    QTest::mouseRelease(view.SpeedButtonPlay, c.button);
    if (c.asked) {
        EXPECT_EQ(services.asked().back().caption, "Jouer");
        EXPECT_EQ(services.asked().back().text, "A partir de:");
    }
    EXPECT_EQ(display.shown, c.shown);
}

INSTANTIATE_TEST_SUITE_P(Presses, PlayButtonTest,
    ::testing::Values(PlayCase { "LeftFromTheFirst", 2, Qt::LeftButton, false, {}, { 0, 1, 2, 2, 10 } },
        PlayCase { "RightCancelFromTheSelection", 2, Qt::RightButton, true, std::nullopt, { 2, 2, 10 } },
        PlayCase { "RightCancelWithoutSelection", -1, Qt::RightButton, true, std::nullopt, {} },
        PlayCase { "RightTyped", -1, Qt::RightButton, true, "1", { 1, 2, 2, 10 } },
        PlayCase { "MiddleHexadecimal", 0, Qt::MiddleButton, true, "$4", { 10 } },
        PlayCase { "RightLettersFromTheFirst", 3, Qt::RightButton, true, "abc", { 0, 1, 2, 2, 10 } },
        PlayCase { "RightPastTheEnd", 0, Qt::RightButton, true, "5", {} }),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(FormViewTest, PressOnTheListShowsThatFrameAndStopsPlayback)
{
    open();
    services.onProcessMessages = [&] {
        if (display.shown.size() == 2 && !run.StopRequested) {
            QTest::mousePress(view.ListBox1->viewport(), Qt::RightButton, {}, itemCentre(0));
            QTest::mouseRelease(view.ListBox1->viewport(), Qt::RightButton, {}, itemCentre(0));
        }
    };
    view.PlayFrom(0);
    EXPECT_EQ(display.shown, std::vector<int>({ 0, 1, 0 })) << "the playback ended at its next stop test";
    EXPECT_EQ(view.ListBox1->currentRow(), 0);

    services.onProcessMessages = nullptr;
    const QPoint belowTheItems(5, view.ListBox1->viewport()->height() - 2);
    QTest::mousePress(view.ListBox1->viewport(), Qt::LeftButton, {}, belowTheItems);
    QTest::mouseRelease(view.ListBox1->viewport(), Qt::LeftButton, {}, belowTheItems);
    EXPECT_EQ(display.shown.back(), 10) << "below the items: the last frame";
}

} // namespace
