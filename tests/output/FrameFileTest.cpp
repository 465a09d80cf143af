#include "output/FrameFile.h"

#include "ScriptedServices.h"
#include "TestUtils.h"
#include "common/AtomicFile.h"
#include "jpeg/JpegOptions.h"
#include "platform/ModalQuestions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

std::uint32_t le32(const std::vector<std::uint8_t> &b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}

std::uint16_t le16(const std::vector<std::uint8_t> &b, std::size_t at)
{
    return std::uint16_t(b[at] | (b[at + 1] << 8));
}

std::size_t filesIn(const std::filesystem::path &dir)
{
    std::size_t n = 0;
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(dir))
        ++n;
    return n;
}

class BmpLayout : public testing::TestWithParam<int> { };

TEST_P(BmpLayout, isBottomUp24BitWithZeroPaddedRows)
{
    const int width = GetParam(), height = 3;
    const Bitmap24 pano = makeTestPanorama(width, height);
    TempDir dir;
    const auto path = dir / "frame.bmp";
    ASSERT_TRUE(WriteBmpFile(pano, path.string()));
    const auto bytes = readFileBytes(path);

    const std::size_t rowBytes = (std::size_t(width) * 3 + 3) / 4 * 4;
    const std::size_t fileSize = 54 + height * rowBytes;
    ASSERT_EQ(bytes.size(), fileSize);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(le32(bytes, 2), fileSize);
    EXPECT_EQ(le32(bytes, 6), 0u); // reserved
    EXPECT_EQ(le32(bytes, 10), 54u); // pixel data offset
    EXPECT_EQ(le32(bytes, 14), 40u); // information header size
    EXPECT_EQ(le32(bytes, 18), std::uint32_t(width));
    EXPECT_EQ(le32(bytes, 22), std::uint32_t(height)); // positive: bottom-up
    EXPECT_EQ(le16(bytes, 26), 1);
    EXPECT_EQ(le16(bytes, 28), 24);
    EXPECT_EQ(le32(bytes, 30), 0u); // BI_RGB
    EXPECT_EQ(le32(bytes, 34), height * rowBytes);
    EXPECT_EQ(le32(bytes, 46), 0u); // colours used
    EXPECT_EQ(le32(bytes, 50), 0u);

    for (int fileRow = 0; fileRow < height; ++fileRow) {
        const int y = height - 1 - fileRow;
        const std::size_t at = 54 + fileRow * rowBytes;
        for (int x = 0; x < width; ++x) {
            const PixelBgr p = testPanoramaPixel(x, y);
            EXPECT_EQ(bytes[at + 3 * x], p.b) << x << "," << y;
            EXPECT_EQ(bytes[at + 3 * x + 1], p.g) << x << "," << y;
            EXPECT_EQ(bytes[at + 3 * x + 2], p.r) << x << "," << y;
        }
        for (std::size_t i = std::size_t(width) * 3; i < rowBytes; ++i)
            EXPECT_EQ(bytes[at + i], 0) << "padding of row " << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, BmpLayout, testing::Values(1, 2, 3, 4, 5, 300),
    [](const auto &info) { return "width" + std::to_string(info.param); });

TEST(WriteBmpFile, widthOneHasFourByteRows)
{
    TempDir dir;
    ASSERT_TRUE(WriteBmpFile(makeTestPanorama(1, 2), (dir / "a.bmp").string()));
    EXPECT_EQ(readFileBytes(dir / "a.bmp").size(), 54u + 2 * 4);
}

TEST(WriteBmpFile, newFileGetsPermissionsFromTheUmask)
{
    TempDir dir;
    const mode_t old = ::umask(022);
    const bool ok = WriteBmpFile(makeTestPanorama(2, 2), (dir / "a.bmp").string());
    ::umask(old);
    ASSERT_TRUE(ok);
    struct stat st { };
    ASSERT_EQ(::stat((dir / "a.bmp").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(WriteBmpFile, replacesAnOldFileWhole)
{
    TempDir dir;
    const auto path = dir / "a.bmp";
    writeFileBytes(path, std::vector<std::uint8_t>(10000, 0xAB));
    ASSERT_TRUE(WriteBmpFile(makeTestPanorama(2, 2), path.string()));
    EXPECT_EQ(readFileBytes(path).size(), 54u + 2 * 8);
    EXPECT_EQ(filesIn(dir.path()), 1u);
}

TEST(WriteBmpFile, failureLeavesNothingBehind)
{
    TempDir dir;
    // A target name that is a folder: the temporary file is written, the
    // rename fails and must be cleaned up.
    std::filesystem::create_directory(dir / "taken.bmp");
    EXPECT_FALSE(WriteBmpFile(makeTestPanorama(4, 4), (dir / "taken.bmp").string()));
    EXPECT_EQ(filesIn(dir.path()), 1u);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken.bmp"));
    // A folder that does not exist.
    EXPECT_FALSE(WriteBmpFile(makeTestPanorama(4, 4), (dir / "missing/a.bmp").string()));
    EXPECT_EQ(filesIn(dir.path()), 1u);
}

TEST(WriteBmpFile, writeErrorKeepsTheOldFile)
{
    // A file-size limit makes the writes fail half-way, as a full disk would,
    // also for root.
    TempDir dir;
    const auto path = dir / "old.bmp";
    writeFileBytes(path, { 1, 2, 3 });
    struct rlimit saved { };
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = WriteBmpFile(makeTestPanorama(40, 40), path.string());
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(ok);
    EXPECT_EQ(readFileBytes(path), (std::vector<std::uint8_t> { 1, 2, 3 }));
    EXPECT_EQ(filesIn(dir.path()), 1u) << "temporary file left behind";
}

struct JpegNameCase {
    const char *name;
    bool jpeg;
};

class JpegNameTable : public testing::TestWithParam<JpegNameCase> { };

TEST_P(JpegNameTable, extensionDecidesTheFormat)
{
    EXPECT_EQ(IsJpegFileName(GetParam().name), GetParam().jpeg) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Names, JpegNameTable,
    testing::Values(JpegNameCase { "/a/b.jpg", true }, JpegNameCase { "/a/b.Jpg", true },
        JpegNameCase { "/a/b.JPG", true }, JpegNameCase { "/a/b.jpeg", true }, JpegNameCase { "/a/b.JPEG", true },
        JpegNameCase { "/a/b.x.jpg", true }, JpegNameCase { "/a/b.jpe", false }, JpegNameCase { "/a/b.jfif", false },
        JpegNameCase { "/a/b.png", false }, JpegNameCase { "/a/b.gif", false }, JpegNameCase { "/a/b", false },
        JpegNameCase { "/a.jpg/b", false }, JpegNameCase { "/a/b.jpg.bmp", false }, JpegNameCase { ".jpg", true },
        JpegNameCase { "/a/b.jpgx", false }),
    [](const auto &info) { return testNameFrom(info.param.name); });

bool isJpegData(const std::vector<std::uint8_t> &bytes)
{
    return bytes.size() > 4 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[bytes.size() - 2] == 0xFF
        && bytes[bytes.size() - 1] == 0xD9;
}

bool hasMarker(const std::vector<std::uint8_t> &bytes, std::uint8_t marker)
{
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == marker)
            return true;
    return false;
}

bool isBmpData(const std::vector<std::uint8_t> &bytes)
{
    return bytes.size() >= 54 && bytes[0] == 'B' && bytes[1] == 'M';
}

struct FormatNameCase {
    const char *name;
    FrameFileKind kind;
};

class SaveFormatTable : public testing::TestWithParam<FormatNameCase> { };

TEST_P(SaveFormatTable, writesTheFormatTheNameAsksFor)
{
    TempDir dir;
    ScriptedServices services;
    bool confirm = true, stop = false;
    const auto path = dir / GetParam().name;
    ASSERT_EQ(SaveFrameFile(makeTestPanorama(16, 8), path.string(), confirm, services, stop, TJpegOptions {}),
        SaveOutcome::Written);
    const auto bytes = readFileBytes(path);
    const auto startsWith = [&bytes](std::vector<std::uint8_t> magic) {
        return bytes.size() > magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
    };
    switch (GetParam().kind) {
    case FrameFileKind::Jpeg:
        EXPECT_TRUE(isJpegData(bytes));
        EXPECT_TRUE(hasMarker(bytes, 0xC0)) << "baseline frame header";
        break;
    case FrameFileKind::Png:
        EXPECT_TRUE(startsWith({ 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' }));
        break;
    case FrameFileKind::Tiff:
        EXPECT_TRUE(startsWith({ 'I', 'I', 42, 0 }) || startsWith({ 'M', 'M', 0, 42 }));
        break;
    case FrameFileKind::Bmp:
        EXPECT_TRUE(isBmpData(bytes));
        EXPECT_EQ(bytes.size(), 54u + 8 * 48);
        break;
    }
    EXPECT_EQ(FrameFileKindOf(path.string()), GetParam().kind);
    EXPECT_FALSE(stop);
    EXPECT_TRUE(confirm);
}

// A .png or .tif name gets a real PNG or TIFF (it used to get BMP data).
INSTANTIATE_TEST_SUITE_P(Names, SaveFormatTable,
    testing::Values(FormatNameCase { "f.jpg", FrameFileKind::Jpeg }, FormatNameCase { "f.Jpg", FrameFileKind::Jpeg },
        FormatNameCase { "f.JPG", FrameFileKind::Jpeg }, FormatNameCase { "f.jpeg", FrameFileKind::Jpeg },
        FormatNameCase { "f.jpe", FrameFileKind::Bmp }, FormatNameCase { "f.jfif", FrameFileKind::Bmp },
        FormatNameCase { "f.png", FrameFileKind::Png }, FormatNameCase { "f.PNG", FrameFileKind::Png },
        FormatNameCase { "f.tif", FrameFileKind::Tiff }, FormatNameCase { "f.TIFF", FrameFileKind::Tiff },
        FormatNameCase { "f.png.bmp", FrameFileKind::Bmp }, FormatNameCase { "f", FrameFileKind::Bmp },
        FormatNameCase { "f.BMP", FrameFileKind::Bmp }),
    [](const auto &info) { return testNameFrom(info.param.name); });

TEST(WriteJpegFile, followsTheGivenOptions)
{
    TempDir dir;
    TJpegOptions grey;
    grey.Grayscale = true;
    ASSERT_TRUE(WriteJpegFile(makeTestPanorama(16, 8), (dir / "g.jpg").string(), grey));
    const auto bytes = readFileBytes(dir / "g.jpg");
    ASSERT_TRUE(isJpegData(bytes));
    // SOF0: FF C0, length (2), precision (1), height (2), width (2), components (1).
    for (std::size_t i = 0; i + 9 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            EXPECT_EQ((bytes[i + 5] << 8) | bytes[i + 6], 8);
            EXPECT_EQ((bytes[i + 7] << 8) | bytes[i + 8], 16);
            EXPECT_EQ(bytes[i + 9], 1) << "one component";
            return;
        }
    FAIL() << "no SOF0 marker";
}

TEST(SaveFrameFile, jpegUsesTheSettingsInForceAtEachFile)
{
    TempDir dir;
    ScriptedServices services;
    bool confirm = true, stop = false;
    TJpegOptions settings;
    settings.ProgressiveEncoding = true;
    const auto outcome
        = SaveFrameFile(makeTestPanorama(16, 8), (dir / "p.jpg").string(), confirm, services, stop, settings);
    ASSERT_EQ(outcome, SaveOutcome::Written);
    const auto bytes = readFileBytes(dir / "p.jpg");
    EXPECT_TRUE(hasMarker(bytes, 0xC2)) << "progressive frame header";
    EXPECT_FALSE(hasMarker(bytes, 0xC0));
}

struct OverwriteCase {
    const char *label;
    int answer;
    SaveOutcome outcome;
    bool replaced;
    bool confirmAfter;
    bool stopAfter;
};

class OverwriteTable : public testing::TestWithParam<OverwriteCase> { };

TEST_P(OverwriteTable, existingFileMeetsTheDialog)
{
    const OverwriteCase &c = GetParam();
    TempDir dir;
    const auto path = dir / "IMAGE0000.BMP";
    const std::vector<std::uint8_t> old { 9, 9, 9 };
    writeFileBytes(path, old);
    ScriptedServices services;
    services.answerOverwrite(c.answer);
    bool confirm = true, stop = false;
    EXPECT_EQ(
        SaveFrameFile(makeTestPanorama(4, 4), path.string(), confirm, services, stop, TJpegOptions {}), c.outcome);
    ASSERT_EQ(services.asked().size(), 1u);
    EXPECT_EQ(services.asked()[0].text, path.string());
    EXPECT_EQ(services.asked()[0].caption, "Ecraser le Fichier ?");
    EXPECT_EQ(readFileBytes(path) != old, c.replaced);
    EXPECT_EQ(confirm, c.confirmAfter);
    EXPECT_EQ(stop, c.stopAfter);
    EXPECT_EQ(filesIn(dir.path()), 1u);
}

INSTANTIATE_TEST_SUITE_P(Answers, OverwriteTable,
    testing::Values(OverwriteCase { "yes", 6, SaveOutcome::Written, true, true, false },
        OverwriteCase { "yesToAll", 10, SaveOutcome::Written, true, false, false },
        OverwriteCase { "no", 7, SaveOutcome::Skipped, false, true, false },
        OverwriteCase { "stop", 9, SaveOutcome::Skipped, false, true, true },
        OverwriteCase { "closed", 2, SaveOutcome::Abandoned, false, true, true },
        OverwriteCase { "unknown", 42, SaveOutcome::Abandoned, false, true, true }),
    [](const testing::TestParamInfo<OverwriteCase> &info) { return std::string(info.param.label); });

TEST(SaveFrameFile, yesToAllCoversTheFollowingFiles)
{
    TempDir dir;
    for (const char *n : { "a.BMP", "b.BMP", "c.BMP" })
        writeFileBytes(dir / n, { 1 });
    ScriptedServices services;
    services.answerOverwrite(WindowServices::OverwriteYesToAll);
    bool confirm = true, stop = false;
    for (const char *n : { "a.BMP", "b.BMP", "c.BMP" }) {
        EXPECT_EQ(SaveFrameFile(makeTestPanorama(4, 4), (dir / n).string(), confirm, services, stop, TJpegOptions {}),
            SaveOutcome::Written);
        EXPECT_EQ(readFileBytes(dir / n).size(), 54u + 4 * 12);
    }
    EXPECT_EQ(services.asked().size(), 1u);
}

TEST(SaveFrameFile, noQuestionForANewFileOrWithoutConfirmation)
{
    TempDir dir;
    ScriptedServices services; // any question fails the test
    bool confirm = true, stop = false;
    EXPECT_EQ(
        SaveFrameFile(makeTestPanorama(4, 4), (dir / "new.BMP").string(), confirm, services, stop, TJpegOptions {}),
        SaveOutcome::Written);
    confirm = false;
    EXPECT_EQ(
        SaveFrameFile(makeTestPanorama(4, 4), (dir / "new.BMP").string(), confirm, services, stop, TJpegOptions {}),
        SaveOutcome::Written);
}

TEST(SaveFrameFile, failedWriteIsQuietAndKeepsTheOldFile)
{
    TempDir dir;
    ScriptedServices services;
    bool confirm = true, stop = false;
    EXPECT_EQ(SaveFrameFile(makeTestPanorama(4, 4), (dir / "none/IMAGE0000.BMP").string(), confirm, services, stop,
                  TJpegOptions {}),
        SaveOutcome::Failed);
    std::filesystem::create_directory(dir / "dir.JPG");
    services.answerOverwrite(WindowServices::OverwriteYes);
    EXPECT_EQ(
        SaveFrameFile(makeTestPanorama(4, 4), (dir / "dir.JPG").string(), confirm, services, stop, TJpegOptions {}),
        SaveOutcome::Failed);
    EXPECT_FALSE(stop);
    EXPECT_EQ(filesIn(dir.path()), 1u);
}

const OverwriteQuestion answerNo
    = [](const std::string &, const std::string &) { return int(ModalQuestions::OverwriteNo); };

SaveOutcome save(const std::filesystem::path &path, SaveDetail *detail = nullptr, int width = 4)
{
    bool confirm = true, stop = false;
    return SaveFrameFile(
        makeTestPanorama(width, 2), path.string(), confirm, answerNo, stop, TJpegOptions {}, nullptr, detail);
}

// The temporary name does not grow with the frame's: names of up to 255
// bytes are written (before, anything above 244 failed).
TEST(SaveFrameFile, longestLegalNamesAreWritten)
{
    TempDir dir;
    const std::string name = std::string(255 - 4, 'n') + ".BMP";
    EXPECT_EQ(save(dir / name), SaveOutcome::Written);
    SaveDetail detail;
    EXPECT_EQ(save(dir / ("x" + name), &detail), SaveOutcome::Failed);
    EXPECT_EQ(detail.text(), "file name too long");
    EXPECT_EQ(filesIn(dir.path()), 1u);
}

// A dangling link is a name that exists: without consent it is not replaced.
TEST(SaveFrameFile, danglingLinkIsAnExistingName)
{
    TempDir dir;
    std::filesystem::create_symlink(dir / "nowhere", dir / "IMAGE0000.BMP");
    EXPECT_EQ(save(dir / "IMAGE0000.BMP"), SaveOutcome::Skipped);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "IMAGE0000.BMP"));
    EXPECT_FALSE(std::filesystem::exists(dir / "nowhere"));
}

// Without consent the file is put in place by an operation that fails when
// the name exists: a name that appears meanwhile (another run writing into
// the same folder) is kept, nothing is left.
TEST(AtomicFile, noReplacePublishKeepsANameThatAppearedMeanwhile)
{
    TempDir dir;
    AtomicFile file((dir / "IMAGE0000.BMP").string());
    ASSERT_TRUE(file.write("new", 3));
    writeFileBytes(dir / "IMAGE0000.BMP", { 1 });
    EXPECT_FALSE(file.commit(AtomicFile::Publish::NoReplace));
    EXPECT_EQ(file.error(), EEXIST);
    EXPECT_EQ(readFileBytes(dir / "IMAGE0000.BMP"), std::vector<std::uint8_t> { 1 });
    EXPECT_EQ(filesIn(dir.path()), 1u) << "temporary file left behind";
}

// A frame too wide for JPEG says why.
TEST(SaveFrameFile, jpegTooWideTellsWhy)
{
    TempDir dir;
    SaveDetail detail;
    EXPECT_EQ(save(dir / "wide.JPG", &detail, 65501), SaveOutcome::Failed);
    EXPECT_EQ(detail.reason, SaveReason::JpegTooLarge);
    EXPECT_EQ(detail.text(), "JPEG is limited to 65,500 pixels a side");
}

} // namespace
