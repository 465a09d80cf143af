#include "FuzzEntries.h"

#include "TestUtils.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <unistd.h>

namespace {

// Each stored input that once crashed, hung or leaked in a fuzz target (in
// the folder named after it) now runs through the same code cleanly (ASan
// and UBSan watch), and in bounded time: an input that hangs again ends the
// process by SIGALRM instead of waiting for the suite's timeout.
TEST(FuzzFindings, RunCleanly)
{
    constexpr unsigned kTimeLimitSeconds = 120; // all inputs take well under 10 s under the sanitizers
    ::alarm(kTimeLimitSeconds);
    const std::pair<const char *, int (*)(const std::uint8_t *, std::size_t)> targets[]
        = { { "bmp", FuzzBmp }, { "jpeg", FuzzJpeg }, { "picture", FuzzPicture }, { "tiff", FuzzTiff },
              { "png", FuzzPng }, { "xmp", FuzzXmp } };
    int findings = 0;
    for (const auto &[name, entry] : targets) {
        const std::filesystem::path folder = std::filesystem::path(TRAVELIA_FUZZ_FINDINGS) / name;
        if (!std::filesystem::is_directory(folder))
            continue;
        for (const auto &file : std::filesystem::directory_iterator(folder)) {
            SCOPED_TRACE(file.path().string());
            const std::vector<std::uint8_t> bytes = readFileBytes(file.path());
            EXPECT_EQ(entry(bytes.data(), bytes.size()), 0);
            ++findings;
        }
    }
    ::alarm(0);
    EXPECT_GT(findings, 0);
}

} // namespace
