#pragma once

#include "common/InputFile.h"
#include "picture/PictureSource.h"

#include <chrono>
#include <functional>
#include <string>

class MessagePump;

// What the window does while a picture loads: after about half a second the
// status line shows the part read ("Chargement de pano.tif : 45 %"), and
// pending window messages are handled now and then so that Escape (cancel())
// is heard. Plain class: the window gives it its status line and its pump.
class PictureLoadFeedback {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kQuietTime { 500 };
    static constexpr std::chrono::milliseconds kPumpInterval { 50 };

    PictureLoadFeedback(const std::string &fileName, MessagePump &pump, std::function<void(const std::string &)> status,
        std::function<Clock::time_point()> now = Clock::now);

    // For the loader: asked now and then; true once cancel() was called.
    CancelCheck cancelCheck();
    LoadProgress progress();

    void cancel() { m_cancelled = true; }
    bool cancelled() const { return m_cancelled; }
    // Whether the status line was written (the caller then puts it right).
    bool showedProgress() const { return m_shown; }

private:
    void pumpNowAndThen();

    std::string m_name; // file-name part, for the status line
    MessagePump &m_pump;
    std::function<void(const std::string &)> m_status;
    std::function<Clock::time_point()> m_now;
    Clock::time_point m_start;
    Clock::time_point m_lastPump;
    bool m_pumped = false;
    bool m_cancelled = false;
    bool m_shown = false;
};
