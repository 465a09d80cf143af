#include "options/CodecCatalogue.h"

#include "video/FourCC.h"

namespace {

constexpr std::uint32_t kCompressorType = mmioFOURCC('v', 'i', 'd', 'c');

} // namespace

std::vector<CatalogueEntry> Catalogue(const std::vector<AviCompressor> &compressors)
{
    std::vector<CatalogueEntry> entries { { "Sans Compression", 0 } };
    for (const AviCompressor &c : compressors) {
        const std::string line = fourccBytes(kCompressorType) + "." + fourccBytes(c.code) + "   " + c.description;
        entries.push_back({ line.substr(0, line.find('\0')), c.code }); // a list line ends at its first zero character
    }
    return entries;
}

std::vector<std::string> CatalogueList(const std::vector<AviCompressor> &compressors)
{
    std::vector<std::string> lines;
    for (CatalogueEntry &entry : Catalogue(compressors))
        lines.push_back(std::move(entry.line));
    return lines;
}

bool GetCodec(
    const std::vector<CatalogueEntry> &entries, std::int32_t index, std::uint32_t &type, std::uint32_t &handler)
{
    type = handler = 0;
    if (index < 1 || std::size_t(index) >= entries.size())
        return false;
    type = kCompressorType;
    handler = entries[std::size_t(index)].code;
    return true;
}
