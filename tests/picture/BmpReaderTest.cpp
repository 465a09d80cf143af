#include "picture/BmpReader.h"
#include "common/Bitmap24.h"

#include "TestUtils.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <array>
#include <chrono>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes &b, unsigned v)
{
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}

void put32(Bytes &b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(std::uint8_t(v >> (8 * i)));
}

// What a test file is made of; the bytes are assembled by makeBmp.
struct BmpFileLayout {
    int headerSize = 40; // 12, 40, 64, 108, 124
    int width = 5;
    int height = 3; // negative: top-down
    int bitCount = 24;
    std::uint32_t compression = 0;
    std::vector<std::uint32_t> masks; // after a 40-byte header, or inside V4/V5
    std::vector<PixelBgr> palette; // written as 3- or 4-byte entries
    Bytes pixels; // exactly as stored
};

Bytes makeBmp(const BmpFileLayout &s)
{
    Bytes info;
    put32(info, std::uint32_t(s.headerSize));
    if (s.headerSize == 12) {
        put16(info, unsigned(s.width));
        put16(info, unsigned(s.height));
        put16(info, 1);
        put16(info, unsigned(s.bitCount));
    } else {
        put32(info, std::uint32_t(s.width));
        put32(info, std::uint32_t(s.height));
        put16(info, 1);
        put16(info, unsigned(s.bitCount));
        put32(info, s.compression);
        put32(info, std::uint32_t(s.pixels.size()));
        put32(info, 2835);
        put32(info, 2835);
        put32(info, std::uint32_t(s.palette.size()));
        put32(info, 0);
        if (s.headerSize >= 108) {
            for (int i = 0; i < 4; ++i)
                put32(info, i < int(s.masks.size()) ? s.masks[std::size_t(i)] : 0);
            put32(info, 0x73524742); // 'sRGB'
        }
        info.resize(std::size_t(s.headerSize), 0);
        if (s.headerSize == 40)
            for (std::uint32_t m : s.masks)
                put32(info, m);
    }
    for (const PixelBgr &c : s.palette) {
        info.insert(info.end(), { c.b, c.g, c.r });
        if (s.headerSize != 12)
            info.push_back(0);
    }
    Bytes file = { 'B', 'M' };
    put32(file, std::uint32_t(14 + info.size() + s.pixels.size()));
    put32(file, 0);
    put32(file, std::uint32_t(14 + info.size()));
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), s.pixels.begin(), s.pixels.end());
    return file;
}

std::vector<PixelBgr> makePalette(int count)
{
    std::vector<PixelBgr> palette;
    for (int i = 0; i < count; ++i)
        palette.push_back({ std::uint8_t(i * 37 + 1), std::uint8_t(i * 91 + 2), std::uint8_t(i * 13 + 3) });
    return palette;
}

// A picture given as a function of (x, y) in top-down coordinates.
using PixelFn = std::function<PixelBgr(int, int)>;

