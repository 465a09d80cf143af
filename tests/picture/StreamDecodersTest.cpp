// The TIFF and PNG readers, on pictures written here by libtiff and libpng:
// every variant gives the pixels it holds (computed from the same pattern)
// and agrees with the general decoder of the same bytes (Qt's plug-in).
#include "common/Bitmap24.h"
#include "jpeg/JpegImage.h"
#include "picture/PictureLoader.h"
#include "picture/QtPictureDecoder.h"

#include "TestUtils.h"

#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kWidth = 37, kHeight = 23; // odd: partial tiles, strips and bytes

// The pattern every test picture holds, 8 bits: smooth, so that JPEG keeps it.
int colourAt(int x, int y, int s)
{
    return x * 3 + y * 2 + s * 20;
}
int alphaAt(int x, int y)
{
    return 100 + x * 2 + y * 3;
}
// The same in 16 bits, with low bytes that make the rounding count.
int wide(int v8, int x)
{
    return (v8 * 257 + (x * 41) % 200 - 100 + 65536) % 65536;
}
std::uint8_t round16(int v16)
{
    return std::uint8_t(std::lround(v16 / 257.0));
}
// Composited on black as Qt premultiplies (today's rounding).
std::uint8_t over(int c, int a)
{
    return std::uint8_t((c * a + ((c * a) >> 8) + 0x80) >> 8);
}

int maxDifference(const Bitmap24 &a, const Bitmap24 &b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return 1000;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int i = 0; i < a.width() * 3; ++i)
            worst = std::max(worst, std::abs(a.scanLine(y)[i] - b.scanLine(y)[i]));
    return worst;
}

Bitmap24 viaQt(const std::string &path, const char *format)
{
    const Bytes bytes = readFileBytes(path);
    Bytes padded = bytes;
    padded.resize(bytes.size() + FileBytes::kPadding);
    Bitmap24 bitmap;
    PictureLoadResult result;
    decodeWithQt(padded.data(), bytes.size(), format, bitmap, result);
    return bitmap;
}

// --- TIFF -----------------------------------------------------------------

enum class Alpha { None, Unassociated, Associated };

struct TiffCase {
    const char *name;
    std::uint16_t photometric;
    int bits;
    Alpha alpha;
    bool separate;
    bool tiled;
    std::uint16_t compression;
    bool bigTiff;
    int tolerance; // against the pattern: 0 but for JPEG
    bool qtReadsIt = true; // today's path: Qt's plug-in
    int width = kWidth; // 40: 24-bit rows without padding
};

std::ostream &operator<<(std::ostream &out, const TiffCase &c)
{
    return out << c.name;
}

int colours(const TiffCase &c)
{
    return c.photometric == PHOTOMETRIC_RGB || c.photometric == PHOTOMETRIC_YCBCR ? 3 : 1;
}

// Sample s of pixel (x, y) as stored in the file.
int storedSample(const TiffCase &c, int x, int y, int s)
{
    if (c.photometric == PHOTOMETRIC_PALETTE)
        return (x + 3 * y) % (1 << c.bits);
    if (c.bits == 1)
        return (x + y) % 3 == 0;
    const int v8 = s == colours(c) ? alphaAt(x, y) : colourAt(x, y, s);
    int v = c.bits == 16 ? wide(v8, x) : v8;
    if (c.alpha == Alpha::Associated && s < colours(c))
        v = c.bits == 16 ? int(std::lround(v * (wide(alphaAt(x, y), x) / 65535.0))) : over(v, alphaAt(x, y));
    return v;
}

std::uint16_t paletteEntry(int i, int channel)
{
    return std::uint16_t(((i * 37 + channel * 80) % 256) * 257 + channel);
}

