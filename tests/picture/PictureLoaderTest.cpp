#include "picture/PictureLoader.h"
#include "jpeg/JpegImage.h"

#include "FFmpegTestEncoder.h"
#include "TestUtils.h"

#include <QImage>
#include <QImageWriter>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <set>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes jpegOf(const Bitmap24 &bitmap)
{
    return TJPEGImage().compress(bitmap);
}

// A bitmap file as the frame writer makes it: 24 bits, bottom-up.
Bytes bmpOf(const Bitmap24 &bitmap)
{
    Bytes b = { 'B', 'M' };
    auto put32 = [&b](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.push_back(std::uint8_t(v >> (8 * i)));
    };
    put32(std::uint32_t(54 + bitmap.byteCount()));
    put32(0);
    put32(54);
    put32(40);
    put32(std::uint32_t(bitmap.width()));
    put32(std::uint32_t(bitmap.height()));
    put32(1 | (24 << 16));
    for (int i = 0; i < 6; ++i)
        put32(0);
    for (int y = bitmap.height() - 1; y >= 0; --y)
        b.insert(b.end(), bitmap.scanLine(y), bitmap.scanLine(y) + bitmap.stride());
    return b;
}

QImage qImageOf(const Bitmap24 &bitmap)
{
    QImage image(bitmap.width(), bitmap.height(), QImage::Format_RGB32);
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x) {
            const PixelBgr p = pixelAt(bitmap, x, y);
            image.setPixel(x, y, qRgb(p.r, p.g, p.b));
        }
    return image;
}

// A picture of few colours, so palette formats keep it exactly.
Bitmap24 fewColours(int width, int height)
{
    Bitmap24 bitmap;
    bitmap.resize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t *p = bitmap.scanLine(y) + 3 * x;
            const int c = (x / 3 + y / 2) % 6;
            p[0] = std::uint8_t(c * 50);
            p[1] = std::uint8_t(255 - c * 40);
            p[2] = std::uint8_t((c * 97) & 255);
        }
    return bitmap;
}

class PictureLoaderTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string write(const std::string &name, const Bytes &bytes)
    {
        writeFileBytes(dir / name, bytes);
        return (dir / name).string();
    }
    std::string writeQt(const std::string &name, const QImage &image, const char *format)
    {
        const std::string path = (dir / name).string();
        QImageWriter writer(QString::fromStdString(path), format);
        EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
        return path;
    }
};

TEST_F(PictureLoaderTest, LoadsBitmapFramesExactly)
{
    const Bitmap24 picture = makeTestPanorama(301, 7);
    for (const char *name : { "frame.bmp", "FRAME.BMP", "frame.dib", "frame.rle" }) {
        Bitmap24 loaded;
        ASSERT_TRUE(LoadPictureFile(write(name, bmpOf(picture)), loaded, TJpegOptions {})) << name;
        EXPECT_EQ(loaded, picture) << name;
    }
}

TEST_F(PictureLoaderTest, JpegExtensionsAreCaseInsensitiveAndDecodeAlike)
{
    const Bytes jpeg = jpegOf(makeTestPanorama(64, 40));
    Bitmap24 reference;
    ASSERT_TRUE(LoadPictureFile(write("pano.jpg", jpeg), reference, TJpegOptions {}));
    EXPECT_EQ(reference.width(), 64);
    for (const char *name : { "PANO.JPG", "pano.jpeg", "pano.JPE", "pano.jfif", "stereo.jps" }) {
        Bitmap24 loaded;
        ASSERT_TRUE(LoadPictureFile(write(name, jpeg), loaded, TJpegOptions {})) << name;
        EXPECT_EQ(loaded, reference) << name;
    }
}

TEST_F(PictureLoaderTest, JpegUsesTheOptionsInForceAtLoadTime)
{
    const std::string path = write("pano.jpg", jpegOf(makeTestPanorama(300, 200)));
    TJpegOptions settings;
    settings.Grayscale = true;
    Bitmap24 grey;
    const bool loaded = LoadPictureFile(path, grey, settings);
    ASSERT_TRUE(loaded);
    for (int y = 0; y < grey.height(); y += 7)
        for (int x = 0; x < grey.width(); x += 5) {
            const PixelBgr p = pixelAt(grey, x, y);
            ASSERT_TRUE(p.b == p.g && p.g == p.r);
        }
}

struct FailureCase {
    const char *name;
    const char *fileName;
    Bytes (*content)();
    PictureError error = PictureError::Damaged;
    const char *reason = nullptr; // the start of PictureErrorText; by default the error's
};

class PictureLoaderFailure : public PictureLoaderTest, public ::testing::WithParamInterface<FailureCase> { };

