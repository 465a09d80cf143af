// The measures behind bench/resample_vs_vips.sh: test pictures, our scaler
// and a point-sampled reduction on PPM files, and the figures read from the
// results.
//
//   resample_quality pictures DIR FACTOR     zone plate, gratings, line pattern shifts
//   resample_quality scale|point IN OUT W H   ours (prints its processor milliseconds) | nearest pixel
//   resample_quality alias FACTOR OUT         zone plate: RMS grey levels where nothing should be left
//   resample_quality amplitude CYCLES OUT     grating: amplitude at CYCLES a pixel (100 in the source)
//   resample_quality flicker OUT...           line pattern shifted: mean deviation over the shifts
//   resample_quality compare A B              PSNR of A against B, and A's sharpness over B's
#include "ResampleSignals.h"
#include "common/Bitmap24.h"
#include "picture/PanoramaScaler.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kZoneRadius = 3000; // the zone plate reaches 0.5 cycle a pixel there

// 128 + 100 cos(pi r^2 / (2 R)): r / (2 R) cycles a pixel at radius r.
Bitmap24 zonePlate()
{
    const int side = 2 * kZoneRadius;
    Bitmap24 picture;
    picture.resize(side, side);
    for (int y = 0; y < side; ++y) {
        std::uint8_t *row = picture.scanLine(y);
        for (int x = 0; x < side; ++x) {
            const double dx = x + 0.5 - kZoneRadius, dy = y + 0.5 - kZoneRadius;
            const double v = 128.0 + 100.0 * std::cos(std::numbers::pi * (dx * dx + dy * dy) / (2.0 * kZoneRadius));
            std::memset(row + 3 * x, int(std::lround(v)), 3);
        }
    }
    return picture;
}

// Lines one pixel wide every three pixels, shifted right by `shift`.
Bitmap24 linePattern(int width, int height, int shift)
{
    Bitmap24 picture;
    picture.resize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            std::memset(picture.scanLine(y) + 3 * x, (x - shift + 3000) % 3 == 0 ? 230 : 90, 3);
    return picture;
}

Bitmap24 load(const char *path)
{
    Bitmap24 picture;
    if (!readPpm(path, picture)) {
        std::fprintf(stderr, "cannot read %s\n", path);
        std::exit(1);
    }
    return picture;
}

