#pragma once

#include "common/Bitmap24.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

class PictureDisplay;
class PlaybackClock;
class VideoFrameSource;

// Plays a video file's frames on the display at the file's rate, measured
// against a monotonic clock: frame k is due k / rate after the start, and
// a frame whose time has passed when decoding catches up is dropped, not
// shown late, so the playback never slows down. Whoever drives it calls
// tick() when it says the next frame is due (the player window from a
// timer, tests after moving their clock). At the end it stops on the last
// frame, or starts again from the first, on the beat, when loop says so.
// Failures of the source (VideoReadError) pass through, the playback then
// stopped. One thread.
class VideoPlayback {
public:
    using Duration = std::chrono::nanoseconds;

    VideoPlayback(VideoFrameSource &source, PlaybackClock &clock, PictureDisplay &display);

    // Told the number of the frame shown after each change.
    std::function<void(std::int64_t frame)> onPosition;
    // Asked at the end of the file: true plays it again from the first frame.
    std::function<bool()> loop;

    // Plays on from the frame shown: from the first one before anything was
    // shown, after the end, or after stop().
    void play();
    void pause();
    // Ends the playback; the next play() starts from the first frame. The
    // frame shown stays on the display.
    void stop();
    bool playing() const { return m_playing; }

    // Shows that frame (held within the file) and, playing, goes on from it.
    void seekFrame(std::int64_t index);
    // The frame shown at that time from the start.
    void seekTime(double seconds);

    // Shows the frame due now, when it is not on the display yet; returns
    // the time until the next one is due, or nothing when the playback
    // stopped (paused, or at the end without loop).
    std::optional<Duration> tick();

    // The frame shown; -1 before the first.
    std::int64_t position() const { return m_shown; }
    // Frames in the file, less those that would not decode at its end.
    std::int64_t frameCount() const { return m_frames; }
    double frameRate() const { return m_rate; }
    // Frames passed over because their time had gone when they were decoded.
    std::int64_t droppedFrames() const { return m_dropped; }

private:
    std::optional<Duration> advance();
    bool show(std::int64_t index); // false: the file ended before it
    void startBeat(std::int64_t frame, Duration at);
    std::int64_t dueFrame(Duration now) const;
    Duration timeOf(std::int64_t frames) const;
    void end();

    VideoFrameSource &m_source;
    PlaybackClock &m_clock;
    PictureDisplay &m_display;
    double m_rate;
    std::int64_t m_frames;
    Bitmap24 m_frame;
    bool m_playing = false;
    bool m_fromStart = true; // the next play() starts at the first frame
    std::int64_t m_shown = -1;
    std::int64_t m_dropped = 0;
    // The beat: frame m_beatFrame was due at m_beatTime.
    std::int64_t m_beatFrame = 0;
    Duration m_beatTime {};
};
