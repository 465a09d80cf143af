#include "common/AtomicFile.h"

#include "TestUtils.h"
#include "common/SeriesName.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> namesIn(const fs::path &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Put in place without replacing, the file goes from no name to its own:
// there is no moment at which a killed process would leave it under another
// (before, it was named ".travelia-XXXXXX" when closed, then renamed).
TEST(AtomicFile, putInPlaceWithoutReplacingItNeverHasAnotherName)
{
    TempDir dir;
    const std::string target = (dir / "IMAGE0000.BMP").string();
    AtomicFile file(target);
    ASSERT_TRUE(file.write("new", 3));
    ASSERT_TRUE(file.close());
    EXPECT_TRUE(file.tempName().empty());
    EXPECT_TRUE(namesIn(dir.path()).empty()) << "named when closed";
    ASSERT_EQ(file.publish(target, AtomicFile::Publish::NoReplace), 0);
    EXPECT_TRUE(file.tempName().empty());
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string> { "IMAGE0000.BMP" });
    EXPECT_EQ(readFileBytes(target), (std::vector<std::uint8_t> { 'n', 'e', 'w' }));
}

struct KeepCase {
    const char *label;
    // Makes the target from the kept file's path and the target's.
    void (*make)(const fs::path &kept, const fs::path &target);
    bool replaced;
};

class KeptFile : public testing::TestWithParam<KeepCase> { };

// The file a run reads is never replaced, whatever name leads to it when
// the file is put in place.
TEST_P(KeptFile, isNeverReplaced)
{
    TempDir dir;
    const fs::path kept = dir / "pano.bmp";
    const std::vector<std::uint8_t> picture { 'B', 'M', 1, 2 };
    writeFileBytes(kept, picture);
    const fs::path target = dir / "ANIM0000.GIF";
    GetParam().make(kept, target);
    const std::vector<std::string> before = namesIn(dir.path());
    struct stat st { };
    ASSERT_EQ(::stat(kept.c_str(), &st), 0);
    const FileIdentity identity = IdentityOf(st);
    {
        AtomicFile file(target.string());
        ASSERT_TRUE(file.write("GIF89a", 6));
        const bool committed = file.commit(AtomicFile::Publish::Replace, &identity);
        EXPECT_EQ(committed, GetParam().replaced);
        EXPECT_EQ(file.error(), GetParam().replaced ? 0 : AtomicFile::kKeptFile);
    }
    EXPECT_EQ(readFileBytes(kept), picture);
    EXPECT_EQ(namesIn(dir.path()), before) << "nothing left, nothing removed";
    EXPECT_EQ(readFileBytes(target).size(), GetParam().replaced ? 6u : picture.size());
}

INSTANTIATE_TEST_SUITE_P(Names, KeptFile,
    testing::Values(KeepCase { "theFileItself",
                        [](const fs::path &kept, const fs::path &target) {
                            fs::rename(kept, target);
                            fs::create_hard_link(target, kept);
                        },
                        false },
        KeepCase { "aHardLink",
            [](const fs::path &kept, const fs::path &target) { fs::create_hard_link(kept, target); }, false },
        KeepCase { "aSymbolicLink",
            [](const fs::path &kept, const fs::path &target) { fs::create_symlink(kept, target); }, false },
        KeepCase {
            "anotherFile", [](const fs::path &, const fs::path &target) { writeFileBytes(target, { 0 }); }, true }),
    [](const auto &info) { return std::string(info.param.label); });

// Replacing needs a temporary name for a moment; it is one of the target's
// series, which tells a killed run's leftovers apart. A replacement that
// fails keeps the file for another name.
TEST(AtomicFile, aReplacementsTemporaryNameBelongsToItsSeries)
{
    TempDir dir;
    const std::string target = (dir / "IMAGE0003.PNG").string();
    fs::create_directory(target); // cannot be replaced
    AtomicFile file(target);
    ASSERT_TRUE(file.write("png", 3));
    ASSERT_TRUE(file.close());
    EXPECT_EQ(file.publish(target, AtomicFile::Publish::Replace), EISDIR);
    const std::string prefix = dir.str() + "/" + TemporaryNamePrefix("IMAGE0099.png");
    EXPECT_EQ(file.tempName().size(), prefix.size() + 6);
    EXPECT_EQ(file.tempName().compare(0, prefix.size(), prefix), 0) << file.tempName();
    ASSERT_EQ(file.publish((dir / "IMAGE0004.PNG").string(), AtomicFile::Publish::NoReplace), 0);
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string> { "IMAGE0003.PNG", "IMAGE0004.PNG" }));
}

} // namespace