PixelBgr expectedTiffPixel(const TiffCase &c, int x, int y)
{
    auto level = [&](int v) { return c.bits == 16 ? round16(v) : std::uint8_t(v); };
    if (c.photometric == PHOTOMETRIC_PALETTE) {
        const int i = storedSample(c, x, y, 0);
        return { round16(paletteEntry(i, 2)), round16(paletteEntry(i, 1)), round16(paletteEntry(i, 0)) };
    }
    if (c.bits == 1) {
        const std::uint8_t v = storedSample(c, x, y, 0) ? 255 : 0;
        const std::uint8_t g = c.photometric == PHOTOMETRIC_MINISWHITE ? std::uint8_t(255 - v) : v;
        return { g, g, g };
    }
    std::uint8_t v[3];
    for (int s = 0; s < 3; ++s) {
        v[s] = level(storedSample(c, x, y, colours(c) == 3 ? s : 0));
        if (c.photometric == PHOTOMETRIC_MINISWHITE)
            v[s] = std::uint8_t(255 - v[s]);
        if (c.alpha == Alpha::Unassociated)
            v[s] = over(v[s], level(storedSample(c, x, y, colours(c))));
    }
    return { v[2], v[1], v[0] };
}

std::string writeTiff(const TempDir &dir, const TiffCase &c)
{
    const std::string path = (dir / (std::string(c.name) + ".tif")).string();
    TIFF *tif = TIFFOpen(path.c_str(), c.bigTiff ? "w8" : "w");
    EXPECT_NE(tif, nullptr);
    const int samples = colours(c) + (c.alpha == Alpha::None ? 0 : 1);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, c.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, c.bits);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, c.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, c.separate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, c.compression);
    if (c.compression == COMPRESSION_LZW || c.compression == COMPRESSION_ADOBE_DEFLATE)
        TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    if (c.compression == COMPRESSION_JPEG) {
        TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 95);
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    }
    if (c.alpha != Alpha::None) {
        const std::uint16_t extra = c.alpha == Alpha::Associated ? EXTRASAMPLE_ASSOCALPHA : EXTRASAMPLE_UNASSALPHA;
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    if (c.photometric == PHOTOMETRIC_PALETTE) {
        std::vector<std::uint16_t> map[3];
        for (int ch = 0; ch < 3; ++ch)
            for (int i = 0; i < (1 << c.bits); ++i)
                map[ch].push_back(paletteEntry(i, ch));
        TIFFSetField(tif, TIFFTAG_COLORMAP, map[0].data(), map[1].data(), map[2].data());
    }
    const int planes = c.separate ? samples : 1;
    const int perPixel = c.separate ? 1 : samples;
    // One row of one plane, packed as the file wants it.
    auto packRow = [&](int y, int plane, int x0, int count, std::uint8_t *out) {
        const std::size_t bytes = (std::size_t(count) * perPixel * c.bits + 7) / 8;
        std::fill(out, out + bytes, 0);
        for (int i = 0; i < count; ++i)
            for (int k = 0; k < perPixel; ++k) {
                const int x = x0 + i;
                const int v = x < c.width ? storedSample(c, x, y, c.separate ? plane : k) : 0;
                const std::size_t index = std::size_t(i) * perPixel + k;
                if (c.bits == 16)
                    reinterpret_cast<std::uint16_t *>(out)[index] = std::uint16_t(v);
                else if (c.bits == 8)
                    out[index] = std::uint8_t(v);
                else
                    out[index * c.bits / 8] |= std::uint8_t(v << (8 - c.bits - (index * c.bits) % 8));
            }
    };
    if (c.tiled) {
        const int tile = 16;
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, tile);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, tile);
        std::vector<std::uint8_t> buffer(std::size_t(TIFFTileSize(tif)));
        const std::size_t rowBytes = std::size_t(TIFFTileRowSize(tif));
        for (int p = 0; p < planes; ++p)
            for (int ty = 0; ty < kHeight; ty += tile)
                for (int tx = 0; tx < c.width; tx += tile) {
                    std::fill(buffer.begin(), buffer.end(), 0);
                    for (int r = 0; r < tile && ty + r < kHeight; ++r)
                        packRow(ty + r, p, tx, tile, buffer.data() + r * rowBytes);
                    EXPECT_GE(
                        TIFFWriteTile(tif, buffer.data(), std::uint32_t(tx), std::uint32_t(ty), 0, std::uint16_t(p)),
                        0);
                }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, c.compression == COMPRESSION_JPEG ? 16 : 5);
        std::vector<std::uint8_t> row(std::size_t(TIFFScanlineSize(tif)));
        for (int p = 0; p < planes; ++p)
            for (int y = 0; y < kHeight; ++y) {
                packRow(y, p, 0, c.width, row.data());
                EXPECT_GE(TIFFWriteScanline(tif, row.data(), std::uint32_t(y), std::uint16_t(p)), 0);
            }
    }
    TIFFClose(tif);
    return path;
}

