#pragma once

#include "common/OrderedPipeline.h"
#include "platform/JpegCompressor.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

struct AVPacket;

// The MJPEG video compressor: each frame becomes one baseline JPEG (YCbCr
// 4:2:0) made by libjpeg-turbo on the OrderedPipeline's workers, one per
// processor. Frames go in on the caller's thread and come back as packets in
// their order, as a libavcodec encoder's do; a frame is copied when it is
// sent, so the caller may reuse its buffer at once, and the copy goes as soon
// as it is compressed. The frames under way are bounded in bytes
// (kMaxBytesInFlight, at least one frame), not only in number; with room for
// one frame only, or one worker, frames are compressed on the caller's thread.
//
// Nothing throws out of the pipeline but its constructor: a worker that
// cannot be started ends the construction with std::runtime_error (the
// workers already started are stopped first); a frame a worker cannot
// compress comes back as an error code.
class JpegFramePipeline {
public:
    static constexpr std::size_t kMaxBytesInFlight = std::size_t(256) << 20;
    // Starts one worker thread; throws std::system_error when it cannot.
    using ThreadStarter = OrderedPipeline::ThreadStarter;

    JpegFramePipeline(int width, int height, int quality, unsigned workers, const ThreadStarter &start = {});
    ~JpegFramePipeline();
    JpegFramePipeline(const JpegFramePipeline &) = delete;
    JpegFramePipeline &operator=(const JpegFramePipeline &) = delete;

    // height rows: top, then each row below it pitch bytes on (negative
    // for a bitmap stored bottom row first). Waits while too many frames are
    // under way. A negative FFmpeg error code on failure.
    int send(const std::uint8_t *top, std::ptrdiff_t pitch, std::int64_t pts);
    // No more frames: the packets still under way come out.
    int flush();
    // No more frames, and the frames not yet started are given up.
    void drop();
    // 0 and the next packet in frame order; AVERROR(EAGAIN) while it is not
    // ready (before the flush), AVERROR_EOF after the last, another negative
    // code when the frame could not be compressed.
    int receive(AVPacket *packet);

private:
    // What a job leaves for receive; written by its worker, read once the
    // pool has handed the job back.
    struct Frame {
        std::int64_t pts = 0;
        std::vector<std::uint8_t> jpeg;
        bool ok = false;
    };

    int m_width;
    int m_height;
    JpegCompressParams m_params;
    std::size_t m_frameBytes; // of the last frame sent: what the next will hold
    bool m_flushed = false;
    std::deque<std::unique_ptr<Frame>> m_frames; // in frame order, one per job in the pool
    OrderedPipeline m_pool; // after m_frames: its running jobs write into them until it is gone
};
