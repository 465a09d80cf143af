#include "picture/BmpReader.h"

#include "common/Bitmap24.h"
#include "common/DecodeBudget.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

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

// Bytes read at a time: rows of uncompressed pictures, RLE data.
constexpr std::size_t kChunkBytes = std::size_t(1) << 20;

} // namespace

class BmpReader::Source {
public:
    virtual ~Source() = default;
    virtual std::uint64_t size() const = 0;
    // Exactly n bytes at offset, or false.
    virtual bool read(std::uint64_t offset, void *out, std::size_t n) = 0;
    virtual FileError error() const { return FileError::Changed; }
    virtual int systemError() const { return 0; }
};

namespace {

class MemorySource : public BmpReader::Source {
public:
    MemorySource(const std::uint8_t *data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {
    }
    std::uint64_t size() const override { return m_size; }
    bool read(std::uint64_t offset, void *out, std::size_t n) override
    {
        if (offset > m_size || n > m_size - offset)
            return false;
        if (n)
            std::memcpy(out, m_data + offset, n);
        return true;
    }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
};

class FileSource : public BmpReader::Source {
public:
    explicit FileSource(InputFile &file)
        : m_file(file)
    {
    }
    std::uint64_t size() const override { return m_file.size(); }
    bool read(std::uint64_t offset, void *out, std::size_t n) override { return m_file.readAt(offset, out, n); }
    FileError error() const override { return m_file.error(); }
    int systemError() const override { return m_file.systemError(); }

private:
    InputFile &m_file;
};

// The RLE stream, read forward a chunk at a time.
class ByteStream {
public:
    ByteStream(BmpReader::Source &source, std::uint64_t start, const CancelCheck &cancelled)
        : m_source(source)
        , m_next(start)
        , m_cancelled(cancelled)
    {
    }
    enum class Status { Ok, End, ReadError, Interrupted };
    // n (at most 256) bytes in a row, valid until the next call.
    Status take(std::size_t n, const std::uint8_t *&bytes)
    {
        if (m_buffer.size() - m_at < n) {
            const Status s = refill(n);
            if (s != Status::Ok)
                return s;
        }
        bytes = m_buffer.data() + m_at;
        m_at += n;
        return Status::Ok;
    }

private:
    Status refill(std::size_t n)
    {
        if (m_cancelled && m_cancelled())
            return Status::Interrupted;
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + std::ptrdiff_t(m_at));
        m_at = 0;
        const std::uint64_t left = m_source.size() > m_next ? m_source.size() - m_next : 0;
        const std::size_t more = std::size_t(std::min<std::uint64_t>(left, kChunkBytes));
        const std::size_t kept = m_buffer.size();
        m_buffer.resize(kept + more);
        if (more && !m_source.read(m_next, m_buffer.data() + kept, more))
            return Status::ReadError;
        m_next += more;
        return m_buffer.size() < n ? Status::End : Status::Ok;
    }

    BmpReader::Source &m_source;
    std::uint64_t m_next;
    const CancelCheck &m_cancelled;
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_at = 0;
};

} // namespace

bool BmpReader::fail(const char *why, PictureError error)
{
    m_result.error = error;
    m_result.detail = why;
    return false;
}

bool BmpReader::failRead(Source &source)
{
    if (source.error() == FileError::Changed)
        return fail("truncated data");
    m_result.fileError = source.error();
    m_result.systemError = source.systemError();
    return fail("cannot read the file", PictureError::File);
}

bool BmpReader::loadFromFile(const std::string &fileName, Bitmap24 &target)
{
    InputFile file(fileName);
    return load(file, target);
}

bool BmpReader::load(InputFile &file, Bitmap24 &target, const CancelCheck &cancelled, const LoadSizeChoice &keep)
{
    if (!file.isOpen()) {
        target.clear();
        m_result = {};
        m_result.fileError = file.error();
        m_result.systemError = file.systemError();
        return fail("cannot open the file", PictureError::File);
    }
    FileSource source(file);
    const bool ok = decodeFrom(source, target, cancelled, keep);
    m_result.file = file.identity();
    return ok;
}

bool BmpReader::decode(const std::uint8_t *data, std::size_t size, Bitmap24 &target, const LoadSizeChoice &keep)
{
    MemorySource source(data, size);
    return decodeFrom(source, target, {}, keep);
}

