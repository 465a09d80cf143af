#include "anim/SeriesSink.h"

#include "anim/RunFeedback.h"
#include "common/TextFormat.h"
#include "output/FrameNames.h"

SeriesSink::SeriesSink(Settings settings, RunFeedback &feedback, bool &stopRequested)
    : m_settings(std::move(settings))
    , m_feedback(feedback)
    , m_stop(stopRequested)
    , m_writer(m_settings.threads, [this](const FrameSeriesWriter::Report &report) {
        switch (report.outcome) {
        case SaveOutcome::Written:
            ++m_counts.written;
            break;
        case SaveOutcome::Skipped:
            ++m_counts.skipped;
            break;
        case SaveOutcome::Failed:
            ++m_counts.failed;
            if (report.detail.endsSeries() && !m_stoppedBy) {
                m_stoppedBy = report; // no later frame can be written
                m_stop = true;
            }
            break;
        case SaveOutcome::Abandoned:
            break;
        }
        m_feedback.frameSaved(report);
    })
{
}

bool SeriesSink::prepare(std::int64_t index)
{
    const OutputNames &n = m_settings.names;
    m_fileName = AbsolutePath(MakeFrameName(n.NameFormat, n.DstDir, n.DstName, FrameNumber(n.NumStart, index), n.Ext));
    m_plan = PlanFrameFile(
        m_fileName, m_confirmOverwrite,
        [this](const std::string &name, const std::string &caption) { return m_feedback.askOverwrite(name, caption); },
        m_stop, m_settings.inputPicture ? &*m_settings.inputPicture : nullptr);
    return m_plan.outcome != SaveOutcome::Abandoned;
}

std::string SeriesSink::statusText(std::int64_t, std::int64_t total) const
{
    return formatText("%s / %4.4d", { m_fileName, total });
}

bool SeriesSink::take(const Bitmap24 &frame)
{
    m_writer.hand(frame, m_fileName, m_plan, m_settings.encoding ? m_settings.encoding() : FrameEncoding {});
    return true;
}

void SeriesSink::finishFramesUnderWay()
{
    try {
        m_writer.deliver(true); // the frames under way are finished and counted
    } catch (...) {
        m_stop = true;
    }
}
