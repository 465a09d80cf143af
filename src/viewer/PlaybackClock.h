#pragma once

#include <chrono>

// What video playback measures its pace against: a monotonic clock, never
// set back. Tests move their own by hand.
class PlaybackClock {
public:
    virtual ~PlaybackClock() = default;
    virtual std::chrono::nanoseconds now() const = 0;
};

class SteadyPlaybackClock final : public PlaybackClock {
public:
    std::chrono::nanoseconds now() const override { return std::chrono::steady_clock::now().time_since_epoch(); }
};
