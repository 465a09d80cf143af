#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// How long a run has left, from the time it has taken and the frames it has
// made of its total. The rate is smoothed over the run, so one slow or fast
// frame does not make the estimate jump; a frame that takes longer than the
// rate says (a stall) makes it grow. Nothing is told in the first second or
// the first frames: too little is known then.
class TimeLeft {
public:
    // Milliseconds from any fixed origin; the steady clock unless a test
    // gives its own.
    using Clock = std::function<std::chrono::milliseconds()>;
    static std::chrono::milliseconds steadyNow();

    explicit TimeLeft(Clock clock = steadyNow);

    // A run of total frames starts now (a total of 0 or less: nothing to make).
    void start(std::int64_t total);
    // done of the total frames are made (done never goes back).
    void framesDone(std::int64_t done);
    // Whole seconds left, rounded up; nothing while still estimating (or
    // before the run starts).
    std::optional<std::int64_t> secondsLeft() const;
    // "Temps restant : 1 min 05 s", "Temps restant : 12 s", "Temps restant :
    // calcul..." (the window translates the sentence).
    std::string text() const;

    static constexpr std::chrono::milliseconds kFirstEstimateAfter { 1000 };
    static constexpr std::int64_t kFirstEstimateFrames = 3;

private:
    Clock m_clock;
    bool m_started = false;
    std::int64_t m_total = 0;
    std::int64_t m_done = 0;
    std::chrono::milliseconds m_startedAt { 0 };
    std::chrono::milliseconds m_lastProgress { 0 };
    std::chrono::milliseconds m_sampleAt { 0 };
    std::int64_t m_sampleDone = 0;
    std::optional<double> m_rate; // frames per second, smoothed
};

// "12 s", "1 min 05 s", "2 h 03 min 04 s".
std::string DurationText(std::int64_t seconds);
