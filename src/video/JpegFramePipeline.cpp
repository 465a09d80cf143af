#include "video/JpegFramePipeline.h"

extern "C" {
#include <libavcodec/packet.h>
#include <libavutil/error.h>
}

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

JpegFramePipeline::JpegFramePipeline(int width, int height, int quality, unsigned workers, ThreadStarter start)
    : m_width(width)
    , m_height(height)
{
    workers = std::max(1u, workers);
    const std::size_t frameBytes = std::max<std::size_t>(1, std::size_t(width) * 3 * std::size_t(height));
    m_maxInFlight = std::clamp<std::size_t>(kMaxBytesInFlight / frameBytes, 1, 2 * std::size_t(workers));
    m_params.quality = std::clamp(quality, 1, 100);
    m_params.horzSubsampling = m_params.vertSubsampling = true; // 4:2:0, what MJPEG players expect
    if (!start)
        start = [](std::function<void()> body) { return std::thread(std::move(body)); };
    try {
        for (unsigned i = 0; i < std::min<std::size_t>(workers, m_maxInFlight); ++i)
            m_workers.push_back(start([this] { work(); }));
    } catch (const std::exception &e) {
        stopWorkers();
        throw std::runtime_error(std::string("cannot start a worker thread: ") + e.what());
    }
}

JpegFramePipeline::~JpegFramePipeline()
{
    stopWorkers();
}

void JpegFramePipeline::drop()
{
    const std::lock_guard lock(m_mutex);
    m_flushed = true;
    // Jobs under way finish on their worker; the rest are not started.
    for (auto &job : m_jobs)
        if (!job->started)
            job->started = job->done = true;
}

void JpegFramePipeline::stopWorkers()
{
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    for (std::thread &worker : m_workers)
        if (worker.joinable())
            worker.join();
    m_workers.clear();
}

void JpegFramePipeline::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] {
            return m_quit || std::any_of(m_jobs.begin(), m_jobs.end(), [](const auto &job) { return !job->started; });
        });
        if (m_quit)
            return;
        Job &job = **std::find_if(m_jobs.begin(), m_jobs.end(), [](const auto &j) { return !j->started; });
        job.started = true;
        lock.unlock();
        // The buffer holds the rows bottom first: read it from its last row up.
        const std::uint8_t *top = job.rows.data() + (std::size_t(m_height) - 1) * job.stride;
        bool ok = false;
        try {
            ok = CompressJpeg(top, -std::ptrdiff_t(job.stride), m_width, m_height, m_params, job.jpeg).ok;
        } catch (...) {
            ok = false; // out of memory
        }
        lock.lock();
        job.ok = ok;
        job.done = true;
        m_changed.notify_all();
    }
}

int JpegFramePipeline::send(const std::uint8_t *rows, std::size_t stride, std::int64_t pts)
{
    std::unique_lock lock(m_mutex);
    if (m_flushed)
        return AVERROR(EINVAL);
    m_changed.wait(lock, [this] { return m_jobs.size() < m_maxInFlight; });
    std::unique_ptr<Job> job;
    if (!m_spare.empty()) {
        job = std::move(m_spare.back());
        m_spare.pop_back();
        *job = Job { std::move(job->rows), 0, 0, std::move(job->jpeg) };
    } else {
        job = std::make_unique<Job>();
    }
    lock.unlock();
    try {
        job->rows.assign(rows, rows + stride * std::size_t(m_height));
    } catch (...) {
        return AVERROR(ENOMEM);
    }
    job->stride = stride;
    job->pts = pts;
    lock.lock();
    m_jobs.push_back(std::move(job));
    m_changed.notify_all();
    return 0;
}

int JpegFramePipeline::flush()
{
    const std::lock_guard lock(m_mutex);
    m_flushed = true;
    return 0;
}

int JpegFramePipeline::receive(AVPacket *packet)
{
    std::unique_lock lock(m_mutex);
    if (m_jobs.empty())
        return m_flushed ? AVERROR_EOF : AVERROR(EAGAIN);
    if (!m_jobs.front()->done) {
        // Before the end only a full pipeline waits: the next frame can be
        // sent meanwhile.
        if (!m_flushed && m_jobs.size() < m_maxInFlight)
            return AVERROR(EAGAIN);
        m_changed.wait(lock, [this] { return m_jobs.front()->done; });
    }
    std::unique_ptr<Job> job = std::move(m_jobs.front());
    m_jobs.pop_front();
    m_changed.notify_all();
    int ret = AVERROR(EINVAL);
    if (job->ok && av_new_packet(packet, int(job->jpeg.size())) == 0) {
        std::memcpy(packet->data, job->jpeg.data(), job->jpeg.size());
        packet->pts = packet->dts = job->pts;
        packet->duration = 1;
        packet->flags |= AV_PKT_FLAG_KEY;
        ret = 0;
    } else if (job->ok) {
        ret = AVERROR(ENOMEM);
    }
    m_spare.push_back(std::move(job));
    return ret;
}
