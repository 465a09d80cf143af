// Peak memory of loading one picture file with the program's loader.
//   picture_peak_memory make FILE.jpg [WIDTH HEIGHT]  writes a test JPEG (default 20000 x 2000)
//   picture_peak_memory load FILE                      loads it and prints the figures
// Run "make" and "load" as separate processes so that only the load is measured.
#include "options/JpegImage.h"
#include "common/Bitmap24.h"
#include "picture/PictureLoader.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

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

int load(const char *path)
{
    const long before = peakKilobytes();
    Bitmap24 picture;
    const auto start = std::chrono::steady_clock::now();
    const bool ok = LoadPictureFile(path, picture, TJpegOptions {});
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const long after = peakKilobytes();
    std::printf("loaded=%d size=%dx%d time_ms=%.0f bitmap_MB=%.1f peak_before_MB=%.1f peak_after_MB=%.1f "
                "growth_MB=%.1f\n",
        ok, picture.width(), picture.height(), ms, picture.byteCount() / 1048576.0, before / 1024.0, after / 1024.0,
        (after - before) / 1024.0);
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "make") == 0)
        return make(argv[2], argc >= 5 ? std::atoi(argv[3]) : 20000, argc >= 5 ? std::atoi(argv[4]) : 2000);
    if (argc == 3 && std::strcmp(argv[1], "load") == 0)
        return load(argv[2]);
    std::fprintf(stderr, "usage: %s make FILE [W H] | load FILE\n", argv[0]);
    return 2;
}
