#pragma once

#include <cstddef>
#include <cstdint>

// What each fuzz target does with one input. The regression test of the
// normal build runs every stored finding through the same functions.
int FuzzBmp(const std::uint8_t *data, std::size_t size);
// First byte: the JPEG reading settings; the rest: the file. A small picture
// is encoded again with settings from the same byte.
int FuzzJpeg(const std::uint8_t *data, std::size_t size);
// First byte: the extension (one of the formats that decode); the rest: the file.
int FuzzPicture(const std::uint8_t *data, std::size_t size);
// The file, read by the TIFF reader (libtiff) or the PNG reader (libspng),
// with the general decoder behind for what they leave.
int FuzzTiff(const std::uint8_t *data, std::size_t size);
int FuzzPng(const std::uint8_t *data, std::size_t size);
// The file searched for an XMP packet (JPEG, PNG, TIFF), the packet read for
// its Photo Sphere fields; the input itself is also read as a packet.
int FuzzXmp(const std::uint8_t *data, std::size_t size);
