#include "output/TimeLeft.h"

#include "common/TextFormat.h"

#include <algorithm>
#include <cmath>

namespace {

using std::chrono::milliseconds;

// Rates are measured over at least this long: frames handed in bursts would
// give wild rates over shorter spans.
constexpr milliseconds kSampleSpan { 500 };
// Weight of the newest measure in the smoothed rate.
constexpr double kNewWeight = 0.3;

double seconds(milliseconds span)
{
    return double(span.count()) / 1000.0;
}

} // namespace

milliseconds TimeLeft::steadyNow()
{
    return std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
}

TimeLeft::TimeLeft(Clock clock)
    : m_clock(std::move(clock))
{
}

void TimeLeft::start(std::int64_t total)
{
    m_started = true;
    m_total = std::max<std::int64_t>(total, 0);
    m_done = 0;
    m_startedAt = m_clock();
    m_lastProgress = m_startedAt;
    m_sampleAt = m_startedAt;
    m_sampleDone = 0;
    m_rate.reset();
}

void TimeLeft::framesDone(std::int64_t done)
{
    done = std::clamp<std::int64_t>(done, 0, m_total);
    if (done <= m_done)
        return;
    const milliseconds now = m_clock();
    m_done = done;
    m_lastProgress = now;
    if (now - m_sampleAt < kSampleSpan)
        return;
    const double measured = double(done - m_sampleDone) / seconds(now - m_sampleAt);
    // The first rate is the run's average: its start counts too.
    m_rate = m_rate ? kNewWeight * measured + (1 - kNewWeight) * *m_rate : double(done) / seconds(now - m_startedAt);
    m_sampleAt = now;
    m_sampleDone = done;
}

std::optional<std::int64_t> TimeLeft::secondsLeft() const
{
    if (!m_started)
        return std::nullopt;
    if (m_done >= m_total)
        return 0;
    const milliseconds now = m_clock();
    if (!m_rate || *m_rate <= 0 || m_done < kFirstEstimateFrames || now - m_startedAt < kFirstEstimateAfter)
        return std::nullopt;
    // Waiting longer than a frame should take: the rate is at most one frame
    // in the time waited.
    double rate = *m_rate;
    const double waited = seconds(now - m_lastProgress);
    if (waited > 1.0 / rate)
        rate = 1.0 / waited;
    // Up to the whole second, but a rate's last bit of rounding is no second.
    return std::int64_t(std::ceil(double(m_total - m_done) / rate - 1e-6));
}

std::string TimeLeft::text() const
{
    const std::optional<std::int64_t> left = secondsLeft();
    return left ? "Temps restant : " + DurationText(*left) : std::string("Temps restant : calcul...");
}

std::string DurationText(std::int64_t seconds)
{
    seconds = std::max<std::int64_t>(seconds, 0);
    if (seconds < 60)
        return formatText("%d s", { seconds });
    if (seconds < 3600)
        return formatText("%d min %2.2d s", { seconds / 60, seconds % 60 });
    return formatText("%d h %2.2d min %2.2d s", { seconds / 3600, seconds / 60 % 60, seconds % 60 });
}
