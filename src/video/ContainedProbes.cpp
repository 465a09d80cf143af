#include "video/ContainedProbes.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// One result as the child writes it.
struct Report {
    std::uint32_t index;
    std::uint32_t works;
    std::uint32_t value;
};

bool writeAll(int fd, const void *data, std::size_t size)
{
    const auto *p = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= std::size_t(n);
    }
    return true;
}

[[noreturn]] void runChild(int out, std::size_t from, std::vector<ProbeResult> results, const Probe &probe)
{
    // A crash ends only this child, quietly: no handler of the parent's
    // (a sanitizer's report), no core file.
    for (const int signal : { SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT })
        std::signal(signal, SIG_DFL);
    const struct rlimit noCore {
        0, 0
    };
    ::setrlimit(RLIMIT_CORE, &noCore);
    for (std::size_t i = from; i < results.size(); ++i) {
        const ProbeResult result = results[i] = probe(i, results);
        const Report report { std::uint32_t(i), result.works ? 1u : 0u, result.value };
        if (!writeAll(out, &report, sizeof report))
            break;
    }
    ::_exit(0); // nothing of the parent's runs at exit
}

} // namespace

std::vector<ProbeResult> RunContainedProbes(std::size_t count, const Probe &probe, int silentSeconds)
{
    std::vector<ProbeResult> results(count);
    std::size_t next = 0;
    while (next < count) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            break;
        const pid_t child = ::fork();
        if (child < 0) {
            ::close(fds[0]);
            ::close(fds[1]);
            break;
        }
        if (child == 0) {
            ::close(fds[0]);
            runChild(fds[1], next, results, probe);
        }
        ::close(fds[1]);
        // Results until the child ends; the probe it was running when it died fails.
        Report report {};
        std::size_t got = 0;
        for (;;) {
            struct pollfd wait {
                fds[0], POLLIN, 0
            };
            const int ready = ::poll(&wait, 1, silentSeconds * 1000);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0) {
                ::kill(child, SIGKILL); // silent too long: hung
                break;
            }
            const ssize_t n = ::read(fds[0], reinterpret_cast<char *>(&report) + got, sizeof report - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += std::size_t(n);
            if (got < sizeof report)
                continue;
            got = 0;
            if (report.index < count) {
                results[report.index] = { report.works != 0, report.value };
                next = std::size_t(report.index) + 1;
            }
        }
        ::close(fds[0]);
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
        if (next < count && !(WIFEXITED(status) && WEXITSTATUS(status) == 0))
            ++next; // the probe that killed it
        else if (next < count)
            break; // ended without finishing: no child can do better
    }
    for (; next < count; ++next)
        results[next] = probe(next, results);
    return results;
}
