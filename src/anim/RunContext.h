#pragma once

#include <QTimer>

#include <cstdint>

class MessagePump;

// What the test and creation runs, the AVI run and the viewer's playback
// share: the stop request, the pause between shown frames, and the timer
// behind that pause. One instance lives as long as the program; everything
// runs on the UI thread.
class RunContext {
public:
    explicit RunContext(MessagePump &pump);
    RunContext(const RunContext &) = delete;
    RunContext &operator=(const RunContext &) = delete;

    // Asks the run or playback in progress to end at its next frame; every
    // run and playback clears it when it starts.
    bool StopRequested = false;
    static constexpr std::int32_t kDefaultTempo = 100;
    // Pause after each test frame and each viewer picture, in milliseconds.
    std::int32_t Tempo = kDefaultTempo;

    // Returns after ms milliseconds, handling window messages meanwhile. The
    // waiting flag is program-wide: a nested wait that ends also ends the
    // outer one. Zero or a negative time: one pass over the messages.
    void WaitTempo(std::int32_t ms);
    void Timer1Timer();
    bool Waiting() const { return m_waiting; }

    QTimer Timer1;

private:
    MessagePump &m_pump;
    bool m_waiting = false;
};
