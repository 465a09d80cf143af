// A picture loaded at a smaller size: the same picture as a full load scaled
// afterwards, at exactly the size asked, without the full-size picture held.
#include "common/Bitmap24.h"
#include "common/DecodeBudget.h"
#include "common/MemoryBudget.h"
#include "options/JpegImage.h"
#include "picture/LoadSize.h"
#include "picture/PanoramaScaler.h"
#include "picture/PictureLoader.h"

#include "TestUtils.h"

#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

namespace {

// Smooth content with some detail: a camera's panorama rather than noise,
// so that libjpeg's reduced decoding and the full decode scaled afterwards
// can be compared.
Bitmap24 landscape(int width, int height)
{
    Bitmap24 picture;
    EXPECT_TRUE(picture.resize(width, height));
    for (int y = 0; y < height; ++y) {
        std::uint8_t *p = picture.scanLine(y);
        for (int x = 0; x < width; ++x, p += 3) {
            p[0] = std::uint8_t(128 + 90 * std::sin(x / 23.0) * std::cos(y / 17.0));
            p[1] = std::uint8_t(x * 255 / width);
            p[2] = std::uint8_t(40 + (y * 170 / height) + 30 * std::sin((x + y) / 41.0));
        }
    }
    return picture;
}

// The mean and the largest difference of two pictures of one size, per sample.
struct Difference {
    double mean = 0;
    int most = 0;
};

Difference differenceOf(const Bitmap24 &a, const Bitmap24 &b)
{
    Difference d;
    if (a.width() != b.width() || a.height() != b.height()) {
        d.most = 256;
        return d;
    }
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int i = 0; i < a.width() * 3; ++i) {
            const int delta = std::abs(int(a.scanLine(y)[i]) - int(b.scanLine(y)[i]));
            sum += delta;
            d.most = std::max(d.most, delta);
        }
    d.mean = sum / (double(a.width()) * a.height() * 3);
    return d;
}

std::string writeJpeg(const TempDir &dir, const std::string &name, const Bitmap24 &picture, TJpegOptions options)
{
    const std::filesystem::path path = dir / (name + ".jpg");
    writeFileBytes(path, TJPEGImage(options).compress(picture));
    return path.string();
}

enum class TiffLayout { Strips, Tiles };

std::string writeTiff(
    const TempDir &dir, const std::string &name, const Bitmap24 &picture, TiffLayout layout, int compression)
{
    const std::string path = (dir / (name + ".tif")).string();
    TIFF *tif = TIFFOpen(path.c_str(), "w");
    EXPECT_NE(tif, nullptr);
    const int width = picture.width(), height = picture.height();
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    const auto rgbRow = [&](int y, int x0, int count, std::uint8_t *out) {
        for (int i = 0; i < count; ++i) {
            const int x = std::min(x0 + i, width - 1);
            const std::uint8_t *p = picture.scanLine(y) + 3 * x;
            out[3 * i] = p[2], out[3 * i + 1] = p[1], out[3 * i + 2] = p[0];
        }
    };
    if (layout == TiffLayout::Tiles) {
        const int tile = 32;
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, tile);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, tile);
        std::vector<std::uint8_t> buffer(std::size_t(TIFFTileSize(tif)));
        for (int ty = 0; ty < height; ty += tile)
            for (int tx = 0; tx < width; tx += tile) {
                std::fill(buffer.begin(), buffer.end(), 0);
                for (int r = 0; r < tile && ty + r < height; ++r)
                    rgbRow(ty + r, tx, tile, buffer.data() + std::size_t(r) * tile * 3);
                EXPECT_GE(TIFFWriteTile(tif, buffer.data(), std::uint32_t(tx), std::uint32_t(ty), 0, 0), 0);
            }
    } else {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 7);
        std::vector<std::uint8_t> row(std::size_t(width) * 3);
        for (int y = 0; y < height; ++y) {
            rgbRow(y, 0, width, row.data());
            EXPECT_GE(TIFFWriteScanline(tif, row.data(), std::uint32_t(y), 0), 0);
        }
    }
    TIFFClose(tif);
    return path;
}

