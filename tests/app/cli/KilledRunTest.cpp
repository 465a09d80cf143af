#include "TestUtils.h"
#include "output/FrameFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Files = std::map<std::string, std::vector<std::uint8_t>>;

Files filesIn(const fs::path &folder)
{
    Files files;
    for (const auto &entry : fs::directory_iterator(folder))
        files[entry.path().filename().string()] = readFileBytes(entry.path());
    return files;
}

// travelia-cli started as a child process, its output thrown away.
class ChildRun {
public:
    explicit ChildRun(const std::vector<std::string> &args)
    {
        // Everything the child needs is made before it exists.
        std::vector<char *> argv { const_cast<char *>(TRAVELIA_CLI_PATH) };
        for (const std::string &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(null);
    }
    ~ChildRun() { kill(); }
    bool started() const { return m_pid > 0; }
    // The exit status, or -1 when killed.
    int wait()
    {
        int status = 0;
        if (m_pid <= 0 || ::waitpid(m_pid, &status, 0) != m_pid)
            return -2;
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    void kill()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            wait();
        }
    }

private:
    pid_t m_pid = -1;
};

struct KillCase {
    const char *label;
    const char *format;
    bool overwrite; // into a complete older series, with --overwrite
    int kills;
};

class KilledRun : public testing::TestWithParam<KillCase> { };

// travelia-cli killed (SIGKILL) at random moments of its run: the folder
// holds only complete files, each byte for byte what a whole run writes;
// a new series runs on from its first frame without a gap. Replacing takes
// a temporary name for a moment, so a kill may leave a complete file under
// one; the next run of the series removes it. Before, a killed BMP or PNG
// run left ".travelia-XXXXXX" files (7 in about 95 kills).
TEST_P(KilledRun, leavesOnlyCompleteFiles)
{
    const KillCase &c = GetParam();
    TempDir dir;
    const fs::path picture = dir / "pano.bmp";
    ASSERT_TRUE(WriteBmpFile(makeTestPanorama(480, 120), picture.string()));
    const fs::path reference = dir / "reference";
    const fs::path out = dir / "out";
    const auto args = [&](const fs::path &folder) {
        std::vector<std::string> a { "-q", "--one-way", "-W", "120", "-H", "90", "-s", "4", "-f", c.format, "-o",
            folder.string(), "--no-subdir", picture.string() };
        if (c.overwrite)
            a.insert(a.begin(), "--overwrite");
        return a;
    };

    fs::create_directory(reference);
    const auto started = std::chrono::steady_clock::now();
    {
        ChildRun whole(args(reference));
        ASSERT_TRUE(whole.started());
        ASSERT_EQ(whole.wait(), 0);
    }
    const auto runTime = std::chrono::steady_clock::now() - started;
    const Files complete = filesIn(reference);
    ASSERT_FALSE(complete.empty());
    const std::string lockFile = "." + std::string(complete.begin()->first.rfind("ANIM", 0) == 0 ? "ANIM" : "IMAGE")
        + complete.begin()->first.substr(complete.begin()->first.rfind('.')) + ".travelia-lock";
    const std::vector<std::uint8_t> old { 'o', 'l', 'd' };

    std::random_device seedSource;
    const unsigned seed = seedSource();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<long long> moment(
        0, std::chrono::duration_cast<std::chrono::microseconds>(runTime).count() * 11 / 10);
    int leftovers = 0;
    for (int kill = 0; kill < c.kills; ++kill) {
        if (kill == 0 || !c.overwrite) {
            fs::remove_all(out);
            fs::create_directory(out);
            if (c.overwrite)
                for (const auto &[name, bytes] : complete)
                    writeFileBytes(out / name, old);
        }
        const long long at = moment(random);
        SCOPED_TRACE("killed after " + std::to_string(at) + " µs");
        {
            ChildRun killed(args(out));
            ASSERT_TRUE(killed.started());
            std::this_thread::sleep_for(std::chrono::microseconds(at));
        }
        std::vector<std::string> written;
        for (const auto &[name, bytes] : filesIn(out)) {
            if (name == lockFile) {
                EXPECT_TRUE(bytes.empty());
                continue;
            }
            const bool temporary = name.rfind(".travelia-", 0) == 0;
            if (temporary) {
                EXPECT_TRUE(c.overwrite) << name << ": a new file has no other name than its own";
                EXPECT_TRUE(
                    std::any_of(complete.begin(), complete.end(), [&](const auto &f) { return f.second == bytes; }))
                    << name << " is not a complete file";
                ++leftovers;
                continue;
            }
            const auto whole = complete.find(name);
            ASSERT_NE(whole, complete.end()) << name << ": not a name of the run";
            if (bytes == whole->second)
                written.push_back(name);
            else
                EXPECT_TRUE(c.overwrite && bytes == old) << name << " is not complete";
        }
        if (!c.overwrite) {
            std::vector<std::string> first;
            for (auto it = complete.begin(); first.size() < written.size(); ++it)
                first.push_back(it->first);
            EXPECT_EQ(written, first) << "the frames written run on from the first one";
        }
    }
    if (c.overwrite) {
        // A whole run over what the kills left: every frame, no leftover.
        ChildRun whole(args(out));
        ASSERT_EQ(whole.wait(), 0);
        Files files = filesIn(out);
        files.erase(lockFile);
        EXPECT_EQ(files, complete);
    }
    RecordProperty("temporaryFilesLeftByKills", leftovers);
}

INSTANTIATE_TEST_SUITE_P(Outputs, KilledRun,
    testing::Values(KillCase { "bmpSeries", "bmp", false, 10 }, KillCase { "pngSeries", "png", false, 10 },
        KillCase { "bmpSeriesReplaced", "bmp", true, 10 }, KillCase { "pngSeriesReplaced", "png", true, 10 },
        KillCase { "gif", "gif", false, 5 }),
    [](const auto &info) { return std::string(info.param.label); });

} // namespace
