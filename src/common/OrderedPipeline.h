#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Jobs handed out in order to a pool of worker threads and taken back in the
// same order: the frame-file runs encode and write their frames on it, and it
// fits any encoder that takes frames in and gives results back in frame
// order (the MJPEG compressor's send/receive is the same shape).
//
// Threads: submit, takeNext and the destructor belong to one owner thread;
// only the job bodies run on the workers. A job owns what it works on (a copy
// of the frame) and stores its result where the owner will read it after
// takeNext has returned that job: the pool's lock orders the two.
//
// Memory in flight is bounded in bytes: each job declares what it holds
// until it has run (it releases its buffers when it ends), and submit waits
// while the jobs not yet run would exceed the bound (a single job is always
// let through, whatever its size). The number of jobs not yet run is bounded
// too, at kJobsPerWorker per worker, so that small frames on many cores
// still add little memory. What a finished job leaves for the owner should
// be small: the owner takes it back with takeNext.
//
// With one worker asked for, or when no thread could be started, a job runs
// inline in submit, on the owner's thread: exactly one-thread behaviour.
class OrderedPipeline {
public:
    using Job = std::function<void()>;
    // Starts a thread running body; the test seam for a system that refuses
    // new threads. The default throws std::system_error as std::thread does.
    using ThreadStarter = std::function<std::thread(std::function<void()> body)>;

    OrderedPipeline(unsigned workers, std::size_t maxBytesInFlight, const ThreadStarter &startThread = {});
    // Lets the jobs under way finish; jobs not started yet are dropped.
    ~OrderedPipeline();
    OrderedPipeline(const OrderedPipeline &) = delete;
    OrderedPipeline &operator=(const OrderedPipeline &) = delete;

    // Worker threads running; 0 when jobs run inline.
    unsigned workers() const { return unsigned(m_threads.size()); }
    // The most jobs handed out and not yet run to their end, whatever their
    // bytes: kJobsPerWorker per worker (one when jobs run inline).
    static constexpr std::size_t kJobsPerWorker = 2;
    std::size_t maxJobsInFlight() const { return m_maxJobs; }
    // Why fewer threads run than were asked for; empty when all started.
    const std::string &startError() const { return m_startError; }
    static unsigned defaultWorkers(); // one per processor

    // Hands a job out, waiting while the bound is reached. Returns its
    // sequence number, counted from 0.
    std::uint64_t submit(std::size_t bytes, Job job);

    struct Finished {
        std::uint64_t sequence = 0;
        std::exception_ptr error; // what the job threw, if it did
    };
    // The oldest job not yet taken back, once it has finished. Nothing when no
    // job is pending, or (wait false) when the oldest is still running.
    std::optional<Finished> takeNext(bool wait);
    // Jobs handed out and not yet taken back.
    std::size_t pending() const;
    // Bytes declared by the jobs that have not yet run to their end.
    std::size_t bytesInFlight() const;
    // True when the next submit would wait: an encoder front end then waits
    // for the oldest result instead (send/receive in the manner of libavcodec).
    bool saturated(std::size_t nextBytes = 0) const;
    // Drops the jobs no worker has started; they are taken back as finished
    // with dropped() true. Returns how many were dropped.
    std::size_t dropQueued();

    struct Dropped : std::exception {
        const char *what() const noexcept override { return "dropped before it started"; }
    };

private:
    struct Entry {
        std::uint64_t sequence = 0;
        std::size_t bytes = 0;
        Job job;
        bool started = false;
        bool done = false;
        std::exception_ptr error;
    };
    void work();
    static void run(Entry &entry);

    const std::size_t m_maxBytes;
    std::size_t m_maxJobs = 1;
    mutable std::mutex m_mutex;
    std::condition_variable m_workReady; // a job to start, or quitting
    std::condition_variable m_changed; // a job finished or was taken back
    std::deque<std::unique_ptr<Entry>> m_entries; // in submission order
    std::size_t m_bytesInFlight = 0; // of the jobs not yet run
    std::size_t m_unfinished = 0;
    std::uint64_t m_next = 0;
    bool m_quit = false;
    std::vector<std::thread> m_threads;
    std::string m_startError;
};
