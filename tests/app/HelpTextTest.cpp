#include "app/HelpText.h"

#include "TestUtils.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using Lines = std::vector<std::string>;

struct ReplacementCase {
    const char *label;
    std::string bytes;
    Lines lines;
};

class HelpReplacementFile : public ::testing::TestWithParam<ReplacementCase> { };

// UTF-8 text is taken as it is; any other is read as Windows-1252, the
// encoding of the older releases' files (before, "Pr\xE9voyez" showed a
// replacement character).
TEST_P(HelpReplacementFile, IsReadInItsEncoding)
{
    TempDir dir;
    const auto path = dir / "TRAVELIA.TXT";
    writeFileBytes(path, { GetParam().bytes.begin(), GetParam().bytes.end() });
    const HelpReplacement help = ReadHelpReplacement(path.string());
    EXPECT_EQ(help.state, HelpReplacement::State::Text);
    EXPECT_EQ(help.lines, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Encodings, HelpReplacementFile,
    ::testing::Values(
        ReplacementCase { "Utf8", "Pr\xC3\xA9voyez\nde la place\n", { "Pr\xC3\xA9voyez", "de la place" } },
        ReplacementCase { "Utf8WithMark", "\xEF\xBB\xBF\xC3\xA0 jour", { "\xC3\xA0 jour" } },
        ReplacementCase { "Windows1252", "Pr\xE9voyez\r\n\x80 \x9C\x85 d\xE9j\xE0\r\n",
            { "Pr\xC3\xA9voyez", "\xE2\x82\xAC \xC5\x93\xE2\x80\xA6 d\xC3\xA9j\xC3\xA0" } },
        ReplacementCase { "CutUtf8SequenceIsWindows1252", "fin \xC3", { "fin \xC3\x83" } },
        ReplacementCase { "OverlongUtf8IsWindows1252", "\xC0\xAF", { "\xC3\x80\xC2\xAF" } },
        ReplacementCase { "EmptyLinesKept", "a\n\nb", { "a", "", "b" } }),
    [](const auto &info) { return std::string(info.param.label); });

TEST(HelpReplacementFile, MissingFileLeavesTheTextAsItIs)
{
    TempDir dir;
    const HelpReplacement help = ReadHelpReplacement((dir / "NONE.TXT").string());
    EXPECT_EQ(help.state, HelpReplacement::State::Missing);
    EXPECT_TRUE(help.error.empty());
}

// A file that exists but cannot be read goes to the error report.
TEST(HelpReplacementFile, UnreadableFileGivesAnErrorText)
{
    TempDir dir;
    const auto path = dir / "TRAVELIA.TXT";
    std::filesystem::create_directory(path);
    const HelpReplacement help = ReadHelpReplacement(path.string());
    EXPECT_EQ(help.state, HelpReplacement::State::Unreadable);
    EXPECT_EQ(help.error, "Impossible de lire le Fichier d'Aide: '" + path.string() + "' (not a regular file)");
    EXPECT_TRUE(help.lines.empty());
}

} // namespace
