#pragma once

#include "app/InterfaceLanguage.h"

#include <string>
#include <vector>

// The quick-start text shown by the help window: French, the reference,
// and its English version for the English window.
const std::vector<std::string> &BuiltInHelpLines();
const std::vector<std::string> &BuiltInEnglishHelpLines();
const std::vector<std::string> &BuiltInHelpLines(InterfaceLanguage language);

// The text file that replaces the built-in help: the program's path cut
// before its first dot, plus ".TXT"; a path without any dot gets ".TXT"
// appended whole.
std::string HelpReplacementPath(const std::string &programPath);

// The replacement help file as the help window shows it.
struct HelpReplacement {
    enum class State {
        Missing, // no such file: the text shown stays
        Unreadable, // it exists but cannot be read: error goes to the error report
        Text, // lines holds the file's text
    };
    State state = State::Missing;
    std::vector<std::string> lines; // UTF-8, one per line of the file
    std::string error;
};

// Reads the replacement help file: text that is valid UTF-8 is taken as it
// is (a leading byte-order mark dropped), any other as Windows-1252, the
// encoding of the files written for the program's older releases. Line ends
// may be LF or CR LF. Only a regular file is read.
HelpReplacement ReadHelpReplacement(const std::string &path);

// Windows-1252 text as UTF-8 (the five unassigned bytes become the C1
// controls of the same value, as Windows does).
std::string Windows1252ToUtf8(const std::string &text);
bool IsValidUtf8(const std::string &text);
