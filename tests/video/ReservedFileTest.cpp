#include "video/ReservedFile.h"

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
TEST(ReservedFile, reservesAheadAndPublishesExactlyWhatWasWritten)
{
    for (const bool allocate : { true, false }) {
        SCOPED_TRACE(allocate ? "fallocate" : "zeros");
        TempDir dir;
        const std::string target = (dir / "ANIM0000.AVI").string();
        ReservedFile file(target, allocate);
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
        ASSERT_EQ(file.publish(target, AtomicFile::Publish::NoReplace), 0);
        std::vector<std::uint8_t> expected = data;
        std::copy_n("RIFF", 4, expected.begin() + 10);
        EXPECT_EQ(readFileBytes(target), expected);
    }
}

} // namespace
