#include "jpeg/JpegImage.h"
#include "common/Bitmap24.h"

#include "JpegTestSupport.h"
#include "TestUtils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include <jpeglib.h>

// After jpeglib.h: the message list depends on the library version it defines.
#include <jerror.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

// libjpeg's example tables (ITU T.81 K.1), row-major.
const int kStdLuminance[64] = { 16, 11, 10, 16, 24, 40, 51, 61, 12, 12, 14, 19, 26, 58, 60, 55, 14, 13, 16, 24, 40, 57,
    69, 56, 14, 17, 22, 29, 51, 87, 80, 62, 18, 22, 37, 56, 68, 109, 103, 77, 24, 35, 55, 64, 81, 104, 113, 92, 49, 64,
    78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99 };
const int kStdChrominance[64] = { 17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99,
    99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99 };

std::vector<int> scaledTable(const int *base, int quality)
{
    const int percent = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    std::vector<int> table;
    for (int i = 0; i < 64; ++i) {
        const int v = (base[i] * percent + 50) / 100;
        table.push_back(v < 1 ? 1 : v > 255 ? 255 : v);
    }
    return table;
}

// A picture with smooth areas, edges and many colours.
Bitmap24 colourfulPicture(int width, int height)
{
    Bitmap24 bitmap;
    bitmap.resize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t *p = bitmap.scanLine(y) + 3 * x;
            p[0] = std::uint8_t(x * 255 / (width - 1));
            p[1] = std::uint8_t(y * 255 / (height - 1));
            p[2] = std::uint8_t(((x / 16 + y / 16) % 2) ? 200 : 40);
        }
    return bitmap;
}

double meanAbsDifference(const Bitmap24 &a, const Bitmap24 &b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int i = 0; i < a.width() * 3; ++i)
            sum += std::abs(int(a.scanLine(y)[i]) - int(b.scanLine(y)[i]));
    return sum / (double(a.width()) * a.height() * 3);
}

Bytes encode(const Bitmap24 &bitmap, TJpegOptions options)
{
    TJPEGImage image;
    image.setOptions(options);
    return image.compress(bitmap);
}

Bitmap24 decode(const Bytes &bytes, TJpegOptions options)
{
    TJPEGImage image;
    image.setOptions(options);
    Bitmap24 bitmap;
    image.decode(bytes.data(), bytes.size(), bitmap);
    return bitmap;
}

// ---- what the encoder writes ---------------------------------------------

struct EncodeCase {
    std::string name;
    TJpegOptions options;
    std::uint8_t sof;
    std::vector<std::pair<int, int>> sampling; // per component, across x down
};

std::ostream &operator<<(std::ostream &os, const EncodeCase &c)
{
    return os << c.name;
}

TJpegOptions with(void (*change)(TJpegOptions &))
{
    TJpegOptions o;
    change(o);
    return o;
}

std::vector<EncodeCase> encodeCases()
{
    const std::vector<std::pair<int, int>> full = { { 1, 1 }, { 1, 1 }, { 1, 1 } };
    return {
        { "DefaultsBaseline444Q95", TJpegOptions {}, 0xC0, full },
        { "HorzSubSampling422", with([](TJpegOptions &o) { o.HorzSubSampling = true; }), 0xC0,
            { { 2, 1 }, { 1, 1 }, { 1, 1 } } },
        { "VertSubSampling", with([](TJpegOptions &o) { o.VertSubSampling = true; }), 0xC0,
            { { 1, 2 }, { 1, 1 }, { 1, 1 } } },
        { "BothSubSampling420", with([](TJpegOptions &o) { o.HorzSubSampling = o.VertSubSampling = true; }), 0xC0,
            { { 2, 2 }, { 1, 1 }, { 1, 1 } } },
        { "GrayscaleOneComponent", with([](TJpegOptions &o) { o.Grayscale = true; }), 0xC0, { { 1, 1 } } },
        { "GrayscaleIgnoresSubSampling",
            with([](TJpegOptions &o) { o.Grayscale = o.HorzSubSampling = o.VertSubSampling = true; }), 0xC0,
            { { 1, 1 } } },
        { "Progressive", with([](TJpegOptions &o) { o.ProgressiveEncoding = true; }), 0xC2, full },
        { "ProgressiveGrayscale", with([](TJpegOptions &o) { o.ProgressiveEncoding = o.Grayscale = true; }), 0xC2,
            { { 1, 1 } } },
        { "Quality75", with([](TJpegOptions &o) { o.CompressionQuality = 75; }), 0xC0, full },
        { "Quality50", with([](TJpegOptions &o) { o.CompressionQuality = 50; }), 0xC0, full },
        { "Quality20", with([](TJpegOptions &o) { o.CompressionQuality = 20; }), 0xC0, full },
        { "Quality5BaselineLimitsTo255", with([](TJpegOptions &o) { o.CompressionQuality = 5; }), 0xC0, full },
        { "Quality100", with([](TJpegOptions &o) { o.CompressionQuality = 100; }), 0xC0, full },
    };
}

