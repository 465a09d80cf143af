#include "output/FrameNames.h"

#include "TestUtils.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <set>
#include <unistd.h>

namespace {

struct TextCase {
    const char *input;
    const char *expected;
};

std::string textCaseName(const testing::TestParamInfo<TextCase> &info)
{
    return testNameFrom(info.param.input);
}

class NormalizeSubDirTable : public testing::TestWithParam<TextCase> { };

TEST_P(NormalizeSubDirTable, givesDotSlashName)
{
    EXPECT_EQ(NormalizeSubDir(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, NormalizeSubDirTable,
    testing::Values(TextCase { "anim", "./anim" }, TextCase { "/anim", "./anim" }, TextCase { ".anim", "./anim" },
        TextCase { "./anim", "./anim" }, TextCase { "", "./" }, TextCase { ".", "./" }, TextCase { "/", "./" },
        TextCase { "..anim", "./.anim" }, TextCase { "a/./b", "a/./b" }, TextCase { "x/anim", "./x/anim" },
        TextCase { "//anim", ".//anim" }),
    textCaseName);

class BaseNameTable : public testing::TestWithParam<TextCase> { };

TEST_P(BaseNameTable, cutsFolderAndExtension)
{
    EXPECT_EQ(BaseNameFrom(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Names, BaseNameTable,
    testing::Values(TextCase { "IMAGE", "IMAGE" }, TextCase { "Panorama.full.jpg", "Panorama" },
        TextCase { ".hidden.jpg", ".hidden.jpg" }, TextCase { "/x/NAME.BMP", "NAME" },
        TextCase { "/photos/pano.jpg", "pano" }, TextCase { "", "" }, TextCase { "/photos/", "" },
        TextCase { "a.b/c", "c" }, TextCase { "MiXeD", "MiXeD" }),
    textCaseName);

struct DirCase {
    const char *base;
    bool useSubDir;
    const char *sub;
    const char *expected;
};

class BuildDstDirTable : public testing::TestWithParam<DirCase> { };

TEST_P(BuildDstDirTable, appendsSubFolderWithoutItsFirstTwoCharacters)
{
    const DirCase &c = GetParam();
    EXPECT_EQ(BuildDstDir(c.base, c.useSubDir, c.sub), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Folders, BuildDstDirTable,
    testing::Values(DirCase { "/photos/", true, "./anim", "/photos/anim" },
        DirCase { "/photos/", false, "./anim", "/photos/" }, DirCase { "/out", true, "./anim", "/out/anim" },
        DirCase { "", true, "./anim", "anim" }, DirCase { "/out", false, "./anim", "/out" },
        DirCase { "/photos/", true, "./", "/photos/" }, DirCase { "/photos/", true, "a/./b", "/photos/./b" }),
    [](const auto &info) {
        return testNameFrom(info.param.base)
            + (info.param.useSubDir ? "_sub_" + testNameFrom(info.param.sub) : "_noSub");
    });

TEST(FrameNames, extensionFollowsTheFormatItem)
{
    EXPECT_EQ(ExtensionFor(FormatBmp), ".BMP");
    EXPECT_EQ(ExtensionFor(FormatJpg), ".JPG");
    EXPECT_EQ(ExtensionFor(FormatAvi), ".AVI");
    EXPECT_EQ(ExtensionFor(FormatPng), ".PNG");
    EXPECT_EQ(ExtensionFor(FormatTiff), ".TIF");
    EXPECT_EQ(ExtensionFor(-1), ".BMP");
    EXPECT_EQ(ExtensionFor(FormatTiff + 1), ".BMP");
}

struct NameCase {
    const char *pattern;
    const char *dir;
    const char *name;
    std::int32_t number;
    const char *ext;
    const char *expected;
};

class MakeFrameNameTable : public testing::TestWithParam<NameCase> { };

TEST_P(MakeFrameNameTable, followsTheGrammar)
{
    const NameCase &c = GetParam();
    EXPECT_EQ(MakeFrameName(c.pattern, c.dir, c.name, c.number, c.ext), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Grammar, MakeFrameNameTable,
    testing::Values(
        NameCase { kFormattedNamePattern, "/photos/anim", "IMAGE", 0, ".BMP", "/photos/anim/IMAGE0000.BMP" },
        NameCase { kFormattedNamePattern, "/photos/anim", "IMAGE", 1, ".JPG", "/photos/anim/IMAGE0001.JPG" },
        NameCase { kFormattedNamePattern, "/photos/anim", "ANIM", 0, ".AVI", "/photos/anim/ANIM0000.AVI" },
        NameCase { kFormattedNamePattern, "/photos/anim", "IMAGE", 12345, ".BMP", "/photos/anim/IMAGE12345.BMP" },
        NameCase { kFormattedNamePattern, "/photos/anim", "IMAGE", 10000, ".BMP", "/photos/anim/IMAGE10000.BMP" },
        NameCase { kFormattedNamePattern, "/p", "IMAGE", -7, ".BMP", "/p/IMAGE-0007.BMP" },
        NameCase { kFormattedNamePattern, "/p", "IMAGE", INT32_MIN, ".BMP", "/p/IMAGE-2147483648.BMP" },
        NameCase { kPlainNamePattern, "/p", "IMAGE", 0, ".BMP", "/p/IMAGE0.BMP" },
        NameCase { kPlainNamePattern, "/p", "IMAGE", 10, ".BMP", "/p/IMAGE10.BMP" },
        NameCase { kPlainNamePattern, "/p", "IMAGE", -3, ".BMP", "/p/IMAGE-3.BMP" },
        NameCase { kFormattedNamePattern, "/photos/", "IMAGE", 0, ".BMP", "/photos//IMAGE0000.BMP" },
        NameCase { kFormattedNamePattern, "", kTestFrameName, 0, "", "/TestFrame-0000" },
        NameCase { kFormattedNamePattern, "/p", "", 42, ".BMP", "/p/0042.BMP" },
        NameCase { kFormattedNamePattern, "/p", "MiXeD", 1, ".BMP", "/p/MiXeD0001.BMP" }),
    [](const auto &info) { return testNameFrom(info.param.expected); });

TEST(FindFreeNumber, stopsAtTheFirstGapAfterTheStart)
{
    // Files 0000..0009 and 0011 exist: the search ends at 10, 0011 is not looked at.
    std::set<std::string> existing;
    for (int n : { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11 })
        existing.insert(MakeFrameName(kFormattedNamePattern, "/d", "IMAGE", n, ".BMP"));
    std::vector<std::string> asked;
    const auto exists = [&](const std::string &name) {
        asked.push_back(name);
        return existing.count(name) > 0;
    };
    EXPECT_EQ(FindFreeNumber(kFormattedNamePattern, "/d", "IMAGE", 0, ".BMP", exists), 10);
    EXPECT_EQ(asked.size(), 11u);
    EXPECT_EQ(asked.back(), "/d/IMAGE0010.BMP");
    EXPECT_EQ(FindFreeNumber(kFormattedNamePattern, "/d", "IMAGE", 11, ".BMP", exists), 12);
    EXPECT_EQ(FindFreeNumber(kFormattedNamePattern, "/d", "IMAGE", 10, ".BMP", exists), 10);
}

TEST(FindFreeNumber, endsAtTheLargestNumberWithoutOverflow)
{
    const auto always = [](const std::string &) { return true; };
    EXPECT_EQ(FindFreeNumber(kPlainNamePattern, "/d", "I", INT32_MAX - 3, ".BMP", always), INT32_MAX);
    EXPECT_EQ(FindFreeNumber(kPlainNamePattern, "/d", "I", INT32_MAX, ".BMP", always), INT32_MAX);
}

TEST(FindFreeNumber, worksOnRealFiles)
{
    TempDir dir;
    for (const char *n : { "IMAGE0000.BMP", "IMAGE0001.BMP", "IMAGE0003.BMP" })
        std::ofstream(dir / n) << "x";
    const auto exists = [](const std::string &name) { return std::filesystem::exists(name); };
    EXPECT_EQ(FindFreeNumber(kFormattedNamePattern, dir.str(), "IMAGE", 0, ".BMP", exists), 2);
}

TEST(AbsolutePath, joinsRelativeNamesToTheCurrentFolder)
{
    TempDir dir;
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(AbsolutePath("anim/IMAGE0000.BMP"), cwd + "/anim/IMAGE0000.BMP");
    // A doubled "/" (base folder "/abs/" without a sub-folder) is shown once.
    EXPECT_EQ(AbsolutePath("/abs//IMAGE0000.BMP"), "/abs/IMAGE0000.BMP");
    EXPECT_EQ(AbsolutePath("anim//IMAGE0003.BMP"), cwd + "/anim/IMAGE0003.BMP");
    std::filesystem::current_path(previous);
}

} // namespace
