#pragma once

#include <string>

// What the numbered files of one series share, read from the name of any of
// them (a folder part is ignored): the name before its extension without the
// digits at its end, then the extension, in capitals, as the viewer groups
// them. "IMAGE0012.PNG", "image7.png" and "ANIM0000.GIF" give "IMAGE.PNG",
// "IMAGE.PNG" and "ANIM.GIF"; a series whose names overlap another's (base
// names IMAGE and IMAGE2) gets the same key, so they exclude each other.
std::string SeriesKey(const std::string &fileName);

// "IMAGE*.PNG": the key as the series' names are written, for messages.
std::string SeriesPattern(const std::string &baseName, const std::string &extension);

// The start of the temporary names of a series' files in their folder:
// ".travelia-", 16 hexadecimal digits of the series key's hash, "-". Its
// length does not depend on the key, so every legal file name can be
// written; a run that holds the series' lock knows that any name starting
// so was left by a run that was killed.
std::string TemporaryNamePrefix(const std::string &fileName);
