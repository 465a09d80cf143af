#include "app/cli/CliRun.h"

#include "TestUtils.h"
#include "output/FrameFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
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
    EXPECT_NE(err.str().find("IMAGE0001.BMP"), std::string::npos);
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
    EXPECT_NE(err.str().find(GetParam().message), std::string::npos) << err.str();
    EXPECT_EQ(fs::exists(dir / "anim"), GetParam().folderMade);
    if (GetParam().folderMade) {
        EXPECT_TRUE(filesIn(dir / "anim").empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Errors, CliExitTable,
    testing::Values(ExitCase { "zeroWidth", { "-W", "0", "PANO" }, 1, "Valeur de Largeur Incorrecte" },
        ExitCase { "negativeHeight", { "-H", "-5", "PANO" }, 1, "Valeur de Hauteur Incorrecte" },
        ExitCase { "badNumber", { "-s", "1.5", "PANO" }, 1, "invalid number" },
        ExitCase { "hugeFrame", { "-W", "100000", "-H", "100000", "PANO" }, 1, "Impossible de créer une image", true },
        ExitCase { "missingPicture", { "DIR/none.bmp" }, 2, "cannot read the picture" },
        ExitCase { "notAPicture", { "DIR/pano.bmp/x.bmp" }, 2, "cannot read the picture" },
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

} // namespace
