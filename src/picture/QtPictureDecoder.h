#pragma once

#include "common/InputFile.h"
#include "picture/PictureError.h"

#include <cstddef>
#include <cstdint>
#include <string>

class Bitmap24;

// Decodes a picture through a Qt image plug-in, forcing the given format
// instead of trusting the content. The size announced by the file is checked
// against Bitmap24's limits and the memory available before any pixel is
// read; the first picture of a
// multi-picture file is taken; alpha is composited on black. The decoded
// picture is converted into the target a band of rows at a time, so no
// 32-bit copy of the whole picture is ever made.
// keep: the size the loader reduces the picture to afterwards, for the
// memory check (LoadSize.h). Returns false (target empty, result telling
// why) on any failure.
bool decodeWithQt(const std::uint8_t *data, std::size_t size, const char *format, Bitmap24 &target,
    PictureLoadResult &result, const CancelCheck &cancelled = {}, const LoadSizeChoice &keep = {});
bool decodeWithQt(const std::string &fileName, const char *format, Bitmap24 &target);
