#include "video/MuxerFile.h"

#include "TestUtils.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <vector>

namespace {

// Space is held ahead of the data by fallocate, or by zeros where the file
// system has none; either way the published file is exactly what was
// written, and a reservation past the file-size limit is refused without
// spoiling the file.
TEST(MuxerFile, reservesAheadAndPublishesExactlyWhatWasWritten)
{
    for (const bool allocate : { true, false }) {
        SCOPED_TRACE(allocate ? "fallocate" : "zeros");
        TempDir dir;
        const std::string target = (dir / "ANIM0000.AVI").string();
        MuxerFile file(target, allocate);
        ASSERT_TRUE(file.isOpen());
        ASSERT_TRUE(file.reserve(3 << 20));
        const std::vector<std::uint8_t> data(100000, 7);
        ASSERT_TRUE(file.writeAt(0, data.data(), data.size()));
        ASSERT_TRUE(file.writeAt(10, "RIFF", 4)); // a header fixed afterwards
        EXPECT_EQ(file.end(), 100000);

        struct rlimit saved { };
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit small {
            1 << 20, saved.rlim_max
        };
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        EXPECT_FALSE(file.reserve(2 << 20));
        EXPECT_EQ(file.error(), EFBIG);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_DFL);

        EXPECT_TRUE(file.isOpen()) << "a refused reservation leaves the file usable";
        EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "an unnamed file while written";
        ASSERT_TRUE(file.close());
        ASSERT_EQ(file.file().publish(target, AtomicFile::Publish::NoReplace), 0);
        std::vector<std::uint8_t> expected = data;
        std::copy_n("RIFF", 4, expected.begin() + 10);
        EXPECT_EQ(readFileBytes(target), expected);
    }
}

// A muxer that reads back what it wrote (MP4's index moved to the front)
// gets a view of the unnamed file: only what was written, not the space
// reserved past it.
TEST(MuxerFile, readBackViewSeesWhatWasWritten)
{
    TempDir dir;
    MuxerFile file((dir / "a.mp4").string(), false);
    ASSERT_TRUE(file.reserve(1 << 20));
    ASSERT_TRUE(file.writeAt(0, "0123456789", 10));
    AVFormatContext format {};
    format.opaque = &file;
    AVIOContext *view = nullptr;
    EXPECT_EQ(MuxerFile::openReadBack(&format, &view, "", AVIO_FLAG_WRITE, nullptr), AVERROR(EPERM));
    ASSERT_EQ(MuxerFile::openReadBack(&format, &view, "", AVIO_FLAG_READ, nullptr), 0);
    unsigned char read[32] = {};
    EXPECT_EQ(avio_seek(view, 4, SEEK_SET), 4);
    EXPECT_EQ(avio_read(view, read, sizeof read), 6);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(read), 6), "456789");
    EXPECT_EQ(avio_size(view), 10);
    MuxerFile::closeReadBack(&format, view);
}

// Names that cannot be files are known before anything is made.
TEST(MuxerFile, namesThatCannotBeFilesAreRefusedAtOnce)
{
    TempDir dir;
    EXPECT_EQ(TargetNameError(dir.str()), EISDIR);
    EXPECT_EQ(TargetNameError((dir / std::string(256, 'x')).string()), ENAMETOOLONG);
    EXPECT_EQ(TargetNameError((dir / "ANIM0000.AVI").string()), 0);
    const MuxerFile folder(dir.str());
    EXPECT_FALSE(folder.isOpen());
    EXPECT_EQ(folder.error(), EISDIR);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

} // namespace