class TiffVariants : public ::testing::TestWithParam<TiffCase> {
protected:
    TempDir dir;
};

TEST_P(TiffVariants, GiveTheirPixelsAsTheGeneralDecoderDoes)
{
    const TiffCase &c = GetParam();
    const std::string path = writeTiff(dir, c);
    Bitmap24 loaded;
    PictureLoadResult result;
    ASSERT_TRUE(LoadPictureFile(path, loaded, TJpegOptions {}, &result)) << PictureErrorText(result);
    EXPECT_EQ(result.decoder, "libtiff");
    ASSERT_EQ(loaded.width(), c.width);
    ASSERT_EQ(loaded.height(), kHeight);
    int worst = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < c.width; ++x) {
            const PixelBgr want = expectedTiffPixel(c, x, y), got = pixelAt(loaded, x, y);
            worst = std::max({ worst, std::abs(want.b - got.b), std::abs(want.g - got.g), std::abs(want.r - got.r) });
        }
    EXPECT_LE(worst, c.tolerance);
    // Today's path: rounding and premultiplication may differ by one level.
    const Bitmap24 qt = viaQt(path, "tiff");
    if (c.qtReadsIt)
        EXPECT_LE(maxDifference(loaded, qt), c.compression == COMPRESSION_JPEG ? 3 : 1);
    else
        EXPECT_GT(maxDifference(loaded, qt), 1) << "Qt reads it now: compare";
}

constexpr std::uint16_t RGB = PHOTOMETRIC_RGB, GREY = PHOTOMETRIC_MINISBLACK, WHITE = PHOTOMETRIC_MINISWHITE,
                        PAL = PHOTOMETRIC_PALETTE;
constexpr std::uint16_t NONE = COMPRESSION_NONE, LZW = COMPRESSION_LZW, ZIP = COMPRESSION_ADOBE_DEFLATE,
                        PACK = COMPRESSION_PACKBITS, JPEG = COMPRESSION_JPEG;

INSTANTIATE_TEST_SUITE_P(Table, TiffVariants,
    ::testing::Values(TiffCase { "rgb8", RGB, 8, Alpha::None, false, false, NONE, false, 0 },
        TiffCase { "rgb8_lzw", RGB, 8, Alpha::None, false, false, LZW, false, 0 },
        TiffCase { "rgb8_rows_without_padding", RGB, 8, Alpha::None, false, false, NONE, false, 0, true, 40 },
        TiffCase { "rgb8_lzw_rows_without_padding", RGB, 8, Alpha::None, false, false, LZW, false, 0, true, 40 },
        TiffCase { "rgb16_deflate", RGB, 16, Alpha::None, false, false, ZIP, false, 0 },
        TiffCase { "rgb16_tiled_deflate", RGB, 16, Alpha::None, false, true, ZIP, false, 0 },
        TiffCase { "rgb8_planar", RGB, 8, Alpha::None, true, false, PACK, false, 0 },
        // Qt's plug-in refuses this one...
        TiffCase { "rgb16_planar_tiled", RGB, 16, Alpha::None, true, true, LZW, false, 0, false },
        TiffCase { "rgba8_unassociated", RGB, 8, Alpha::Unassociated, false, false, LZW, false, 0 },
        TiffCase { "rgba8_associated_planar", RGB, 8, Alpha::Associated, true, false, NONE, false, 0 },
        TiffCase { "rgba16_unassociated_tiled", RGB, 16, Alpha::Unassociated, false, true, ZIP, false, 0 },
        TiffCase { "grey8", GREY, 8, Alpha::None, false, false, PACK, false, 0 },
        TiffCase { "grey16_bigtiff", GREY, 16, Alpha::None, false, false, LZW, true, 0 },
        // ...gives other pixels for grey with alpha...
        TiffCase { "grey8_alpha", GREY, 8, Alpha::Unassociated, false, false, NONE, false, 0, false },
        TiffCase { "white_is_zero8", WHITE, 8, Alpha::None, false, false, NONE, false, 0 },
        TiffCase { "bilevel", WHITE, 1, Alpha::None, false, false, PACK, false, 0 },
        TiffCase { "bilevel_black_is_zero_tiled", GREY, 1, Alpha::None, false, true, NONE, false, 0 },
        TiffCase { "palette8", PAL, 8, Alpha::None, false, false, LZW, false, 0 },
        // ...and refuses this one.
        TiffCase { "palette4_tiled", PAL, 4, Alpha::None, false, true, NONE, false, 0, false },
        TiffCase { "rgb8_bigtiff_tiled", RGB, 8, Alpha::None, false, true, ZIP, true, 0 },
        TiffCase { "rgb8_jpeg", PHOTOMETRIC_YCBCR, 8, Alpha::None, false, false, JPEG, false, 12 }),
    [](const auto &info) { return std::string(info.param.name); });

