#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// Runs probes that may crash or abort (an encoder opened for the first
// time) without taking the program down: each runs in a child process
// (fork), which reports each result through a pipe; a child that dies, or
// says nothing for a long while, costs only the probe it was running (it
// fails), and a new child goes on with the next one.
struct ProbeResult {
    bool works = false;
    std::uint32_t value = 0; // what the probe found (an encoder's own code)
};
// Probe index, knowing the results of the probes before it.
using Probe = std::function<ProbeResult(std::size_t index, const std::vector<ProbeResult> &before)>;

// The results of probe(0) ... probe(count - 1), in order. Where no child
// can be made, the probes run in this process.
std::vector<ProbeResult> RunContainedProbes(std::size_t count, const Probe &probe, int silentSeconds = 60);
