// The time a run has left, beside the status line of the main window.
#include "app/ui/GuiRunFeedback.h"

#include "anim/PictureDisplay.h"
#include "anim/RunContext.h"
#include "common/Bitmap24.h"

#include "ScriptedServices.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

using std::chrono::milliseconds;

class CountingDisplay : public PictureDisplay {
public:
    Bitmap24 &DisplayBitmap() override { return m_shown; }
    void ShowFrame(const Bitmap24 &) override { ++frames; }
    void RepaintNow() override { }
    int frames = 0;

private:
    Bitmap24 m_shown;
};

class RunTimeLeftTest : public ::testing::Test {
protected:
    RunTimeLeftTest()
    {
        QObject::connect(&feedback, &GuiRunFeedback::timeLeftChanged, [this](const QString &t) { told << t; });
    }

    // A run of 100 frames: a 10-pixel frame across 110 pixels, one way.
    static RunPlan hundredFrames()
    {
        tanimprm prm;
        prm.FrameWidth = 10;
        prm.FrameHeight = 10;
        prm.Step = 1;
        const RunPlan plan = PrepareFrames(prm, 110, 10);
        EXPECT_EQ(plan.total(), 100);
        return plan;
    }

    void showFrames(int count, milliseconds each)
    {
        Bitmap24 frame;
        for (int i = 0; i < count; ++i) {
            now += each;
            feedback.showFrame(frame);
        }
    }

    milliseconds now { 1000 };
    ScriptedServices services;
    RunContext run { services };
    CountingDisplay display;
    std::string status;
    GuiRunFeedback feedback { display, run, services, [this](const std::string &t) { status = t; },
        [this] { return status; }, nullptr, [this] { return now; } };
    QStringList told;
};

// A series (no progress window): estimating at first, then the frames left
// at the pace so far (80 frames at 10 a second), then nothing once it ends.
TEST_F(RunTimeLeftTest, ARunWithoutTheProgressWindowTellsItBesideTheStatusLine)
{
    feedback.runStarting(hundredFrames());
    ASSERT_EQ(told, QStringList { QString::fromUtf8("Temps restant : calcul...") });
    showFrames(20, milliseconds(100));
    EXPECT_EQ(display.frames, 20);
    const QString last = told.back();
    ASSERT_TRUE(last.startsWith(QString::fromUtf8("Temps restant : "))) << last.toStdString();
    const int seconds = last.mid(16).section(u' ', 0, 0).toInt();
    EXPECT_GE(seconds, 7) << last.toStdString();
    EXPECT_LE(seconds, 9) << last.toStdString();
    feedback.runEnded();
    EXPECT_EQ(told.back(), QString());
    const qsizetype count = told.size();
    feedback.runEnded();
    EXPECT_EQ(told.size(), count) << "said once";
}

// A run that writes one file shows it in the progress window: the line
// beside the status goes as that window opens and frames do not bring it back.
TEST_F(RunTimeLeftTest, TheProgressWindowTakesItOver)
{
    feedback.runStarting(hundredFrames());
    feedback.progressShown(true);
    ASSERT_EQ(told.back(), QString());
    const qsizetype count = told.size();
    showFrames(30, milliseconds(100));
    feedback.progressShown(false);
    feedback.runEnded();
    EXPECT_EQ(told.size(), count);
}

} // namespace
