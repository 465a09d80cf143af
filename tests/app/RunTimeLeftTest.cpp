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

class NoDisplay : public PictureDisplay {
public:
    Bitmap24 &DisplayBitmap() override { return m_shown; }
    void ShowFrame(const Bitmap24 &) override { }
    void RepaintNow() override { }

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
    NoDisplay display;
    std::string status;
    GuiRunFeedback feedback { display, run, services, [this](const std::string &t) { status = t; },
        [this] { return status; }, nullptr, [this] { return now; } };
    QStringList told;
};

// A run without the progress window: estimating at first, then the frames
// left at the pace so far (80 frames at 10 a second), nothing once it ends.
// A run that writes one file: the progress window tells it, the line goes.
TEST_F(RunTimeLeftTest, IsToldBesideTheStatusLineUnlessTheProgressWindowTellsIt)
{
    feedback.runStarting(hundredFrames());
    ASSERT_EQ(told, QStringList { QString::fromUtf8("Temps restant : calcul...") });
    showFrames(20, milliseconds(100));
    const int seconds = told.back().mid(16).section(u' ', 0, 0).toInt();
    EXPECT_GE(seconds, 7) << told.back().toStdString();
    EXPECT_LE(seconds, 9) << told.back().toStdString();
    feedback.runEnded();
    EXPECT_EQ(told.back(), QString());

    feedback.runStarting(hundredFrames());
    feedback.progressShown(true);
    ASSERT_EQ(told.back(), QString());
    const qsizetype count = told.size();
    showFrames(30, milliseconds(100));
    feedback.runEnded();
    EXPECT_EQ(told.size(), count);
}

} // namespace
