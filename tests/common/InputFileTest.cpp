#include "common/InputFile.h"

#include "TestUtils.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

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

} // namespace
