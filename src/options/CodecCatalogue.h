#pragma once

#include "video/AviCompressors.h"

#include <cstdint>
#include <string>
#include <vector>

// The codec catalogue of the AVI options: "Sans Compression", then one line
// per compressor of this machine, its type and code then its description,
// e.g. "vidc.MJPG   MJPEG (Motion JPEG)". A code with a zero byte ends its
// line there, as a list line ends at its first zero character.
struct CatalogueEntry {
    std::string line;
    std::uint32_t code = 0; // 0 for "Sans Compression"
};
std::vector<CatalogueEntry> Catalogue(const std::vector<AviCompressor> &compressors = AviCompressors());
// Its lines, as the window and travelia-cli --list-codecs show them.
std::vector<std::string> CatalogueList(const std::vector<AviCompressor> &compressors = AviCompressors());

// The codes of entry index (entry 0 is "Sans Compression"): for 1 <= index
// <= size - 1, the compressor type "vidc" and the entry's code, and true;
// otherwise zero codes and false.
bool GetCodec(
    const std::vector<CatalogueEntry> &entries, std::int32_t index, std::uint32_t &type, std::uint32_t &handler);
