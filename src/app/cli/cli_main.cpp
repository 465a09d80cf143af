#include "app/cli/CliRun.h"

#include <csignal>
#include <iostream>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t interrupted = 0;

// 1 after the first Ctrl-C (stop rendering, finish the file), 2 after the
// second (drop the frames still queued).
extern "C" void onInterrupt(int)
{
    if (interrupted < 2)
        interrupted = interrupted + 1;
}

} // namespace

int main(int argc, char **argv)
{
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    CliEnvironment env;
    env.progressTerminal = ::isatty(STDERR_FILENO) != 0;
    env.interrupted = &interrupted;
    return runCli(argc, argv, std::cout, std::cerr, env);
}
