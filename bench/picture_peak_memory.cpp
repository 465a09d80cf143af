// Peak memory and time of loading one picture file with the program's loader.
//   picture_peak_memory make FILE.jpg [WIDTH HEIGHT]   writes a test JPEG (default 20000 x 2000)
//   picture_peak_memory make-mono FILE.png|.tif W H    writes a 1-bit PNG or TIFF (Qt's plug-ins)
//   picture_peak_memory make-scans FILE.jpg W H N      a progressive grey JPEG, its last scan repeated N times
//   picture_peak_memory make-bitbybit FILE.jpg W H     a grey JPEG of 704 legal scans, each coefficient
//                                                      refined bit by bit
//   picture_peak_memory load FILE                      loads it and prints the figures
// Run "make" and "load" as separate processes so that only the load is measured.
#include "common/Bitmap24.h"
#include "jpeg/JpegImage.h"
#include "picture/PictureLoader.h"

#include <QImage>
#include <QImageWriter>

#include <jpeglib.h>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

long peakKilobytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int make(const char *path, int width, int height)
{
    Bitmap24 picture;
    if (!picture.resize(width, height))
        return 1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t *p = picture.scanLine(y) + 3 * x;
            p[0] = std::uint8_t(x / 80);
            p[1] = std::uint8_t(y / 8);
            p[2] = std::uint8_t((x ^ y) & 0x3F);
        }
    const auto bytes = TJPEGImage().compress(picture);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    std::printf("wrote %s: %d x %d, %zu bytes\n", path, width, height, bytes.size());
    return out ? 0 : 1;
}

int makeMono(const char *path, int width, int height)
{
    QImage image(width, height, QImage::Format_Mono);
    if (image.isNull())
        return 1;
    image.setColorTable({ qRgb(0, 0, 0), qRgb(255, 255, 255) });
    for (int y = 0; y < height; ++y)
        std::memset(image.scanLine(y), (y / 64) % 2 ? 0x0F : 0xF0, std::size_t(image.bytesPerLine()));
    QImageWriter writer(QString::fromLocal8Bit(path));
    if (!writer.write(image))
        return 1;
    std::printf("wrote %s: %d x %d, 1 bit\n", path, width, height);
    return 0;
}

// Writes a greyscale JPEG with the given scan script (none: libjpeg's
// progressive one).
std::vector<std::uint8_t> greyJpeg(int width, int height, const std::vector<jpeg_scan_info> &scans)
{
    jpeg_compress_struct cinfo {};
    jpeg_error_mgr err {};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 1;
    cinfo.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    if (scans.empty()) {
        jpeg_simple_progression(&cinfo);
    } else {
        cinfo.scan_info = scans.data();
        cinfo.num_scans = int(scans.size());
    }
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width));
    while (cinfo.next_scanline < cinfo.image_height) {
        for (int x = 0; x < width; ++x)
            row[std::size_t(x)] = JSAMPLE(((x / 40) * 9 + int(cinfo.next_scanline) / 30) & 255);
        JSAMPROW rows[1] = { row.data() };
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<std::uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

int writeBytes(const char *path, const std::vector<std::uint8_t> &bytes, const char *what)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    std::printf("wrote %s: %s, %zu bytes\n", path, what, bytes.size());
    return out ? 0 : 1;
}

int makeRepeatedScans(const char *path, int width, int height, int repeats)
{
    const std::vector<std::uint8_t> good = greyJpeg(width, height, {});
    // The last scan runs from the last SOS marker to the end-of-image marker.
    std::size_t last = 0;
    for (std::size_t i = 2; i + 1 < good.size(); ++i)
        if (good[i] == 0xFF && good[i + 1] == 0xDA)
            last = i;
    const std::size_t end = good.size() - 2;
    std::vector<std::uint8_t> out(good.begin(), good.begin() + std::ptrdiff_t(end));
    for (int i = 0; i < repeats; ++i)
        out.insert(out.end(), good.begin() + std::ptrdiff_t(last), good.begin() + std::ptrdiff_t(end));
    out.insert(out.end(), { 0xFF, 0xD9 });
    return writeBytes(path, out, "last scan repeated");
}

int makeBitByBit(const char *path, int width, int height)
{
    std::vector<jpeg_scan_info> scans;
    for (int k = 0; k < 64; ++k) {
        scans.push_back({ 1, { 0, 0, 0, 0 }, k, k, 0, 10 });
        for (int al = 10; al > 0; --al)
            scans.push_back({ 1, { 0, 0, 0, 0 }, k, k, al, al - 1 });
    }
    return writeBytes(path, greyJpeg(width, height, scans), "704 scans");
}

int load(const char *path)
{
    const long before = peakKilobytes();
    Bitmap24 picture;
    const auto start = std::chrono::steady_clock::now();
    const bool ok = LoadPictureFile(path, picture, TJpegOptions {});
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const long after = peakKilobytes();
    std::printf("loaded=%d size=%dx%d time_ms=%.0f bitmap_MB=%.1f peak_before_MB=%.1f peak_after_MB=%.1f "
                "growth_MB=%.1f ratio=%.2f\n",
        ok, picture.width(), picture.height(), ms, picture.byteCount() / 1048576.0, before / 1024.0, after / 1024.0,
        (after - before) / 1024.0, picture.byteCount() ? (after - before) * 1024.0 / double(picture.byteCount()) : 0.0);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "make") == 0)
        return make(argv[2], argc >= 5 ? std::atoi(argv[3]) : 20000, argc >= 5 ? std::atoi(argv[4]) : 2000);
    if (argc == 5 && std::strcmp(argv[1], "make-mono") == 0)
        return makeMono(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    if (argc == 6 && std::strcmp(argv[1], "make-scans") == 0)
        return makeRepeatedScans(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    if (argc == 5 && std::strcmp(argv[1], "make-bitbybit") == 0)
        return makeBitByBit(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    if (argc == 3 && std::strcmp(argv[1], "load") == 0)
        return load(argv[2]);
    std::fprintf(stderr, "usage: %s make FILE [W H] | load FILE\n", argv[0]);
    return 2;
}