// A failed load tells why and leaves the old picture in place.
TEST_P(PictureLoaderFailure, FailsWithItsReasonAndLeavesTheTargetUntouched)
{
    const FailureCase &c = GetParam();
    std::string path = (dir / c.fileName).string();
    if (c.content)
        path = write(c.fileName, c.content());
    const Bitmap24 before = makeTestPanorama(5, 5);
    Bitmap24 target = before;
    PictureLoadResult result;
    EXPECT_FALSE(LoadPictureFile(path, target, TJpegOptions {}, &result));
    EXPECT_EQ(target, before);
    EXPECT_EQ(result.error, c.error);
    const char *reason = c.reason          ? c.reason
        : c.error == PictureError::File    ? "not found"
        : c.error == PictureError::Damaged ? "damaged data"
                                           : "unknown format";
    EXPECT_EQ(PictureErrorText(result).rfind(reason, 0), 0u) << PictureErrorText(result);
}

Bytes jpegCutInHalf()
{
    Bytes b = jpegOf(makeTestPanorama(64, 64));
    b.resize(b.size() / 2);
    return b;
}

constexpr PictureError kUnknown = PictureError::UnknownFormat;

INSTANTIATE_TEST_SUITE_P(Files, PictureLoaderFailure,
    ::testing::Values(FailureCase { "UnknownExtensionWithJpegContent", "pano.xyz",
                          [] { return jpegOf(makeTestPanorama(8, 8)); }, kUnknown },
        FailureCase { "NoExtension", "pano", [] { return jpegOf(makeTestPanorama(8, 8)); }, kUnknown },
        FailureCase { "MissingFile", "absent.bmp", nullptr, PictureError::File },
        FailureCase { "MissingJpeg", "absent.jpg", nullptr, PictureError::File },
        FailureCase { "ZeroLengthBmp", "empty.bmp", [] { return Bytes {}; } },
        FailureCase { "ZeroLengthJpeg", "empty.jpg", [] { return Bytes {}; } },
        FailureCase { "ZeroLengthPng", "empty.png", [] { return Bytes {}; } },
        FailureCase { "ZeroLengthPcx", "empty.pcx", [] { return Bytes {}; } },
        FailureCase { "BitmapNamedJpeg", "frame.jpg", [] { return bmpOf(makeTestPanorama(8, 8)); } },
        FailureCase { "JpegNamedBitmap", "frame.bmp", [] { return jpegOf(makeTestPanorama(8, 8)); } },
        FailureCase { "JpegNamedPng", "frame.png", [] { return jpegOf(makeTestPanorama(8, 8)); } },
        FailureCase { "GarbageTga", "frame.tga", [] { return Bytes(3, 0xFF); } },
        FailureCase { "GarbageSgi", "frame.sgi", [] { return Bytes(600, 0x11); } },
        FailureCase { "CorruptJpeg", "frame.jpg", [] { return Bytes(500, 0x42); } },
        FailureCase { "JpegCutShort", "frame.jpg", jpegCutInHalf, PictureError::Damaged,
            "damaged data (Premature end of JPEG file)" },
        FailureCase { "MetafileWithoutDecoder", "drawing.wmf", [] { return Bytes(100, 1); }, kUnknown },
        FailureCase { "PostscriptWithoutDecoder", "page.eps", [] { return Bytes(100, 1); }, kUnknown }),
    [](const auto &info) { return std::string(info.param.name); });

// Only regular files are pictures: a folder, a device or a pipe without a
// writer is refused at once (before, /dev/zero was read without end and a
// pipe blocked in open()).
TEST_F(PictureLoaderTest, SpecialFilesAreRefusedAtOnce)
{
    std::filesystem::create_directory(dir / "folder.bmp");
    std::filesystem::create_symlink("/dev/zero", dir / "zero.bmp");
    ASSERT_EQ(::mkfifo((dir / "pipe.jpg").c_str(), 0600), 0);
    for (const char *name : { "folder.bmp", "zero.bmp", "pipe.jpg" }) {
        const Bitmap24 before = makeTestPanorama(2, 2);
        Bitmap24 target = before;
        PictureLoadResult result;
        EXPECT_FALSE(LoadPictureFile((dir / name).string(), target, TJpegOptions {}, &result)) << name;
        EXPECT_EQ(PictureErrorText(result), "not a regular file") << name;
        EXPECT_EQ(target, before) << name;
    }
}

// ---- other formats: written here, read back pixel for pixel ---------------

struct RoundTripCase {
    const char *name;
    const char *fileName;
    const char *qtFormat; // written by Qt when set
    const char *encoder; // otherwise by libavcodec
    const char *pixelFormat;
    bool paletted; // the picture must keep to few colours
};

class PictureRoundTrip : public PictureLoaderTest, public ::testing::WithParamInterface<RoundTripCase> { };

TEST_P(PictureRoundTrip, LoadsThePixelsThatWereWritten)
{
    const RoundTripCase &c = GetParam();
    const Bitmap24 picture = c.paletted ? fewColours(45, 23) : makeTestPanorama(300, 23);
    const std::string path = c.qtFormat ? writeQt(c.fileName, qImageOf(picture), c.qtFormat)
                                        : write(c.fileName, encodeStill(picture, c.encoder, c.pixelFormat));
    Bitmap24 loaded;
    ASSERT_TRUE(LoadPictureFile(path, loaded, TJpegOptions {}));
    EXPECT_EQ(loaded, picture);
}