std::string writePng(const TempDir &dir, const std::string &name, const Bitmap24 &picture, bool interlaced)
{
    const std::string path = (dir / (name + ".png")).string();
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
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, png_uint_32(picture.width()), png_uint_32(picture.height()), 8, PNG_COLOR_TYPE_RGB,
        interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    std::vector<png_bytep> rows;
    Bitmap24 copy = picture;
    for (int y = 0; y < copy.height(); ++y)
        rows.push_back(copy.scanLine(y));
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return path;
}

LoadSizeChoice keepAt(PictureSize size)
{
    return [size](int, int) -> std::optional<PictureSize> { return size; };
}

// ---- the same picture as a full load scaled afterwards ----------------------

struct ScaledCase {
    const char *name;
    std::string (*write)(const TempDir &, const Bitmap24 &);
    // Largest difference allowed per sample, and on average: 0 where the
    // scaler takes the very rows a full load gives (lossless formats);
    // JPEG decoded at a reduced scale differs from the full decode scaled
    // by half a level on average, by 4 levels at most.
    int most;
    double mean;
};

std::ostream &operator<<(std::ostream &out, const ScaledCase &c)
{
    return out << c.name;
}

TJpegOptions jpegWriting(bool progressive, bool grey, bool subsampled)
{
    TJpegOptions o;
    o.CompressionQuality = 92;
    o.ProgressiveEncoding = progressive;
    o.Grayscale = grey;
    o.HorzSubSampling = o.VertSubSampling = subsampled;
    return o;
}

