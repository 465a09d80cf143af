#pragma once

#include <csignal>
#include <iosfwd>

// Where travelia-cli runs: whether stderr is a terminal (progress bar) and
// the count its Ctrl-C handler raises (may be null): 1 stops the run, 2
// also drops the frames an encoder still holds.
struct CliEnvironment {
    bool progressTerminal = false;
    const volatile std::sig_atomic_t *interrupted = nullptr;
};

// The whole command-line program without the process around it: parses the
// arguments (argv[0] is the program name), loads the picture, runs the
// animation and returns the exit status. Normal output goes to out, messages
// and the progress bar to err.
int runCli(int argc, const char *const *argv, std::ostream &out, std::ostream &err, CliEnvironment env = {});
