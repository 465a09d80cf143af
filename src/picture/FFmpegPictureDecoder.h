#pragma once

#include "common/InputFile.h"
#include "picture/PictureError.h"

#include <cstddef>
#include <cstdint>
#include <string>

class Bitmap24;

// Decodes a still picture with the named libavcodec decoder ("pcx", "sgi",
// "psd", "targa", "photocd"...), the whole file being one packet. data must
// be followed by FileBytes::kPadding readable zero bytes (FileBytes gives
// them), so the packet is handed over without a copy. The decoder refuses
// pictures that do not fit in the memory available before allocating; alpha is composited on
// black a band of rows at a time; the first picture is taken.
// keep: the size the loader reduces the picture to afterwards, for the
// memory check (LoadSize.h). Returns false (target empty, result telling
// why) on any failure.
bool decodeWithFFmpeg(const std::uint8_t *data, std::size_t size, const char *decoderName, Bitmap24 &target,
    PictureLoadResult &result, const CancelCheck &cancelled = {}, const LoadSizeChoice &keep = {});
bool decodeWithFFmpeg(const std::string &fileName, const char *decoderName, Bitmap24 &target);
