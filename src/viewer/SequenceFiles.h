#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Where a series of frame files lies and which names belong to it, taken
// from the one frame the user picked.
struct SequenceMask {
    std::string Folder; // with its trailing "/"; empty for a bare file name
    std::string Mask; // prefix + "*" + extension
};

// The prefix is the file name up to its extension, without the digits at its
// end; an extension written ".BMP", ".JPEG", ".PNG" or ".TIF" is kept, any
// other (a lower-case one included) follows the format selection: ".JPG" for
// JPG, ".PNG" for PNG, else ".BMP".
SequenceMask MakeSequenceMask(const std::string &chosenFile, std::int32_t formatSelection);

// Case-insensitive match of a file name against a mask whose "*" stands for
// any run of characters.
bool MatchesMask(const std::string &name, const std::string &mask);

// Frame order: runs of digits compare as numbers (IMAGE2 before IMAGE10),
// letters without regard to case.
bool FrameOrderLess(const std::string &a, const std::string &b);

// The names (no folder part) of the plain, non-hidden files of the folder
// that match the mask, in frame order. An unreadable folder lists nothing.
std::vector<std::string> ListSequence(const std::string &folder, const std::string &mask);
