#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// The XMP packet of a JPEG, PNG or TIFF file (see SphereViews.h), found by
// walking the file's own structure: JPEG's APP1 segment named
// "http://ns.adobe.com/xap/1.0/", PNG's iTXt chunk "XML:com.adobe.xmp"
// (uncompressed: the XMP rules ask for it to stay scannable), TIFF's tag 700
// in the first directory. Only the segments' headers and the packet are
// read, never the pixels.

struct XmpSearch {
    std::string packet; // empty when none was found
    // Why no packet was taken when the file holds something that looks like
    // one but is damaged ("the TIFF tag 700 runs past the end of the
    // file"); empty when the packet was read or the file simply has none.
    std::string problem;
};

// Reads `size` bytes at `offset` into `to`; false when the file has not
// that many bytes there.
using ByteReader = std::function<bool(std::uint64_t offset, std::size_t size, std::uint8_t *to)>;

// The largest packet taken: real ones are a few kilobytes.
constexpr std::size_t kMaxXmpPacketBytes = 4 * 1024 * 1024;

XmpSearch FindXmpPacket(const ByteReader &read);
XmpSearch FindXmpPacket(const std::uint8_t *data, std::size_t size);
// The file at path; a file that cannot be opened is a problem with the
// system's reason.
XmpSearch FindXmpPacketInFile(const std::string &path);
