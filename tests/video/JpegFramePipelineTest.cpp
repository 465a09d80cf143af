#include "video/JpegFramePipeline.h"

extern "C" {
#include <libavcodec/packet.h>
#include <libavutil/error.h>
}

#include <gtest/gtest.h>

#include <future>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace {

// A starter that refuses after a number of threads, as ulimit -u would.
JpegFramePipeline::ThreadStarter refusingAfter(int allowed, int &started)
{
    return [allowed, &started](std::function<void()> body) {
        if (started >= allowed)
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        ++started;
        return std::thread(std::move(body));
    };
}

// A worker that cannot be started ends the construction with a reason (the
// threads already started are stopped), never std::terminate; the frames in
// flight are bounded in bytes, so a large frame gets fewer workers (with room
// for one frame only, none: it is compressed on the caller's thread).
TEST(JpegFramePipeline, workerStartFailureIsAnErrorAndMemoryInFlightIsBounded)
{
    for (const int allowed : { 0, 2 }) {
        int started = 0;
        try {
            JpegFramePipeline pipeline(64, 48, 90, 4, refusingAfter(allowed, started));
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error &e) {
            EXPECT_TRUE(std::string(e.what()).starts_with("cannot start a worker thread")) << e.what();
        }
        EXPECT_EQ(started, allowed);
    }
    const struct {
        int width, height;
        int workers;
    } sizes[] = {
        { 64, 48, 4 }, // small: every worker asked for
        { 8000, 4000, 2 }, // 96 MB a frame: two in flight
        { 8000, 6000, 0 }, // 144 MB: one in flight, compressed on the caller's thread
    };
    for (const auto &size : sizes) {
        int started = 0;
        JpegFramePipeline pipeline(size.width, size.height, 90, 4, refusingAfter(4, started));
        EXPECT_EQ(started, size.workers) << size.width << " x " << size.height;
    }
}

// Frames come back in order as one JPEG each; dropped frames are not
// compressed and the pipeline closes at once.
TEST(JpegFramePipeline, packetsInFrameOrderAndDropEndsAtOnce)
{
    const int width = 32, height = 16;
    const std::size_t stride = width * 3;
    std::vector<std::uint8_t> rows(stride * height, 200);
    JpegFramePipeline pipeline(width, height, 90, 2);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(pipeline.send(rows.data(), stride, i), 0);
    ASSERT_EQ(pipeline.flush(), 0);
    AVPacket *packet = av_packet_alloc();
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(pipeline.receive(packet), 0);
        EXPECT_EQ(packet->pts, i);
        EXPECT_EQ(packet->data[0], 0xFF);
        EXPECT_EQ(packet->data[1], 0xD8); // SOI
        av_packet_unref(packet);
    }
    EXPECT_EQ(pipeline.receive(packet), AVERROR_EOF);
    av_packet_free(&packet);

    JpegFramePipeline dropped(width, height, 90, 1);
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(dropped.send(rows.data(), stride, i), 0);
    dropped.drop();
    EXPECT_EQ(dropped.send(rows.data(), stride, 2), AVERROR(EINVAL));
}

// Dropping with frames queued on workers: the frames already started come
// back whole and in order, the rest as errors, and nothing after them.
TEST(JpegFramePipeline, dropGivesUpOnlyTheFramesNotStarted)
{
    const int width = 640, height = 480, frames = 8;
    const std::size_t stride = width * 3;
    std::vector<std::uint8_t> rows(stride * height);
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = std::uint8_t(i * 7); // busy enough to keep the workers going
    JpegFramePipeline pipeline(width, height, 90, 2);
    for (int i = 0; i < frames; ++i)
        ASSERT_EQ(pipeline.send(rows.data(), stride, i), 0);
    pipeline.drop();
    AVPacket *packet = av_packet_alloc();
    int received = 0, given = 0, ret = 0;
    while ((ret = pipeline.receive(packet)) != AVERROR_EOF) {
        if (ret == 0) {
            EXPECT_EQ(given, 0) << "a packet after a dropped frame";
            EXPECT_EQ(packet->pts, received);
            ++received;
            av_packet_unref(packet);
        } else {
            EXPECT_EQ(ret, AVERROR(EINVAL));
            ++given;
        }
        ASSERT_LE(received + given, frames);
    }
    av_packet_free(&packet);
    EXPECT_EQ(received + given, frames);

    // Workers held back at their start: every frame is still queued, so
    // every frame is given up.
    std::promise<void> open;
    const std::shared_future<void> gate = open.get_future().share();
    JpegFramePipeline held(width, height, 90, 2, [gate](std::function<void()> body) {
        return std::thread([gate, body = std::move(body)] {
            gate.wait();
            body();
        });
    });
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(held.send(rows.data(), stride, i), 0);
    held.drop();
    open.set_value();
    packet = av_packet_alloc();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(held.receive(packet), AVERROR(EINVAL));
    EXPECT_EQ(held.receive(packet), AVERROR_EOF);
    av_packet_free(&packet);
}

} // namespace