// Rows in file order (bottom-up unless topDown), each padded to 4 bytes.
Bytes packRows(int width, int height, bool topDown, int bitCount, const std::function<std::uint32_t(int, int)> &value)
{
    Bytes out;
    const std::size_t rowBytes = ((std::size_t(width) * bitCount + 31) / 32) * 4;
    for (int r = 0; r < height; ++r) {
        const int y = topDown ? r : height - 1 - r;
        Bytes row(rowBytes, 0);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = value(x, y);
            if (bitCount < 8) {
                const std::size_t bit = std::size_t(x) * bitCount;
                row[bit / 8] |= std::uint8_t(v << (8 - bitCount - bit % 8));
            } else {
                for (int i = 0; i < bitCount / 8; ++i)
                    row[std::size_t(x) * (bitCount / 8) + i] = std::uint8_t(v >> (8 * i));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

std::uint8_t scaled(std::uint32_t v, int bits)
{
    return std::uint8_t(std::lround(v * 255.0 / ((1u << bits) - 1)));
}

struct VariantCase {
    std::string name;
    BmpFileLayout file;
    PixelFn expected;
};

std::ostream &operator<<(std::ostream &os, const VariantCase &c)
{
    return os << c.name;
}

VariantCase indexedCase(std::string name, int headerSize, int bitCount, int colours, int height = 3)
{
    VariantCase c;
    c.name = std::move(name);
    c.file.headerSize = headerSize;
    c.file.bitCount = bitCount;
    c.file.width = 11; // odd widths exercise partial bytes and row padding
    c.file.height = height;
    c.file.palette = makePalette(colours);
    auto index = [colours](int x, int y) { return std::uint32_t((x + 3 * y) % colours); };
    c.file.pixels = packRows(11, std::abs(height), height < 0, bitCount, index);
    const auto palette = c.file.palette;
    c.expected = [palette, index](int x, int y) { return palette[index(x, y)]; };
    return c;
}

VariantCase trueColourCase(std::string name, int headerSize, int height = 3)
{
    VariantCase c;
    c.name = std::move(name);
    c.file.headerSize = headerSize;
    c.file.bitCount = 24;
    c.file.width = 7;
    c.file.height = height;
    c.file.pixels = packRows(7, std::abs(height), height < 0, 24, [](int x, int y) {
        const PixelBgr p = testPanoramaPixel(x * 40, y * 70);
        return std::uint32_t(p.b | (p.g << 8) | (p.r << 16));
    });
    c.expected = [](int x, int y) { return testPanoramaPixel(x * 40, y * 70); };
    return c;
}

// 16 or 32 bits through masks; rBits/gBits/bBits and shifts give the layout.
VariantCase maskedCase(std::string name, int headerSize, int bitCount, std::uint32_t compression, int rShift, int rBits,
    int gShift, int gBits, int bShift, int bBits, bool writeMasks, std::uint32_t filler = 0)
{
    VariantCase c;
    c.name = std::move(name);
    c.file.headerSize = headerSize;
    c.file.bitCount = bitCount;
    c.file.compression = compression;
    c.file.width = 9;
    c.file.height = 4;
    if (writeMasks)
        c.file.masks = { ((1u << rBits) - 1) << rShift, ((1u << gBits) - 1) << gShift, ((1u << bBits) - 1) << bShift };
    auto channels = [=](int x, int y) {
        const std::uint32_t r = std::uint32_t(x * 7 + y) % (1u << rBits);
        const std::uint32_t g = std::uint32_t(x * 3 + y * 11) % (1u << gBits);
        const std::uint32_t b = std::uint32_t(x + y * 5 + 1) % (1u << bBits);
        return std::array<std::uint32_t, 3> { r, g, b };
    };
    c.file.pixels = packRows(9, 4, false, bitCount, [=](int x, int y) {
        const auto v = channels(x, y);
        return (v[0] << rShift) | (v[1] << gShift) | (v[2] << bShift) | filler;
    });
    c.expected = [=](int x, int y) {
        const auto v = channels(x, y);
        return PixelBgr { scaled(v[2], bBits), scaled(v[1], gBits), scaled(v[0], rBits) };
    };
    return c;
}

std::vector<VariantCase> variantCases()
{
    std::vector<VariantCase> cases = {
        indexedCase("Core1Bit", 12, 1, 2),
        indexedCase("Core4Bit", 12, 4, 16),
        indexedCase("Core8Bit", 12, 8, 256),
        indexedCase("Info1Bit", 40, 1, 2),
        indexedCase("Info4Bit", 40, 4, 16),
        indexedCase("Info4BitShortPalette", 40, 4, 5),
        indexedCase("Info8Bit", 40, 8, 256),
        indexedCase("Info8BitTopDown", 40, 8, 200, -4),
        indexedCase("V5Bit8", 124, 8, 256),
        trueColourCase("Core24", 12),
        trueColourCase("Info24", 40),
        trueColourCase("Info24TopDown", 40, -5),
        trueColourCase("Os2V2Info24", 64),
        trueColourCase("V4Info24", 108),
        trueColourCase("V5Info24", 124),
        trueColourCase("V5Info24TopDown", 124, -2),
        maskedCase("Rgb16Is555", 40, 16, 0, 10, 5, 5, 5, 0, 5, false),
        maskedCase("Bitfields565", 40, 16, 3, 11, 5, 5, 6, 0, 5, true),
        maskedCase("Bitfields444InV4", 108, 16, 3, 8, 4, 4, 4, 0, 4, true),
        maskedCase("Rgb32IgnoresAlphaByte", 40, 32, 0, 16, 8, 8, 8, 0, 8, false, 0x55000000),
        maskedCase("Bitfields32Swapped", 40, 32, 3, 0, 8, 8, 8, 16, 8, true),
        maskedCase("Bitfields32TenBitsInV5", 124, 32, 3, 20, 10, 10, 10, 0, 10, true),
    };
    return cases;
}

class BmpVariant : public ::testing::TestWithParam<VariantCase> { };

TEST_P(BmpVariant, DecodesEveryPixel)
{
    const VariantCase &c = GetParam();
    const Bytes file = makeBmp(c.file);
    Bitmap24 bitmap;
    BmpReader reader;
    ASSERT_TRUE(reader.decode(file.data(), file.size(), bitmap)) << reader.errorText();
    ASSERT_EQ(bitmap.width(), c.file.width);
    ASSERT_EQ(bitmap.height(), std::abs(c.file.height));
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x)
            ASSERT_EQ(pixelAt(bitmap, x, y), c.expected(x, y)) << "at " << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(
    Variants, BmpVariant, ::testing::ValuesIn(variantCases()), [](const auto &info) { return info.param.name; });

// ---- RLE ---------------------------------------------------------------

struct RleCase {
    std::string name;
    int bitCount;
    int width, height;
    Bytes stream;
    std::vector<std::string> rows; // top row first; one palette index per char (hex)
};

std::ostream &operator<<(std::ostream &os, const RleCase &c)
{
    return os << c.name;
}

std::vector<RleCase> rleCases()
{
    return {
        { "Rle8RunsAndAbsolute", 8, 6, 3,
            { 3, 1, 3, 2, 0, 0, // bottom row: 111222
                0, 4, 5, 6, 7, 8, 2, 9, 0, 0, // middle: absolute 5678 then 99
                6, 3, 0, 1 }, // top: 333333, end of bitmap
            { "333333", "567899", "111222" } },
        { "Rle8DeltaLeavesPaletteZero", 8, 6, 3, { 2, 4, 0, 2, 2, 1, 2, 5, 0, 1 }, // 44, then move 2 right 1 up, 55
            { "000000", "000055", "440000" } },
        { "Rle8EndOfLineSkipsRest", 8, 4, 3, { 1, 7, 0, 0, 1, 8, 0, 0, 1, 9, 0, 1 }, { "9000", "8000", "7000" } },
        { "Rle8ClipsRunsPastTheRowEnd", 8, 3, 2, { 5, 1, 0, 0, 2, 2, 0, 1 }, { "220", "111" } },
        { "Rle4AlternatesNibbles", 4, 5, 2,
            { 5, 0x12, 0, 0, // bottom row: 12121
                0, 3, 0xAB, 0xC0, 0, 0, // top: absolute ABC, padded to a word
                0, 1 },
            { "ABC00", "12121" } },
        { "Rle4DeltaAndEndWithoutMarkerAfterLastRow", 4, 4, 2, { 2, 0x33, 0, 2, 1, 1, 1, 0x40, 0, 0 },
            { "0004", "3300" } },
    };
}

class BmpRle : public ::testing::TestWithParam<RleCase> { };

TEST_P(BmpRle, DecodesStream)
{
    const RleCase &c = GetParam();
    BmpFileLayout layout;
    layout.width = c.width;
    layout.height = c.height;
    layout.bitCount = c.bitCount;
    layout.compression = c.bitCount == 8 ? 1 : 2;
    layout.palette = makePalette(16);
    layout.pixels = c.stream;
    const Bytes file = makeBmp(layout);
    Bitmap24 bitmap;
    BmpReader reader;
    ASSERT_TRUE(reader.decode(file.data(), file.size(), bitmap)) << reader.errorText();
    ASSERT_EQ(bitmap.width(), c.width);
    ASSERT_EQ(bitmap.height(), c.height);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const int index = std::stoi(std::string(1, c.rows[std::size_t(y)][std::size_t(x)]), nullptr, 16);
            ASSERT_EQ(pixelAt(bitmap, x, y), layout.palette[std::size_t(index)]) << "at " << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(
    Streams, BmpRle, ::testing::ValuesIn(rleCases()), [](const auto &info) { return info.param.name; });

// ---- failures ------------------------------------------------------------

struct BadCase {
    std::string name;
    std::function<Bytes()> bytes;
};

std::ostream &operator<<(std::ostream &os, const BadCase &c)
{
    return os << c.name;
}

Bytes goodFile()
{
    return makeBmp(trueColourCase("", 40).file);
}

Bytes truncated(Bytes b, std::size_t keep)
{
    b.resize(keep);
    return b;
}

Bytes patched32(Bytes b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
    return b;
}

std::vector<BadCase> badCases()
{
    return {
        { "Empty", [] { return Bytes {}; } },
        { "OnlyMagic",
            [] {
                return Bytes { 'B', 'M' };
            } },
        { "NotABitmap", [] { return Bytes(200, 'x'); } },
        { "TruncatedHeader", [] { return truncated(goodFile(), 30); } },
        { "TruncatedPixels", [] { return truncated(goodFile(), goodFile().size() - 1); } },
        { "TruncatedPalette", [] { return truncated(makeBmp(indexedCase("", 40, 8, 256).file), 54 + 500); } },
        { "TruncatedMasks",
            [] { return truncated(makeBmp(maskedCase("", 40, 16, 3, 11, 5, 5, 6, 0, 5, true).file), 58); } },
        { "HeaderSizeBeyondFile", [] { return patched32(goodFile(), 14, 100000); } },
        { "PixelOffsetBeyondFile", [] { return patched32(goodFile(), 10, 1u << 30); } },
        { "PixelOffsetInsideHeader", [] { return patched32(goodFile(), 10, 20); } },
        { "ZeroWidth", [] { return patched32(goodFile(), 18, 0); } },
        { "NegativeWidth", [] { return patched32(goodFile(), 18, std::uint32_t(-5)); } },
        { "MostNegativeHeight", [] { return patched32(goodFile(), 22, 0x80000000u); } },
        { "BitCount7",
            [] {
                Bytes b = goodFile();
                b[28] = 7;
                return b;
            } },
        { "JpegCompression", [] { return patched32(goodFile(), 30, 4); } },
        { "Rle8WithWrongBitCount", [] { return patched32(goodFile(), 30, 1); } },
        { "TopDownRle",
            [] {
                BmpFileLayout s;
                s.height = -2;
                s.bitCount = 8;
                s.compression = 1;
                s.palette = makePalette(4);
                s.pixels = { 0, 1 };
                return makeBmp(s);
            } },
        { "RleStreamCutInARun",
            [] {
                BmpFileLayout s;
                s.bitCount = 8;
                s.compression = 1;
                s.palette = makePalette(4);
                s.pixels = { 0, 6, 1, 2 };
                return makeBmp(s);
            } },
        { "RleStreamWithoutEnd",
            [] {
                BmpFileLayout s;
                s.bitCount = 8;
                s.compression = 1;
                s.palette = makePalette(4);
                s.pixels = { 2, 1, 0, 0 };
                return makeBmp(s);
            } },
    };
}

class BmpCorrupt : public ::testing::TestWithParam<BadCase> { };

TEST_P(BmpCorrupt, FailsAndLeavesTargetEmpty)
{
    const Bytes file = GetParam().bytes();
    Bitmap24 bitmap = makeTestPanorama(3, 3);
    BmpReader reader;
    EXPECT_FALSE(reader.decode(file.data(), file.size(), bitmap));
    EXPECT_TRUE(bitmap.isEmpty());
    EXPECT_FALSE(reader.errorText().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, BmpCorrupt, ::testing::ValuesIn(badCases()), [](const auto &info) { return info.param.name; });

// A decompression bomb: a 60-byte file announcing a huge picture must be
// refused from its header, before anything is allocated.
struct BombCase {
    const char *name;
    int width, height;
};

class BmpBomb : public ::testing::TestWithParam<BombCase> { };

TEST_P(BmpBomb, HugeHeaderFailsWithoutAllocating)
{
    BmpFileLayout s;
    s.width = GetParam().width;
    s.height = GetParam().height;
    s.pixels = Bytes(16, 0x7F);
    const Bytes file = makeBmp(s);
    Bitmap24 bitmap;
    BmpReader reader;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(reader.decode(file.data(), file.size(), bitmap));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_TRUE(bitmap.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Headers, BmpBomb,
    ::testing::Values(BombCase { "Above the pixel limit", 100000, 100000 },
        BombCase { "Within the limit but beyond the data", 20000, 20000 },
        BombCase { "Top-down beyond the data", 20000, -20000 }),
    [](const auto &info) {
        std::string n = info.param.name;
        for (char &ch : n)
            if (ch == ' ' || ch == '-')
                ch = '_';
        return n;
    });

// Bit fields of any width are scaled to 8 bits with rounding, so every value
// of a 10- or 11-bit channel lands where a reference decoder puts it.
class BmpBitFieldScale : public ::testing::TestWithParam<int> { };

TEST_P(BmpBitFieldScale, EveryValueIsRoundedToNearest)
{
    const int bits = GetParam();
    const std::uint32_t values = 1u << bits;
    BmpFileLayout s;
    s.bitCount = 32;
    s.compression = 3;
    s.width = int(values);
    s.height = 1;
    s.masks = { 0, (values - 1) << 3, 0 }; // green only, not byte-aligned
    for (std::uint32_t v = 0; v < values; ++v)
        put32(s.pixels, v << 3);
    const Bytes file = makeBmp(s);
    Bitmap24 bitmap;
    BmpReader reader;
    ASSERT_TRUE(reader.decode(file.data(), file.size(), bitmap)) << reader.errorText();
    for (std::uint32_t v = 0; v < values; ++v)
        ASSERT_EQ(pixelAt(bitmap, int(v), 0).g, scaled(v, bits)) << v << " of " << bits << " bits";
}

INSTANTIATE_TEST_SUITE_P(Widths, BmpBitFieldScale, ::testing::Values(1, 5, 6, 7, 9, 10, 11, 12, 16),
    [](const auto &info) { return "bits" + std::to_string(info.param); });

long peakRssKilobytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// An RLE picture is allocated, but its rows are filled only as the stream
// reaches them: a cut stream fails before the bitmap is touched (before, all
// of a 768 MB bitmap was filled first).
TEST(BmpRleCutShort, FailsBeforeFillingTheBitmap)
{
    BmpFileLayout s;
    s.width = 16000;
    s.height = 16000;
    s.bitCount = 8;
    s.compression = 1;
    s.palette = makePalette(4);
    s.pixels = { 200, 1, 0, 0, 200, 2, 17 }; // two rows, then the data stop mid-pair
    const Bytes file = makeBmp(s);
    Bitmap24 bitmap;
    BmpReader reader;
    const long before = peakRssKilobytes();
    EXPECT_FALSE(reader.decode(file.data(), file.size(), bitmap));
    EXPECT_EQ(reader.result().error, PictureError::Damaged);
    EXPECT_LT(peakRssKilobytes() - before, 100 * 1024) << "kB touched";
}

} // namespace