class JpegEncode : public ::testing::TestWithParam<EncodeCase> { };

TEST_P(JpegEncode, WritesTheExpectedFrame)
{
    const EncodeCase &c = GetParam();
    const Bytes bytes = encode(colourfulPicture(37, 21), c.options);
    const JpegFrameInfo info = inspectJpeg(bytes);
    EXPECT_TRUE(info.jfif);
    EXPECT_EQ(info.sofMarker, c.sof);
    EXPECT_EQ(info.width, 37);
    EXPECT_EQ(info.height, 21);
    ASSERT_EQ(info.components.size(), c.sampling.size());
    for (std::size_t i = 0; i < c.sampling.size(); ++i) {
        EXPECT_EQ(info.components[i].h, c.sampling[i].first) << "component " << i;
        EXPECT_EQ(info.components[i].v, c.sampling[i].second) << "component " << i;
    }
    const int q = c.options.CompressionQuality;
    EXPECT_EQ(info.tables[0], scaledTable(kStdLuminance, q));
    if (c.sampling.size() == 3) {
        EXPECT_EQ(info.components[1].table, 1);
        EXPECT_EQ(info.tables[1], scaledTable(kStdChrominance, q));
    }
    if (c.sof == 0xC2)
        EXPECT_GT(info.scanCount, 1);
    else
        EXPECT_EQ(info.scanCount, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Options, JpegEncode, ::testing::ValuesIn(encodeCases()), [](const auto &info) { return info.param.name; });

TEST(JpegEncodeEdge, BitmapWithoutWidthOrHeightGivesNoData)
{
    Bitmap24 empty;
    EXPECT_TRUE(TJPEGImage().compress(empty).empty());
    Bitmap24 noRows;
    ASSERT_TRUE(noRows.resize(10, 0));
    EXPECT_TRUE(TJPEGImage().compress(noRows).empty());
    Bitmap24 noColumns;
    ASSERT_TRUE(noColumns.resize(0, 10));
    EXPECT_TRUE(TJPEGImage().compress(noColumns).empty());
}

TEST(JpegEncodeEdge, RoundTripKeepsColoursInBlueGreenRedOrder)
{
    Bitmap24 bitmap;
    ASSERT_TRUE(bitmap.resize(32, 32));
    bitmap.fill(/*blue*/ 200, /*green*/ 30, /*red*/ 90);
    const Bitmap24 back = decode(encode(bitmap, {}), {});
    ASSERT_EQ(back.width(), 32);
    const PixelBgr p = pixelAt(back, 16, 16);
    EXPECT_NEAR(p.b, 200, 2);
    EXPECT_NEAR(p.g, 30, 2);
    EXPECT_NEAR(p.r, 90, 2);
}

TEST(JpegEncodeEdge, PictureObjectKeepsTheOptionsOfItsCreation)
{
    TJpegOptions settings;
    settings.CompressionQuality = 40;
    TJPEGImage image(settings);
    settings.CompressionQuality = 80;
    EXPECT_EQ(image.options().CompressionQuality, 40);
    EXPECT_EQ(inspectJpeg(image.compress(colourfulPicture(16, 16))).tables[0], scaledTable(kStdLuminance, 40));
}

TEST(JpegOptionsDefaults, MatchTheDocumentedStart)
{
    const TJpegOptions o;
    EXPECT_EQ(o.CompressionQuality, 95);
    EXPECT_FALSE(o.Grayscale);
    EXPECT_EQ(o.Performance, 0);
    EXPECT_EQ(o.PixelFormat, 0);
    EXPECT_FALSE(o.ProgressiveDisplay);
    EXPECT_FALSE(o.ProgressiveEncoding);
    EXPECT_EQ(o.Scale, 0);
    EXPECT_TRUE(o.Smoothing);
    EXPECT_FALSE(o.HorzSubSampling);
    EXPECT_FALSE(o.VertSubSampling);
}

// ---- what the decoder gives ------------------------------------------------

struct ScaleCase {
    std::uint8_t scale;
    int width, height;
};

class JpegScale : public ::testing::TestWithParam<ScaleCase> { };

TEST_P(JpegScale, DecodesAtOneOverPowerOfTwo)
{
    static const Bytes bytes = encode(colourfulPicture(1000, 800), {});
    TJpegOptions o;
    o.Scale = GetParam().scale;
    const Bitmap24 bitmap = decode(bytes, o);
    EXPECT_EQ(bitmap.width(), GetParam().width);
    EXPECT_EQ(bitmap.height(), GetParam().height);
}

INSTANTIATE_TEST_SUITE_P(Scales, JpegScale,
    ::testing::Values(ScaleCase { 0, 1000, 800 }, ScaleCase { 1, 500, 400 }, ScaleCase { 2, 250, 200 },
        ScaleCase { 3, 125, 100 }, ScaleCase { 4, 1000, 800 }, ScaleCase { 255, 1000, 800 }),
    [](const auto &info) { return "scale" + std::to_string(info.param.scale); });

struct ReadCase {
    std::string name;
    TJpegOptions options;
    bool progressiveFile;
    bool expectGrey;
    bool expectAtMost236;
};

std::ostream &operator<<(std::ostream &os, const ReadCase &c)
{
    return os << c.name;
}

std::vector<ReadCase> readCases()
{
    std::vector<ReadCase> cases;
    for (bool progressive : { false, true }) {
        const std::string file = progressive ? "ProgressiveFile" : "BaselineFile";
        for (bool display : { false, true }) {
            if (display && !progressive)
                continue;
            const std::string suffix = file + (display ? "ShownScanByScan" : "");
            auto add = [&](std::string name, void (*change)(TJpegOptions &), bool grey, bool few) {
                TJpegOptions o;
                change(o);
                o.ProgressiveDisplay = display;
                cases.push_back({ name + suffix, o, progressive, grey, few });
            };
            add(
                "TwentyFourBits", [](TJpegOptions &) {}, false, false);
            add(
                "EightBits", [](TJpegOptions &o) { o.PixelFormat = 1; }, false, true);
            add(
                "EightBitsFast", [](TJpegOptions &o) { o.PixelFormat = 1, o.Performance = 1; }, false, true);
            add(
                "Grayscale", [](TJpegOptions &o) { o.Grayscale = true; }, true, true);
            add(
                "GrayscaleFast", [](TJpegOptions &o) { o.Grayscale = true, o.Performance = 1; }, true, true);
            add(
                "FastNoSmoothing", [](TJpegOptions &o) { o.Performance = 1, o.Smoothing = false; }, false, false);
            add(
                "UnknownPixelFormatIs24Bits", [](TJpegOptions &o) { o.PixelFormat = 255; }, false, false);
        }
    }
    return cases;
}

class JpegRead : public ::testing::TestWithParam<ReadCase> { };

TEST_P(JpegRead, AppliesTheReadingSettings)
{
    const ReadCase &c = GetParam();
    const Bitmap24 original = colourfulPicture(160, 120);
    TJpegOptions writeOptions;
    writeOptions.ProgressiveEncoding = c.progressiveFile;
    const Bytes bytes = encode(original, writeOptions);
    const Bitmap24 bitmap = decode(bytes, c.options);
    ASSERT_EQ(bitmap.width(), 160);
    ASSERT_EQ(bitmap.height(), 120);

    std::set<std::uint32_t> colours;
    bool grey = true;
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x) {
            const PixelBgr p = pixelAt(bitmap, x, y);
            colours.insert(std::uint32_t(p.b | p.g << 8 | p.r << 16));
            grey = grey && p.b == p.g && p.g == p.r;
        }
    EXPECT_EQ(grey, c.expectGrey);
    if (c.expectAtMost236)
        EXPECT_LE(colours.size(), 236u);
    else
        EXPECT_GT(colours.size(), 236u);
    if (!c.expectGrey) {
        // Ordered dithering (the fast method) is noisier than error diffusion.
        const double tolerance = !c.expectAtMost236 ? 3.0 : c.options.Performance == 1 ? 20.0 : 12.0;
        EXPECT_LT(meanAbsDifference(bitmap, original), tolerance);
    }

    // Decoding scan by scan ends with the same picture as decoding at once.
    TJpegOptions other = c.options;
    other.ProgressiveDisplay = !other.ProgressiveDisplay;
    EXPECT_LE(meanAbsDifference(bitmap, decode(bytes, other)), 0.5);
}

