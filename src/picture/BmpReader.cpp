#include "picture/BmpReader.h"

#include "common/Bitmap24.h"
#include "common/MappedFile.h"

#include <array>
#include <cstring>

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;

std::uint16_t u16(const std::uint8_t *p)
{
    return std::uint16_t(p[0] | (p[1] << 8));
}

std::uint32_t u32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

struct Bgr {
    std::uint8_t b = 0, g = 0, r = 0;
};

// One colour channel described by a bit mask, scaled to 8 bits.
class Channel {
public:
    explicit Channel(std::uint32_t mask = 0)
        : m_mask(mask)
    {
        if (!mask)
            return;
        while (!((mask >> m_shift) & 1))
            ++m_shift;
        std::uint32_t rest = mask >> m_shift;
        while (rest) {
            ++m_bits;
            rest >>= 1;
        }
        m_max = (std::uint64_t(1) << m_bits) - 1;
    }
    std::uint8_t operator()(std::uint32_t pixel) const
    {
        if (!m_mask)
            return 0;
        const std::uint64_t v = (pixel & m_mask) >> m_shift;
        if (m_bits == 8)
            return std::uint8_t(v);
        return std::uint8_t((v * 255 + m_max / 2) / m_max); // rounded, any width
    }

private:
    std::uint32_t m_mask;
    int m_shift = 0;
    int m_bits = 0;
    std::uint64_t m_max = 1;
};

struct Header {
    std::int64_t width = 0;
    std::int64_t height = 0; // positive; topDown tells the row order
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t colorsUsed = 0;
    std::uint32_t masks[3] = { 0, 0, 0 };
    std::size_t paletteOffset = 0;
    std::size_t paletteEntrySize = 4;
    std::size_t pixelOffset = 0;
};

void putPixel(std::uint8_t *row, std::int64_t x, const Bgr &c)
{
    row[3 * x] = c.b;
    row[3 * x + 1] = c.g;
    row[3 * x + 2] = c.r;
}

} // namespace

bool BmpReader::fail(const char *why)
{
    m_error = why;
    return false;
}

bool BmpReader::loadFromFile(const std::string &fileName, Bitmap24 &target)
{
    MappedFile file(fileName);
    if (!file.isOpen()) {
        target.clear();
        return fail("cannot read the file");
    }
    return decode(file.data(), file.size(), target);
}

