#pragma once

#include "common/Bitmap24.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

class QObject;

// Makes the reduced copies of a picture (picture/PictureLevels.h) on a
// thread of its own, and hands them over on the thread of `context` (the
// window's) through its event loop. The thread reads the picture through a
// share of its pixels (no copy), let go when it ends.
class PictureLevelsMaker {
public:
    using Ready = std::function<void(std::vector<Bitmap24> levels)>;

    explicit PictureLevelsMaker(QObject &context);
    ~PictureLevelsMaker();
    PictureLevelsMaker(const PictureLevelsMaker &) = delete;
    PictureLevelsMaker &operator=(const PictureLevelsMaker &) = delete;

    // Cancels the copies under way and starts the picture's; ready is called
    // once they are made (no copies: none needed, or the memory is short).
    void start(const Bitmap24 &picture, Ready ready);
    // Stops the thread and waits for it: the picture's pixels are let go, and
    // the ready of the copies under way is not called.
    void cancel();
    // Copies are being made, or made and not handed over yet.
    bool busy() const { return m_busy; }

private:
    QObject &m_context;
    std::thread m_thread;
    std::atomic<bool> m_cancelled { false };
    std::uint64_t m_generation = 0; // copies of an older start are dropped
    bool m_busy = false;
};
