#include "options/CodecCatalogue.h"

namespace {

constexpr std::uint32_t kStreamType = mmioFOURCC('v', 'i', 'd', 's');
constexpr std::uint32_t kUncompressed = mmioFOURCC('D', 'I', 'B', ' ');

// Every byte of the field that is not zero, in memory order (little-endian).
std::string descriptionBytes(const ICINFO &info)
{
    std::string text;
    for (char16_t unit : info.szDescription)
        for (const char byte : { char(unit & 0xFF), char(unit >> 8) })
            if (byte)
                text += byte;
    return text;
}

void setFixedDescription(ICINFO &info, const char *text)
{
    for (std::size_t i = 0; text[i] && i + 1 < std::size(info.szDescription); ++i)
        info.szDescription[i] = char16_t(static_cast<unsigned char>(text[i]));
}

std::uint32_t codeAt(const std::string &text, std::size_t first)
{
    std::uint32_t code = 0;
    for (std::size_t i = 0; i < 4; ++i)
        if (first + i < text.size())
            code |= std::uint32_t(static_cast<unsigned char>(text[first + i])) << (8 * i);
    return code;
}

} // namespace

CompressorService &SystemCompressors()
{
    static CompressorService service;
    return service;
}

std::int32_t ListCodecs(std::vector<std::string> &strings, CompressorService &service)
{
    ICINFO record;
    record.dwSize = sizeof(ICINFO);
    std::int32_t count = 0;
    while (service.info(ICTYPE_VIDEO, std::uint32_t(count), &record)) {
        GetCodecInfo(record.fccType, record.fccHandler, record, ICMODE_QUERY, service);
        const std::string line
            = fourccBytes(record.fccType) + "." + fourccBytes(record.fccHandler) + "   " + descriptionBytes(record);
        strings.push_back(line.substr(0, line.find('\0'))); // a list line ends at its first zero character
        ++count;
    }
    return count;
}

bool GetCodecInfo(
    std::uint32_t type, std::uint32_t handler, ICINFO &info, std::uint16_t mode, CompressorService &service)
{
    info = ICINFO();
    info.dwSize = sizeof(ICINFO);
    if (handler == 0 || handler == kUncompressed) {
        setFixedDescription(info, "Non compressé: ");
        return true;
    }
    if (type == kStreamType)
        type = ICTYPE_VIDEO;
    HIC hic = service.open(type, handler, mode);
    if (!hic) {
        setFixedDescription(info, "Introuvable: ");
        return false;
    }
    service.getInfo(hic, &info, sizeof(ICINFO));
    service.close(hic);
    return true;
}

bool GetCodec(const std::vector<std::string> &entries, std::int32_t index, std::uint32_t &type, std::uint32_t &handler)
{
    type = handler = 0;
    if (index < 1 || std::size_t(index) >= entries.size())
        return false;
    type = codeAt(entries[std::size_t(index)], 0);
    handler = codeAt(entries[std::size_t(index)], 5);
    return true;
}

std::vector<std::string> CatalogueList(CompressorService &service)
{
    std::vector<std::string> lines { "Sans Compression" };
    ListCodecs(lines, service);
    for (std::string &line : lines)
        line = line.c_str(); // a list line ends at its first zero character
    return lines;
}