// --- PNG ------------------------------------------------------------------

struct PngCase {
    const char *name;
    int colourType;
    int bits;
    bool interlaced;
    bool transparentEntry; // a tRNS chunk
};

std::ostream &operator<<(std::ostream &out, const PngCase &c)
{
    return out << c.name;
}

int pngChannels(int colourType)
{
    switch (colourType) {
    case PNG_COLOR_TYPE_RGB:
        return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        return 4;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    default:
        return 1;
    }
}

// Sample s of pixel (x, y) as stored (in the file's bit depth).
int pngSample(const PngCase &c, int x, int y, int s)
{
    if (c.colourType == PNG_COLOR_TYPE_PALETTE || c.bits < 8)
        return (x + 3 * y) % (1 << c.bits);
    const bool alpha = (c.colourType & PNG_COLOR_MASK_ALPHA) && s == pngChannels(c.colourType) - 1;
    const int v8 = alpha ? alphaAt(x, y) : colourAt(x, y, s);
    return c.bits == 16 ? wide(v8, x) : v8;
}

PixelBgr paletteColour(int i)
{
    return { std::uint8_t(i * 40), std::uint8_t(255 - i * 9), std::uint8_t(i * 17) };
}
int paletteAlpha(int i)
{
    return i == 1 ? 0 : i == 2 ? 128 : 255;
}

PixelBgr expectedPngPixel(const PngCase &c, int x, int y)
{
    auto level = [&](int v) {
        return c.bits == 16 ? round16(v) : c.bits < 8 ? std::uint8_t(v * 255 / ((1 << c.bits) - 1)) : std::uint8_t(v);
    };
    if (c.colourType == PNG_COLOR_TYPE_PALETTE) {
        const int i = pngSample(c, x, y, 0);
        PixelBgr p = paletteColour(i);
        if (c.transparentEntry)
            p = { over(p.b, paletteAlpha(i)), over(p.g, paletteAlpha(i)), over(p.r, paletteAlpha(i)) };
        return p;
    }
    const int n = pngChannels(c.colourType);
    const bool rgb = c.colourType & PNG_COLOR_MASK_COLOR;
    std::uint8_t v[3];
    for (int s = 0; s < 3; ++s)
        v[s] = level(pngSample(c, x, y, rgb ? s : 0));
    if (c.colourType & PNG_COLOR_MASK_ALPHA) {
        // Composited in 16 bits when the file has them, then rounded.
        for (int s = 0; s < 3; ++s)
            v[s] = c.bits == 16
                ? round16(int(std::lround(pngSample(c, x, y, rgb ? s : 0) * (pngSample(c, x, y, n - 1) / 65535.0))))
                : over(v[s], pngSample(c, x, y, n - 1));
    } else if (c.transparentEntry && pngSample(c, x, y, 0) == 1) {
        v[0] = v[1] = v[2] = 0; // the transparent grey level
    }
    return { v[2], v[1], v[0] };
}

