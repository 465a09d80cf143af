#pragma once

#include "video/VideoCompressors.h"

#include <cstdint>
#include <string>
#include <vector>

// The codec catalogue of the AVI options: one line per installed video
// compressor, Format("%4.4s.%4.4s   %s", type code, handler code,
// description), e.g. "vidc.MJPG   MJPEG (Motion JPEG)". A compressor whose
// codes are zero gives zero characters there, and a list keeps a line only up
// to its first zero character: such a compressor shows as a blank line.

// The compressor service the catalogue reads; tests give their own.
class CompressorService {
public:
    virtual ~CompressorService() = default;
    virtual bool info(std::uint32_t type, std::uint32_t index, ICINFO *info) { return ICInfo(type, index, info); }
    virtual HIC open(std::uint32_t type, std::uint32_t handler, std::uint32_t mode)
    {
        return ICOpen(type, handler, mode);
    }
    virtual long getInfo(HIC hic, ICINFO *info, std::uint32_t size) { return ICGetInfo(hic, info, size); }
    virtual long close(HIC hic) { return ICClose(hic); }
};
CompressorService &SystemCompressors();

// The catalogue list as the AVI options window shows it: "Sans Compression",
// then ListCodecs' lines, each kept up to its first zero character.
std::vector<std::string> CatalogueList(CompressorService &service = SystemCompressors());

// Appends one line per installed video compressor, in the service's order;
// returns how many.
std::int32_t ListCodecs(std::vector<std::string> &strings, CompressorService &service = SystemCompressors());

// Fills info for the compressor type / handler, opened in mode. Handler 0 or
// "DIB ": description "Non compressé: ", codes zero, true. A compressor that
// cannot be opened: "Introuvable: ", codes zero, false. The fixed descriptions
// are stored one byte (UTF-8) per character.
bool GetCodecInfo(std::uint32_t type, std::uint32_t handler, ICINFO &info, std::uint16_t mode,
    CompressorService &service = SystemCompressors());

// The codes of catalogue line index (line 0 is "Sans Compression"): for
// 1 <= index <= size - 1, characters 1-4 and 6-9 of the line as four bytes
// each (missing characters count as zero bytes) and true; otherwise zero codes
// and false.
bool GetCodec(const std::vector<std::string> &entries, std::int32_t index, std::uint32_t &type, std::uint32_t &handler);
