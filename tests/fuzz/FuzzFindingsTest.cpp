#include "FuzzEntries.h"

#include "TestUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

struct Target {
    const char *name; // folder of tests/fuzz holding its findings
    int (*entry)(const std::uint8_t *, std::size_t);
};

class FuzzFindings : public ::testing::TestWithParam<Target> { };

// Each stored input that once crashed, hung or leaked in a fuzz target now
// runs through the same code cleanly (ASan and UBSan watch).
TEST_P(FuzzFindings, RunCleanly)
{
    const std::filesystem::path folder = std::filesystem::path(TRAVELIA_FUZZ_FINDINGS) / GetParam().name;
    std::vector<std::filesystem::path> files;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty()) << folder;
    for (const auto &file : files) {
        SCOPED_TRACE(file.filename().string());
        const std::vector<std::uint8_t> bytes = readFileBytes(file);
        EXPECT_EQ(GetParam().entry(bytes.data(), bytes.size()), 0);
    }
}

// The targets that have findings stored.
std::vector<Target> targetsWithFindings()
{
    std::vector<Target> targets;
    for (const Target &t :
        { Target { "bmp", FuzzBmp }, Target { "jpeg", FuzzJpeg }, Target { "picture", FuzzPicture } })
        if (std::filesystem::is_directory(std::filesystem::path(TRAVELIA_FUZZ_FINDINGS) / t.name))
            targets.push_back(t);
    return targets;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzFindings, ::testing::ValuesIn(targetsWithFindings()),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
