#pragma once

#include "output/OutputFormat.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class SeriesLock;

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
    // Told that another run is writing the series ("IMAGE*.PNG") in the
    // folder; the reading then ends.
    std::function<void(const std::string &pattern, const std::string &folder)> seriesBusy;
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
    // The run's claim on its series, held as long as a copy of the names
    // lives; none in test mode, or where the folder takes no lock file.
    std::shared_ptr<const SeriesLock> Lock;
};

// The one naming step of every run and name test: builds the folder and
// makes sure it exists (also in test mode), the base name, the first number,
// the pattern and the extension, and, outside test mode, claims the series
// (SeriesLock: a series another run is writing ends the reading, before any
// question about its files) and asks about an existing first file. Relative
// names are resolved against the process's current folder. Nothing when a
// question ends the reading.
std::optional<OutputNames> ReadOutputNames(const OutputFields &fields, const NamingQuestions &questions);
