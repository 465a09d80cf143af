#pragma once

#include <string>
#include <vector>

// The quick-start text shown by the help window.
const std::vector<std::string> &BuiltInHelpLines();

// The text file that replaces the built-in help: the program's path cut
// before its first dot, plus ".TXT"; a path without any dot gets ".TXT"
// appended whole.
std::string HelpReplacementPath(const std::string &programPath);