INSTANTIATE_TEST_SUITE_P(
    Options, JpegRead, ::testing::ValuesIn(readCases()), [](const auto &info) { return info.param.name; });

TEST(JpegRead, GreyFileDecodesGreyEvenWithoutTheGreyOption)
{
    TJpegOptions writeGrey;
    writeGrey.Grayscale = true;
    const Bitmap24 bitmap = decode(encode(colourfulPicture(64, 48), writeGrey), {});
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x) {
            const PixelBgr p = pixelAt(bitmap, x, y);
            ASSERT_TRUE(p.b == p.g && p.g == p.r);
        }
}

// ---- hostile and broken files --------------------------------------------

// A progressive file whose last scan is repeated.
Bytes manyScans(int repeats)
{
    TJpegOptions o;
    o.ProgressiveEncoding = true;
    const Bytes good = encode(colourfulPicture(24, 24), o);
    const auto segments = splitJpeg(good);
    const JpegSegment *last = nullptr;
    for (const JpegSegment &s : segments)
        if (s.marker == 0xDA)
            last = &s;
    Bytes out(good.begin(), good.begin() + std::ptrdiff_t(last->end));
    for (int i = 0; i < repeats; ++i)
        out.insert(out.end(), good.begin() + std::ptrdiff_t(last->offset), good.begin() + std::ptrdiff_t(last->end));
    out.insert(out.end(), good.begin() + std::ptrdiff_t(last->end), good.end());
    return out;
}

