#pragma once

#include "output/OutputFormat.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// What the "Enregistrement:" group holds for one reading, in the form the
// window's panel and the command line's options both give it.
struct OutputFields {
    std::string BaseFolder; // the base output folder
    bool UseSubDir = true;
    std::string SubDir = "./anim";
    std::string BaseNameSource; // the typed base name, or the picture's path when renaming is off
    std::string NumStart = "0"; // text of the first number; invalid gives 0
    bool FormattedNumbers = true;
    std::int32_t Format = FormatBmp;
    std::string VideoExt {}; // with FormatVideo: the container's extension, ".MP4"
    bool TestMode = false; // no folder, no extension, "TestFrame-" names
};

// The answer to "the first file exists already".
enum class ExistingFirstFile {
    SearchFreeNumber, // look for the next number whose file does not exist
    KeepNumber, // keep it: each existing file will meet the overwrite decision
    Refuse, // stop the reading (after the caller's own message)
};

// The questions of the naming step; the window answers them through its
// dialogs, the command line through its flags.
struct NamingQuestions {
    // Makes sure the output folder exists (it may change the path); false
    // ends the reading.
    std::function<bool(std::string &folder)> ensureFolder;
    // Asked with the first file's name when that file exists.
    std::function<ExistingFirstFile(const std::string &firstFileName)> firstFileExists;
    // Told the number the search found (the window shows it at once).
    std::function<void(std::int32_t number)> freeNumberFound;
};

// The names of one run.
struct OutputNames {
    std::string SubDir; // the sub-folder text, normalised
    std::string DstDir; // empty in test mode
    std::string DstName;
    std::int32_t NumStart = 0;
    std::string NameFormat;
    std::string Ext; // empty in test mode
    std::string FileName; // the first file's name
    bool ReplaceExisting = false; // the first file existed and the user chose to keep its number
};

// The one naming step of every run and name test: builds the folder and
// makes sure it exists (also in test mode), the base name, the first number,
// the pattern and the extension, and, outside test mode, asks about an
// existing first file. Relative names are resolved against the process's
// current folder. Nothing when a question ends the reading.
std::optional<OutputNames> ReadOutputNames(const OutputFields &fields, const NamingQuestions &questions);