INSTANTIATE_TEST_SUITE_P(Formats, PictureRoundTrip,
    ::testing::Values(RoundTripCase { "Png", "p.png", "png", nullptr, nullptr, false },
        RoundTripCase { "Tiff", "p.tiff", "tiff", nullptr, nullptr, false },
        RoundTripCase { "Tif", "p.TIF", "tiff", nullptr, nullptr, false },
        RoundTripCase { "Ppm", "p.ppm", "ppm", nullptr, nullptr, false },
        RoundTripCase { "Ico", "p.ico", "ico", nullptr, nullptr, true },
        RoundTripCase { "Gif", "p.gif", nullptr, "gif", "pal8", true },
        RoundTripCase { "Tga", "p.tga", nullptr, "targa", "bgr24", false },
        RoundTripCase { "TgaAsVst", "p.vst", nullptr, "targa", "bgr24", false },
        RoundTripCase { "TgaPaletted", "p.tga", nullptr, "targa", "pal8", true },
        RoundTripCase { "Pcx", "p.pcx", nullptr, "pcx", "rgb24", false },
        RoundTripCase { "PcxPaletted", "p.pcc", nullptr, "pcx", "pal8", true },
        RoundTripCase { "PcxAsScreenCapture", "p.scr", nullptr, "pcx", "rgb24", false },
        RoundTripCase { "Sgi", "p.sgi", nullptr, "sgi", "rgb24", false },
        RoundTripCase { "SgiAsRgb", "p.rgb", nullptr, "sgi", "rgb24", false }),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(PictureLoaderTest, GreyAndBlackAndWhitePortableMaps)
{
    QImage grey(20, 10, QImage::Format_Grayscale8);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            grey.setPixel(x, y, qRgb(x * 12, x * 12, x * 12));
    Bitmap24 loaded;
    ASSERT_TRUE(LoadPictureFile(writeQt("g.pgm", grey, "pgm"), loaded, TJpegOptions {}));
    EXPECT_EQ(pixelAt(loaded, 7, 3), (PixelBgr { 84, 84, 84 }));

    QImage mono(9, 4, QImage::Format_Mono);
    mono.fill(0);
    mono.setPixel(2, 1, 1);
    ASSERT_TRUE(LoadPictureFile(writeQt("m.pbm", mono, "pbm"), loaded, TJpegOptions {}));
    std::set<int> levels;
    for (int x = 0; x < 9; ++x)
        levels.insert(pixelAt(loaded, x, 1).r);
    EXPECT_EQ(levels, (std::set<int> { 0, 255 }));
    EXPECT_NE(pixelAt(loaded, 2, 1), pixelAt(loaded, 3, 1));
}

TEST_F(PictureLoaderTest, AlphaIsCompositedOnBlack)
{
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(qRgba(250, 100, 50, 128)); // red, green, blue, alpha
    Bitmap24 loaded;
    ASSERT_TRUE(LoadPictureFile(writeQt("a.png", image, "png"), loaded, TJpegOptions {}));
    const PixelBgr p = pixelAt(loaded, 1, 1);
    EXPECT_NEAR(p.r, 125, 1);
    EXPECT_NEAR(p.g, 50, 1);
    EXPECT_NEAR(p.b, 25, 1);
}

TEST_F(PictureLoaderTest, HugeAnnouncedSizeFailsWithoutDecoding)
{
    // A PNG header announcing 60000 x 60000 pixels, with no data behind it.
    QImage small(1, 1, QImage::Format_RGB32);
    small.fill(0);
    Bytes bytes = readFileBytes(writeQt("small.png", small, "png"));
    for (int i = 0; i < 2; ++i) { // width and height at offsets 16 and 20
        bytes[std::size_t(16 + 4 * i)] = 0;
        bytes[std::size_t(17 + 4 * i)] = 0;
        bytes[std::size_t(18 + 4 * i)] = 0xEA;
        bytes[std::size_t(19 + 4 * i)] = 0x60;
    }
    // The header chunk's CRC covers type and data (offsets 12..28), stored at 29.
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 12; i < 29; ++i) {
        crc ^= bytes[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    crc = ~crc;
    for (int i = 0; i < 4; ++i)
        bytes[std::size_t(29 + i)] = std::uint8_t(crc >> (24 - 8 * i));
    const std::string path = write("huge.png", bytes);
    // Refused from its header: 32 MB to spare are plenty.
    const int outcome = runWithAddressSpaceHeadroom(std::uint64_t(32) << 20, [&] {
        Bitmap24 target;
        PictureLoadResult result;
        if (LoadPictureFile(path, target, TJpegOptions {}, &result) || !target.isEmpty())
            return 1;
        return PictureErrorText(result) == "file too short for its announced size (60000 × 60000)" ? 0 : 2;
    });
    EXPECT_EQ(outcome, 0);
}

} // namespace
