#include "video/JpegFramePipeline.h"

extern "C" {
#include <libavcodec/packet.h>
#include <libavutil/error.h>
}

#include <gtest/gtest.h>

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
    const int width = 8000, height = 6000; // 144 MB a frame
    ASSERT_GT(2 * std::size_t(width) * height * 3, JpegFramePipeline::kMaxBytesInFlight);
    int started = 0;
    JpegFramePipeline large(width, height, 90, 4, refusingAfter(4, started));
    EXPECT_EQ(started, 0) << "one frame in flight: no worker";
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

} // namespace
