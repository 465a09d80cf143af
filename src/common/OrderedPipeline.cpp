#include "common/OrderedPipeline.h"

#include <algorithm>
#include <system_error>

OrderedPipeline::OrderedPipeline(unsigned workers, std::size_t maxBytesInFlight, const ThreadStarter &startThread)
    : m_maxBytes(maxBytesInFlight)
{
    if (workers <= 1)
        return;
    for (unsigned i = 0; i < workers; ++i) {
        try {
            if (startThread)
                m_threads.push_back(startThread([this] { work(); }));
            else
                m_threads.emplace_back([this] { work(); });
        } catch (const std::exception &e) {
            m_startError = e.what();
            break;
        }
    }
    // A single worker would only add a hand-over to the owner's own work.
    if (m_threads.size() == 1) {
        {
            const std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_workReady.notify_all();
        m_threads.front().join();
        m_threads.clear();
        m_quit = false;
    }
    m_maxJobs = std::max<std::size_t>(1, kJobsPerWorker * m_threads.size());
}

OrderedPipeline::~OrderedPipeline()
{
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_workReady.notify_all();
    for (std::thread &thread : m_threads)
        thread.join();
}

unsigned OrderedPipeline::defaultWorkers()
{
    return std::max(1u, std::thread::hardware_concurrency());
}

void OrderedPipeline::run(Entry &entry)
{
    try {
        entry.job();
    } catch (...) {
        entry.error = std::current_exception();
    }
    entry.job = {}; // what it captured goes now, not when taken back
}

void OrderedPipeline::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        auto next = m_entries.end();
        m_workReady.wait(lock, [&] {
            next = std::find_if(m_entries.begin(), m_entries.end(), [](const auto &e) { return !e->started; });
            return m_quit || next != m_entries.end();
        });
        if (m_quit)
            return;
        Entry &entry = **next;
        entry.started = true;
        lock.unlock();
        run(entry);
        lock.lock();
        entry.done = true;
        m_bytesInFlight -= entry.bytes;
        --m_unfinished;
        m_changed.notify_all();
    }
}

std::uint64_t OrderedPipeline::submit(std::size_t bytes, Job job)
{
    auto entry = std::make_unique<Entry>();
    entry->bytes = bytes;
    entry->job = std::move(job);
    std::unique_lock lock(m_mutex);
    entry->sequence = m_next++;
    if (m_threads.empty()) {
        lock.unlock();
        entry->started = true;
        run(*entry);
        entry->done = true;
        lock.lock();
        m_entries.push_back(std::move(entry));
        return m_next - 1;
    }
    m_changed.wait(
        lock, [&] { return m_unfinished == 0 || (m_unfinished < m_maxJobs && m_bytesInFlight + bytes <= m_maxBytes); });
    m_bytesInFlight += bytes;
    ++m_unfinished;
    m_entries.push_back(std::move(entry));
    m_workReady.notify_one();
    return m_next - 1;
}

std::optional<OrderedPipeline::Finished> OrderedPipeline::takeNext(bool wait)
{
    std::unique_lock lock(m_mutex);
    if (m_entries.empty())
        return std::nullopt;
    if (!m_entries.front()->done) {
        if (!wait)
            return std::nullopt;
        m_changed.wait(lock, [this] { return m_entries.front()->done; });
    }
    std::unique_ptr<Entry> entry = std::move(m_entries.front());
    m_entries.pop_front();
    return Finished { entry->sequence, entry->error };
}

std::size_t OrderedPipeline::pending() const
{
    const std::lock_guard lock(m_mutex);
    return m_entries.size();
}

std::size_t OrderedPipeline::bytesInFlight() const
{
    const std::lock_guard lock(m_mutex);
    return m_bytesInFlight;
}

bool OrderedPipeline::saturated(std::size_t nextBytes) const
{
    const std::lock_guard lock(m_mutex);
    return !m_threads.empty() && m_unfinished > 0
        && (m_unfinished >= m_maxJobs || m_bytesInFlight + nextBytes > m_maxBytes);
}

std::size_t OrderedPipeline::dropQueued()
{
    std::size_t dropped = 0;
    std::vector<Job> released; // destroyed outside the lock
    {
        const std::lock_guard lock(m_mutex);
        for (auto &entry : m_entries) {
            if (entry->started)
                continue;
            entry->started = entry->done = true;
            entry->error = std::make_exception_ptr(Dropped {});
            m_bytesInFlight -= entry->bytes;
            --m_unfinished;
            released.push_back(std::move(entry->job));
            ++dropped;
        }
    }
    m_changed.notify_all();
    return dropped;
}
