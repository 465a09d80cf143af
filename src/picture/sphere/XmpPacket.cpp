#include "picture/sphere/XmpPacket.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

const char kJpegXmpName[] = "http://ns.adobe.com/xap/1.0/"; // followed by a zero byte
const char kPngXmpKeyword[] = "XML:com.adobe.xmp";
constexpr int kTiffXmpTag = 700;
// Enough for any real file's headers; a hostile file cannot loop for long.
constexpr int kMaxSegments = 1 << 20;

std::uint32_t BigEndian(const std::uint8_t *p, int bytes)
{
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | p[i];
    return value;
}

std::uint32_t LittleEndian(const std::uint8_t *p, int bytes)
{
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | p[i];
    return value;
}

XmpSearch Problem(const std::string &text)
{
    return { {}, text };
}

// `size` bytes at `offset` as text.
bool ReadText(const ByteReader &read, std::uint64_t offset, std::size_t size, std::string &text)
{
    std::vector<std::uint8_t> bytes(size);
    if (size > 0 && !read(offset, size, bytes.data()))
        return false;
    text.assign(bytes.begin(), bytes.end());
    return true;
}

XmpSearch FromJpeg(const ByteReader &read)
{
    std::uint64_t at = 2;
    for (int segment = 0; segment < kMaxSegments; ++segment) {
        std::uint8_t head[4];
        if (!read(at, 2, head))
            return {}; // the file ends before its pixels: no packet
        if (head[0] != 0xFF)
            return Problem("the JPEG file's segments are damaged before its pixels");
        const std::uint8_t marker = head[1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            return {}; // the pixels: metadata comes before them
        if (!read(at + 2, 2, head + 2))
            return Problem("the JPEG file ends inside a segment's header");
        const std::uint32_t length = BigEndian(head + 2, 2);
        if (length < 2)
            return Problem("a JPEG segment has a length below 2");
        const std::size_t nameBytes = sizeof kJpegXmpName; // with the zero byte
        if (marker == 0xE1 && length - 2 >= nameBytes) {
            std::string name;
            if (!ReadText(read, at + 4, nameBytes, name))
                return Problem("the JPEG file ends inside an APP1 segment");
            if (std::memcmp(name.data(), kJpegXmpName, nameBytes) == 0) {
                XmpSearch found;
                if (!ReadText(read, at + 4 + nameBytes, length - 2 - nameBytes, found.packet))
                    return Problem("the JPEG file's XMP segment runs past the end of the file");
                return found;
            }
        }
        at += 2 + std::uint64_t(length);
    }
    return Problem("the JPEG file has too many segments before its pixels");
}

XmpSearch FromPngText(const std::string &data)
{
    // keyword \0 compressed method language \0 translated keyword \0 text
    const std::size_t keywordEnd = data.find('\0');
    if (keywordEnd == std::string::npos || data.compare(0, keywordEnd, kPngXmpKeyword) != 0)
        return {};
    if (data.size() < keywordEnd + 3)
        return Problem("the PNG file's XMP chunk ends inside its header");
    if (data[keywordEnd + 1] != 0)
        return Problem("the PNG file's XMP chunk is compressed (XMP packets are stored uncompressed)");
    const std::size_t languageEnd = data.find('\0', keywordEnd + 3);
    const std::size_t translatedEnd = languageEnd == std::string::npos ? languageEnd : data.find('\0', languageEnd + 1);
    if (translatedEnd == std::string::npos)
        return Problem("the PNG file's XMP chunk ends inside its header");
    return { data.substr(translatedEnd + 1), {} };
}

XmpSearch FromPng(const ByteReader &read)
{
    std::uint64_t at = 8;
    for (int chunk = 0; chunk < kMaxSegments; ++chunk) {
        std::uint8_t head[8];
        if (!read(at, 8, head))
            return {}; // no IEND: the decoder says what it thinks of that
        const std::uint32_t length = BigEndian(head, 4);
        if (length > 0x7FFFFFFFu)
            return Problem("a PNG chunk has a length past 2^31 - 1");
        if (std::memcmp(head + 4, "IEND", 4) == 0)
            return {};
        if (std::memcmp(head + 4, "iTXt", 4) == 0 && length > sizeof kPngXmpKeyword) {
            std::string keyword;
            if (!ReadText(read, at + 8, sizeof kPngXmpKeyword, keyword))
                return Problem("the PNG file ends inside an iTXt chunk");
            if (std::memcmp(keyword.data(), kPngXmpKeyword, sizeof kPngXmpKeyword) == 0) {
                if (length > kMaxXmpPacketBytes + 256)
                    return Problem(
                        "the PNG file's XMP chunk is larger than " + std::to_string(kMaxXmpPacketBytes) + " bytes");
                std::string data;
                if (!ReadText(read, at + 8, length, data))
                    return Problem("the PNG file's XMP chunk runs past the end of the file");
                return FromPngText(data);
            }
        }
        at += 12 + std::uint64_t(length);
    }
    return Problem("the PNG file has too many chunks");
}

XmpSearch FromTiff(const ByteReader &read, bool little)
{
    const auto number
        = [little](const std::uint8_t *p, int bytes) { return little ? LittleEndian(p, bytes) : BigEndian(p, bytes); };
    std::uint8_t head[8];
    if (!read(0, 8, head))
        return Problem("the TIFF file ends inside its header");
    if (number(head + 2, 2) != 42)
        return {}; // BigTIFF and others: not read here
    const std::uint32_t directory = number(head + 4, 4);
    std::uint8_t countBytes[2];
    if (!read(directory, 2, countBytes))
        return Problem("the TIFF file's first directory lies past the end of the file");
    const std::uint32_t count = number(countBytes, 2);
    for (std::uint32_t k = 0; k < count; ++k) {
        std::uint8_t entry[12];
        if (!read(std::uint64_t(directory) + 2 + 12 * std::uint64_t(k), 12, entry))
            return Problem("the TIFF file's first directory runs past the end of the file");
        if (number(entry, 2) != kTiffXmpTag)
            continue;
        const std::uint32_t type = number(entry + 2, 2), values = number(entry + 4, 4);
        if (type != 1 && type != 2 && type != 7) // BYTE, ASCII, UNDEFINED
            return Problem("the TIFF tag 700 (XMP) is of type " + std::to_string(type) + ", not bytes");
        if (values > kMaxXmpPacketBytes)
            return Problem("the TIFF tag 700 (XMP) is larger than " + std::to_string(kMaxXmpPacketBytes) + " bytes");
        XmpSearch found;
        if (values <= 4)
            found.packet.assign(reinterpret_cast<const char *>(entry + 8), values);
        else if (!ReadText(read, number(entry + 8, 4), values, found.packet))
            return Problem("the TIFF tag 700 (XMP) runs past the end of the file");
        // An ASCII value ends with a zero byte.
        while (!found.packet.empty() && found.packet.back() == '\0')
            found.packet.pop_back();
        return found;
    }
    return {};
}

} // namespace

