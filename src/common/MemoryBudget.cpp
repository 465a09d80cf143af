#include "common/MemoryBudget.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>
#include <sys/resource.h>

namespace {

constexpr std::uint64_t kUnknown = std::numeric_limits<std::uint64_t>::max();

std::string readWhole(const char *path)
{
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// "Name:   1234 kB" at the start of a line -> bytes.
std::uint64_t kilobytesField(const std::string &text, const std::string &name)
{
    const std::string key = name + ":";
    std::size_t at = text.rfind(key, 0) == 0 ? 0 : text.find("\n" + key);
    if (at == std::string::npos)
        return 0;
    at += at == 0 && text[0] != '\n' ? key.size() : key.size() + 1;
    unsigned long long kb = 0;
    if (std::sscanf(text.c_str() + at, "%llu", &kb) != 1)
        return 0;
    return std::uint64_t(kb) * 1024;
}

enum class Rounding { Nearest, Up, Down };

// An amount as read: GB with one decimal from 1 GB, whole MB below.
struct Amount {
    double shown = 0; // in bytes, as the text says
    std::string text;
};

Amount amountOf(std::uint64_t bytes, Rounding rounding)
{
    const bool gigabytes = bytes >= (std::uint64_t(1) << 30);
    const double unit = double(std::uint64_t(1) << (gigabytes ? 30 : 20));
    const double steps = double(bytes) / unit * (gigabytes ? 10 : 1);
    const double rounded = rounding == Rounding::Up ? std::ceil(steps)
        : rounding == Rounding::Down                ? std::floor(steps)
                                                    : std::round(steps);
    char text[32];
    if (gigabytes)
        std::snprintf(text, sizeof text, "%.1f GB", rounded / 10);
    else
        std::snprintf(text, sizeof text, "%.0f MB", rounded);
    return { rounded * unit / (gigabytes ? 10 : 1), text };
}

} // namespace

std::uint64_t MemAvailableFrom(const std::string &meminfo)
{
    return kilobytesField(meminfo, "MemAvailable");
}

std::uint64_t VmSizeFrom(const std::string &status)
{
    return kilobytesField(status, "VmSize");
}

namespace {

std::atomic<std::uint64_t> g_ceiling { 0 };

} // namespace

void SetMemoryCeiling(std::uint64_t bytes)
{
    g_ceiling = bytes;
}

std::uint64_t AvailableMemory()
{
    std::uint64_t available = MemAvailableFrom(readWhole("/proc/meminfo"));
    if (available == 0)
        available = kUnknown; // no /proc: let the allocation decide
    if (const std::uint64_t ceiling = g_ceiling; ceiling != 0)
        available = std::min(available, ceiling);
    rlimit limit {};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        const std::uint64_t used = VmSizeFrom(readWhole("/proc/self/status"));
        const std::uint64_t cap = std::uint64_t(limit.rlim_cur);
        available = std::min(available, cap > used ? cap - used : 0);
    }
    return available;
}

bool MemoryFits(std::uint64_t bytes, MemoryShortage &shortage)
{
    const std::uint64_t available = AvailableMemory();
    if (bytes <= available)
        return true;
    shortage = { bytes, available };
    return false;
}

std::string MemoryShortageText(const MemoryShortage &shortage)
{
    // Rounded to the nearest, unless the need would then read as no more
    // than what is available: need rounded up and what is available down.
    Amount needed = amountOf(shortage.needed, Rounding::Nearest);
    Amount available = amountOf(shortage.available, Rounding::Nearest);
    if (needed.shown <= available.shown && shortage.needed > shortage.available) {
        needed = amountOf(shortage.needed, Rounding::Up);
        available = amountOf(shortage.available, Rounding::Down);
    }
    return "needs " + needed.text + " of memory, " + available.text + " available";
}
