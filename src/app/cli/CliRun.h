#pragma once

#include <csignal>
#include <iosfwd>

// Where travelia-cli runs: whether stderr is a terminal (progress bar) and
// the flag its Ctrl-C handler raises (may be null).
struct CliEnvironment {
    bool progressTerminal = false;
    const volatile std::sig_atomic_t *interrupted = nullptr;
};

// The whole command-line program without the process around it: parses the
// arguments (argv[0] is the program name), loads the picture, runs the
// animation and returns the exit status. Normal output goes to out, messages
// and the progress bar to err.
int runCli(int argc, const char *const *argv, std::ostream &out, std::ostream &err, CliEnvironment env = {});
