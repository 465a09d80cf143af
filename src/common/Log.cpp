#include "common/Log.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace {

std::atomic<bool> verbose { false };

std::mutex &sinkMutex()
{
    static std::mutex mutex;
    return mutex;
}

LogSink &sink()
{
    static LogSink s;
    return s;
}

} // namespace

void SetLogVerbose(bool on)
{
    verbose = on;
}

bool LogVerbose()
{
    return verbose;
}

void SetLogSink(LogSink newSink)
{
    const std::lock_guard<std::mutex> lock(sinkMutex());
    sink() = std::move(newSink);
}

void LogLine(const std::string &source, const std::string &text)
{
    if (!verbose)
        return;
    std::string line = source.empty() ? text : source + ": " + text;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    const std::lock_guard<std::mutex> lock(sinkMutex());
    if (sink())
        sink()(line);
    else
        std::fprintf(stderr, "%s\n", line.c_str());
}
