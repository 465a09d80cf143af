#include "viewer/ui/TFormVideoPlayer.h"

#include "ScriptedServices.h"
#include "TestUtils.h"
#include "anim/PictureDisplay.h"
#include "video/VideoOutput.h"
#include "viewer/PlaybackClock.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// Each repaint records the frame shown, by its blue level.
class RecordingDisplay : public PictureDisplay {
public:
    Bitmap24 &DisplayBitmap() override { return bitmap; }
    void ShowFrame(const Bitmap24 &frame) override { bitmap = frame; }
    void RepaintNow() override { shown.push_back(bitmap.bits()[0]); }

    Bitmap24 bitmap;
    std::vector<int> shown;
};

class ManualClock : public PlaybackClock {
public:
    std::chrono::nanoseconds now() const override { return time; }
    std::chrono::nanoseconds time = 1h;
};

class FormVideoPlayerTest : public ::testing::Test {
protected:
    FormVideoPlayerTest()
        : player(display, services, clock, [this] { return loop; })
    {
        // 40 frames at 10 a second, frame k of blue level 5 k, lossless.
        VideoOutputSettings outputSettings;
        outputSettings.container = VideoContainer::Mkv;
        outputSettings.codec = VideoCodec::Ffv1;
        outputSettings.width = 16;
        outputSettings.height = 16;
        outputSettings.rate = { 10, 1 };
        const std::unique_ptr<VideoOutput> output = OpenVideoOutput(file, outputSettings);
        for (int k = 0; k < 40; ++k) {
            Bitmap24 frame;
            frame.resize(16, 16);
            frame.fill(std::uint8_t(5 * k), 0, 0);
            output->writeFrame(FrameRows::of(frame));
        }
        VideoPublishing publishing;
        publishing.target = file;
        output->finish(publishing);
    }

    // The clock moves on, and the timer set for the next frame fires.
    void after(std::chrono::milliseconds time)
    {
        clock.time += time;
        ASSERT_TRUE(player.TimerActive());
        player.Tick();
    }
    std::vector<int> levels(std::initializer_list<int> frames)
    {
        std::vector<int> out;
        for (int k : frames)
            out.push_back(5 * k);
        return out;
    }

    TempDir dir;
    std::string file = (dir / "ANIM0000.MKV").string();
    ScriptedServices services;
    RecordingDisplay display;
    ManualClock clock;
    bool loop = false;
    TFormVideoPlayer player;
};

TEST_F(FormVideoPlayerTest, PlaysTheFileAtItsRateWithTheTime)
{
    player.PlayVideo(file);
    EXPECT_TRUE(player.isVisible());
    EXPECT_EQ(player.windowTitle().toStdString(), file);
    EXPECT_EQ(display.shown, levels({ 0 }));
    EXPECT_EQ(player.LabelTime->text(), "0:00 / 0:04");
    EXPECT_EQ(player.SliderPosition->maximum(), 39);
    EXPECT_FALSE(player.ButtonPlay->isEnabled());
    EXPECT_TRUE(player.ButtonPause->isEnabled());
    after(100ms);
    after(250ms); // late: frame 2 is passed over
    EXPECT_EQ(display.shown, levels({ 0, 1, 3 }));
    EXPECT_EQ(player.SliderPosition->value(), 3);
    for (int i = 0; i < 36; ++i)
        after(100ms);
    EXPECT_EQ(player.LabelTime->text(), "0:03 / 0:04");
    EXPECT_EQ(display.shown.back(), 5 * 39);
    after(100ms);
    EXPECT_FALSE(player.TimerActive()) << "stops on the last frame";
    EXPECT_TRUE(player.ButtonPlay->isEnabled());
    EXPECT_FALSE(player.ButtonPause->isEnabled());
}

