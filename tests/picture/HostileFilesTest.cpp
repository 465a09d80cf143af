// Files that announce far more than they hold, built here byte by byte:
// every decoder refuses them from their header, before it takes any sizeable
// memory (each load runs in a child process whose address space may grow by
// only a few MB), and says why.
#include "common/Bitmap24.h"
#include "common/DecodeBudget.h"
#include "jpeg/JpegImage.h"
#include "picture/PictureLoader.h"

#include "TestUtils.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Enough for the libraries' contexts and small buffers, far below any of
// the refused pictures.
constexpr std::uint64_t kHeadroom = std::uint64_t(48) << 20;

void put16(Bytes &b, unsigned v)
{
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
void put32(Bytes &b, std::uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void put16Be(Bytes &b, unsigned v)
{
    b.push_back(std::uint8_t(v >> 8));
    b.push_back(std::uint8_t(v));
}
void put32Be(Bytes &b, std::uint32_t v)
{
    put16Be(b, v >> 16);
    put16Be(b, v & 0xFFFF);
}

// --- TIFF: one directory of SHORT and LONG fields, then one strip ---------

struct TiffField {
    std::uint16_t tag;
    std::uint32_t value;
    bool isLong = true;
};

enum : std::uint16_t {
    Width = 256,
    Length = 257,
    Bits = 258,
    Compression = 259,
    Photometric = 262,
    StripOffsets = 273,
    SamplesPerPixel = 277,
    RowsPerStrip = 278,
    StripByteCounts = 279,
    TileWidth = 322,
    TileLength = 323,
    TileOffsets = 324,
    TileByteCounts = 325,
};

// Fields in ascending tag order; offset fields point at the data.
Bytes tiffFile(std::vector<TiffField> fields, std::size_t dataBytes)
{
    const std::uint32_t dataAt = 8 + 2 + 12 * std::uint32_t(fields.size()) + 4;
    Bytes b = { 'I', 'I', 42, 0 };
    put32(b, 8);
    put16(b, unsigned(fields.size()));
    for (const TiffField &f : fields) {
        put16(b, f.tag);
        put16(b, f.isLong ? 4 : 3);
        put32(b, 1);
        const bool offset = f.tag == StripOffsets || f.tag == TileOffsets;
        if (f.isLong)
            put32(b, offset ? dataAt : f.value);
        else
            put16(b, f.value), put16(b, 0);
    }
    put32(b, 0);
    b.resize(b.size() + dataBytes, 0x55);
    return b;
}

TiffField shortField(std::uint16_t tag, std::uint32_t value)
{
    return { tag, value, false };
}

// 320 bytes: 131088 pixels wide, 2049 samples a pixel, a codec no one has
// (Qt's plug-in took 6.3 GB and 22 s to fail on it).
Bytes wideManySamplesUnknownCodec()
{
    return tiffFile({ { Width, 131088 }, { Length, 22 }, shortField(Bits, 8), shortField(Compression, 9999),
                        shortField(Photometric, 1), { StripOffsets, 0 }, shortField(SamplesPerPixel, 2049),
                        { RowsPerStrip, 22 }, { StripByteCounts, 198 } },
        198);
}

// The same layout with LZW, which libtiff decodes: the general decoder would
// take its 5.9 GB strip.
Bytes wideManySamplesLzw()
{
    return tiffFile({ { Width, 131088 }, { Length, 22 }, shortField(Bits, 8), shortField(Compression, 5),
                        shortField(Photometric, 1), { StripOffsets, 0 }, shortField(SamplesPerPixel, 2049),
                        { RowsPerStrip, 22 }, { StripByteCounts, 198 } },
        198);
}

// 200 bytes of CMYK announcing 16000 x 16000 (Qt's plug-in took 1 GB).
Bytes cmykLzw()
{
    return tiffFile({ { Width, 16000 }, { Length, 16000 }, shortField(Bits, 8), shortField(Compression, 5),
                        shortField(Photometric, 5), { StripOffsets, 0 }, shortField(SamplesPerPixel, 4),
                        { RowsPerStrip, 16000 }, { StripByteCounts, 78 } },
        78);
}

// One pixel in one uncompressed 65536 x 65536 tile.
Bytes onePixelHugeTile()
{
    return tiffFile({ { Width, 1 }, { Length, 1 }, shortField(Bits, 8), shortField(Compression, 1),
                        shortField(Photometric, 2), shortField(SamplesPerPixel, 3), { TileWidth, 65536 },
                        { TileLength, 65536 }, { TileOffsets, 0 }, { TileByteCounts, 64 } },
        64);
}

// Uncompressed RGB the file is too short for, read by our own rows.
Bytes rgbCutShort()
{
    return tiffFile({ { Width, 8000 }, { Length, 8000 }, shortField(Bits, 8), shortField(Compression, 1),
                        shortField(Photometric, 2), { StripOffsets, 0 }, shortField(SamplesPerPixel, 3),
                        { RowsPerStrip, 8000 }, { StripByteCounts, 192000000 } },
        4096);
}

// --- other formats ----------------------------------------------------------

std::uint32_t crc32Of(const std::uint8_t *p, std::size_t n)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void pngChunk(Bytes &b, const char *type, const Bytes &data)
{
    put32Be(b, std::uint32_t(data.size()));
    const std::size_t start = b.size();
    b.insert(b.end(), type, type + 4);
    b.insert(b.end(), data.begin(), data.end());
    put32Be(b, crc32Of(b.data() + start, b.size() - start));
}

// A PNG header announcing 60000 x 60000 RGB, then a few bytes of "data".
Bytes pngHeaderOnly()
{
    Bytes b = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    Bytes ihdr;
    put32Be(ihdr, 60000);
    put32Be(ihdr, 60000);
    ihdr.insert(ihdr.end(), { 8, 2, 0, 0, 0 });
    pngChunk(b, "IHDR", ihdr);
    pngChunk(b, "IDAT", { 0x78, 0x01, 0x63, 0x60, 0, 0 });
    pngChunk(b, "IEND", {});
    return b;
}

Bytes bmpHeaderOnly()
{
    Bytes b = { 'B', 'M' };
    put32(b, 54 + 16);
    put32(b, 0);
    put32(b, 54);
    put32(b, 40);
    put32(b, 20000);
    put32(b, 20000);
    put16(b, 1);
    put16(b, 24);
    for (int i = 0; i < 6; ++i)
        put32(b, 0);
    b.resize(b.size() + 16, 0x7F);
    return b;
}

// A baseline JPEG header of 60000 x 60000, without its scan data.
Bytes jpegHeaderOnly()
{
    Bytes b = { 0xFF, 0xD8, 0xFF, 0xDB, 0, 67, 0 };
    b.resize(b.size() + 64, 1);
    b.insert(b.end(), { 0xFF, 0xC0, 0, 11, 8 });
    put16Be(b, 60000);
    put16Be(b, 60000);
    b.insert(b.end(), { 1, 1, 0x11, 0 });
    b.insert(b.end(), { 0xFF, 0xC4, 0, 20, 0x00, 1 });
    b.resize(b.size() + 15, 0);
    b.push_back(0);
    b.insert(b.end(), { 0xFF, 0xC4, 0, 20, 0x10, 1 });
    b.resize(b.size() + 15, 0);
    b.push_back(0);
    b.insert(b.end(), { 0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 63, 0, 0, 0, 0xFF, 0xD9 });
    return b;
}

// A Targa header of 60000 x 60000 RLE pixels, and 100 bytes.
Bytes tgaHeaderOnly()
{
    Bytes b = { 0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0 };
    put16(b, 60000);
    put16(b, 60000);
    b.insert(b.end(), { 24, 0x20 });
    b.resize(b.size() + 100, 0x81);
    return b;
}

// A binary PPM header of 30000 x 30000, and a few bytes.
Bytes ppmHeaderOnly()
{
    const std::string head = "P6\n30000 30000\n255\n";
    Bytes b(head.begin(), head.end());
    b.resize(b.size() + 300, 0x40);
    return b;
}

struct HostileCase {
    const char *name;
    const char *fileName;
    Bytes (*file)();
    PictureError error;
    const char *reason; // the start of PictureErrorText
};

std::ostream &operator<<(std::ostream &out, const HostileCase &c)
{
    return out << c.name;
}

class HostileFile : public ::testing::TestWithParam<HostileCase> { };

TEST_P(HostileFile, IsRefusedFromItsHeaderWithItsReason)
{
    const HostileCase &c = GetParam();
    TempDir dir;
    const std::string path = (dir / c.fileName).string();
    writeFileBytes(path, c.file());
    PictureLoadResult result;
    const int outcome = runWithAddressSpaceHeadroom(kHeadroom, [&] {
        Bitmap24 target = makeTestPanorama(4, 3);
        const Bitmap24 before = target;
        if (LoadPictureFile(path, target, TJpegOptions {}, &result))
            return 1;
        if (!(target == before))
            return 2;
        if (result.error != c.error)
            return 10 + int(result.error);
        return PictureErrorText(result).rfind(c.reason, 0) == 0 ? 0 : 3;
    });
    // Out of the child: the same refusal, to show it.
    Bitmap24 target;
    LoadPictureFile(path, target, TJpegOptions {}, &result);
    EXPECT_EQ(outcome, 0) << PictureErrorText(result);
}

INSTANTIATE_TEST_SUITE_P(Table, HostileFile,
    ::testing::Values(HostileCase { "tiff_2049_samples_unknown_codec", "a.tif", wideManySamplesUnknownCodec,
                          PictureError::Damaged, "damaged data (compression 9999, which libtiff does not decode)" },
        HostileCase { "tiff_2049_samples_lzw", "a.tif", wideManySamplesLzw, PictureError::FileTooShort,
            "file too short for its announced size (131088 × 22)" },
        HostileCase { "tiff_cmyk_lzw", "a.tif", cmykLzw, PictureError::FileTooShort,
            "file too short for its announced size (16000 × 16000)" },
        HostileCase { "tiff_one_pixel_huge_tile", "a.tif", onePixelHugeTile, PictureError::FileTooShort,
            "file too short for its announced size (1 × 1)" },
        HostileCase { "tiff_rgb_cut_short", "a.tif", rgbCutShort, PictureError::FileTooShort,
            "file too short for its announced size (8000 × 8000)" },
        HostileCase { "png_header_only", "a.png", pngHeaderOnly, PictureError::FileTooShort,
            "file too short for its announced size (60000 × 60000)" },
        HostileCase { "bmp_header_only", "a.bmp", bmpHeaderOnly, PictureError::FileTooShort,
            "file too short for its announced size (20000 × 20000)" },
        HostileCase { "jpeg_header_only", "a.jpg", jpegHeaderOnly, PictureError::FileTooShort,
            "file too short for its announced size (60000 × 60000)" },
        HostileCase { "tga_header_only", "a.tga", tgaHeaderOnly, PictureError::FileTooShort,
            "file too short for its announced size (60000 × 60000)" },
        HostileCase { "ppm_header_only", "a.ppm", ppmHeaderOnly, PictureError::FileTooShort,
            "file too short for its announced size (30000 × 30000)" }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