int decodeError(const Bytes &bytes, TJpegOptions options = {}, JpegError::Kind *kind = nullptr)
{
    try {
        decode(bytes, options);
    } catch (const JpegError &e) {
        if (kind)
            *kind = e.kind();
        return e.messageCode();
    }
    return 0;
}

class JpegScanFlood : public ::testing::TestWithParam<bool> { };

// A repeated scan breaks the progression: refused at the first repeat
// instead of being decoded a thousand times.
TEST_P(JpegScanFlood, RepeatedScansAreABrokenProgression)
{
    TJpegOptions o;
    o.ProgressiveDisplay = GetParam();
    EXPECT_EQ(decodeError(manyScans(5000), o), JWRN_BOGUS_PROGRESSION);
    EXPECT_EQ(decodeError(manyScans(1), o), JWRN_BOGUS_PROGRESSION);
}

// Decoding work is bounded by the picture's size: a legal progression that
// refines every coefficient bit by bit (704 scans) is refused, a moderately
// long one decodes.
TEST_P(JpegScanFlood, WorkIsBoundedByThePicturesSize)
{
    TJpegOptions o;
    o.ProgressiveDisplay = GetParam();
    JpegError::Kind kind = JpegError::Library;
    EXPECT_NE(decodeError(bitByBitProgression(512, 512, 10), o, &kind), 0);
    EXPECT_EQ(kind, JpegError::TooMuchWork);
    EXPECT_EQ(decodeError(bitByBitProgression(512, 512, 0), o), 0) << "64 scans, one pass over each coefficient";
}

INSTANTIATE_TEST_SUITE_P(Modes, JpegScanFlood, ::testing::Values(false, true),
    [](const auto &info) { return info.param ? "ScanByScan" : "AtOnce"; });

struct CorruptCase {
    std::string name;
    Bytes (*make)();
    int code; // 0: any library code
};

std::ostream &operator<<(std::ostream &os, const CorruptCase &c)
{
    return os << c.name;
}

Bytes goodJpeg()
{
    return encode(colourfulPicture(32, 32), {});
}

