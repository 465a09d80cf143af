#pragma once

#include <cstdint>
#include <string>

// How much memory a picture may take: the lower of what the system has
// available now (MemAvailable of /proc/meminfo) and what the process's
// address-space limit (RLIMIT_AS) leaves above what it already maps. Read
// afresh at every call: other programs come and go.
std::uint64_t AvailableMemory();

// A ceiling on AvailableMemory() set from within the process, for programs
// that cannot run under an address-space limit (AddressSanitizer reserves
// terabytes of it): the fuzz targets hold the program to their allocation
// limit this way. 0 lifts it.
void SetMemoryCeiling(std::uint64_t bytes);

// A request that does not fit: how much it needs and how much there was.
struct MemoryShortage {
    std::uint64_t needed = 0;
    std::uint64_t available = 0;
};

// True when bytes fit in AvailableMemory(); otherwise false, shortage filled.
bool MemoryFits(std::uint64_t bytes, MemoryShortage &shortage);

// "needs 5.8 GB of memory, 3.1 GB available" (MB below one GB). A need
// larger than what is available always reads larger: near the edge the need
// is rounded up and what is available down.
std::string MemoryShortageText(const MemoryShortage &shortage);

// The parsers behind AvailableMemory, for tests: the MemAvailable line of a
// /proc/meminfo text and the VmSize line of a /proc/self/status text, in
// bytes (0 when absent).
std::uint64_t MemAvailableFrom(const std::string &meminfo);
std::uint64_t VmSizeFrom(const std::string &status);