void save(const std::string &path, const Bitmap24 &picture)
{
    if (!writePpm(path, picture)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

double green(const Bitmap24 &p, int x, int y)
{
    return p.scanLine(y)[3 * x + 1];
}

int pictures(const std::string &dir, double factor)
{
    save(dir + "/zone.ppm", zonePlate());
    const int width = int(std::lround(160 * factor)), height = int(std::lround(8 * factor));
    save(dir + "/below.ppm", gratingPicture(width, height, 0.4 / factor));
    save(dir + "/above.ppm", gratingPicture(width, height, 0.7 / factor));
    for (int s = 0; s < 6; ++s)
        save(dir + "/lines" + std::to_string(s) + ".ppm", linePattern(width, height, s));
    return 0;
}

int scale(const char *in, const char *out, int width, int height, bool point)
{
    const Bitmap24 src = load(in);
    Bitmap24 dst;
    const std::clock_t start = std::clock();
    if (point) {
        dst.resize(width, height);
        for (int v = 0; v < height; ++v)
            for (int u = 0; u < width; ++u)
                std::memcpy(dst.scanLine(v) + 3 * u,
                    src.scanLine(std::min(src.height() - 1, int((v + 0.5) * src.height() / height)))
                        + 3 * std::min(src.width() - 1, int((u + 0.5) * src.width() / width)),
                    3);
    } else if (!ScaleBitmap(src, width, height, dst)) {
        std::fprintf(stderr, "cannot scale to %d x %d\n", width, height);
        return 1;
    }
    const double ms = 1000.0 * double(std::clock() - start) / CLOCKS_PER_SEC; // processor time: the machine may be busy
    std::printf("%.1f\n", ms);
    save(out, dst);
    return 0;
}

// Output radius (pixels) where the zone plate's frequency is `cycles` an output pixel.
double zoneRadiusAt(double cycles, double factor)
{
    return 2.0 * kZoneRadius * cycles / (factor * factor);
}

int alias(double factor, const char *path)
{
    const Bitmap24 out = load(path);
    const double cx = out.width() / 2.0, cy = out.height() / 2.0;
    const double inner = zoneRadiusAt(0.6, factor), outer = kZoneRadius / factor - 2.0;
    double sum = 0.0;
    long count = 0;
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            const double r = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            if (r >= inner && r <= outer) {
                sum += (green(out, x, y) - 128.0) * (green(out, x, y) - 128.0);
                ++count;
            }
        }
    std::printf("%.2f\n", std::sqrt(sum / double(count)));
    return 0;
}

int amplitude(double cycles, const char *path)
{
    const Bitmap24 out = load(path);
    std::printf("%.1f\n", amplitudeAt(rowSignal(out, out.height() / 2, 1, 4), cycles));
    return 0;
}

int flicker(int count, char **paths)
{
    std::vector<Bitmap24> frames;
    for (int i = 0; i < count; ++i)
        frames.push_back(load(paths[i]));
    double sum = 0.0;
    long pixels = 0;
    const Bitmap24 &first = frames.front();
    for (int y = 2; y < first.height() - 2; ++y)
        for (int x = 4; x < first.width() - 4; ++x) {
            double mean = 0.0, square = 0.0;
            for (const Bitmap24 &f : frames) {
                mean += green(f, x, y) / double(count);
                square += green(f, x, y) * green(f, x, y) / double(count);
            }
            sum += std::sqrt(std::max(0.0, square - mean * mean));
            ++pixels;
        }
    std::printf("%.2f\n", sum / double(pixels));
    return 0;
}

// Mean absolute difference between neighbours: more means sharper.
double sharpness(const Bitmap24 &p)
{
    double sum = 0.0;
    for (int y = 0; y < p.height() - 1; ++y)
        for (int x = 0; x < p.width() * 3 - 3; ++x)
            sum += std::fabs(double(p.scanLine(y)[x + 3]) - p.scanLine(y)[x])
                + std::fabs(double(p.scanLine(y + 1)[x]) - p.scanLine(y)[x]);
    return sum;
}

int compare(const char *a, const char *b)
{
    const Bitmap24 pa = load(a), pb = load(b);
    if (pa.width() != pb.width() || pa.height() != pb.height()) {
        std::fprintf(stderr, "sizes differ\n");
        return 1;
    }
    double square = 0.0;
    for (int y = 0; y < pa.height(); ++y)
        for (int x = 0; x < pa.width() * 3; ++x) {
            const double d = double(pa.scanLine(y)[x]) - pb.scanLine(y)[x];
            square += d * d;
        }
    const double mse = square / (double(pa.width()) * pa.height() * 3);
    std::printf("%.1f %.3f\n", 10.0 * std::log10(255.0 * 255.0 / std::max(mse, 1e-9)), sharpness(pa) / sharpness(pb));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "pictures" && argc == 4)
        return pictures(argv[2], std::stod(argv[3]));
    if ((what == "scale" || what == "point") && argc == 6)
        return scale(argv[2], argv[3], std::stoi(argv[4]), std::stoi(argv[5]), what == "point");
    if (what == "alias" && argc == 4)
        return alias(std::stod(argv[2]), argv[3]);
    if (what == "amplitude" && argc == 4)
        return amplitude(std::stod(argv[2]), argv[3]);
    if (what == "flicker" && argc > 3)
        return flicker(argc - 2, argv + 2);
    if (what == "compare" && argc == 4)
        return compare(argv[2], argv[3]);
    std::fprintf(stderr, "usage: see the head of bench/resample_quality.cpp\n");
    return 2;
}
