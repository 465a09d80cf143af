// Loads one picture file kept at a given height (its width in proportion),
// as a run with an output size would, then prints the figures and exits:
//   scaled_load_peak FILE HEIGHT      the scaled load
//   scaled_load_peak FILE full        the whole picture, for comparison
// Run it under /usr/bin/time -v for the peak resident memory.
#include "common/Bitmap24.h"
#include "options/JpegOptions.h"
#include "picture/PictureLoader.h"

#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: scaled_load_peak FILE HEIGHT|full\n");
        return 1;
    }
    const bool full = std::strcmp(argv[2], "full") == 0;
    const int height = full ? 0 : std::atoi(argv[2]);
    if (!full && height < 1) {
        std::fprintf(stderr, "scaled_load_peak: bad height %s\n", argv[2]);
        return 1;
    }
    LoadRequest request;
    if (!full)
        request.size = [height](int w, int h) -> std::optional<PictureSize> {
            return PictureSize { std::max(1, int(std::lround(double(w) * height / h))), height };
        };
    const auto start = std::chrono::steady_clock::now();
    Bitmap24 picture;
    PictureLoadResult result;
    const bool ok = LoadPictureFile(argv[1], picture, TJpegOptions {}, &result, request);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!ok) {
        std::fprintf(stderr, "scaled_load_peak: %s: %s\n", argv[1], PictureErrorText(result).c_str());
        return 2;
    }
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%s: %lld x %lld read by %s, kept %d x %d, %.2f s, peak %.0f MB\n", argv[1],
        static_cast<long long>(result.width), static_cast<long long>(result.height), result.decoder.c_str(),
        picture.width(), picture.height(), seconds, double(usage.ru_maxrss) / 1024);
    return 0;
}
