#pragma once

#include <string>

class Bitmap24;

// Decodes a still-picture file with the named libavcodec decoder ("pcx",
// "sgi", "psd", "targa", "photocd"...), the whole file being one packet.
// The decoder refuses pictures above Bitmap24's limit before allocating;
// alpha is composited on black; the first picture is taken.
// Returns false (target empty) on any failure.
bool decodeWithFFmpeg(const std::string &fileName, const char *decoderName, Bitmap24 &target);