const ScaledCase kScaledCases[] = {
    { "jpeg_baseline_420",
        [](const TempDir &d, const Bitmap24 &p) { return writeJpeg(d, "b420", p, jpegWriting(false, false, true)); }, 4,
        0.6 },
    { "jpeg_baseline_444",
        [](const TempDir &d, const Bitmap24 &p) { return writeJpeg(d, "b444", p, jpegWriting(false, false, false)); },
        4, 0.6 },
    { "jpeg_progressive",
        [](const TempDir &d, const Bitmap24 &p) { return writeJpeg(d, "prog", p, jpegWriting(true, false, true)); }, 4,
        0.6 },
    { "jpeg_greyscale",
        [](const TempDir &d, const Bitmap24 &p) { return writeJpeg(d, "grey", p, jpegWriting(false, true, false)); }, 4,
        0.6 },
    { "tiff_strips_deflate",
        [](const TempDir &d, const Bitmap24 &p) {
            return writeTiff(d, "sd", p, TiffLayout::Strips, COMPRESSION_ADOBE_DEFLATE);
        },
        0, 0 },
    { "tiff_strips_lzw",
        [](const TempDir &d, const Bitmap24 &p) { return writeTiff(d, "sl", p, TiffLayout::Strips, COMPRESSION_LZW); },
        0, 0 },
    { "tiff_strips_plain",
        [](const TempDir &d, const Bitmap24 &p) { return writeTiff(d, "sn", p, TiffLayout::Strips, COMPRESSION_NONE); },
        0, 0 },
    { "tiff_tiles_deflate",
        [](const TempDir &d, const Bitmap24 &p) {
            return writeTiff(d, "td", p, TiffLayout::Tiles, COMPRESSION_ADOBE_DEFLATE);
        },
        0, 0 },
    { "tiff_tiles_lzw",
        [](const TempDir &d, const Bitmap24 &p) { return writeTiff(d, "tl", p, TiffLayout::Tiles, COMPRESSION_LZW); },
        0, 0 },
    { "png_plain", [](const TempDir &d, const Bitmap24 &p) { return writePng(d, "plain", p, false); }, 0, 0 },
    { "png_interlaced", [](const TempDir &d, const Bitmap24 &p) { return writePng(d, "adam7", p, true); }, 0, 0 },
    { "bmp_decoded_whole",
        [](const TempDir &d, const Bitmap24 &p) {
            // Qt writes BMP; our reader decodes it whole, the loader scales it.
            const std::filesystem::path path = d / "whole.bmp";
            const std::size_t rowBytes = p.stride();
            std::vector<std::uint8_t> bytes(54 + rowBytes * std::size_t(p.height()), 0);
            const auto put32 = [&](std::size_t at, std::uint32_t v) {
                for (int i = 0; i < 4; ++i)
                    bytes[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
            };
            bytes[0] = 'B', bytes[1] = 'M';
            put32(2, std::uint32_t(bytes.size()));
            put32(10, 54);
            put32(14, 40);
            put32(18, std::uint32_t(p.width()));
            put32(22, std::uint32_t(-p.height())); // top-down rows
            bytes[26] = 1, bytes[28] = 24;
            for (int y = 0; y < p.height(); ++y)
                std::copy(p.scanLine(y), p.scanLine(y) + rowBytes, bytes.begin() + 54 + std::ptrdiff_t(rowBytes) * y);
            writeFileBytes(path, bytes);
            return path.string();
        },
        0, 0 },
};

class ScaledLoad : public ::testing::TestWithParam<ScaledCase> {
protected:
    TempDir dir;
};

TEST_P(ScaledLoad, GivesTheFullLoadScaledAtExactlyTheSizeAsked)
{
    const ScaledCase &c = GetParam();
    const Bitmap24 source = landscape(640, 240);
    const std::string path = c.write(dir, source);
    Bitmap24 full;
    PictureLoadResult fullResult;
    ASSERT_TRUE(LoadPictureFile(path, full, TJpegOptions {}, &fullResult)) << PictureErrorText(fullResult);
    // Sizes that are no multiple of anything, one where libjpeg's reduced
    // decoding gives the size itself (1/4), and a sliver.
    for (const PictureSize kept : { PictureSize { 203, 77 }, PictureSize { 160, 60 }, PictureSize { 613, 7 } }) {
        SCOPED_TRACE(std::to_string(kept.width) + " x " + std::to_string(kept.height));
        Bitmap24 expected;
        ASSERT_TRUE(ScaleBitmap(full, kept.width, kept.height, expected));
        Bitmap24 loaded;
        PictureLoadResult result;
        LoadRequest request;
        int asked = 0;
        request.size = [&](int width, int height) -> std::optional<PictureSize> {
            EXPECT_EQ(width, 640);
            EXPECT_EQ(height, 240);
            ++asked;
            return kept;
        };
        ASSERT_TRUE(LoadPictureFile(path, loaded, TJpegOptions {}, &result, request)) << PictureErrorText(result);
        EXPECT_GE(asked, 1);
        ASSERT_EQ(loaded.width(), kept.width);
        ASSERT_EQ(loaded.height(), kept.height);
        // The size the file announces, and the decoder that read it.
        EXPECT_EQ(result.width, 640);
        EXPECT_EQ(result.height, 240);
        EXPECT_EQ(result.decoder, fullResult.decoder);
        const Difference d = differenceOf(loaded, expected);
        EXPECT_LE(d.most, c.most);
        EXPECT_LE(d.mean, c.mean);
    }
}

// No size asked, or one that is larger on a side: the whole picture, exactly
// as a plain load gives it.
TEST_P(ScaledLoad, NeverEnlargesAndKeepsTheWholePictureWhenNoSmallerSizeIsAsked)
{
    const std::string path = GetParam().write(dir, landscape(96, 40));
    Bitmap24 plain;
    ASSERT_TRUE(LoadPictureFile(path, plain, TJpegOptions {}));
    const std::optional<PictureSize> answers[] = { std::nullopt, PictureSize { 96, 40 }, PictureSize { 200, 80 },
        PictureSize { 50, 41 }, PictureSize { 0, 3 } };
    for (const std::optional<PictureSize> &answer : answers) {
        Bitmap24 loaded;
        LoadRequest request;
        request.size = [answer](int, int) { return answer; };
        PictureLoadResult result;
        ASSERT_TRUE(LoadPictureFile(path, loaded, TJpegOptions {}, &result, request)) << PictureErrorText(result);
        EXPECT_TRUE(loaded == plain);
    }
}

// A load stopped by its cancel check, and a file cut in the middle of its
// pixels: refused as a full load refuses them, the previous picture kept.
TEST_P(ScaledLoad, FailsAsAFullLoadDoesAndKeepsThePreviousPicture)
{
    const std::string path = GetParam().write(dir, landscape(640, 480));
    const LoadSizeChoice keep = keepAt({ 100, 75 });
    const Bitmap24 previous = makeTestPanorama(30, 20);

    Bitmap24 target = previous;
    PictureLoadResult result;
    const CancelCheck cancelled = [] { return true; };
    EXPECT_FALSE(LoadPictureFile(path, target, TJpegOptions {}, &result, LoadRequest { cancelled, {}, keep }));
    EXPECT_EQ(result.error, PictureError::Interrupted);
    EXPECT_TRUE(target == previous);

    std::vector<std::uint8_t> bytes = readFileBytes(path);
    bytes.resize(bytes.size() / 2);
    const std::filesystem::path cut = dir / ("cut" + std::filesystem::path(path).extension().string());
    writeFileBytes(cut, bytes);
    Bitmap24 fullTarget;
    PictureLoadResult fullResult;
    EXPECT_FALSE(LoadPictureFile(cut.string(), fullTarget, TJpegOptions {}, &fullResult));
    result = {};
    EXPECT_FALSE(LoadPictureFile(cut.string(), target, TJpegOptions {}, &result, LoadRequest { {}, {}, keep }));
    EXPECT_EQ(result.error, fullResult.error);
    EXPECT_EQ(PictureErrorText(result), PictureErrorText(fullResult));
    EXPECT_TRUE(target == previous);
}

INSTANTIATE_TEST_SUITE_P(Table, ScaledLoad, ::testing::ValuesIn(kScaledCases),
    [](const auto &info) { return std::string(info.param.name); });

// ---- JPEG reading settings ---------------------------------------------------

struct SettingsCase {
    const char *name;
    TJpegOptions reading;
    bool progressiveFile;
    // Largest and mean difference allowed per sample: as for the plain
    // settings (4, 0.6) but for the fast method, whose full-size inverse DCT
    // is the less exact one (mean 1.2), and 8-bit reading, which quantises
    // the reduced rows themselves where the full load scaled averages its
    // dithering away (40, 4.0).
    int most;
    double mean;
};

std::ostream &operator<<(std::ostream &out, const SettingsCase &c)
{
    return out << c.name;
}

TJpegOptions reading(std::uint8_t scale, bool grey, std::uint8_t pixelFormat, bool progressiveDisplay, bool fast)
{
    TJpegOptions o;
    o.Scale = scale;
    o.Grayscale = grey;
    o.PixelFormat = pixelFormat;
    o.ProgressiveDisplay = progressiveDisplay;
    o.Performance = fast ? 1 : 0;
    return o;
}

class ScaledJpegSettings : public ::testing::TestWithParam<SettingsCase> {
protected:
    TempDir dir;
};

// The reading settings apply as to a full load: the choice hears the size
// the settings' own scale gives, grey stays grey, a file shown scan by scan
// ends with its last scan.
TEST_P(ScaledJpegSettings, ApplyAsToAFullLoad)
{
    const SettingsCase &c = GetParam();
    const std::string path = writeJpeg(dir, "pano", landscape(640, 240), jpegWriting(c.progressiveFile, false, true));
    Bitmap24 full;
    ASSERT_TRUE(LoadPictureFile(path, full, c.reading));
    const int width = full.width(), height = full.height();
    Bitmap24 expected;
    ASSERT_TRUE(ScaleBitmap(full, 101, 38, expected));

    LoadRequest request;
    request.size = [&](int w, int h) -> std::optional<PictureSize> {
        EXPECT_EQ(w, width);
        EXPECT_EQ(h, height);
        return PictureSize { 101, 38 };
    };
    Bitmap24 loaded;
    PictureLoadResult result;
    ASSERT_TRUE(LoadPictureFile(path, loaded, c.reading, &result, request)) << PictureErrorText(result);
    ASSERT_EQ(loaded.width(), 101);
    ASSERT_EQ(loaded.height(), 38);
    if (c.reading.Grayscale)
        for (int y = 0; y < loaded.height(); ++y)
            for (int x = 0; x < loaded.width(); ++x) {
                const PixelBgr p = pixelAt(loaded, x, y);
                ASSERT_TRUE(p.b == p.g && p.g == p.r) << x << ", " << y;
            }
    const Difference d = differenceOf(loaded, expected);
    EXPECT_LE(d.most, c.most);
    EXPECT_LE(d.mean, c.mean);
}

INSTANTIATE_TEST_SUITE_P(Table, ScaledJpegSettings,
    ::testing::Values(SettingsCase { "half_and_grey", reading(1, true, 0, false, false), false, 4, 0.6 },
        SettingsCase { "fast_method", reading(0, false, 0, false, true), false, 4, 1.2 },
        SettingsCase { "scan_by_scan", reading(0, false, 0, true, false), true, 4, 0.6 },
        SettingsCase { "eight_bits", reading(0, false, 1, false, false), false, 40, 4.0 }),
    [](const auto &info) { return std::string(info.param.name); });

// ---- memory --------------------------------------------------------------------

constexpr std::uint64_t kMB = std::uint64_t(1) << 20;

// A panorama whose whole rows and first frame take 96 MB: 8000 x 2000.
constexpr int kBigWidth = 8000, kBigHeight = 2000;
constexpr PictureSize kBigKept { 1080, 270 };

struct MemoryCase {
    const char *name;
    std::string (*write)(const TempDir &);
};

std::ostream &operator<<(std::ostream &out, const MemoryCase &c)
{
    return out << c.name;
}

Bitmap24 bigPicture()
{
    Bitmap24 picture;
    EXPECT_TRUE(picture.resize(kBigWidth, kBigHeight));
    for (int y = 0; y < kBigHeight; ++y) {
        std::uint8_t *p = picture.scanLine(y);
        for (int x = 0; x < kBigWidth; ++x, p += 3)
            p[0] = std::uint8_t(x >> 5), p[1] = std::uint8_t(y >> 3), p[2] = 90;
    }
    return picture;
}

const MemoryCase kMemoryCases[] = {
    { "jpeg_baseline",
        [](const TempDir &d) { return writeJpeg(d, "big", bigPicture(), jpegWriting(false, false, true)); } },
    { "tiff_tiles",
        [](const TempDir &d) {
            return writeTiff(d, "big", bigPicture(), TiffLayout::Tiles, COMPRESSION_ADOBE_DEFLATE);
        } },
    { "tiff_strips",
        [](const TempDir &d) {
            return writeTiff(d, "big", bigPicture(), TiffLayout::Strips, COMPRESSION_ADOBE_DEFLATE);
        } },
    { "png_plain", [](const TempDir &d) { return writePng(d, "big", bigPicture(), false); } },
};

class ScaledLoadMemory : public ::testing::TestWithParam<MemoryCase> {
protected:
    TempDir dir;
};

// With 40 MB to spare the whole picture is refused (it needs 96 MB), and the
// same file kept at 1080 x 270 loads: what it holds at its peak, besides
// the kept rows, is a few rows of the file's width.
TEST_P(ScaledLoadMemory, FitsWhereTheWholePictureDoesNot)
{
    const std::string path = GetParam().write(dir);
    const int outcome = runWithAddressSpaceHeadroom(40 * kMB, [&] {
        Bitmap24 target;
        PictureLoadResult result;
        if (LoadPictureFile(path, target, TJpegOptions {}, &result))
            return 1;
        if (result.error != PictureError::OutOfMemory)
            return 2;
        result = {};
        if (!LoadPictureFile(path, target, TJpegOptions {}, &result, LoadRequest { {}, {}, keepAt(kBigKept) }))
            return 3;
        return target.width() == kBigKept.width && target.height() == kBigKept.height ? 0 : 4;
    });
    EXPECT_EQ(outcome, 0);
}

// With less room than even the kept picture needs, the scaled load is
// refused before it starts, with amounts that are those of the scaled load.
TEST_P(ScaledLoadMemory, IsRefusedWithTheAmountsOfTheScaledLoad)
{
    const std::string path = GetParam().write(dir);
    const int outcome = runWithAddressSpaceHeadroom(kMB / 2, [&] {
        Bitmap24 target;
        PictureLoadResult result;
        if (LoadPictureFile(path, target, TJpegOptions {}, &result, LoadRequest { {}, {}, keepAt(kBigKept) }))
            return 1;
        if (result.error != PictureError::OutOfMemory || !target.isEmpty())
            return 2;
        if (PictureErrorText(result) != MemoryShortageText({ result.memoryNeeded, result.memoryAvailable }))
            return 3;
        // Needs the kept rows and the kept size's first frame, far less than
        // the whole picture's rows.
        const std::uint64_t kept
            = Bitmap24::bytesFor(kBigKept.width, kBigKept.height) + DefaultFrameBytes(kBigKept.width, kBigKept.height);
        if (result.memoryNeeded < kept || result.memoryNeeded >= Bitmap24::bytesFor(kBigWidth, kBigHeight))
            return 4;
        if (result.memoryNeeded <= result.memoryAvailable || result.width != kBigWidth || result.height != kBigHeight)
            return 5;
        return 0;
    });
    EXPECT_EQ(outcome, 0);
}

INSTANTIATE_TEST_SUITE_P(Table, ScaledLoadMemory, ::testing::ValuesIn(kMemoryCases),
    [](const auto &info) { return std::string(info.param.name); });

// A progressive JPEG keeps the coefficients of the whole picture whatever
// the size kept: the check counts them.
TEST(ScaledLoadMemory, CountsTheCoefficientsOfAProgressiveJpeg)
{
    TempDir dir;
    const std::string path = writeJpeg(dir, "prog", bigPicture(), jpegWriting(true, false, true));
    // 4:2:0: four luma blocks and two chroma blocks a 16 x 16 square.
    const std::uint64_t coefficients = std::uint64_t(kBigWidth / 16) * (kBigHeight / 16) * 6 * 128;
    const int outcome = runWithAddressSpaceHeadroom(24 * kMB, [&] {
        Bitmap24 target;
        PictureLoadResult result;
        if (LoadPictureFile(path, target, TJpegOptions {}, &result, LoadRequest { {}, {}, keepAt(kBigKept) }))
            return 1;
        if (result.error != PictureError::OutOfMemory || result.memoryNeeded < coefficients)
            return 2;
        return 0;
    });
    EXPECT_EQ(outcome, 0);
    // With the machine's memory it loads.
    Bitmap24 loaded;
    PictureLoadResult result;
    ASSERT_TRUE(LoadPictureFile(path, loaded, TJpegOptions {}, &result, LoadRequest { {}, {}, keepAt(kBigKept) }))
        << PictureErrorText(result);
    EXPECT_EQ(loaded.width(), kBigKept.width);
}

// An interlaced PNG and a BMP are decoded whole, then scaled: the check
// counts the whole rows beside the kept ones, and refuses the load where
// they do not fit, with those amounts.
class WholeDecodeMemory : public ::testing::TestWithParam<ScaledCase> {
protected:
    TempDir dir;
};

TEST_P(WholeDecodeMemory, CountsTheWholeRows)
{
    const std::string path = GetParam().write(dir, bigPicture());
    const std::uint64_t whole = Bitmap24::bytesFor(kBigWidth, kBigHeight);
    const int outcome = runWithAddressSpaceHeadroom(40 * kMB, [&] {
        Bitmap24 target;
        PictureLoadResult result;
        if (LoadPictureFile(path, target, TJpegOptions {}, &result, LoadRequest { {}, {}, keepAt(kBigKept) }))
            return 1;
        if (result.error != PictureError::OutOfMemory || result.memoryNeeded < whole
            || result.memoryNeeded <= result.memoryAvailable)
            return 2;
        return PictureErrorText(result) == MemoryShortageText({ result.memoryNeeded, result.memoryAvailable }) ? 0 : 3;
    });
    EXPECT_EQ(outcome, 0);
    Bitmap24 loaded;
    PictureLoadResult result;
    ASSERT_TRUE(LoadPictureFile(path, loaded, TJpegOptions {}, &result, LoadRequest { {}, {}, keepAt(kBigKept) }))
        << PictureErrorText(result);
    EXPECT_EQ(loaded.width(), kBigKept.width);
    EXPECT_EQ(loaded.height(), kBigKept.height);
}

INSTANTIATE_TEST_SUITE_P(Table, WholeDecodeMemory,
    ::testing::Values(kScaledCases[std::size(kScaledCases) - 2], kScaledCases[std::size(kScaledCases) - 1]),
    [](const auto &info) { return std::string(info.param.name); });

// ---- the plan of a reduced load ------------------------------------------------

TEST(ReducedSize, AsksNoEnlargementAndNoEmptySide)
{
    const auto ask
        = [](std::optional<PictureSize> answer) { return ReducedSize([answer](int, int) { return answer; }, 100, 50); };
    EXPECT_EQ(ask(PictureSize { 40, 20 }), (PictureSize { 40, 20 }));
    EXPECT_EQ(ask(PictureSize { 100, 49 }), (PictureSize { 100, 49 }));
    EXPECT_FALSE(ask(PictureSize { 100, 50 }));
    EXPECT_FALSE(ask(PictureSize { 101, 20 }));
    EXPECT_FALSE(ask(PictureSize { 0, 20 }));
    EXPECT_FALSE(ask(std::nullopt));
    EXPECT_FALSE(ReducedSize({}, 100, 50));
}

} // namespace
