#pragma once

#include "output/OutputFormat.h"

#include <cstdint>
#include <functional>
#include <string>

// The frame-name grammar: folder, "/", base name, number, extension.
inline constexpr const char *kFormattedNamePattern = "%s/%s%4.4d%s";
inline constexpr const char *kPlainNamePattern = "%s/%s%d%s";
inline constexpr const char *kTestFrameName = "TestFrame-";

// "anim", "/anim" and ".anim" become "./anim"; a text that already holds
// "./" anywhere stays as it is; an empty text becomes "./".
std::string NormalizeSubDir(const std::string &text);

// The output folder: the base folder followed, when useSubDir is set, by the
// normalised sub-folder without its first two characters, with a separator
// between them when the base folder has none at its end.
std::string BuildDstDir(const std::string &baseFolder, bool useSubDir, const std::string &normalizedSubDir);

// The base name of the files: the part after the last "/", cut before its
// first "." unless that dot is its first character.
std::string BaseNameFrom(const std::string &pathOrName);

// ".BMP", ".JPG", ".AVI", ".PNG" or ".TIF" for the format item index (".BMP"
// for any other).
std::string ExtensionFor(std::int32_t formatIndex);

// The pattern applied to (dir, name, number, ext).
std::string MakeFrameName(const std::string &pattern, const std::string &dir, const std::string &name,
    std::int32_t number, const std::string &ext);

// The number of the file index places after first: 32-bit, wrapping past
// the largest number as the frame counter always has.
inline std::int32_t FrameNumber(std::int32_t first, std::int64_t index)
{
    return std::int32_t(std::uint32_t(first) + std::uint32_t(std::uint64_t(index)));
}

// The first number from start on whose name does not exist (exists is asked
// about the names in turn). Stops at the largest 32-bit number.
std::int32_t FindFreeNumber(const std::string &pattern, const std::string &dir, const std::string &name,
    std::int32_t start, const std::string &ext, const std::function<bool(const std::string &)> &exists);

// A path made absolute against the process's current folder, with every run
// of "/" written as one.
std::string AbsolutePath(const std::string &path);
