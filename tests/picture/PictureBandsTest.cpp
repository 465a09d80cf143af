#include "jpeg/JpegOptions.h"
#include "picture/PictureLoader.h"

#include "TestUtils.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Pixels expected from a QImage: composited on black as Qt does it.
PixelBgr expectedPixel(const QImage &image, int x, int y)
{
    const QRgb c = qPremultiply(image.pixel(x, y));
    return { std::uint8_t(qBlue(c)), std::uint8_t(qGreen(c)), std::uint8_t(qRed(c)) };
}

// Pictures that Qt decodes into other than 32-bit pixels (here 1-bit and
// 32-bit with alpha) are converted a band of rows at a time (no 32-bit copy
// of the whole picture): every band, the last shorter one included, lands on
// its own rows.
TEST(QtBands, EveryRowOfEveryBandIsConverted)
{
    TempDir dir;
    for (const QImage::Format format : { QImage::Format_Mono, QImage::Format_ARGB32 }) {
        QImage image(1100, 777, format); // bands of 238 rows
        image.setColorTable({ qRgb(10, 20, 30), qRgb(250, 200, 150) });
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y,
                    format == QImage::Format_Mono ? uint((x / 3 + y / 5) & 1)
                                                  : qRgba(x & 255, y & 255, (x + y) & 255, (x * 7 + y) & 255));
        const QString path = QString::fromStdString((dir / "p.png").string());
        ASSERT_TRUE(image.save(path, "png"));
        const QImage reference(path, "png");
        Bitmap24 loaded;
        ASSERT_TRUE(LoadPictureFile(path.toStdString(), loaded, TJpegOptions {}));
        ASSERT_EQ(loaded.height(), 777);
        for (int y = 0; y < loaded.height(); ++y)
            for (int x = 0; x < loaded.width(); x += 13)
                ASSERT_EQ(pixelAt(loaded, x, y), expectedPixel(reference, x, y)) << format << ": " << x << "," << y;
    }
}

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

} // namespace
