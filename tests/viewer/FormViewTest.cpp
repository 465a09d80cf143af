#include "viewer/ui/TFormView.h"

#include "ScriptedServices.h"
#include "TestUtils.h"
#include "anim/PictureDisplay.h"
#include "anim/RunContext.h"
#include "anim/SettingsPanel.h"
#include "jpeg/JpegOptions.h"
#include "output/FrameFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The drawing area, reduced to what the viewer uses: each repaint records
// the frame shown, by its blue level.
class RecordingDisplay : public PictureDisplay {
public:
    Bitmap24 &DisplayBitmap() override { return bitmap; }
    void ShowFrame(const Bitmap24 &frame) override { bitmap = frame; }
    void RepaintNow() override { shown.push_back(bitmap.bits()[0]); }

    Bitmap24 bitmap;
    std::vector<int> shown;
};

class FormViewTest : public ::testing::Test {
protected:
    FormViewTest()
        : rules(services, dir.str() + "/")
        , run(services)
        , view(display, run, services, jpegOptions, rules)
    {
        run.Tempo = 0;
        for (const auto &[name, level] : { std::pair("IMAGE0000.BMP", 0), { "IMAGE1.BMP", 1 }, { "IMAGE0002.BMP", 2 },
                 { "IMAGE10.BMP", 10 }, { "OTHER5.BMP", 5 } }) {
            Bitmap24 frame;
            frame.resize(4, 4);
            frame.fill(std::uint8_t(level), 0, 0);
            WriteBmpFile(frame, (dir / name).string());
        }
        writeFileBytes(dir / "IMAGE0003.BMP", { 'B', 'M' }); // unreadable
        services.answerOpenPicture((dir / "IMAGE0002.BMP").string());
        view.OpenSequence();
    }

    TempDir dir;
    ScriptedServices services;
    SettingsPanel rules;
    RunContext run;
    TJpegOptions jpegOptions;
    RecordingDisplay display;
    TFormView view;
};

// The listing's own rules are SequenceFiles' tests: here the frames play once,
// in that order, and an unreadable one keeps the previous picture.
TEST_F(FormViewTest, OpenListsTheSeriesAndPlaysItOnce)
{
    EXPECT_EQ(view.ListBox1->count(), 5);
    EXPECT_EQ(display.shown, std::vector<int>({ 0, 1, 2, 2, 10 }));
    EXPECT_EQ(view.ListBox1->currentRow(), 4);

    services.answerOpenPicture("");
    view.OpenSequence();
    EXPECT_EQ(view.ListBox1->count(), 5) << "a cancelled open changes nothing";
}

// A PNG series, picked by a lower-case name with PNG selected, is listed
// without the BMP files beside it and played.
TEST_F(FormViewTest, PngSeriesIsListedAndPlayed)
{
    for (const int level : { 20, 21, 22 }) {
        Bitmap24 frame;
        frame.resize(4, 4);
        frame.fill(std::uint8_t(level), 0, 0);
        SaveDetail detail;
        ASSERT_TRUE(WriteFrameFile(frame, (dir / ("IMAGE00" + std::to_string(level) + ".PNG")).string(),
            AtomicFile::Publish::NoReplace, FrameEncoding {}, detail))
            << detail.text();
    }
    std::filesystem::rename(dir / "IMAGE0021.PNG", dir / "IMAGE0021.png");
    rules.setFormat(FormatPng);
    display.shown.clear();
    services.answerOpenPicture((dir / "IMAGE0021.png").string());
    view.OpenSequence();
    ASSERT_EQ(view.ListBox1->count(), 3);
    EXPECT_EQ(view.ListBox1->item(1)->text().toStdString(), "IMAGE0021.png");
    EXPECT_EQ(display.shown, std::vector<int>({ 20, 21, 22 }));
}

struct PlayCase {
    const char *name;
    int selected; // -1: none
    Qt::MouseButton button;
    std::optional<std::string> answer; // nothing: cancelled; not asked for the left button
    std::vector<int> shown;
};

class PlayButtonTest : public FormViewTest, public ::testing::WithParamInterface<PlayCase> { };

TEST_P(PlayButtonTest, StartsWhereTheButtonAndTheAnswerSay)
{
    const PlayCase &c = GetParam();
    display.shown.clear();
    view.ListBox1->setCurrentRow(c.selected);
    if (c.button != Qt::LeftButton)
        services.answerInputBox(c.answer);
    QTest::mouseClick(view.SpeedButtonPlay, c.button);
    EXPECT_EQ(display.shown, c.shown);
}

INSTANTIATE_TEST_SUITE_P(Presses, PlayButtonTest,
    ::testing::Values(PlayCase { "LeftFromTheFirst", 2, Qt::LeftButton, {}, { 0, 1, 2, 2, 10 } },
        PlayCase { "CancelFromTheSelection", 2, Qt::RightButton, std::nullopt, { 2, 2, 10 } },
        PlayCase { "CancelWithoutSelection", -1, Qt::RightButton, std::nullopt, {} },
        PlayCase { "MiddleTypedHexadecimal", 0, Qt::MiddleButton, "$4", { 10 } },
        PlayCase { "LettersFromTheFirst", 3, Qt::RightButton, "abc", { 0, 1, 2, 2, 10 } },
        PlayCase { "PastTheEnd", 0, Qt::RightButton, "5", {} }),
    [](const auto &info) { return std::string(info.param.name); });

// "Jouer" from a number and a frame of the list once needed the mouse.
TEST_F(FormViewTest, KeyboardReachesWhatTheMouseButtonsDo)
{
    display.shown.clear();
    view.ListBox1->setCurrentRow(2);
    services.answerInputBox(std::string("1"));
    QContextMenuEvent menuKey(
        QContextMenuEvent::Keyboard, QPoint(2, 2), view.SpeedButtonPlay->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(view.SpeedButtonPlay, &menuKey);
    EXPECT_EQ(display.shown, std::vector<int>({ 1, 2, 2, 10 })) << "played from the number typed";

    display.shown.clear();
    view.ListBox1->setCurrentRow(1);
    QTest::keyClick(view.ListBox1, Qt::Key_Space);
    EXPECT_EQ(display.shown, std::vector<int>({ 1 }));
    EXPECT_TRUE(run.StopRequested);
}

TEST_F(FormViewTest, LoopRunsHiddenUntilAPressOnTheListShowsThatFrame)
{
    display.shown.clear();
    view.CheckBoxBoucle->setChecked(true);
    QWidget *list = view.ListBox1->viewport();
    services.onProcessMessages = [&] {
        if (display.shown.size() == 1)
            view.SpeedButtonClose->click();
        if (display.shown.size() == 6 && !run.StopRequested)
            QTest::mouseClick(
                list, Qt::RightButton, {}, view.ListBox1->visualItemRect(view.ListBox1->item(0)).center());
    };
    view.PlayFrom(2);
    EXPECT_EQ(display.shown, std::vector<int>({ 2, 2, 10, 0, 1, 2, 0 }));
    EXPECT_TRUE(view.isHidden());
    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(5, list->height() - 2));
    EXPECT_EQ(display.shown.back(), 10) << "below the items: the last frame";
}

} // namespace
