#include "app/cli/CliRun.h"

#include "MediaTools.h"
#include "TestUtils.h"
#include "common/AtomicFile.h"
#include "options/JpegImage.h"
#include "output/FrameFile.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <regex>
#include <sstream>
#include <sys/wait.h>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A 40 x 10 panorama in its own folder: by default 13 x 10 frames,
// 27 per pass, 54 there and back.
class CliRun : public testing::Test {
protected:
    void SetUp() override
    {
        panorama = (dir / "pano.bmp").string();
        ASSERT_TRUE(WriteBmpFile(makeTestPanorama(40, 10), panorama));
    }

    int run(std::vector<std::string> args, const CliEnvironment &env = {})
    {
        args.insert(args.begin(), "travelia-cli");
        std::vector<const char *> argv;
        for (const auto &a : args)
            argv.push_back(a.c_str());
        out.str({});
        err.str({});
        return runCli(int(argv.size()), argv.data(), out, err, env);
    }

    std::vector<std::string> filesIn(const fs::path &folder) const
    {
        std::vector<std::string> names;
        for (const auto &e : fs::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string frame(int n, const char *ext = ".BMP") const
    {
        char name[32];
        std::snprintf(name, sizeof name, "IMAGE%04d%s", n, ext);
        return (dir / "anim" / name).string();
    }

    TempDir dir;
    std::string panorama;
    std::ostringstream out, err;
};

// Top-left pixel of a bottom-up 24-bit BMP.
PixelBgr topLeftOfBmp(const std::string &path, int width, int height)
{
    const auto bytes = readFileBytes(path);
    const std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
    const std::size_t at = 54 + std::size_t(height - 1) * stride;
    return { bytes.at(at), bytes.at(at + 1), bytes.at(at + 2) };
}

TEST_F(CliRun, defaultsWriteBothPassesIntoTheAnimSubFolder)
{
    EXPECT_EQ(run({ panorama }), 0) << err.str();
    EXPECT_TRUE(
        std::regex_match(out.str(), std::regex("54 frames written, 0 skipped, 0 failed in [0-9]+\\.[0-9]{2} s\n")))
        << out.str();
    const auto files = filesIn(dir / "anim");
    ASSERT_EQ(files.size(), 54u);
    EXPECT_EQ(files.front(), "IMAGE0000.BMP");
    EXPECT_EQ(files.back(), "IMAGE0053.BMP");
    EXPECT_EQ(readFileBytes(frame(0)).size(), 54u + 10 * 40); // 13 x 10 frame
    // Outward frame k at x = k; return frame 27 + k at x = 26 - k.
    EXPECT_EQ(topLeftOfBmp(frame(5), 13, 10), testPanoramaPixel(5, 0));
    EXPECT_EQ(topLeftOfBmp(frame(27), 13, 10), testPanoramaPixel(26, 0));
    EXPECT_EQ(topLeftOfBmp(frame(53), 13, 10), testPanoramaPixel(0, 0));
    EXPECT_TRUE(err.str().empty()) << err.str();
}

TEST_F(CliRun, testModeRendersAndWritesNothing)
{
    EXPECT_EQ(run({ "--test", panorama }), 0);
    EXPECT_TRUE(std::regex_match(out.str(), std::regex("54 frames rendered in [0-9]+\\.[0-9]{2} s\n"))) << out.str();
    EXPECT_FALSE(fs::exists(dir / "anim"));
}

TEST_F(CliRun, numberingStepAndDirectionOptions)
{
    EXPECT_EQ(
        run({ "--one-way", "-s", "9", "--start", "7", "--plain-numbers", "--reverse", "-n", "x/shot.png", panorama }),
        0)
        << err.str();
    EXPECT_EQ(filesIn(dir / "anim"), (std::vector<std::string> { "shot7.BMP", "shot8.BMP", "shot9.BMP" }));
    // Right to left from D - 1 = 26: 26, 17, 8.
    EXPECT_EQ(topLeftOfBmp((dir / "anim/shot8.BMP").string(), 13, 10), testPanoramaPixel(17, 0));
}

TEST_F(CliRun, loop360GoesOnceRoundWhateverTheReturnPass)
{
    EXPECT_EQ(run({ "--loop360", "-s", "9", panorama }), 0) << err.str();
    // round(40 / 9) = 4 frames at 0, 10, 20, 30; the last one wraps past the edge.
    const auto files = filesIn(dir / "anim");
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(topLeftOfBmp(frame(3), 13, 10), testPanoramaPixel(30, 0));
    const auto bytes = readFileBytes(frame(3));
    const std::size_t lastPixelOfTopRow = 54 + 9 * 40 + 12 * 3; // bottom-up rows of 40 bytes
    EXPECT_EQ(
        (PixelBgr { bytes.at(lastPixelOfTopRow), bytes.at(lastPixelOfTopRow + 1), bytes.at(lastPixelOfTopRow + 2) }),
        testPanoramaPixel(2, 0));
}

TEST_F(CliRun, verticalRunWithExplicitSizeIntoAnotherFolder)
{
    const fs::path target = dir / "out" / "deep";
    EXPECT_EQ(
        run({ "--vertical", "-W", "$A", "-H", "6", "--one-way", "-o", target.string(), "--no-subdir", panorama }), 0)
        << err.str();
    EXPECT_EQ(filesIn(target).size(), 4u); // D = 10 - 6
    EXPECT_EQ(readFileBytes(target / "IMAGE0000.BMP").size(), 54u + 6 * 32);
}

TEST_F(CliRun, jpegFrames)
{
    EXPECT_EQ(run({ "-f", "jpg", "--one-way", "-s", "10", "--quality", "50", panorama }), 0) << err.str();
    ASSERT_EQ(filesIn(dir / "anim").size(), 2u); // 27 div 10
    const auto bytes = readFileBytes(frame(0, ".JPG"));
    ASSERT_GT(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);
}

TEST_F(CliRun, existingFirstFileStopsBeforeWritingAnything)
{
    fs::create_directory(dir / "anim");
    writeFileBytes(frame(0), { 1, 2 });
    EXPECT_EQ(run({ panorama }), 1);
    EXPECT_NE(err.str().find("exists already"), std::string::npos) << err.str();
    EXPECT_EQ(filesIn(dir / "anim").size(), 1u);
    EXPECT_EQ(readFileBytes(frame(0)), (std::vector<std::uint8_t> { 1, 2 }));
}

TEST_F(CliRun, nextFreeStartsAfterTheExistingFiles)
{
    fs::create_directory(dir / "anim");
    for (int n : { 0, 1, 2, 5 })
        writeFileBytes(frame(n), { 1 });
    EXPECT_EQ(run({ "--next-free", "--one-way", "-s", "9", panorama }), 0) << err.str();
    // Starts at 3; 5 is met later and skipped without --overwrite.
    EXPECT_TRUE(std::regex_search(out.str(), std::regex("^2 frames written, 1 skipped, 0 failed"))) << out.str();
    EXPECT_EQ(readFileBytes(frame(2)), std::vector<std::uint8_t> { 1 });
    EXPECT_EQ(readFileBytes(frame(5)), std::vector<std::uint8_t> { 1 });
    EXPECT_TRUE(fs::exists(frame(3)));
    EXPECT_TRUE(fs::exists(frame(4)));
}

TEST_F(CliRun, laterExistingFilesAreSkippedWithoutOverwrite)
{
    fs::create_directory(dir / "anim");
    writeFileBytes(frame(1), { 1 });
    EXPECT_EQ(run({ "--one-way", "-s", "9", panorama }), 0) << err.str();
    EXPECT_TRUE(std::regex_search(out.str(), std::regex("^2 frames written, 1 skipped, 0 failed"))) << out.str();
    EXPECT_EQ(readFileBytes(frame(1)), std::vector<std::uint8_t> { 1 });
}

TEST_F(CliRun, overwriteReplacesExistingFiles)
{
    fs::create_directory(dir / "anim");
    writeFileBytes(frame(0), { 1 });
    writeFileBytes(frame(2), { 1 });
    EXPECT_EQ(run({ "--overwrite", "--one-way", "-s", "9", panorama }), 0) << err.str();
    EXPECT_TRUE(std::regex_search(out.str(), std::regex("^3 frames written, 0 skipped, 0 failed"))) << out.str();
    EXPECT_EQ(readFileBytes(frame(2)).size(), 54u + 10 * 40);
}

TEST_F(CliRun, failedFrameGivesExitStatus3AndTheRunGoesOn)
{
    fs::create_directories(dir / "anim" / "IMAGE0001.BMP"); // a folder where a frame should go
    EXPECT_EQ(run({ "--overwrite", "--one-way", "-s", "9", panorama }), 3);
    EXPECT_TRUE(std::regex_search(out.str(), std::regex("^2 frames written, 0 skipped, 1 failed"))) << out.str();
    EXPECT_NE(err.str().find("cannot write " + frame(1) + ": is a directory"), std::string::npos) << err.str();
    EXPECT_TRUE(fs::exists(frame(2)));
}

struct ExitCase {
    const char *label;
    std::vector<std::string> args; // "PANO" stands for the panorama
    int status;
    const char *message;
    bool folderMade = false; // the frame size is found unusable only after the folder check
};

class CliExitTable : public CliRun, public testing::WithParamInterface<ExitCase> { };

TEST_P(CliExitTable, reportsAndExits)
{
    std::vector<std::string> args = GetParam().args;
    for (auto &a : args) {
        if (a == "PANO")
            a = panorama;
        else if (a.rfind("DIR", 0) == 0)
            a = dir.str() + a.substr(3);
    }
    EXPECT_EQ(run(args), GetParam().status);
    std::string message = GetParam().message;
    if (const std::size_t at = message.find("DIR"); at != std::string::npos)
        message.replace(at, 3, dir.str());
    EXPECT_NE(err.str().find(message), std::string::npos) << err.str();
    EXPECT_EQ(fs::exists(dir / "anim"), GetParam().folderMade);
    if (GetParam().folderMade) {
        EXPECT_TRUE(filesIn(dir / "anim").empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Errors, CliExitTable,
    testing::Values(ExitCase { "zeroWidth", { "-W", "0", "PANO" }, 1, "Valeur de Largeur Incorrecte" },
        ExitCase { "negativeHeight", { "-H", "-5", "PANO" }, 1, "Valeur de Hauteur Incorrecte" },
        ExitCase { "badNumber", { "-s", "1.5px", "PANO" }, 1, "invalid number" },
        // A frame too large to be made fails the output, as it does for AVI.
        ExitCase { "hugeFrame", { "-W", "100000", "-H", "100000", "PANO" }, 3, "Impossible de créer une image", true },
        ExitCase { "hugeJpegFrame", { "-f", "jpg", "-W", "100000", "-H", "100000", "PANO" }, 3,
            "Impossible de créer une image", true },
        ExitCase { "hugePngFrame", { "-f", "png", "-W", "100000", "-H", "100000", "PANO" }, 3,
            "Impossible de créer une image", true },
        ExitCase {
            "hugeTestFrame", { "--test", "-W", "100000", "-H", "100000", "PANO" }, 1, "Impossible de créer une image" },
        ExitCase { "missingPicture", { "DIR/none.bmp" }, 2, "cannot read the picture DIR/none.bmp: not found" },
        ExitCase {
            "notAPicture", { "DIR/pano.bmp/x.bmp" }, 2, "cannot read the picture DIR/pano.bmp/x.bmp: not found" },
        ExitCase { "folderUnderAFile", { "-o", "DIR/pano.bmp/out", "PANO" }, 1, "Impossible de créer Le Dossier" }),
    [](const testing::TestParamInfo<ExitCase> &info) { return std::string(info.param.label); });

TEST_F(CliRun, helpGoesToStandardOutput)
{
    EXPECT_EQ(run({ "--help" }), 0);
    EXPECT_NE(out.str().find("Usage: travelia-cli"), std::string::npos);
}

TEST_F(CliRun, garbageFileIsUnreadable)
{
    writeFileBytes(dir / "junk.bmp", { 'B', 'M', 0, 1, 2 });
    EXPECT_EQ(run({ (dir / "junk.bmp").string() }), 2);
}

// An interrupted load ends at once with status 130, writing nothing.
TEST_F(CliRun, interruptedLoadExits130)
{
    volatile std::sig_atomic_t interrupted = 1;
    CliEnvironment env;
    env.interrupted = &interrupted;
    EXPECT_EQ(run({ panorama }, env), 130);
    EXPECT_EQ(err.str(), "travelia-cli: interrupted\n");
    EXPECT_FALSE(fs::exists(dir / "anim"));
}

// Ctrl-C during a run: the current frame ends, the summary is printed and the
// status is 130 (before, 0).
TEST_F(CliRun, interruptedRunExits130)
{
    const fs::path big = dir / "big.bmp";
    ASSERT_TRUE(WriteBmpFile(makeTestPanorama(6000, 600), big.string()));
    // Loading or running after half a second: either must end with 130.
    const std::string command = "timeout --preserve-status -s INT 0.5 " TRAVELIA_CLI_PATH " --test -q -W 2000 "
        + big.string() + " 2>" + (dir / "err.txt").string();
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 130);
    const auto text = readFileBytes(dir / "err.txt");
    EXPECT_NE(std::string(text.begin(), text.end()).find("travelia-cli: interrupted"), std::string::npos);
}

// A full disk stops the run at its first failed frame: no later one could be
// written (before, every remaining frame was still encoded).
TEST_F(CliRun, fullDiskStopsTheRun)
{
    const fs::path small = dir / "small";
    fs::create_directory(small);
    const fs::path wide = dir / "wide.bmp";
    ASSERT_TRUE(WriteBmpFile(makeTestPanorama(400, 100), wide.string())); // frames of 40 kB
    const int status = runWithSmallDisk(small, 64, [&] {
        // One thread: the stop comes right after the first failed frame (with
        // workers, the frames already handed out fail too and are counted).
        const int code = run({ "--threads", "1", "-o", small.string(), "--no-subdir", wide.string() });
        const std::string e = err.str();
        const bool told = std::regex_search(out.str(), std::regex("^1 frames written, 0 skipped, 1 failed"))
            && e.find("IMAGE0001.BMP: no space left on device\n") != std::string::npos
            && e.find("travelia-cli: stopped: no space left on device\n") != std::string::npos;
        if (!told)
            std::cerr << out.str() << e;
        return told ? code : 99;
    });
    if (status < 0)
        GTEST_SKIP() << "no small file system can be mounted here";
    EXPECT_EQ(status, 3) << "99: not told as expected (printed above)";
}

// What the libraries print on their own (libjpeg, FFmpeg) goes through our
// log: shown with --verbose only, never straight to stderr; so does the
// decoder that read the picture.
TEST_F(CliRun, verboseShowsTheLibrariesWarnings)
{
    auto jpeg = TJPEGImage().compress(makeTestPanorama(40, 10));
    jpeg.insert(jpeg.begin() + 20, { 0, 0, 0 }); // after the JFIF segment: harmless extra bytes
    writeFileBytes(dir / "p.jpg", jpeg);
    writeFileBytes(dir / "g.psd", std::vector<std::uint8_t>(300, 'g'));
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(QString::fromStdString(dir.str() + "/p.png")));
    const std::string pngRead = "picture: " + dir.str() + "/p.png: 200 × 100, read by libspng\n";
    for (const auto &[name, status, line] :
        { std::tuple { "p.jpg", 0, "libjpeg: Corrupt JPEG data: 3 extraneous bytes before marker 0xdb\n" },
            std::tuple { "g.psd", 2, "psd: Wrong signature" }, std::tuple { "p.png", 0, pngRead.c_str() } }) {
        const std::string path = (dir / name).string();
        testing::internal::CaptureStderr();
        EXPECT_EQ(run({ "--test", path }), status);
        EXPECT_EQ(err.str().find(std::string("travelia-cli: ") + line), std::string::npos) << err.str();
        EXPECT_EQ(run({ "--test", "--verbose", path }), status);
        EXPECT_EQ(err.str().rfind(std::string("travelia-cli: ") + line, 0), 0u) << err.str();
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    }
}

// Under a small address-space limit (as `prlimit --as`), a picture whose
// rows do not fit is refused with the memory it needs: exit status 2.
TEST_F(CliRun, pictureBeyondTheMemoryLimitIsRefusedWithTheAmounts)
{
    QImage image(4000, 3000, QImage::Format_RGB888); // 36 MB of rows
    image.fill(Qt::black);
    const std::string path = dir.str() + "/big.png";
    ASSERT_TRUE(image.save(QString::fromStdString(path)));
    image = QImage();
    const int outcome = runWithAddressSpaceHeadroom(std::uint64_t(16) << 20, [&] {
        const int status = run({ "--test", path });
        const std::string expected = "travelia-cli: cannot read the picture " + path + ": needs ";
        return status == 2 && err.str().rfind(expected, 0) == 0
                && err.str().find(" MB available\n") != std::string::npos
            ? 0
            : 1 + status;
    });
    EXPECT_EQ(outcome, 0);
    EXPECT_EQ(run({ "--test", path }), 0); // with the machine's memory it opens
}

struct AviCliCase {
    const char *name;
    std::vector<std::string> options; // before the panorama
    bool existing; // an ANIM0000.AVI is there before the run
    int status;
    const char *out; // what standard output starts with
    int packets; // frames in the file afterwards; -1: the old file stays; -2: no file
};

class CliAvi : public CliRun, public testing::WithParamInterface<AviCliCase> { };

// -f avi writes one file named as the window program names it, replaces an
// existing one only with --overwrite, and refuses an unknown compressor with
// the list of the known ones.
TEST_P(CliAvi, writesOneFileOrRefuses)
{
    const AviCliCase &c = GetParam();
    const fs::path avi = dir / "anim" / "ANIM0000.AVI";
    if (c.existing) {
        fs::create_directory(dir / "anim");
        writeFileBytes(avi, { 'o', 'l', 'd' });
    }
    std::vector<std::string> args = c.options;
    args.push_back(panorama);
    EXPECT_EQ(run(args), c.status) << err.str();
    EXPECT_EQ(out.str().rfind(c.out, 0), 0u) << out.str();
    if (c.packets == -2) {
        EXPECT_FALSE(fs::exists(avi));
        EXPECT_NE(err.str().find(", FFV1"), std::string::npos) << "the known compressors are listed: " << err.str();
        EXPECT_EQ(err.str().find(" ,"), std::string::npos) << "codes listed without trailing blanks: " << err.str();
    } else if (c.packets < 0) {
        EXPECT_EQ(readFileBytes(avi), std::vector<std::uint8_t>({ 'o', 'l', 'd' }));
    } else {
        EXPECT_EQ(probeVideo(avi).packets, c.packets);
        EXPECT_EQ(decodeVideo(avi).errors, "");
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, CliAvi,
    testing::Values(AviCliCase { "uncompressed", { "-f", "AVI" }, false, 0, "54 frames written to ", 54 },
        AviCliCase { "lossless", { "-f", "avi", "--codec", "ffv1", "--one-way" }, false, 0, "27 frames written", 27 },
        AviCliCase { "existingKept", { "-f", "avi" }, true, 1, "", -1 },
        AviCliCase { "existingReplaced", { "-f", "avi", "--overwrite", "--rate", "25" }, true, 0, "54 frames", 54 },
        AviCliCase { "unknownCodec", { "-f", "avi", "--codec", "ZZZZ" }, false, 1, "", -2 },
        AviCliCase { "codeWithoutItsBlank", { "-f", "avi", "--codec", "dpx", "--one-way" }, false, 0, "27 frames", 27 },
        AviCliCase { "rate1001", { "-f", "avi", "--rate", "1001", "--one-way" }, false, 0, "27 frames", 27 },
        AviCliCase { "rateZero", { "-f", "avi", "--rate", "0" }, true, 1, "", -1 }),
    [](const auto &info) { return std::string(info.param.name); });

// --codec opens the chosen compressor only: under an address-space limit at
// which some encoders of this machine crash when merely tried, MJPEG works.
TEST_F(CliRun, aviCodecOpensOnlyTheChosenCompressor)
{
    const int outcome = runWithAddressSpaceHeadroom(std::uint64_t(250) << 20, [&] {
        return run({ "-f", "avi", "--codec", "MJPG", "--one-way", panorama }) == 0 ? 0 : 1;
    });
    EXPECT_EQ(outcome, 0);
    EXPECT_EQ(probeVideo(dir / "anim" / "ANIM0000.AVI").packets, 27);
}

TEST_F(CliRun, listCodecsPrintsTheCatalogueAsTheWindowShowsIt)
{
    EXPECT_EQ(run({ "--list-codecs" }), 0);
    const std::string text = out.str();
    EXPECT_EQ(text.rfind("Sans Compression\n", 0), 0u);
    EXPECT_TRUE(std::regex_search(text, std::regex("\nvidc\\.FFV1   [^\n]+\n"))) << text;
}

} // namespace

// A read-only file system ends a frame series as a full disk does: the frames
// under way are finished, and what is on disk is what is reported.
TEST_F(CliRun, readOnlyFileSystemStopsTheSeries)
{
    AtomicFile::setFaultForTesting(
        [](const std::string &target) { return fs::path(target).filename().string() >= "IMAGE0004.PNG" ? EROFS : 0; });
    const int status = run({ "-f", "png", "--threads", "2", "--one-way", panorama });
    AtomicFile::setFaultForTesting({});
    EXPECT_EQ(status, 3);
    std::smatch counts;
    const std::string said = out.str();
    ASSERT_TRUE(std::regex_search(said, counts, std::regex("^(\\d+) frames written, 0 skipped, (\\d+) failed")))
        << said;
    EXPECT_EQ(std::stoi(counts[1]), 4);
    EXPECT_EQ(filesIn(dir / "anim").size(), 4u);
    EXPECT_LT(std::stoi(counts[2]), 27 - 4); // it stopped instead of trying every frame
    EXPECT_NE(err.str().find("stopped: read-only file system\n"), std::string::npos) << err.str();
}

// Names are shown with one "/" between folder and file, even when the base
// folder was given with its own trailing "/" and no sub-folder.
TEST_F(CliRun, namesShownHaveNoDoubledSlash)
{
    fs::create_directories(dir / "out" / "IMAGE0001.TIF");
    EXPECT_EQ(run({ "-f", "tif", "--overwrite", "--one-way", "-s", "9", "--no-subdir", "-o",
                  (dir / "out").string() + "/", panorama }),
        3);
    EXPECT_NE(err.str().find("cannot write " + (dir / "out" / "IMAGE0001.TIF").string() + ": is a directory"),
        std::string::npos)
        << err.str();
    EXPECT_EQ(err.str().find("//"), std::string::npos) << err.str();
}

namespace {

// A default frame of odd sides is made even for a 4:2:0 encoder, in one
// line; a frame H.264 players cannot take is refused with what would do,
// before anything is made; a pan that crosses a frame width too fast says
// so with the duration that would be smooth.
TEST_F(CliRun, videoFramesThatPlayWhereTheyArePosted)
{
    EXPECT_EQ(run({ "-f", "mp4", "--one-way", "-s", "9", panorama }), 0) << err.str();
    EXPECT_NE(
        err.str().find("frames of 12 x 10: the encoder needs even sides (the default was 13 x 10)"), std::string::npos)
        << err.str();
    EXPECT_EQ(probeVideo(dir / "anim" / "ANIM0000.MP4").width, 12);

    EXPECT_EQ(run({ "-f", "mp4", "-W", "4098", "-H", "2", "-o", (dir / "big").string(), panorama }), 1);
    EXPECT_NE(err.str().find("up to 4096 pixels a side, not 4098 x 2 (use --size"), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(dir / "big"));

    EXPECT_EQ(run({ "-f", "webm", "--size", "20x10", "--duration", "1", "--one-way", "-o", (dir / "cam").string(),
                  panorama }),
        0)
        << err.str();
    EXPECT_NE(err.str().find("a pass crosses one frame width in 1.0 s; at 30 frames per second"), std::string::npos)
        << err.str();
    EXPECT_NE(err.str().find("--duration "), std::string::npos) << err.str();
    EXPECT_EQ(probeVideo(dir / "cam" / "anim" / "ANIM0000.WEBM").packets, 30);
}

// Without --rate, a video file plays at its output's default rate, the
// window's too: 30 frames per second, and AVI keeps its 10.
TEST_F(CliRun, videoFilesPlayAtTheirOutputsDefaultRate)
{
    for (const auto &[format, file, rate] : { std::tuple("mkv", "ANIM0000.MKV", "30/1"),
             std::tuple("mp4", "ANIM0000.MP4", "30/1"), std::tuple("avi", "ANIM0000.AVI", "10/1") }) {
        ASSERT_EQ(run({ "-f", format, "--one-way", "-s", "9", "-W", "14", panorama }), 0) << err.str();
        EXPECT_EQ(probeVideo(dir / "anim" / file).frameRate, rate) << format;
    }
}

} // namespace