TEST_F(FormVideoPlayerTest, PauseSliderAndPlay)
{
    player.PlayVideo(file);
    after(100ms);
    QTest::mouseClick(player.ButtonPause, Qt::LeftButton);
    EXPECT_FALSE(player.TimerActive());
    player.SliderPosition->setValue(30);
    EXPECT_EQ(display.shown, levels({ 0, 1, 30 })) << "the slider seeks, paused";
    EXPECT_EQ(player.LabelTime->text(), "0:03 / 0:04");
    EXPECT_FALSE(player.TimerActive());
    QTest::mouseClick(player.ButtonPlay, Qt::LeftButton);
    after(100ms);
    EXPECT_EQ(display.shown, levels({ 0, 1, 30, 31 }));
    player.SliderPosition->setValue(10); // while playing: goes on from there
    after(100ms);
    EXPECT_EQ(display.shown, levels({ 0, 1, 30, 31, 10, 11 }));
    QTest::keyClick(player.SliderPosition, Qt::Key_End);
    EXPECT_EQ(display.shown.back(), 5 * 39);
}

TEST_F(FormVideoPlayerTest, LoopsWhenTheViewerSaysSo)
{
    loop = true;
    player.PlayVideo(file);
    player.SliderPosition->setValue(39);
    after(100ms);
    EXPECT_EQ(display.shown, levels({ 0, 39, 0 }));
    EXPECT_TRUE(player.TimerActive());
}

TEST_F(FormVideoPlayerTest, CloseStopsThePlaybackAndKeepsTheFrame)
{
    player.PlayVideo(file);
    after(100ms);
    QTest::mouseClick(player.ButtonClose, Qt::LeftButton);
    EXPECT_FALSE(player.isVisible());
    EXPECT_FALSE(player.TimerActive());
    EXPECT_EQ(display.shown, levels({ 0, 1 }));
    player.PlayVideo(file);
    EXPECT_EQ(display.shown, levels({ 0, 1, 0 })) << "opened again from the start";
}

// A file that cannot be played says why and where; nothing is shown.
TEST_F(FormVideoPlayerTest, UnreadableFileIsToldWithItsCause)
{
    const std::string missing = (dir / "ANIM0001.MKV").string();
    services.answerErrorBox();
    player.PlayVideo(missing);
    ASSERT_EQ(services.asked().size(), 1u);
    EXPECT_EQ(services.asked()[0].text, "Cannot read the video file " + missing + ": not found.");
    EXPECT_FALSE(player.isVisible());
    EXPECT_TRUE(display.shown.empty());

    // A file replaced while it plays: going back to the start opens it
    // again, which fails; the frame before stays and the cause is told.
    player.PlayVideo(file);
    after(100ms);
    const std::vector<std::uint8_t> bytes = readFileBytes(file);
    writeFileBytes(file, { 'x' });
    services.answerErrorBox();
    player.SliderPosition->setValue(0);
    ASSERT_EQ(services.asked().size(), 2u);
    EXPECT_EQ(
        services.asked()[1].text, "Cannot read the video file " + file + ": Invalid data found when processing input.");
    EXPECT_EQ(display.shown, levels({ 0, 1 }));
    EXPECT_FALSE(player.TimerActive());
    EXPECT_TRUE(player.ButtonPlay->isEnabled());

    // Put back, it plays on.
    writeFileBytes(file, bytes);
    QTest::mouseClick(player.ButtonPlay, Qt::LeftButton);
    after(100ms);
    EXPECT_EQ(display.shown, levels({ 0, 1, 2 }));
}

TEST_F(FormVideoPlayerTest, ControlsAreNamedAndTheWindowBelongsToItsParent)
{
    QWidget main;
    TFormVideoPlayer owned(
        display, services, clock, [] { return false; }, &main);
    main.show();
    owned.PlayVideo(file);
    ASSERT_NE(owned.windowHandle(), nullptr);
    EXPECT_EQ(owned.windowHandle()->transientParent(), main.windowHandle());
    for (QWidget *control : std::initializer_list<QWidget *> {
             owned.ButtonPlay, owned.ButtonPause, owned.ButtonClose, owned.SliderPosition, owned.LabelTime })
        EXPECT_FALSE(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name).isEmpty())
            << control->objectName().toStdString();
    EXPECT_EQ(owned.ButtonPlay->text().remove('&'), "Lecture");
    EXPECT_EQ(owned.ButtonPause->text().remove('&'), "Pause");
    EXPECT_EQ(owned.ButtonClose->text().remove('&'), "Fermer");
}

} // namespace
