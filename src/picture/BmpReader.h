#pragma once

#include "common/InputFile.h"
#include "picture/PictureError.h"

#include <cstddef>
#include <cstdint>
#include <string>

class Bitmap24;

// Decoder of Windows and OS/2 bitmap files (BMP, DIB, RLE): OS/2 core headers,
// BITMAPINFOHEADER and its V2..V5 extensions; 1, 4 and 8 bits with a palette,
// 16 and 32 bits with or without bit-field masks, 24 bits; RLE8 and RLE4;
// bottom-up and top-down rows.
//
// Every offset and length is checked against the data before it is used, and
// the picture size is checked against Bitmap24's limit before the target is
// allocated, so truncated or hostile files fail without large allocations.
// A file is read piece by piece as the rows need it, never held whole.
// Alpha bytes are ignored: 32-bit bitmaps in the wild often carry garbage
// there. Pixels an RLE stream never writes keep palette entry 0.
class BmpReader {
public:
    // Decodes a whole file held in memory. On failure returns false and
    // leaves target empty; errorText() and result() tell why. keep: the
    // size the loader reduces the picture to afterwards, for the memory
    // check (LoadSize.h).
    bool decode(const std::uint8_t *data, std::size_t size, Bitmap24 &target, const LoadSizeChoice &keep = {});
    bool loadFromFile(const std::string &fileName, Bitmap24 &target);
    bool load(InputFile &file, Bitmap24 &target, const CancelCheck &cancelled = {}, const LoadSizeChoice &keep = {});

    const std::string &errorText() const { return m_result.detail; }
    const PictureLoadResult &result() const { return m_result; }

    class Source; // where the bytes come from: memory or a file

private:
    bool decodeFrom(Source &source, Bitmap24 &target, const CancelCheck &cancelled, const LoadSizeChoice &keep);
    bool fail(const char *why, PictureError error = PictureError::Damaged);
    bool failRead(Source &source);

    PictureLoadResult m_result;
};
