#pragma once

#include "platform/JpegCompressor.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct AVPacket;

// The MJPEG video compressor: each frame becomes one baseline JPEG (YCbCr
// 4:2:0) made by libjpeg-turbo, on worker threads, one per processor. Frames
// go in on the caller's thread and come back as packets in their order, as a
// libavcodec encoder's do; a frame is copied when it is sent, so the caller
// may reuse its buffer at once. The frames under way are bounded in bytes
// (kMaxBytesInFlight, at least one frame), not only in number.
//
// Nothing throws out of the pipeline but its constructor: a worker that
// cannot be started ends the construction with std::runtime_error (the
// workers already started are stopped first); a frame a worker cannot
// compress comes back as an error code.
class JpegFramePipeline {
public:
    static constexpr std::size_t kMaxBytesInFlight = std::size_t(256) << 20;
    // Starts one worker thread; throws std::system_error when it cannot.
    using ThreadStarter = std::function<std::thread(std::function<void()>)>;

    JpegFramePipeline(int width, int height, int quality, unsigned workers, ThreadStarter start = {});
    ~JpegFramePipeline();
    JpegFramePipeline(const JpegFramePipeline &) = delete;
    JpegFramePipeline &operator=(const JpegFramePipeline &) = delete;

    // rows: height rows of stride bytes, bottom row first. Waits while too
    // many frames are under way. A negative FFmpeg error code on failure.
    int send(const std::uint8_t *rows, std::size_t stride, std::int64_t pts);
    // No more frames: the packets still under way come out.
    int flush();
    // No more frames, and the frames under way are given up.
    void drop();
    // 0 and the next packet in frame order; AVERROR(EAGAIN) while it is not
    // ready (before the flush), AVERROR_EOF after the last, another negative
    // code when the frame could not be compressed.
    int receive(AVPacket *packet);

private:
    struct Job {
        std::vector<std::uint8_t> rows;
        std::size_t stride = 0;
        std::int64_t pts = 0;
        std::vector<std::uint8_t> jpeg;
        bool started = false;
        bool done = false;
        bool ok = false;
    };
    void work();
    void stopWorkers();

    int m_width;
    int m_height;
    JpegCompressParams m_params;
    std::size_t m_maxInFlight = 1;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::unique_ptr<Job>> m_jobs; // in frame order
    std::vector<std::unique_ptr<Job>> m_spare; // finished jobs, their buffers kept
    bool m_flushed = false;
    bool m_quit = false;
    std::vector<std::thread> m_workers;
};