bool BmpReader::decodeFrom(Source &src, Bitmap24 &target, const CancelCheck &cancelled, const LoadSizeChoice &keep)
{
    target.clear();
    m_result = {};
    const std::uint64_t size = src.size();
    // File header, then the fields of the information header that are used.
    std::uint8_t head[14 + 52] = {};
    if (size < 14 + 12)
        return fail("not a bitmap file");
    if (!src.read(0, head, std::size_t(std::min<std::uint64_t>(size, sizeof head))))
        return failRead(src);
    if (head[0] != 'B' || head[1] != 'M')
        return fail("not a bitmap file");

    Header h;
    h.pixelOffset = u32(head + 10);
    const std::uint32_t headerSize = u32(head + 14);
    if (headerSize < 12 || headerSize > size - 14)
        return fail("bad header size");
    const std::uint8_t *info = head + 14;

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
    std::uint64_t afterHeader = 14 + std::uint64_t(headerSize);

    const bool bitfields = h.compression == kBiBitfields || h.compression == kBiAlphaBitfields;
    if (bitfields && headerSize == 40) { // masks follow a plain info header
        const std::size_t maskCount = h.compression == kBiAlphaBitfields ? 4 : 3;
        std::uint8_t masks[16];
        if (afterHeader + 4 * maskCount > size)
            return fail("truncated masks");
        if (!src.read(afterHeader, masks, 12))
            return failRead(src);
        for (int i = 0; i < 3; ++i)
            h.masks[i] = u32(masks + 4 * i);
        afterHeader += 4 * maskCount;
    }
    h.paletteOffset = std::size_t(afterHeader);

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
    m_result.width = h.width;
    m_result.height = h.height;
    if (!Bitmap24::sizeAllowed(h.width, h.height))
        return fail("picture too large", PictureError::TooLarge);

    // Palette: only what the pixels can index is used; missing entries stay black.
    std::array<Bgr, 256> palette {};
    if (h.bitCount <= 8) {
        const std::size_t maxEntries = std::size_t(1) << h.bitCount;
        std::size_t count = h.colorsUsed ? std::size_t(h.colorsUsed) : maxEntries;
        if (count > maxEntries)
            count = maxEntries;
        std::uint8_t entries[256 * 4];
        if (h.paletteOffset + count * h.paletteEntrySize > size)
            return fail("truncated palette");
        if (!src.read(h.paletteOffset, entries, count * h.paletteEntrySize))
            return failRead(src);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t *e = entries + i * h.paletteEntrySize;
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
    const std::uint64_t available = size - h.pixelOffset;
    const int width = int(h.width);
    const int height = int(h.height);

    const std::uint64_t rowBytes = ((std::uint64_t(h.width) * std::uint64_t(h.bitCount) + 31) / 32) * 4;
    const bool rle = h.compression == kBiRle8 || h.compression == kBiRle4;
    DecodePlan plan;
    plan.width = h.width;
    plan.height = h.height;
    plan.unpackedBytes = rowBytes * std::uint64_t(h.height);
    // An RLE stream may end the picture at any point (the rest keeps
    // palette entry 0): no bound on its packing. Rows are read a batch of
    // about 1 MB at a time, RLE data 1 MB at a time.
    plan.mostUnpacked = rle ? 0 : 1;
    plan.workBytes = rle ? kChunkBytes + 65536 : kChunkBytes + rowBytes;
    if (!AcceptPlan(plan, available, m_result, keep)) {
        m_result.detail = m_result.error == PictureError::FileTooShort ? "truncated pixel data" : "out of memory";
        return false;
    }

    if (rle) {
        // Rows are filled with palette entry 0 only as the stream reaches
        // them, so cut data fail before most of the bitmap is touched.
        if (!target.resize(width, height))
            return fail("out of memory", PictureError::OutOfMemory);
        const bool four = h.compression == kBiRle4;
        int filledFrom = height; // rows filledFrom..height-1 hold their background
        // The background of a row, copied in pieces of up to 64 kB.
        const std::size_t rowBytes = std::size_t(width) * 3;
        std::vector<std::uint8_t> background(std::min<std::size_t>(rowBytes, 65535 / 3 * 3));
        for (std::size_t i = 0; i < background.size(); i += 3)
            putPixel(background.data(), std::int64_t(i / 3), palette[0]);
        const auto fillDownTo = [&](std::int64_t row) {
            for (; filledFrom > row; --filledFrom) {
                std::uint8_t *line = target.scanLine(filledFrom - 1);
                for (std::size_t done = 0; done < rowBytes; done += background.size())
                    std::memcpy(line + done, background.data(), std::min(background.size(), rowBytes - done));
            }
        };
        const auto done = [&] {
            fillDownTo(0);
            return true;
        };
        ByteStream stream(src, h.pixelOffset, cancelled);
        const auto streamFailed = [&](ByteStream::Status s, const char *why) {
            target.clear();
            if (s == ByteStream::Status::Interrupted)
                return fail("interrupted", PictureError::Interrupted);
            if (s == ByteStream::Status::ReadError)
                return failRead(src);
            return fail(why);
        };
        std::int64_t x = 0, y = height - 1; // the stream starts at the bottom row
        auto put = [&](unsigned index) {
            if (x < width && y >= 0) {
                if (y < filledFrom)
                    fillDownTo(y);
                putPixel(target.scanLine(int(y)), x, palette[index]);
            }
            ++x;
        };
        const std::uint8_t *p = nullptr;
        for (;;) {
            if (y < 0)
                return done(); // every row is done: a missing end marker is harmless
            if (const auto s = stream.take(2, p); s != ByteStream::Status::Ok)
                return streamFailed(s, "truncated RLE data");
            const unsigned count = p[0], value = p[1];
            if (count) {
                for (unsigned i = 0; i < count; ++i)
                    put(four ? ((i & 1) ? value & 15 : value >> 4) : value);
                continue;
            }
            if (value == 0) { // end of line
                x = 0;
                --y;
            } else if (value == 1) { // end of bitmap
                return done();
            } else if (value == 2) { // delta: right and up (towards the top row)
                if (const auto s = stream.take(2, p); s != ByteStream::Status::Ok)
                    return streamFailed(s, "truncated RLE delta");
                x += p[0];
                y -= p[1];
            } else { // absolute run of 'value' pixels, padded to a 16-bit boundary
                const std::size_t bytes = four ? (value + 1) / 2 : value;
                if (const auto s = stream.take((bytes + 1) & ~std::size_t(1), p); s != ByteStream::Status::Ok)
                    return streamFailed(s, "truncated RLE run");
                for (unsigned i = 0; i < value; ++i) {
                    const unsigned byte = p[four ? i / 2 : i];
                    put(four ? ((i & 1) ? byte & 15 : byte >> 4) : byte);
                }
            }
        }
    }

    if (!target.resize(width, height))
        return fail("out of memory", PictureError::OutOfMemory);

    const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
    const int batch = int(std::max<std::uint64_t>(1, kChunkBytes / rowBytes));
    std::vector<std::uint8_t> rows;
    try {
        rows.resize(std::size_t(rowBytes) * std::size_t(std::min(batch, height)));
    } catch (const std::bad_alloc &) {
        target.clear();
        return fail("out of memory", PictureError::OutOfMemory);
    }
    for (int first = 0; first < height; first += batch) {
        const int count = std::min(batch, height - first);
        if (cancelled && cancelled()) {
            target.clear();
            return fail("interrupted", PictureError::Interrupted);
        }
        if (!src.read(h.pixelOffset + rowBytes * std::uint64_t(first), rows.data(), std::size_t(rowBytes) * count)) {
            target.clear();
            return failRead(src);
        }
        for (int i = 0; i < count; ++i) {
            const int row = first + i;
            const std::uint8_t *in = rows.data() + std::size_t(rowBytes) * std::size_t(i);
            std::uint8_t *dst = target.scanLine(h.topDown ? row : height - 1 - row);
            switch (h.bitCount) {
            case 1:
            case 4:
            case 8: {
                const int bits = h.bitCount;
                const unsigned mask = (1u << bits) - 1;
                for (int x = 0; x < width; ++x) {
                    const std::size_t bit = std::size_t(x) * bits;
                    const unsigned index = (in[bit / 8] >> (8 - bits - bit % 8)) & mask;
                    putPixel(dst, x, palette[index]);
                }
                break;
            }
            case 16:
                for (int x = 0; x < width; ++x) {
                    const std::uint32_t p = u16(in + 2 * x);
                    putPixel(dst, x, { blue(p), green(p), red(p) });
                }
                break;
            case 24:
                std::memcpy(dst, in, std::size_t(width) * 3);
                break;
            case 32:
                for (int x = 0; x < width; ++x) {
                    const std::uint32_t p = u32(in + 4 * x);
                    putPixel(dst, x, { blue(p), green(p), red(p) });
                }
                break;
            }
        }
    }
    return true;
}
