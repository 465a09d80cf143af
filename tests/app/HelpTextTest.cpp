#include "app/HelpText.h"
#include "app/cli/CliOptions.h"

#include "TestUtils.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace {

using Lines = std::vector<std::string>;

// UTF-8 text is taken as it is (its byte-order mark dropped); any other,
// even UTF-8 cut in the middle of a character, is read as Windows-1252, the
// encoding of the older releases' files (before, "Pr\xE9voyez" showed a
// replacement character).
TEST(HelpReplacementFile, IsReadInItsEncoding)
{
    const struct {
        std::string bytes;
        Lines lines;
    } cases[] = {
        { "\xEF\xBB\xBFPr\xC3\xA9voyez\n\nde la place\n", { "Pr\xC3\xA9voyez", "", "de la place" } },
        { "Pr\xE9voyez\r\n\x80 \x9C\x85 d\xE9j\xE0\r\n",
            { "Pr\xC3\xA9voyez", "\xE2\x82\xAC \xC5\x93\xE2\x80\xA6 d\xC3\xA9j\xC3\xA0" } },
        { "fin \xC3", { "fin \xC3\x83" } },
    };
    TempDir dir;
    const auto path = dir / "TRAVELIA.TXT";
    for (const auto &c : cases) {
        writeFileBytes(path, { c.bytes.begin(), c.bytes.end() });
        const HelpReplacement help = ReadHelpReplacement(path.string());
        EXPECT_EQ(help.state, HelpReplacement::State::Text);
        EXPECT_EQ(help.lines, c.lines);
    }
}

// A file that exists but cannot be read goes to the error report; a missing
// one leaves the text as it is.
TEST(HelpReplacementFile, UnreadableFileGivesAnErrorText)
{
    TempDir dir;
    EXPECT_EQ(ReadHelpReplacement((dir / "NONE.TXT").string()).state, HelpReplacement::State::Missing);
    const auto path = dir / "TRAVELIA.TXT";
    std::filesystem::create_directory(path);
    const HelpReplacement help = ReadHelpReplacement(path.string());
    EXPECT_EQ(help.state, HelpReplacement::State::Unreadable);
    EXPECT_EQ(help.error, "Impossible de lire le Fichier d'Aide: '" + path.string() + "' (not a regular file)");
    EXPECT_TRUE(help.lines.empty());
}

std::string builtInText()
{
    std::string text;
    for (const std::string &line : BuiltInHelpLines())
        text += line + "\n";
    return text;
}

// The built-in help describes this program: every output, the options
// windows, the 360° loop, and no longer says AVI files cannot be replayed.
TEST(BuiltInHelp, DescribesWhatTheProgramDoes)
{
    const std::string text = builtInText();
    for (const char *subject : { "BMP", "JPG", "PNG", "TIFF", "AVI", "MP4", "WebM", "MKV", "GIF", "WebP",
             "Options Vidéo", "Options AVI", "Options JPEG", "Panorama 360° (boucle)", "Vérifier", "F11", "Ctrl+O",
             "Réinitialiser les réglages", "30 par défaut" })
        EXPECT_NE(text.find(subject), std::string::npos) << subject;
    EXPECT_EQ(text.find("Pas de visu"), std::string::npos);
    EXPECT_EQ(text.find("Windows versions 98"), std::string::npos);
}

// Every option of travelia-cli --help is in the help, the camera's included.
TEST(BuiltInHelp, NamesEveryOptionOfTheCommandLine)
{
    const std::string text = builtInText();
    const std::string usage = CliUsage();
    const std::regex option("(^|[ ,])(--?[a-z][a-z0-9-]*)");
    int options = 0;
    for (auto it = std::sregex_iterator(usage.begin(), usage.end(), option); it != std::sregex_iterator(); ++it) {
        const std::string name = (*it)[2];
        ++options;
        EXPECT_NE(text.find(name), std::string::npos) << name;
    }
    EXPECT_GT(options, 40);
}

} // namespace