bool BmpReader::decode(const std::uint8_t *data, std::size_t size, Bitmap24 &target)
{
    target.clear();
    m_error.clear();
    if (size < 14 + 12 || data[0] != 'B' || data[1] != 'M')
        return fail("not a bitmap file");

    Header h;
    h.pixelOffset = u32(data + 10);
    const std::uint32_t headerSize = u32(data + 14);
    if (headerSize < 12 || headerSize > size - 14)
        return fail("bad header size");
    const std::uint8_t *info = data + 14;

    if (headerSize == 12) { // OS/2 1.x core header: 16-bit sizes, 3-byte palette entries
        h.width = u16(info + 4);
        h.height = u16(info + 6);
        h.bitCount = u16(info + 10);
        h.paletteEntrySize = 3;
    } else {
        if (headerSize < 16)
            return fail("bad header size");
        h.width = std::int32_t(u32(info + 4));
        const std::int32_t height = std::int32_t(u32(info + 8));
        if (height == INT32_MIN)
            return fail("bad height");
        h.topDown = height < 0;
        h.height = height < 0 ? -std::int64_t(height) : height;
        h.bitCount = u16(info + 14);
        // OS/2 2.x headers may stop after any field: missing fields read as 0.
        if (headerSize >= 20)
            h.compression = u32(info + 16);
        if (headerSize >= 36)
            h.colorsUsed = u32(info + 32);
        if (headerSize >= 52)
            for (int i = 0; i < 3; ++i)
                h.masks[i] = u32(info + 40 + 4 * i);
    }
    std::size_t afterHeader = 14 + std::size_t(headerSize);

    const bool bitfields = h.compression == kBiBitfields || h.compression == kBiAlphaBitfields;
    if (bitfields && headerSize == 40) { // masks follow a plain info header
        const std::size_t maskCount = h.compression == kBiAlphaBitfields ? 4 : 3;
        if (afterHeader + 4 * maskCount > size)
            return fail("truncated masks");
        for (int i = 0; i < 3; ++i)
            h.masks[i] = u32(data + afterHeader + 4 * i);
        afterHeader += 4 * maskCount;
    }
    h.paletteOffset = afterHeader;

    if (h.width <= 0 || h.height <= 0)
        return fail("empty or negative size");
    switch (h.compression) {
    case kBiRgb:
        if (h.bitCount != 1 && h.bitCount != 4 && h.bitCount != 8 && h.bitCount != 16 && h.bitCount != 24
            && h.bitCount != 32)
            return fail("unsupported bit count");
        break;
    case kBiRle8:
        if (h.bitCount != 8 || h.topDown)
            return fail("bad RLE8 bitmap");
        break;
    case kBiRle4:
        if (h.bitCount != 4 || h.topDown)
            return fail("bad RLE4 bitmap");
        break;
    case kBiBitfields:
    case kBiAlphaBitfields:
        if (h.bitCount != 16 && h.bitCount != 32)
            return fail("bit fields need 16 or 32 bits");
        break;
    default:
        return fail("unsupported compression");
    }
    if (!Bitmap24::sizeAllowed(h.width, h.height))
        return fail("picture too large");

    // Palette: only what the pixels can index is used; missing entries stay black.
    std::array<Bgr, 256> palette {};
    if (h.bitCount <= 8) {
        const std::size_t maxEntries = std::size_t(1) << h.bitCount;
        std::size_t count = h.colorsUsed ? std::size_t(h.colorsUsed) : maxEntries;
        if (count > maxEntries)
            count = maxEntries;
        if (h.paletteOffset + count * h.paletteEntrySize > size)
            return fail("truncated palette");
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t *e = data + h.paletteOffset + i * h.paletteEntrySize;
            palette[i] = { e[0], e[1], e[2] };
        }
    }
    if (!bitfields) {
        if (h.bitCount == 16) {
            h.masks[0] = 0x7C00;
            h.masks[1] = 0x03E0;
            h.masks[2] = 0x001F;
        } else if (h.bitCount == 32) {
            h.masks[0] = 0xFF0000;
            h.masks[1] = 0x00FF00;
            h.masks[2] = 0x0000FF;
        }
    }

    if (h.pixelOffset < h.paletteOffset || h.pixelOffset >= size)
        return fail("bad pixel data offset");
    const std::uint8_t *pixels = data + h.pixelOffset;
    const std::size_t available = size - h.pixelOffset;
    const int width = int(h.width);
    const int height = int(h.height);

    if (h.compression == kBiRle8 || h.compression == kBiRle4) {
        if (!target.resize(width, height))
            return fail("out of memory");
        target.fill(palette[0].b, palette[0].g, palette[0].r);
        const bool four = h.compression == kBiRle4;
        std::size_t pos = 0;
        std::int64_t x = 0, y = height - 1; // the stream starts at the bottom row
        auto put = [&](unsigned index) {
            if (x < width && y >= 0)
                putPixel(target.scanLine(int(y)), x, palette[index]);
            ++x;
        };
        for (;;) {
            if (y < 0)
                return true; // every row is done: a missing end marker is harmless
            if (pos + 2 > available)
                return target.clear(), fail("truncated RLE data");
            const unsigned count = pixels[pos], value = pixels[pos + 1];
            pos += 2;
            if (count) {
                for (unsigned i = 0; i < count; ++i)
                    put(four ? ((i & 1) ? value & 15 : value >> 4) : value);
                continue;
            }
            if (value == 0) { // end of line
                x = 0;
                --y;
            } else if (value == 1) { // end of bitmap
                return true;
            } else if (value == 2) { // delta: right and up (towards the top row)
                if (pos + 2 > available)
                    return target.clear(), fail("truncated RLE delta");
                x += pixels[pos];
                y -= pixels[pos + 1];
                pos += 2;
            } else { // absolute run of 'value' pixels, padded to a 16-bit boundary
                const std::size_t bytes = four ? (value + 1) / 2 : value;
                if (pos + bytes > available)
                    return target.clear(), fail("truncated RLE run");
                for (unsigned i = 0; i < value; ++i) {
                    const unsigned byte = pixels[pos + (four ? i / 2 : i)];
                    put(four ? ((i & 1) ? byte & 15 : byte >> 4) : byte);
                }
                pos += (bytes + 1) & ~std::size_t(1);
            }
        }
    }

    const std::uint64_t rowBytes = ((std::uint64_t(h.width) * std::uint64_t(h.bitCount) + 31) / 32) * 4;
    if (rowBytes * std::uint64_t(h.height) > available)
        return fail("truncated pixel data");
    if (!target.resize(width, height))
        return fail("out of memory");

    const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
    for (int row = 0; row < height; ++row) {
        const std::uint8_t *src = pixels + std::size_t(rowBytes) * std::size_t(row);
        std::uint8_t *dst = target.scanLine(h.topDown ? row : height - 1 - row);
        switch (h.bitCount) {
        case 1:
        case 4:
        case 8: {
            const int bits = h.bitCount;
            const unsigned mask = (1u << bits) - 1;
            for (int x = 0; x < width; ++x) {
                const std::size_t bit = std::size_t(x) * bits;
                const unsigned index = (src[bit / 8] >> (8 - bits - bit % 8)) & mask;
                putPixel(dst, x, palette[index]);
            }
            break;
        }
        case 16:
            for (int x = 0; x < width; ++x) {
                const std::uint32_t p = u16(src + 2 * x);
                putPixel(dst, x, { blue(p), green(p), red(p) });
            }
            break;
        case 24:
            std::memcpy(dst, src, std::size_t(width) * 3);
            break;
        case 32:
            for (int x = 0; x < width; ++x) {
                const std::uint32_t p = u32(src + 4 * x);
                putPixel(dst, x, { blue(p), green(p), red(p) });
            }
            break;
        }
    }
    return true;
}
