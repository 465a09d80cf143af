#include "video/QueuedFrames.h"

#include "video/FFmpegObjects.h"
#include "video/VideoEncoder.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

namespace {

// What the encoder's thread hands over; packets come back in order.
struct Handover {
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<AVPacket *> packets;
    bool done = false;
    bool stop = false; // the caller no longer waits: give up the rest
    int result = 0; // AVERROR_EOF when every frame came out

    ~Handover()
    {
        for (AVPacket *packet : packets)
            av_packet_free(&packet);
    }
};

std::string encoderFailure(int result)
{
    return result == AVERROR_EOF ? std::string() : "the encoder failed while finishing: " + ffmpeg::errorText(result);
}

// No thread to be had: the frames are finished here, dropped only between packets.
std::string finishHere(
    VideoEncoder &encoder, const std::function<bool()> &dropQueued, const std::function<bool(AVPacket *)> &store)
{
    ffmpeg::PacketPtr packet(av_packet_alloc());
    int ret = packet ? encoder.flush() : AVERROR(ENOMEM);
    while (ret >= 0) {
        if (dropQueued && dropQueued())
            return {};
        ret = encoder.receive(packet.get());
        if (ret < 0)
            break;
        const bool stored = store(packet.get());
        av_packet_unref(packet.get());
        if (!stored)
            return {};
    }
    return encoderFailure(ret);
}

} // namespace

std::string FinishQueuedFrames(std::shared_ptr<VideoEncoder> encoder, const std::function<bool()> &dropQueued,
    const std::function<bool(AVPacket *packet)> &store)
{
    auto handover = std::make_shared<Handover>();
    std::thread worker;
    try {
        worker = std::thread([handover, encoder] {
            int ret = encoder->flush();
            while (ret >= 0) {
                AVPacket *packet = av_packet_alloc();
                ret = packet ? encoder->receive(packet) : AVERROR(ENOMEM);
                const std::lock_guard lock(handover->mutex);
                if (ret >= 0)
                    handover->packets.push_back(packet);
                else
                    av_packet_free(&packet);
                handover->ready.notify_one();
                if (handover->stop) {
                    encoder->dropQueued();
                    break;
                }
            }
            const std::lock_guard lock(handover->mutex);
            handover->done = true;
            handover->result = ret;
            handover->ready.notify_one();
        });
    } catch (const std::system_error &) {
        return finishHere(*encoder, dropQueued, store);
    }
    bool stored = true, dropped = false;
    std::unique_lock lock(handover->mutex);
    for (;;) {
        handover->ready.wait_for(
            lock, std::chrono::milliseconds(50), [&] { return handover->done || !handover->packets.empty(); });
        while (!handover->packets.empty() && stored) {
            AVPacket *packet = handover->packets.front();
            handover->packets.pop_front();
            lock.unlock();
            stored = store(packet);
            av_packet_free(&packet);
            lock.lock();
        }
        if (handover->done || !stored)
            break;
        if (dropQueued && dropQueued()) {
            dropped = true;
            break;
        }
    }
    const bool done = handover->done;
    const int result = handover->result;
    handover->stop = true;
    lock.unlock();
    if (!dropped) {
        // Done, or asked to stop after the packet it is making.
        worker.join();
    } else {
        // Left to end on its own after the frame it is making: the file does
        // not wait for it, and the encoder goes with its last reference.
        worker.detach();
    }
    return stored && done ? encoderFailure(result) : std::string();
}
