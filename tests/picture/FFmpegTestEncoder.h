#pragma once

#include "common/Bitmap24.h"

#include <cstdint>
#include <string>
#include <vector>

// Encodes a bitmap as one still picture with a libavcodec encoder ("pcx",
// "sgi", "targa", "gif"), so tests can make files of formats Qt cannot write.
// pixelFormat is the encoder's input format name ("rgb24", "bgr24", "pal8"...);
// for "pal8" the bitmap may use at most 256 colours. Throws on failure.
std::vector<std::uint8_t> encodeStill(
    const Bitmap24 &bitmap, const std::string &encoder, const std::string &pixelFormat);