std::string writePng(const TempDir &dir, const PngCase &c)
{
    const std::string path = (dir / (std::string(c.name) + ".png")).string();
    FILE *f = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        ADD_FAILURE() << "libpng could not write " << path;
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return path;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, kWidth, kHeight, c.bits, c.colourType,
        c.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (c.colourType == PNG_COLOR_TYPE_PALETTE) {
        std::vector<png_color> palette;
        std::vector<png_byte> alpha;
        for (int i = 0; i < (1 << c.bits); ++i) {
            const PixelBgr p = paletteColour(i);
            palette.push_back({ p.r, p.g, p.b });
            alpha.push_back(png_byte(paletteAlpha(i)));
        }
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
        if (c.transparentEntry)
            png_set_tRNS(png, info, alpha.data(), int(alpha.size()), nullptr);
    } else if (c.transparentEntry) {
        png_color_16 grey {};
        grey.gray = 1;
        png_set_tRNS(png, info, nullptr, 0, &grey);
    }
    png_write_info(png, info);
    const int n = pngChannels(c.colourType);
    std::vector<std::vector<png_byte>> rows(kHeight);
    std::vector<png_bytep> pointers;
    for (int y = 0; y < kHeight; ++y) {
        std::vector<png_byte> &row = rows[std::size_t(y)];
        row.assign((std::size_t(kWidth) * n * c.bits + 7) / 8, 0);
        for (int x = 0; x < kWidth; ++x)
            for (int s = 0; s < n; ++s) {
                const int v = pngSample(c, x, y, s);
                const std::size_t i = std::size_t(x) * n + s;
                if (c.bits == 16) {
                    row[2 * i] = png_byte(v >> 8);
                    row[2 * i + 1] = png_byte(v);
                } else if (c.bits == 8) {
                    row[i] = png_byte(v);
                } else {
                    row[i * c.bits / 8] |= png_byte(v << (8 - c.bits - (i * c.bits) % 8));
                }
            }
        pointers.push_back(row.data());
    }
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return path;
}

class PngVariants : public ::testing::TestWithParam<PngCase> {
protected:
    TempDir dir;
};

