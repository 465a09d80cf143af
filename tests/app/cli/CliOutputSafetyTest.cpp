#include "app/cli/CliRun.h"

#include "TestUtils.h"
#include "common/SeriesLock.h"
#include "output/FrameFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A 40 x 10 panorama in its own folder; the outputs go to its anim folder.
class CliOutputSafety : public testing::Test {
protected:
    void SetUp() override
    {
        panorama = (dir / "pano.bmp").string();
        ASSERT_TRUE(WriteBmpFile(makeTestPanorama(40, 10), panorama));
        fs::create_directory(anim);
    }

    int run(std::vector<std::string> args)
    {
        args.insert(args.begin(), "travelia-cli");
        std::vector<const char *> argv;
        for (const auto &a : args)
            argv.push_back(a.c_str());
        out.str({});
        err.str({});
        return runCli(int(argv.size()), argv.data(), out, err);
    }

    std::vector<std::string> namesIn(const fs::path &folder) const
    {
        std::vector<std::string> names;
        for (const auto &e : fs::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
    fs::path anim = dir / "anim";
    std::string panorama;
    std::ostringstream out, err;
};

struct InputCase {
    const char *label;
    const char *format;
    const char *target; // in the anim folder
    enum { FrameRead, LinkToPicture, MadeByAFirstRun } how;
};

class CliInputPicture : public CliOutputSafety, public testing::WithParamInterface<InputCase> { };

// Whatever the output, a run one of whose names is the picture being read
// is refused, with --overwrite too, before anything is written: the picture
// read under that very name (a frame of the series, the GIF of an earlier
// run), or another name of it (a hard link). Before, a series skipped that
// frame and wrote the others around it, and a GIF run replaced the picture.
TEST_P(CliInputPicture, isRefusedBeforeAnythingIsWritten)
{
    const InputCase &c = GetParam();
    const fs::path target = anim / c.target;
    std::string input = panorama;
    switch (c.how) {
    case InputCase::FrameRead: {
        SaveDetail detail;
        ASSERT_TRUE(WriteFrameFile(
            makeTestPanorama(40, 10), target.string(), AtomicFile::Publish::NoReplace, FrameEncoding {}, detail));
        input = target.string();
        break;
    }
    case InputCase::LinkToPicture:
        fs::create_hard_link(panorama, target);
        break;
    case InputCase::MadeByAFirstRun:
        ASSERT_EQ(run({ "-f", c.format, "--one-way", "-s", "9", panorama }), 0) << err.str();
        input = target.string();
        break;
    }
    const std::vector<std::uint8_t> before = readFileBytes(target);
    const std::vector<std::string> namesBefore = namesIn(anim);

    EXPECT_EQ(run({ "-f", c.format, "--overwrite", "--one-way", "-s", "9", "-o", dir.str(), input }), 1) << out.str();
    // A note on the frame size may come first; the refusal is the last word.
    EXPECT_TRUE(err.str().ends_with("travelia-cli: " + target.string() + " is the picture being read: nothing was written\n"))
        << err.str();
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(readFileBytes(target), before);
    EXPECT_EQ(namesIn(anim), namesBefore) << "nothing written, no lock file left";
}

INSTANTIATE_TEST_SUITE_P(Outputs, CliInputPicture,
    testing::Values(InputCase { "bmpSeries", "bmp", "IMAGE0002.BMP", InputCase::FrameRead },
        InputCase { "jpegSeries", "jpg", "IMAGE0002.JPG", InputCase::FrameRead },
        InputCase { "pngSeries", "png", "IMAGE0002.PNG", InputCase::FrameRead },
        InputCase { "tiffSeries", "tif", "IMAGE0002.TIF", InputCase::FrameRead },
        InputCase { "seriesThroughALink", "png", "IMAGE0001.PNG", InputCase::LinkToPicture },
        InputCase { "avi", "avi", "ANIM0000.AVI", InputCase::LinkToPicture },
        InputCase { "mp4", "mp4", "ANIM0000.MP4", InputCase::LinkToPicture },
        InputCase { "webm", "webm", "ANIM0000.WEBM", InputCase::LinkToPicture },
        InputCase { "mkv", "mkv", "ANIM0000.MKV", InputCase::LinkToPicture },
        InputCase { "webp", "webp", "ANIM0000.WEBP", InputCase::LinkToPicture },
        InputCase { "gifReadBack", "gif", "ANIM0000.GIF", InputCase::MadeByAFirstRun }),
    [](const auto &info) { return std::string(info.param.label); });

struct BusyCase {
    const char *label;
    std::vector<std::string> args;
    const char *held; // a file of the series another run is writing
    std::vector<std::string> existing; // files of that run already there
    const char *pattern;
};

class CliBusySeries : public CliOutputSafety, public testing::WithParamInterface<BusyCase> { };

// A second run into a series that another run is writing refuses before
// writing anything, whatever its options: with --next-free it would have
// started beyond the other run's frames, each then skipping the other's
// names, and both said they succeeded.
TEST_P(CliBusySeries, refusesWithTheReason)
{
    const BusyCase &c = GetParam();
    for (const std::string &name : c.existing)
        writeFileBytes(anim / name, { 'a' });
    const SeriesLock otherRun((anim / c.held).string());
    ASSERT_EQ(otherRun.state(), SeriesLock::State::Claimed);
    const std::vector<std::string> namesBefore = namesIn(anim);

    std::vector<std::string> args = c.args;
    args.push_back(panorama);
    EXPECT_EQ(run(args), 1) << out.str();
    EXPECT_EQ(
        err.str(), "travelia-cli: another run is writing " + std::string(c.pattern) + " in " + anim.string() + "\n");
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(namesIn(anim), namesBefore);
}

INSTANTIATE_TEST_SUITE_P(Runs, CliBusySeries,
    testing::Values(BusyCase { "pngSeries", { "-f", "png" }, "IMAGE0000.PNG", {}, "IMAGE*.PNG" },
        BusyCase { "nextFreeBeyondTheOtherRun", { "--next-free", "--one-way" }, "IMAGE0000.BMP",
            { "IMAGE0000.BMP", "IMAGE0001.BMP", "IMAGE0002.BMP" }, "IMAGE*.BMP" },
        BusyCase { "overwrite", { "--overwrite", "-f", "jpg" }, "IMAGE0000.JPG", { "IMAGE0000.JPG" }, "IMAGE*.JPG" },
        BusyCase { "overlappingBaseName", { "-n", "IMAGE2", "--plain-numbers" }, "IMAGE0000.BMP", {}, "IMAGE2*.BMP" },
        BusyCase { "gifFile", { "-f", "gif" }, "ANIM0000.GIF", {}, "ANIM*.GIF" },
        BusyCase { "aviFile", { "-f", "avi", "--next-free" }, "ANIM0003.AVI", { "ANIM0000.AVI" }, "ANIM*.AVI" }),
    [](const auto &info) { return std::string(info.param.label); });

// A disk that fills under several workers leaves the series whole from its
// first frame, and the count printed is what is on disk.
TEST_F(CliOutputSafety, aFullDiskUnderSeveralWorkersLeavesNoGap)
{
    const fs::path small = dir / "small";
    fs::create_directory(small);
    const fs::path wide = dir / "wide.bmp";
    ASSERT_TRUE(WriteBmpFile(makeTestPanorama(600, 100), wide.string()));
    const int status = runWithSmallDisk(small, 256, [&] {
        const int code = run({ "--threads", "3", "-f", "png", "--png-level", "0", "--one-way", "-s", "5", "-o",
            small.string(), "--no-subdir", wide.string() });
        std::smatch counts;
        const std::string said = out.str();
        if (!std::regex_search(said, counts, std::regex("^(\\d+) frames written, 0 skipped, (\\d+) failed"))) {
            std::cerr << said << err.str();
            return 97;
        }
        const int written = std::stoi(counts[1]);
        std::vector<std::string> expected;
        for (int i = 0; i < written; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "IMAGE%04d.PNG", i);
            expected.push_back(name);
        }
        const std::vector<std::string> onDisk = namesIn(small);
        if (onDisk != expected) {
            std::cerr << said;
            for (const auto &n : onDisk)
                std::cerr << n << '\n';
            return 98;
        }
        if (written == 0 || std::stoi(counts[2]) == 0
            || err.str().find("stopped: no space left on device\n") == std::string::npos) {
            std::cerr << said << err.str();
            return 99;
        }
        return code;
    });
    if (status < 0)
        GTEST_SKIP() << "no small file system can be mounted here";
    EXPECT_EQ(status, 3) << "97: no count, 98: not the frames counted, 99: not a full disk (printed above)";
}

} // namespace
