#pragma once

#include "anim/RunFeedback.h"
#include "anim/StatusLine.h"
#include "output/TimeLeft.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <string>

class PictureDisplay;
class RunContext;
class WindowServices;

// The window's side of a run: frames shown in the drawing area, the status
// line and the time left beside it, the progress window (through signals:
// the program's start connects them to it), questions through the window
// services, and the stop request and pause of the shared run context.
class GuiRunFeedback : public QObject, public RunFeedback, public StatusLine {
    Q_OBJECT
public:
    using StatusLabel = std::function<void(const std::string &text)>;
    using StatusLabelText = std::function<std::string()>;

    GuiRunFeedback(PictureDisplay &display, RunContext &run, WindowServices &services, StatusLabel setLabel,
        StatusLabelText labelText, QObject *parent = nullptr, TimeLeft::Clock clock = TimeLeft::steadyNow);

    // RunFeedback
    void runStarting(const RunPlan &plan) override;
    void showFrame(const Bitmap24 &frame) override;
    void setStatusText(const std::string &text) override { setText(text); }
    void progressShown(bool shown) override;
    void passStarting(std::int32_t frames) override { emit passStarted(frames); }
    void frameStarting(std::int32_t indexInPass, const std::string &text) override
    {
        emit frameStarted(indexInPass, QString::fromStdString(text));
    }
    void processMessages() override;
    void waitTempo(std::optional<std::int32_t> pause) override;
    int askOverwrite(const std::string &fileName, const std::string &caption) override;
    // The status line says why the window waits after the last frame.
    void finishingQueuedFrames(std::int64_t count) override;

    // The run is over, however it ended: the time left goes.
    void runEnded();

    // StatusLine: the text without the note on queued frames, which ends with them.
    void setText(const std::string &text) override;
    std::string text() const override;

signals:
    // Every run, before its first frame: the frames it makes unless stopped.
    void runStarted(qint64 totalFrames);
    // The progress of a run that writes one file.
    void progressOpened();
    void progressClosed();
    void passStarted(int frames);
    void frameStarted(int indexInPass, const QString &text);
    // The time the run has left, for runs without the progress window (it
    // shows its own): TimeLeft's text, in French; empty when no run is under way.
    void timeLeftChanged(const QString &text);

private:
    PictureDisplay &m_display;
    RunContext &m_run;
    WindowServices &m_services;
    StatusLabel m_setLabel;
    StatusLabelText m_labelText;
    std::optional<std::string> m_beforeFinishing; // the status line before the queued-frames note
    TimeLeft m_timeLeft;
    std::int64_t m_framesShown = 0;
    std::string m_timeLeftText; // as last told
    bool m_timeLeftShown = false; // a run without the progress window is under way
};
