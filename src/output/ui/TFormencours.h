#pragma once

#include "output/TimeLeft.h"

#include <QWidget>

#include <cstdint>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

// The progress window of every run that writes one file (AVI and the other
// video files; the name is the original program's, from the days it served
// AVI runs only): a notice, the frame and the free space, a progress bar and
// "Stop". Created hidden at start-up; only such runs show and hide it, and
// the user cannot close it while it is shown. Its stop request is the
// program's shared one. The time left is told from the frames of the whole
// run when its total is known, else of the pass.
class TFormencours : public QWidget {
    Q_OBJECT
public:
    explicit TFormencours(bool &stopRequested, QWidget *parent = nullptr, TimeLeft::Clock clock = TimeLeft::steadyNow);

    void showProgress() { show(); }
    void hideProgress() { hide(); }
    // Before the first pass: the frames of the whole run.
    void startRun(std::int64_t totalFrames);
    // At the start of each pass: the number of frames the pass will write.
    void startPass(std::int32_t frames);
    // Before each frame: its index within the pass and the progress text.
    void frameStarting(std::int32_t indexInPass, const std::string &text);

    QLabel *Label1;
    QLabel *LabelProgress;
    QLabel *LabelTimeLeft;
    QProgressBar *ProgressBar1;
    QPushButton *SpeedButton1;

    void SpeedButton1Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void showTimeLeft();

    bool &m_stopRequested;
    TimeLeft m_timeLeft;
    std::string m_timeLeftText; // as shown, before translation
    bool m_runTotalKnown = false;
    std::int64_t m_passStart = 0; // frames of the run before this pass
    std::int32_t m_passFrames = 0;
};