TEST_P(PngVariants, GiveTheirPixelsAsTheGeneralDecoderDoes)
{
    const PngCase &c = GetParam();
    const std::string path = writePng(dir, c);
    Bitmap24 loaded;
    PictureLoadResult result;
    ASSERT_TRUE(LoadPictureFile(path, loaded, TJpegOptions {}, &result)) << PictureErrorText(result);
    EXPECT_EQ(result.decoder, "libspng");
    ASSERT_EQ(loaded.width(), kWidth);
    ASSERT_EQ(loaded.height(), kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            ASSERT_EQ(pixelAt(loaded, x, y), expectedPngPixel(c, x, y)) << "at " << x << ", " << y;
    EXPECT_LE(maxDifference(loaded, viaQt(path, "png")), 1);
}

INSTANTIATE_TEST_SUITE_P(Table, PngVariants,
    ::testing::Values(PngCase { "grey1", PNG_COLOR_TYPE_GRAY, 1, false, false },
        PngCase { "grey2_interlaced", PNG_COLOR_TYPE_GRAY, 2, true, false },
        PngCase { "grey4_transparent_level", PNG_COLOR_TYPE_GRAY, 4, false, true },
        PngCase { "grey8", PNG_COLOR_TYPE_GRAY, 8, false, false },
        PngCase { "grey16_interlaced", PNG_COLOR_TYPE_GRAY, 16, true, false },
        PngCase { "grey_alpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false },
        PngCase { "grey_alpha16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, false, false },
        PngCase { "rgb8", PNG_COLOR_TYPE_RGB, 8, false, false },
        PngCase { "rgb8_interlaced", PNG_COLOR_TYPE_RGB, 8, true, false },
        PngCase { "rgb16", PNG_COLOR_TYPE_RGB, 16, false, false },
        PngCase { "rgba8_interlaced", PNG_COLOR_TYPE_RGB_ALPHA, 8, true, false },
        PngCase { "rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, false, false },
        PngCase { "palette1", PNG_COLOR_TYPE_PALETTE, 1, false, false },
        PngCase { "palette4_transparent", PNG_COLOR_TYPE_PALETTE, 4, false, true },
        PngCase { "palette8_transparent_interlaced", PNG_COLOR_TYPE_PALETTE, 8, true, true }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace

namespace {

// --- Damaged files --------------------------------------------------------

enum class Damage { CutInHalf, HeaderOnly, Scrambled };

struct DamageCase {
    const char *name;
    bool tiff; // else PNG
    int variant; // index in the tables above
    Damage damage;
};

std::ostream &operator<<(std::ostream &out, const DamageCase &c)
{
    return out << c.name;
}

const TiffCase kDamagedTiffs[] = {
    { "lzw", RGB, 8, Alpha::None, false, false, LZW, false, 0 },
    { "tiled_deflate16", RGB, 16, Alpha::None, false, true, ZIP, false, 0 },
    { "plain", RGB, 8, Alpha::None, false, false, NONE, true, 0 },
};
const PngCase kDamagedPngs[] = {
    { "rgb8", PNG_COLOR_TYPE_RGB, 8, false, false },
    { "rgba16_interlaced", PNG_COLOR_TYPE_RGB_ALPHA, 16, true, false },
};

class DamagedFiles : public ::testing::TestWithParam<DamageCase> {
protected:
    TempDir dir;
};

TEST_P(DamagedFiles, AreRefusedWithTheirReasonAndTheTargetKept)
{
    const DamageCase &c = GetParam();
    const std::string path = c.tiff ? writeTiff(dir, kDamagedTiffs[c.variant]) : writePng(dir, kDamagedPngs[c.variant]);
    Bytes bytes = readFileBytes(path);
    switch (c.damage) {
    case Damage::CutInHalf:
        bytes.resize(bytes.size() / 2);
        break;
    case Damage::HeaderOnly:
        bytes.resize(c.tiff ? 8 : 40);
        break;
    case Damage::Scrambled:
        // The middle of the pixel data; TIFF keeps its directory at the end.
        for (std::size_t i = bytes.size() / 4; i < bytes.size() / 2; i += 3)
            bytes[i] = std::uint8_t(bytes[i] * 7 + 13);
        break;
    }
    writeFileBytes(path, bytes);
    Bitmap24 target = makeTestPanorama(5, 4);
    const Bitmap24 before = target;
    PictureLoadResult result;
    EXPECT_FALSE(LoadPictureFile(path, target, TJpegOptions {}, &result));
    EXPECT_TRUE(target == before);
    EXPECT_EQ(result.error, PictureError::Damaged) << PictureErrorText(result);
    EXPECT_FALSE(result.detail.empty());
    // The same bytes from memory (the fuzz targets' way) fail alike.
    Bitmap24 fromMemory;
    EXPECT_FALSE(LoadPictureBytes(bytes.data(), bytes.size(), c.tiff ? "tif" : "png", fromMemory, TJpegOptions {}));
}

INSTANTIATE_TEST_SUITE_P(Table, DamagedFiles,
    ::testing::Values(DamageCase { "tiff_lzw_cut", true, 0, Damage::CutInHalf },
        DamageCase { "tiff_tiled_cut", true, 1, Damage::CutInHalf },
        DamageCase { "tiff_plain_cut", true, 2, Damage::CutInHalf },
        DamageCase { "tiff_header_only", true, 0, Damage::HeaderOnly },
        DamageCase { "tiff_lzw_scrambled", true, 0, Damage::Scrambled },
        DamageCase { "tiff_tiled_scrambled", true, 1, Damage::Scrambled },
        DamageCase { "png_cut", false, 0, Damage::CutInHalf },
        DamageCase { "png_interlaced_cut", false, 1, Damage::CutInHalf },
        DamageCase { "png_header_only", false, 0, Damage::HeaderOnly },
        DamageCase { "png_scrambled", false, 1, Damage::Scrambled }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(StreamDecoders, OtherTiffKindsGoToTheGeneralDecoder)
{
    // CMYK: libtiff's reader leaves it; Qt's plug-in reads it.
    TempDir dir;
    const std::string path = (dir / "cmyk.tif").string();
    TIFF *tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 4);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 2);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_SEPARATED);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    const std::uint8_t row[16] = { 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255 };
    for (std::uint32_t y = 0; y < 2; ++y)
        TIFFWriteScanline(tif, const_cast<std::uint8_t *>(row), y, 0);
    TIFFClose(tif);
    Bitmap24 loaded;
    PictureLoadResult result;
    ASSERT_TRUE(LoadPictureFile(path, loaded, TJpegOptions {}, &result)) << PictureErrorText(result);
    EXPECT_EQ(result.decoder, "Qt tiff");
    EXPECT_EQ(pixelAt(loaded, 0, 0), (PixelBgr { 255, 255, 255 })); // no ink
    EXPECT_EQ(pixelAt(loaded, 1, 0), (PixelBgr { 255, 255, 0 })); // cyan
    EXPECT_EQ(pixelAt(loaded, 3, 1), (PixelBgr { 0, 0, 0 })); // black
}

} // namespace
