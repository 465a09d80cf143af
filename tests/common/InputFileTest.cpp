#include "common/InputFile.h"

#include "TestUtils.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct SpecialCase {
    const char *name;
    void (*make)(const fs::path &path);
    FileError error;
};

class InputFileSpecial : public ::testing::TestWithParam<SpecialCase> { };

// Only regular files are read: devices, pipes and folders are refused at
// once; a pipe without a writer does not block the open.
TEST_P(InputFileSpecial, IsRefusedAtOnce)
{
    TempDir dir;
    const fs::path path = dir / "picture.bmp";
    GetParam().make(path);
    InputFile file(path.string());
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(file.error(), GetParam().error);
    const FileBytes bytes(path.string());
    EXPECT_EQ(bytes.error(), GetParam().error);
    EXPECT_EQ(bytes.data(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Kinds, InputFileSpecial,
    ::testing::Values(SpecialCase { "Missing", [](const fs::path &) {}, FileError::NotFound },
        SpecialCase { "Folder", [](const fs::path &p) { fs::create_directory(p); }, FileError::NotRegularFile },
        SpecialCase {
            "EndlessDevice", [](const fs::path &p) { fs::create_symlink("/dev/zero", p); }, FileError::NotRegularFile },
        SpecialCase { "PipeWithoutWriter", [](const fs::path &p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
            FileError::NotRegularFile },
        SpecialCase {
            "DanglingLink", [](const fs::path &p) { fs::create_symlink("nowhere", p); }, FileError::NotFound }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(FileBytes, ReadsTheWholeFileFollowedByZeroPadding)
{
    TempDir dir;
    writeFileBytes(dir / "a.bin", { 1, 2, 3 });
    const FileBytes bytes((dir / "a.bin").string());
    ASSERT_TRUE(bytes.isOpen());
    ASSERT_EQ(bytes.size(), 3u);
    EXPECT_EQ(bytes.data()[2], 3);
    for (std::size_t i = 0; i < FileBytes::kPadding; ++i)
        ASSERT_EQ(bytes.data()[3 + i], 0);
    EXPECT_EQ(bytes.identity(), IdentityOf((dir / "a.bin").string()));
}

// The size is checked before anything is read or allocated.
TEST(FileBytes, SizeIsBoundedBeforeReading)
{
    TempDir dir;
    writeFileBytes(dir / "a.bin", std::vector<std::uint8_t>(100, 7));
    const FileBytes bytes((dir / "a.bin").string(), 99);
    EXPECT_EQ(bytes.error(), FileError::TooLarge);
    EXPECT_EQ(FileErrorText(bytes.error(), 0), "file too large");
}

// A file cut by another program while it is read fails cleanly (before, the
// memory map of it killed the process with SIGBUS).
TEST(InputFile, FileCutWhileItIsReadFailsCleanly)
{
    TempDir dir;
    const fs::path path = dir / "a.bmp";
    writeFileBytes(path, std::vector<std::uint8_t>(1 << 16, 9));
    InputFile file(path.string());
    ASSERT_TRUE(file.isOpen());
    ASSERT_EQ(::truncate(path.c_str(), 100), 0);
    std::vector<std::uint8_t> buffer(file.size());
    EXPECT_FALSE(file.readAt(0, buffer.data(), buffer.size()));
    EXPECT_EQ(file.error(), FileError::Changed);
}

TEST(FileBytes, ACancelledReadStops)
{
    TempDir dir;
    writeFileBytes(dir / "a.bin", { 1, 2, 3 });
    InputFile file((dir / "a.bin").string());
    const FileBytes bytes(file, FileBytes::kMaxBytes, [] { return true; });
    EXPECT_EQ(bytes.error(), FileError::Interrupted);
}

TEST(IdentityOf, LinksLeadToTheSameFile)
{
    TempDir dir;
    writeFileBytes(dir / "a.bin", { 1 });
    writeFileBytes(dir / "b.bin", { 1 });
    fs::create_symlink(dir / "a.bin", dir / "soft.bin");
    fs::create_hard_link(dir / "a.bin", dir / "hard.bin");
    EXPECT_EQ(IdentityOf((dir / "soft.bin").string()), IdentityOf((dir / "a.bin").string()));
    EXPECT_EQ(IdentityOf((dir / "hard.bin").string()), IdentityOf((dir / "a.bin").string()));
    EXPECT_NE(IdentityOf((dir / "b.bin").string()), IdentityOf((dir / "a.bin").string()));
    EXPECT_EQ(IdentityOf((dir / "none").string()), std::nullopt);
}

} // namespace
