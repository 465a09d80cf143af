#include "viewer/VideoPlayback.h"

#include "anim/PictureDisplay.h"
#include "video/VideoFrameSource.h"
#include "viewer/PlaybackClock.h"

#include <algorithm>
#include <cmath>

namespace {

// A frame is due once its time has come to within this fraction of a frame:
// the nanoseconds of a timer round the other way.
constexpr double kDueSlack = 1e-4;

} // namespace

VideoPlayback::VideoPlayback(VideoFrameSource &source, PlaybackClock &clock, PictureDisplay &display)
    : m_source(source)
    , m_clock(clock)
    , m_display(display)
    , m_rate(source.frameRate())
    , m_frames(source.frameCount())
{
}

void VideoPlayback::startBeat(std::int64_t frame, Duration at)
{
    m_beatFrame = frame;
    m_beatTime = at;
}

std::int64_t VideoPlayback::dueFrame(Duration now) const
{
    const double elapsed = std::chrono::duration<double>(now - m_beatTime).count();
    return m_beatFrame + std::int64_t(std::floor(elapsed * m_rate + kDueSlack));
}

VideoPlayback::Duration VideoPlayback::timeOf(std::int64_t frames) const
{
    return Duration(std::llround(double(frames) / m_rate * 1e9));
}

bool VideoPlayback::show(std::int64_t index)
{
    if (m_source.nextFrame() != index)
        m_source.seekFrame(index);
    if (!m_source.readFrame(m_frame)) {
        m_frames = index; // fewer frames decode than the file counts
        return false;
    }
    m_display.ShowFrame(m_frame);
    m_display.RepaintNow();
    m_shown = index;
    if (onPosition)
        onPosition(index);
    return true;
}

void VideoPlayback::play()
{
    if (m_playing || m_frames <= 0)
        return;
    try {
        m_playing = true;
        if (m_fromStart || m_shown < 0 || m_shown >= m_frames - 1) {
            m_fromStart = false;
            if (!show(0)) {
                m_playing = false;
                return;
            }
        }
        startBeat(m_shown, m_clock.now());
    } catch (...) {
        m_playing = false;
        throw;
    }
}

void VideoPlayback::pause()
{
    m_playing = false;
}

void VideoPlayback::stop()
{
    m_playing = false;
    m_fromStart = true;
}

void VideoPlayback::seekFrame(std::int64_t index)
{
    if (m_frames <= 0)
        return;
    index = std::clamp<std::int64_t>(index, 0, m_frames - 1);
    try {
        m_fromStart = false;
        if (!show(index) && m_frames > 0)
            show(m_frames - 1);
        if (m_playing)
            startBeat(m_shown, m_clock.now());
    } catch (...) {
        m_playing = false;
        throw;
    }
}

void VideoPlayback::seekTime(double seconds)
{
    seekFrame(std::int64_t(std::floor(std::max(0.0, seconds) * m_rate + kDueSlack)));
}

std::optional<VideoPlayback::Duration> VideoPlayback::tick()
{
    if (!m_playing)
        return std::nullopt;
    try {
        return advance();
    } catch (...) {
        m_playing = false;
        throw;
    }
}

std::optional<VideoPlayback::Duration> VideoPlayback::advance()
{
    const Duration now = m_clock.now();
    for (;;) {
        std::int64_t due = dueFrame(now);
        bool newTurn = false;
        if (due >= m_frames) {
            if (!loop || !loop() || m_frames <= 0) {
                end();
                return std::nullopt;
            }
            // The next turn starts when the last frame's time is over, or
            // now when more than a turn has gone by.
            startBeat(0, m_beatTime + timeOf(m_frames - m_beatFrame));
            due = dueFrame(now);
            if (due >= m_frames) {
                startBeat(0, now);
                due = 0;
            }
            newTurn = true;
        }
        if (newTurn || due > m_shown) {
            m_dropped += newTurn ? m_frames - 1 - m_shown + due : due - m_shown - 1;
            if (!show(due))
                continue; // the file ended sooner: its end is now known
        }
        return std::max(Duration::zero(), m_beatTime + timeOf(m_shown + 1 - m_beatFrame) - now);
    }
}

void VideoPlayback::end()
{
    // The playback stops on the last frame.
    if (m_frames > 0 && m_shown != m_frames - 1) {
        m_dropped += std::max<std::int64_t>(0, m_frames - 2 - m_shown);
        if (!show(m_frames - 1) && m_frames > 0)
            show(m_frames - 1);
    }
    m_playing = false;
    m_fromStart = true;
}