std::vector<CorruptCase> corruptCases()
{
    return {
        { "Empty", [] { return Bytes {}; }, JERR_INPUT_EMPTY },
        { "NotAJpeg", [] { return Bytes(100, 'x'); }, JERR_NO_SOI },
        { "OnlySoi",
            [] {
                return Bytes { 0xFF, 0xD8 };
            },
            0 },
        { "CutBeforeTheFrameHeader",
            [] {
                Bytes b = goodJpeg();
                b.resize(30);
                return b;
            },
            0 },
        { "ZeroWidthFrame",
            [] {
                Bytes b = goodJpeg();
                for (const JpegSegment &s : splitJpeg(b))
                    if (s.marker == 0xC0)
                        b[s.payload + 3] = b[s.payload + 4] = 0;
                return b;
            },
            JERR_EMPTY_IMAGE },
        { "BadComponentCount",
            [] {
                Bytes b = goodJpeg();
                for (const JpegSegment &s : splitJpeg(b))
                    if (s.marker == 0xC0)
                        b[s.payload + 5] = 0;
                return b;
            },
            0 },
        // Damaged data fail as for the other formats, instead of decoding grey
        // below the damage (libjpeg only warns about them).
        { "CutInTheScan",
            [] {
                Bytes b = goodJpeg();
                b.resize(b.size() * 2 / 3);
                return b;
            },
            JWRN_JPEG_EOF },
        { "MarkerInsideTheScan",
            [] {
                Bytes b = goodJpeg();
                b.insert(b.end() - 40, { 0xFF, 0xD3 });
                return b;
            },
            JWRN_HIT_MARKER },
        { "GarbageBetweenScans",
            [] {
                TJpegOptions o;
                o.ProgressiveEncoding = true;
                Bytes b = encode(colourfulPicture(32, 32), o);
                std::size_t lastScan = 0;
                for (const JpegSegment &s : splitJpeg(b))
                    if (s.marker == 0xDA)
                        lastScan = s.offset;
                b.insert(b.begin() + std::ptrdiff_t(lastScan), { 1, 2, 3, 4 });
                return b;
            },
            JWRN_EXTRANEOUS_DATA },
    };
}

class JpegCorrupt : public ::testing::TestWithParam<CorruptCase> { };

TEST_P(JpegCorrupt, ThrowsJpegErrorWithTheLibraryCode)
{
    const CorruptCase &c = GetParam();
    const Bytes bytes = c.make();
    Bitmap24 bitmap = makeTestPanorama(4, 4);
    try {
        TJPEGImage().decode(bytes.data(), bytes.size(), bitmap);
        FAIL() << "decoded";
    } catch (const JpegError &e) {
        if (c.code) {
            EXPECT_EQ(e.messageCode(), c.code);
        }
        EXPECT_EQ(std::string(e.what()), "JPEG error #" + std::to_string(e.messageCode()));
    }
    EXPECT_TRUE(bitmap.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, JpegCorrupt, ::testing::ValuesIn(corruptCases()), [](const auto &info) { return info.param.name; });

// An encoder error after the output buffer grew frees the live buffer once
// (the library's memory destination freed a freed pointer and leaked the
// live one; ASan checks both).
TEST(JpegEncodeMemory, ErrorAfterTheBufferGrewIsClean)
{
    Bitmap24 noise;
    noise.resize(400, 300);
    std::uint32_t seed = 7;
    for (int y = 0; y < 300; ++y)
        for (int i = 0; i < 1200; ++i)
            noise.scanLine(y)[i] = std::uint8_t((seed = seed * 1664525u + 1013904223u) >> 24);
    const Bytes whole = TJPEGImage().compress(noise);
    ASSERT_GT(whole.size(), 200000u) << "grows its buffer several times";
    try {
        TJPEGImage().compress(noise, whole.size() / 2);
        FAIL() << "compressed past the bound";
    } catch (const JpegError &e) {
        EXPECT_EQ(e.messageCode(), JERR_OUT_OF_MEMORY);
    }
    EXPECT_EQ(TJPEGImage().compress(noise, 2 * whole.size()), whole);
}

TEST(JpegCorrupt, HugeFrameHeaderIsRefusedBeforeDecoding)
{
    Bytes b = goodJpeg();
    for (const JpegSegment &s : splitJpeg(b))
        if (s.marker == 0xC0)
            for (int i = 1; i <= 4; ++i)
                b[s.payload + std::size_t(i)] = 0xFD; // 65021 x 65021
    Bitmap24 bitmap;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(TJPEGImage().decode(b.data(), b.size(), bitmap), std::runtime_error);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_TRUE(bitmap.isEmpty());
}

TEST(JpegErrorText, CarriesTheMessageCode)
{
    EXPECT_STREQ(JpegError(42).what(), "JPEG error #42");
    EXPECT_EQ(JpegError(42).messageCode(), 42);
}

} // namespace
