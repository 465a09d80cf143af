#include "app/ui/GuiRunFeedback.h"

#include "anim/PictureDisplay.h"
#include "anim/RunContext.h"
#include "common/TextFormat.h"
#include "platform/WindowServices.h"

GuiRunFeedback::GuiRunFeedback(PictureDisplay &display, RunContext &run, WindowServices &services, StatusLabel setLabel,
    StatusLabelText labelText, QObject *parent, TimeLeft::Clock clock)
    : QObject(parent)
    , m_display(display)
    , m_run(run)
    , m_services(services)
    , m_setLabel(std::move(setLabel))
    , m_labelText(std::move(labelText))
    , m_timeLeft(std::move(clock))
{
}

void GuiRunFeedback::runStarting(const RunPlan &plan)
{
    emit runStarted(plan.total());
    m_framesShown = 0;
    m_timeLeft.start(plan.total());
    m_timeLeftShown = true;
    m_timeLeftText = m_timeLeft.text();
    emit timeLeftChanged(QString::fromStdString(m_timeLeftText));
}

void GuiRunFeedback::showFrame(const Bitmap24 &frame)
{
    m_display.ShowFrame(frame);
    if (m_timeLeftShown) {
        m_timeLeft.framesDone(++m_framesShown);
        // The text moves by whole seconds: the window hears of it only then.
        if (std::string text = m_timeLeft.text(); text != m_timeLeftText) {
            m_timeLeftText = std::move(text);
            emit timeLeftChanged(QString::fromStdString(m_timeLeftText));
        }
    }
    m_display.RepaintNow();
}

void GuiRunFeedback::progressShown(bool shown)
{
    if (shown) {
        m_timeLeftShown = false; // the progress window tells it
        emit timeLeftChanged({});
        emit progressOpened();
    } else {
        emit progressClosed();
    }
}

void GuiRunFeedback::runEnded()
{
    if (m_timeLeftShown)
        emit timeLeftChanged({});
    m_timeLeftShown = false;
}

void GuiRunFeedback::processMessages()
{
    m_services.processMessages();
}

void GuiRunFeedback::waitTempo(std::optional<std::int32_t> pause)
{
    m_run.WaitTempo(pause.value_or(m_run.Tempo));
}

int GuiRunFeedback::askOverwrite(const std::string &fileName, const std::string &caption)
{
    return m_services.askOverwrite(fileName, caption);
}

void GuiRunFeedback::finishingQueuedFrames(std::int64_t count)
{
    const std::string before = text();
    m_setLabel(formatText("%s - finishing %d queued frames", { before, count }));
    m_beforeFinishing = before;
    m_services.processMessages();
}

void GuiRunFeedback::setText(const std::string &text)
{
    m_beforeFinishing.reset();
    m_setLabel(text);
}

std::string GuiRunFeedback::text() const
{
    return m_beforeFinishing ? *m_beforeFinishing : m_labelText();
}