XmpSearch FindXmpPacket(const ByteReader &read)
{
    std::uint8_t magic[8];
    if (!read(0, 4, magic))
        return {};
    XmpSearch found;
    if (magic[0] == 0xFF && magic[1] == 0xD8)
        found = FromJpeg(read);
    else if (std::memcmp(magic, "\x89PNG", 4) == 0) {
        if (read(0, 8, magic) && std::memcmp(magic, "\x89PNG\r\n\x1a\n", 8) == 0)
            found = FromPng(read);
    } else if (std::memcmp(magic, "II", 2) == 0 || std::memcmp(magic, "MM", 2) == 0)
        found = FromTiff(read, magic[0] == 'I');
    if (found.packet.size() > kMaxXmpPacketBytes)
        return Problem("the XMP packet is larger than " + std::to_string(kMaxXmpPacketBytes) + " bytes");
    return found;
}

XmpSearch FindXmpPacket(const std::uint8_t *data, std::size_t size)
{
    return FindXmpPacket([data, size](std::uint64_t offset, std::size_t count, std::uint8_t *to) {
        if (offset > size || count > size - offset)
            return false;
        std::memcpy(to, data + offset, count);
        return true;
    });
}

XmpSearch FindXmpPacketInFile(const std::string &path)
{
    const std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file)
        return Problem("cannot open " + path + ": " + std::strerror(errno));
    return FindXmpPacket([&file](std::uint64_t offset, std::size_t count, std::uint8_t *to) {
        if (offset > std::uint64_t(INT64_MAX) || fseeko(file.get(), off_t(offset), SEEK_SET) != 0)
            return false;
        return std::fread(to, 1, count, file.get()) == count;
    });
}
