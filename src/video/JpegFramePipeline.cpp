#include "video/JpegFramePipeline.h"

#include "video/FFmpegObjects.h"

extern "C" {
#include <libavcodec/packet.h>
#include <libavutil/error.h>
}

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

namespace {

std::size_t frameBytes(int width, int height)
{
    return std::max<std::size_t>(1, std::size_t(width) * 3 * std::size_t(height));
}

// No more workers than frames the byte bound lets be under way at once.
unsigned workersFor(unsigned asked, std::size_t bytesPerFrame)
{
    const std::size_t frames = std::max<std::size_t>(1, JpegFramePipeline::kMaxBytesInFlight / bytesPerFrame);
    return unsigned(std::min<std::size_t>(std::max(1u, asked), frames));
}

} // namespace

JpegFramePipeline::JpegFramePipeline(int width, int height, int quality, unsigned workers, const ThreadStarter &start)
    : m_width(width)
    , m_height(height)
    , m_frameBytes(frameBytes(width, height))
    , m_pool(workersFor(workers, m_frameBytes), kMaxBytesInFlight, start)
{
    // A system refusing threads is short of resources: say so rather than go
    // on with fewer (the pool stops those already started).
    if (!m_pool.startError().empty())
        throw std::runtime_error("cannot start a worker thread: " + m_pool.startError());
    m_params.quality = std::clamp(quality, 1, 100);
    m_params.horzSubsampling = m_params.vertSubsampling = true; // 4:2:0, what MJPEG players expect
}

JpegFramePipeline::~JpegFramePipeline() = default;

int JpegFramePipeline::send(const std::uint8_t *top, std::ptrdiff_t pitch, std::int64_t pts)
{
    if (m_flushed)
        return AVERROR(EINVAL);
    const std::size_t stride = std::size_t(pitch < 0 ? -pitch : pitch);
    const std::size_t bytes = stride * std::size_t(m_height);
    // The rows are copied as they lie in memory, and read back top row first.
    const std::uint8_t *lowest = pitch < 0 ? top + (m_height - 1) * pitch : top;
    const std::size_t topOffset = pitch < 0 ? (std::size_t(m_height) - 1) * stride : 0;
    try {
        auto frame = std::make_unique<Frame>();
        frame->pts = pts;
        std::vector<std::uint8_t> copy(lowest, lowest + bytes);
        m_frames.push_back(std::move(frame));
        Frame *out = m_frames.back().get();
        try {
            m_pool.submit(bytes,
                [copy = std::move(copy), topOffset, pitch, out, width = m_width, height = m_height, params = m_params] {
                    out->ok = CompressJpeg(copy.data() + topOffset, pitch, width, height, params, out->jpeg).ok;
                });
        } catch (...) {
            m_frames.pop_back();
            throw;
        }
    } catch (const std::bad_alloc &) {
        return AVERROR(ENOMEM);
    }
    m_frameBytes = std::max<std::size_t>(1, bytes);
    return 0;
}

int JpegFramePipeline::flush()
{
    m_flushed = true;
    return 0;
}

void JpegFramePipeline::drop()
{
    m_flushed = true;
    m_pool.dropQueued(); // the frames being compressed finish on their worker
}

int JpegFramePipeline::receive(AVPacket *packet)
{
    // Before the end only a full pipeline waits: the next frame can be sent
    // meanwhile.
    const auto finished = m_pool.takeNext(m_flushed || m_pool.saturated(m_frameBytes));
    if (!finished)
        return m_flushed ? AVERROR_EOF : AVERROR(EAGAIN);
    const std::unique_ptr<Frame> frame = std::move(m_frames.front());
    m_frames.pop_front();
    if (finished->error)
        return ffmpeg::errorOf(finished->error);
    if (!frame->ok)
        return AVERROR(EINVAL);
    if (av_new_packet(packet, int(frame->jpeg.size())) != 0)
        return AVERROR(ENOMEM);
    std::memcpy(packet->data, frame->jpeg.data(), frame->jpeg.size());
    packet->pts = packet->dts = frame->pts;
    packet->duration = 1;
    packet->flags |= AV_PKT_FLAG_KEY;
    return 0;
}
