#pragma once

#include "common/DecodeBudget.h"
#include "common/InputFile.h"
#include "picture/LoadSize.h"

#include <cstdint>
#include <string>

// Why a picture could not be loaded.
enum class PictureError {
    None,
    File, // the file itself: see fileError
    UnknownFormat, // no decoder for the extension
    Damaged, // the data do not decode (cut short, corrupt, not of that format)
    TooLarge, // a side above Bitmap24's limit, or more decoding work than such a picture needs
    FileTooShort, // the file cannot hold the picture its header announces
    OutOfMemory, // see memoryNeeded and memoryAvailable when known
    Interrupted, // the caller's cancel check said stop
};

struct PictureLoadResult {
    PictureError error = PictureError::None;
    FileError fileError = FileError::None;
    int systemError = 0;
    std::int64_t width = 0; // the size the file announces, when known
    std::int64_t height = 0;
    std::uint64_t memoryNeeded = 0; // when the picture did not fit: bytes it needs
    std::uint64_t memoryAvailable = 0; // and what there was
    FileIdentity file; // the file that was read
    std::string decoder; // which decoder read it ("libtiff", "Qt png"...)
    std::string detail; // the decoder's own words, for the log
};

// "not found", "damaged data", "too large (70000 × 70000)", "file too short
// for its announced size (60000 × 60000)", "needs 5.8 GB of memory, 3.1 GB
// available"...
std::string PictureErrorText(const PictureLoadResult &result);

// The decoders' common check of what a file announces (see DecodePlan):
// true when the load may go on; otherwise false with result's error
// (FileTooShort, or OutOfMemory with the amounts) and size filled.
bool AcceptPlan(const DecodePlan &plan, std::uint64_t fileBytes, PictureLoadResult &result);
// The same for a decoder that decodes the whole picture, which the loader
// then reduces to the size keep asks (ReducedAfterDecode).
bool AcceptPlan(const DecodePlan &plan, std::uint64_t fileBytes, PictureLoadResult &result, const LoadSizeChoice &keep);

// A decoder that ran out of memory after its plan was accepted: the amounts
// are given only when they show the shortage (else "not enough memory").
void ExplainLateShortage(std::uint64_t planMemory, PictureLoadResult &result);
