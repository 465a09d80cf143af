#pragma once

#include "common/InputFile.h"

#include <cstdint>
#include <string>

// Why a picture could not be loaded.
enum class PictureError {
    None,
    File, // the file itself: see fileError
    UnknownFormat, // no decoder for the extension
    Damaged, // the data do not decode (cut short, corrupt, not of that format)
    TooLarge, // above Bitmap24's limit, or more decoding work than such a picture needs
    OutOfMemory,
    Interrupted, // the caller's cancel check said stop
};

struct PictureLoadResult {
    PictureError error = PictureError::None;
    FileError fileError = FileError::None;
    int systemError = 0;
    std::int64_t width = 0; // the size the file announces, when known
    std::int64_t height = 0;
    FileIdentity file; // the file that was read
    std::string detail; // the decoder's own words, for the log
};

// "not found", "damaged data", "too large (70000 × 70000)"...
std::string PictureErrorText(const PictureLoadResult &result);
