#include "FuzzEntries.h"

#include "common/Bitmap24.h"
#include "common/MemoryBudget.h"
#include "jpeg/JpegImage.h"
#include "picture/BmpReader.h"
#include "picture/PictureLoader.h"
#include "picture/sphere/PhotoSphereXmp.h"
#include "picture/sphere/XmpPacket.h"

#include <exception>
#include <iterator>
#include <string>

namespace {

// The program as under `prlimit --as`: what it may take stays below the
// fuzzer's allocation limit (2 GB), so a picture it would refuse there is
// refused here, by the program's own check.
void holdToTheFuzzersLimit()
{
    SetMemoryCeiling(std::uint64_t(1536) << 20);
}

} // namespace

int FuzzBmp(const std::uint8_t *data, std::size_t size)
{
    holdToTheFuzzersLimit();
    Bitmap24 bitmap;
    BmpReader().decode(data, size, bitmap);
    return 0;
}

int FuzzJpeg(const std::uint8_t *data, std::size_t size)
{
    holdToTheFuzzersLimit();
    if (size < 1)
        return 0;
    const std::uint8_t knobs = data[0];
    TJpegOptions options;
    options.Grayscale = knobs & 1;
    options.PixelFormat = (knobs >> 1) & 1;
    options.Performance = (knobs >> 2) & 1;
    options.ProgressiveDisplay = (knobs >> 3) & 1;
    options.Smoothing = (knobs >> 4) & 1;
    options.Scale = (knobs >> 5) & 3;
    Bitmap24 bitmap;
    try {
        TJPEGImage(options).decode(data + 1, size - 1, bitmap);
    } catch (const std::exception &) {
        return 0;
    }
    if (bitmap.width() * std::int64_t(bitmap.height()) <= 256 * 256) {
        options.ProgressiveEncoding = knobs & 1;
        options.HorzSubSampling = (knobs >> 1) & 1;
        options.VertSubSampling = (knobs >> 2) & 1;
        options.CompressionQuality = std::uint8_t(5 + knobs % 96);
        TJPEGImage(options).compress(bitmap);
    }
    return 0;
}

int FuzzPicture(const std::uint8_t *data, std::size_t size)
{
    holdToTheFuzzersLimit();
    static const char *const extensions[]
        = { "bmp", "rle", "jpg", "png", "gif", "tif", "ico", "ppm", "pgm", "pbm", "tga", "pcx", "sgi", "psd", "pcd" };
    if (size < 1)
        return 0;
    Bitmap24 bitmap;
    LoadPictureBytes(data + 1, size - 1, extensions[data[0] % std::size(extensions)], bitmap, TJpegOptions {});
    return 0;
}

int FuzzTiff(const std::uint8_t *data, std::size_t size)
{
    holdToTheFuzzersLimit();
    Bitmap24 bitmap;
    LoadPictureBytes(data, size, "tif", bitmap, TJpegOptions {});
    return 0;
}

int FuzzPng(const std::uint8_t *data, std::size_t size)
{
    holdToTheFuzzersLimit();
    Bitmap24 bitmap;
    LoadPictureBytes(data, size, "png", bitmap, TJpegOptions {});
    return 0;
}

int FuzzXmp(const std::uint8_t *data, std::size_t size)
{
    holdToTheFuzzersLimit();
    const XmpSearch found = FindXmpPacket(data, size);
    ReadPhotoSphere(found.packet, 4096, 2048);
    ReadPhotoSphere(std::string(reinterpret_cast<const char *>(data), size), 4096, 2048);
    return 0;
}
