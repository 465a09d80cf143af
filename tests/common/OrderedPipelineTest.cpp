#include "common/OrderedPipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Jobs of uneven length come back in the order they were handed out, with
// what each threw, on any number of workers.
class OrderedPipelineOrder : public testing::TestWithParam<unsigned> { };

TEST_P(OrderedPipelineOrder, givesJobsBackInSubmissionOrderWithTheirErrors)
{
    OrderedPipeline pipeline(GetParam(), std::size_t(1) << 30);
    std::vector<int> results(40, -1);
    std::vector<std::uint64_t> taken;
    const auto takeAll = [&](bool wait) {
        while (const auto done = pipeline.takeNext(wait)) {
            taken.push_back(done->sequence);
            EXPECT_EQ(bool(done->error), done->sequence % 7 == 3) << done->sequence;
            if (done->sequence % 7 != 3) {
                EXPECT_EQ(results[done->sequence], int(done->sequence) * 2);
            }
        }
    };
    for (int i = 0; i < 40; ++i) {
        pipeline.submit(10, [i, &results] {
            std::this_thread::sleep_for(std::chrono::microseconds((i * 37) % 5 * 300));
            if (i % 7 == 3)
                throw std::runtime_error("encoder refused");
            results[std::size_t(i)] = i * 2;
        });
        takeAll(false);
    }
    takeAll(true);
    ASSERT_EQ(taken.size(), 40u);
    for (std::size_t i = 0; i < taken.size(); ++i)
        EXPECT_EQ(taken[i], i);
    EXPECT_EQ(pipeline.pending(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Workers, OrderedPipelineOrder, testing::Values(1u, 2u, 4u),
    [](const auto &info) { return "workers" + std::to_string(info.param); });

TEST(OrderedPipeline, oneWorkerRunsEachJobInsideSubmitOnTheCallersThread)
{
    OrderedPipeline pipeline(1, 1);
    EXPECT_EQ(pipeline.workers(), 0u);
    std::thread::id ranOn;
    pipeline.submit(1000, [&] { ranOn = std::this_thread::get_id(); });
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    const auto done = pipeline.takeNext(false);
    ASSERT_TRUE(done);
    EXPECT_FALSE(done->error);
}

// The bytes of the jobs not yet taken back never pass the bound, except for
// a single job larger than the bound, which still goes through alone.
TEST(OrderedPipeline, boundsTheBytesInFlight)
{
    constexpr std::size_t kBound = 100;
    OrderedPipeline pipeline(4, kBound);
    ASSERT_EQ(pipeline.workers(), 4u);
    std::atomic<std::size_t> held { 0 }, peak { 0 };
    std::atomic<int> overBound { 0 };
    const std::size_t sizes[] = { 40, 40, 40, 30, 250, 10, 60, 60, 5 };
    for (const std::size_t size : sizes) {
        pipeline.submit(size, [&held, &peak, &overBound, size] {
            const std::size_t now = held += size;
            if (now > kBound && size <= kBound)
                ++overBound;
            for (std::size_t p = peak; now > p && !peak.compare_exchange_weak(p, now);)
                ;
            std::this_thread::sleep_for(2ms);
            held -= size;
        });
    }
    while (pipeline.takeNext(true))
        ;
    EXPECT_EQ(overBound.load(), 0);
    EXPECT_LE(peak.load(), 250u); // the oversized job ran alone
    EXPECT_EQ(held.load(), 0u);
}

// Jobs that hold next to nothing are bounded by their count: a few per
// worker, so that frames in flight on many cores add little memory.
class OrderedPipelineCount : public testing::TestWithParam<unsigned> { };

TEST_P(OrderedPipelineCount, boundsTheJobsInFlightToAFewPerWorker)
{
    const unsigned workers = GetParam();
    OrderedPipeline pipeline(workers, std::size_t(1) << 30);
    ASSERT_EQ(pipeline.workers(), workers);
    const std::size_t most = OrderedPipeline::kJobsPerWorker * workers;
    EXPECT_EQ(pipeline.maxJobsInFlight(), most);
    std::atomic<bool> release { false };
    std::atomic<std::size_t> running { 0 }, peak { 0 };
    const auto job = [&] {
        const std::size_t now = ++running;
        for (std::size_t p = peak; now > p && !peak.compare_exchange_weak(p, now);)
            ;
        while (!release)
            std::this_thread::sleep_for(1ms);
        --running;
    };
    // Each worker runs one job at a time; the others wait their turn.
    for (std::size_t i = 0; i < most; ++i) {
        EXPECT_FALSE(pipeline.saturated(1)) << i << " jobs handed out";
        pipeline.submit(1, job);
    }
    // One more would pass the count, though its bytes are far within theirs.
    EXPECT_TRUE(pipeline.saturated(1));
    release = true;
    std::size_t finished = 0;
    while (pipeline.takeNext(true))
        ++finished;
    EXPECT_EQ(finished, most);
    EXPECT_LE(peak.load(), workers);
}

INSTANTIATE_TEST_SUITE_P(Workers, OrderedPipelineCount, testing::Values(2u, 4u, 8u),
    [](const auto &info) { return std::to_string(info.param) + "_workers"; });

TEST(OrderedPipeline, jobsBeyondTheBoundWaitUntilEarlierOnesAreTakenBack)
{
    OrderedPipeline pipeline(2, 100);
    std::atomic<bool> release { false };
    std::atomic<int> started { 0 };
    pipeline.submit(60, [&] {
        ++started;
        while (!release)
            std::this_thread::sleep_for(1ms);
    });
    std::atomic<bool> secondHandedOut { false };
    std::thread owner([&] {
        pipeline.submit(60, [&] { ++started; });
        secondHandedOut = true;
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(secondHandedOut); // 120 bytes would pass the bound
    EXPECT_TRUE(pipeline.saturated(60));
    EXPECT_FALSE(pipeline.saturated(40));
    release = true;
    while (!pipeline.takeNext(true))
        ;
    owner.join();
    EXPECT_TRUE(secondHandedOut);
    while (pipeline.takeNext(true))
        ;
    EXPECT_EQ(started.load(), 2);
}

TEST(OrderedPipeline, aSystemThatRefusesThreadsRunsTheJobsInline)
{
    int attempts = 0;
    OrderedPipeline pipeline(4, 1000, [&attempts](std::function<void()>) -> std::thread {
        ++attempts;
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    });
    EXPECT_EQ(attempts, 1);
    EXPECT_EQ(pipeline.workers(), 0u);
    EXPECT_FALSE(pipeline.startError().empty());
    int ran = 0;
    pipeline.submit(10, [&] { ++ran; });
    EXPECT_EQ(ran, 1);
    ASSERT_TRUE(pipeline.takeNext(false));
}

TEST(OrderedPipeline, withSomeThreadsStartedTheJobsStillAllRunInOrder)
{
    int attempts = 0;
    OrderedPipeline pipeline(4, 1000, [&attempts](std::function<void()> body) -> std::thread {
        if (++attempts > 2)
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        return std::thread(std::move(body));
    });
    EXPECT_EQ(pipeline.workers(), 2u);
    EXPECT_FALSE(pipeline.startError().empty());
    std::vector<int> order;
    for (int i = 0; i < 10; ++i)
        pipeline.submit(1, [] { std::this_thread::sleep_for(1ms); });
    while (const auto done = pipeline.takeNext(true))
        order.push_back(int(done->sequence));
    EXPECT_EQ(order, std::vector<int>({ 0, 1, 2, 3, 4, 5, 6, 7, 8, 9 }));
}

TEST(OrderedPipeline, droppedJobsNeverRunAndComeBackAsDropped)
{
    OrderedPipeline pipeline(2, 1000);
    std::atomic<bool> release { false };
    std::atomic<int> ran { 0 };
    for (int i = 0; i < 4; ++i)
        pipeline.submit(1, [&] {
            while (!release)
                std::this_thread::sleep_for(1ms);
            ++ran;
        });
    std::this_thread::sleep_for(30ms); // both workers hold a job
    EXPECT_EQ(pipeline.dropQueued(), 2u);
    release = true;
    int dropped = 0, finished = 0;
    while (const auto done = pipeline.takeNext(true)) {
        if (done->error)
            ++dropped;
        else
            ++finished;
    }
    EXPECT_EQ(dropped, 2);
    EXPECT_EQ(finished, 2);
    EXPECT_EQ(ran.load(), 2);
}

} // namespace
