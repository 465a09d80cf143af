#include "common/Log.h"
#include "options/JpegOptions.h"
#include "picture/PictureLoader.h"

#include "TestUtils.h"

#include <QImage>
#include <QImageWriter>

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Pixels expected from a QImage: composited on black as Qt does it.
PixelBgr expectedPixel(const QImage &image, int x, int y)
{
    const QRgb c = qPremultiply(image.pixel(x, y));
    return { std::uint8_t(qBlue(c)), std::uint8_t(qGreen(c)), std::uint8_t(qRed(c)) };
}

struct BandCase {
    const char *name;
    const char *fileName;
    const char *qtFormat;
    QImage::Format format;
};

class QtBands : public ::testing::TestWithParam<BandCase> { };

// Pictures that Qt decodes into other than 32-bit pixels are converted a band
// of rows at a time (no 32-bit copy of the whole picture): every band, the
// last shorter one included, lands on its own rows.
TEST_P(QtBands, EveryRowOfEveryBandIsConverted)
{
    const BandCase &c = GetParam();
    QImage image(1100, 777, c.format); // bands of 238 rows
    if (c.format == QImage::Format_Mono) {
        image.setColorTable({ qRgb(10, 20, 30), qRgb(250, 200, 150) });
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, uint((x / 3 + y / 5) & 1));
    } else {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgba(x & 255, y & 255, (x + y) & 255, (x * 7 + y) & 255));
    }
    TempDir dir;
    const std::string path = (dir / c.fileName).string();
    QImageWriter writer(QString::fromStdString(path), c.qtFormat);
    ASSERT_TRUE(writer.write(image));
    const QImage reference(QString::fromStdString(path), c.qtFormat);
    Bitmap24 loaded;
    ASSERT_TRUE(LoadPictureFile(path, loaded, TJpegOptions {}));
    ASSERT_EQ(loaded.height(), 777);
    for (int y = 0; y < loaded.height(); ++y)
        for (int x = 0; x < loaded.width(); x += 13)
            ASSERT_EQ(pixelAt(loaded, x, y), expectedPixel(reference, x, y)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Formats, QtBands,
    ::testing::Values(BandCase { "MonoPng", "m.png", "png", QImage::Format_Mono },
        BandCase { "MonoTiff", "m.tif", "tiff", QImage::Format_Mono },
        BandCase { "AlphaPng", "a.png", "png", QImage::Format_ARGB32 }),
    [](const auto &info) { return std::string(info.param.name); });

// A 32-bit Targa file with alpha: FFmpeg's picture is composited on black a
// band of rows at a time.
TEST(FFmpegBands, AlphaIsCompositedBandByBand)
{
    const int width = 700, height = 800; // bands of 374 rows
    Bytes tga = { 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, std::uint8_t(width), std::uint8_t(width >> 8),
        std::uint8_t(height), std::uint8_t(height >> 8), 32, 0x28 }; // top-down, 8 alpha bits
    const auto channel = [](int x, int y, int k) { return std::uint8_t((x * (k + 1) + y * (3 - k)) & 255); };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int k = 0; k < 4; ++k)
                tga.push_back(channel(x, y, k));
    TempDir dir;
    writeFileBytes(dir / "a.tga", tga);
    Bitmap24 loaded;
    ASSERT_TRUE(LoadPictureFile((dir / "a.tga").string(), loaded, TJpegOptions {}));
    for (int y = 0; y < height; y += 7)
        for (int x = 0; x < width; x += 5) {
            const unsigned a = channel(x, y, 3);
            const PixelBgr want = { std::uint8_t((channel(x, y, 0) * a + 127) / 255),
                std::uint8_t((channel(x, y, 1) * a + 127) / 255), std::uint8_t((channel(x, y, 2) * a + 127) / 255) };
            ASSERT_EQ(pixelAt(loaded, x, y), want) << x << "," << y;
        }
}

// What the libraries print on their own goes to our log, never to stderr.
class LibraryChatter : public ::testing::Test {
protected:
    // Loads the file with stderr caught; returns what reached stderr.
    std::string loadCatchingStderr(const std::string &path)
    {
        std::fflush(stderr);
        const int saved = ::dup(2);
        char name[] = "/tmp/travelia-stderr-XXXXXX";
        const int caught = ::mkstemp(name);
        ::dup2(caught, 2);
        Bitmap24 bitmap;
        LoadPictureFile(path, bitmap, TJpegOptions {});
        std::fflush(stderr);
        ::dup2(saved, 2);
        ::close(saved);
        ::close(caught);
        const Bytes bytes = readFileBytes(name);
        ::unlink(name);
        return std::string(bytes.begin(), bytes.end());
    }
    void TearDown() override
    {
        SetLogSink({});
        SetLogVerbose(false);
    }
    TempDir dir;
};

TEST_F(LibraryChatter, GoesToTheLogOnly)
{
    writeFileBytes(dir / "g.psd", Bytes(300, 'g')); // FFmpeg: "Wrong signature"
    QImage small(200, 100, QImage::Format_RGB32);
    small.fill(Qt::red);
    ASSERT_TRUE(small.save(QString::fromStdString((dir / "p.png").string()), "png"));
    Bytes png = readFileBytes(dir / "p.png");
    png.resize(png.size() / 2); // libpng: "Read Error"
    writeFileBytes(dir / "cut.png", png);

    std::vector<std::string> lines;
    SetLogSink([&lines](const std::string &line) { lines.push_back(line); });
    for (bool verbose : { false, true }) {
        SetLogVerbose(verbose);
        lines.clear();
        EXPECT_EQ(loadCatchingStderr((dir / "g.psd").string()), "");
        EXPECT_EQ(loadCatchingStderr((dir / "cut.png").string()), "");
        if (!verbose) {
            EXPECT_TRUE(lines.empty()) << lines.front();
            continue;
        }
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].rfind("psd: Wrong signature", 0), 0u) << lines[0];
        EXPECT_EQ(lines[1], "qt: libpng error: Read Error");
    }
}

} // namespace
