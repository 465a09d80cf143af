#include "ResampleSignals.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <string>

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

std::uint8_t toByte(double v)
{
    return std::uint8_t(std::clamp(std::lround(v), 0L, 255L));
}

// A small reproducible generator (the standard distributions may differ
// between libraries).
struct Lcg {
    std::uint64_t state;
    double next() // in [0, 1)
    {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return double(state >> 11) / double(std::uint64_t(1) << 53);
    }
};

double hann(std::size_t n, std::size_t size)
{
    return 0.5 - 0.5 * std::cos(kTwoPi * (double(n) + 0.5) / double(size));
}

} // namespace

Bitmap24 gratingPicture(int width, int height, double cyclesPerPixel, double amplitude, double mean)
{
    Bitmap24 picture;
    picture.resize(width, height);
    std::vector<std::uint8_t> row(std::size_t(width) * 3);
    for (int x = 0; x < width; ++x) {
        const std::uint8_t v = toByte(mean + amplitude * std::cos(kTwoPi * cyclesPerPixel * x));
        row[3 * std::size_t(x)] = row[3 * std::size_t(x) + 1] = row[3 * std::size_t(x) + 2] = v;
    }
    for (int y = 0; y < height; ++y)
        std::copy(row.begin(), row.end(), picture.scanLine(y));
    return picture;
}

Bitmap24 texturePicture(int width, int height, double maxCycles, unsigned seed)
{
    struct Wave {
        double fx, fy, phase, amplitude;
        int channel;
    };
    Lcg random { seed * 2654435761ULL + 1 };
    std::vector<Wave> waves;
    for (int i = 0; i < 60; ++i) {
        const double f = 0.004 * std::pow(maxCycles / 0.004, random.next()); // log-uniform
        const double angle = (random.next() - 0.5) * 2.4;
        waves.push_back({ f * std::cos(angle), f * std::sin(angle), kTwoPi * random.next(),
            9.0 * std::pow(f / 0.004, -0.35), i % 3 });
    }
    Bitmap24 picture;
    picture.resize(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t *row = picture.scanLine(y);
        for (int x = 0; x < width; ++x) {
            double value[3] = { 128.0, 128.0, 128.0 };
            for (const Wave &w : waves) {
                const double v = w.amplitude * std::cos(kTwoPi * (w.fx * x + w.fy * y) + w.phase);
                value[w.channel] += v;
                value[(w.channel + 1) % 3] += 0.5 * v;
            }
            for (int c = 0; c < 3; ++c)
                row[3 * x + c] = toByte(value[c]);
        }
    }
    return picture;
}

Bitmap24 noisePicture(int width, int height, unsigned seed)
{
    Lcg random { seed * 2654435761ULL + 1 };
    Bitmap24 picture;
    picture.resize(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t *row = picture.scanLine(y);
        for (int i = 0; i < width * 3; ++i)
            row[i] = std::uint8_t(random.next() * 256.0);
    }
    return picture;
}

Bitmap24 flatPicture(int width, int height, std::uint8_t b, std::uint8_t g, std::uint8_t r)
{
    Bitmap24 picture;
    picture.resize(width, height);
    picture.fill(b, g, r);
    return picture;
}

std::vector<double> rowSignal(const Bitmap24 &picture, int y, int channel, int margin)
{
    std::vector<double> signal;
    const std::uint8_t *row = picture.scanLine(y);
    for (int x = margin; x < picture.width() - margin; ++x)
        signal.push_back(row[3 * x + channel]);
    return signal;
}

double amplitudeAt(const std::vector<double> &signal, double cyclesPerSample)
{
    std::complex<double> sum;
    double weight = 0.0;
    double mean = 0.0;
    for (double v : signal)
        mean += v / double(signal.size());
    for (std::size_t n = 0; n < signal.size(); ++n) {
        const double w = hann(n, signal.size());
        sum += w * (signal[n] - mean) * std::polar(1.0, -kTwoPi * cyclesPerSample * double(n));
        weight += w;
    }
    return 2.0 * std::abs(sum) / weight;
}

double displacementAlongX(const Bitmap24 &a, const Bitmap24 &b)
{
    const int width = a.width();
    const auto luma = [](const Bitmap24 &p, int x, int y) {
        const std::uint8_t *px = p.scanLine(y) + 3 * x;
        return 0.114 * px[0] + 0.587 * px[1] + 0.299 * px[2];
    };
    // Whole pixels first: the lag of the highest cross-correlation.
    constexpr int maxLag = 8;
    int lag = 0;
    double best = -1e300;
    for (int l = -maxLag; l <= maxLag; ++l) {
        double sum = 0.0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = maxLag; x < width - maxLag; ++x)
                sum += (luma(a, x + l, y) - 128.0) * (luma(b, x, y) - 128.0);
        if (sum > best) {
            best = sum;
            lag = l;
        }
    }
    // The rest: b(x) ~ a(x + lag + d), d from the phase of the cross
    // spectrum, 2 pi m d / n at bin m, least squares weighted by its power.
    const std::size_t n = std::size_t(width - 2 * maxLag);
    const std::size_t bins = n / 3;
    std::vector<std::complex<double>> turn(n), cross(bins + 1);
    for (std::size_t k = 0; k < n; ++k)
        turn[k] = std::polar(1.0, -kTwoPi * double(k) / double(n));
    std::vector<double> sa(n), sb(n);
    for (int y = 0; y < a.height(); ++y) {
        double ma = 0.0, mb = 0.0;
        for (std::size_t x = 0; x < n; ++x) {
            sa[x] = luma(a, int(x) + maxLag + lag, y);
            sb[x] = luma(b, int(x) + maxLag, y);
            ma += sa[x] / double(n);
            mb += sb[x] / double(n);
        }
        for (std::size_t x = 0; x < n; ++x) {
            sa[x] = (sa[x] - ma) * hann(x, n);
            sb[x] = (sb[x] - mb) * hann(x, n);
        }
        for (std::size_t m = 1; m <= bins; ++m) {
            std::complex<double> fa, fb;
            for (std::size_t x = 0; x < n; ++x) {
                const std::complex<double> e = turn[m * x % n];
                fa += sa[x] * e;
                fb += sb[x] * e;
            }
            cross[m] += fb * std::conj(fa);
        }
    }
    double num = 0.0, den = 0.0;
    for (std::size_t m = 1; m <= bins; ++m) {
        const double omega = kTwoPi * double(m) / double(n);
        const double w = std::abs(cross[m]);
        num += w * omega * std::arg(cross[m]);
        den += w * omega * omega;
    }
    return lag + num / den;
}

Bitmap24 transposed(const Bitmap24 &picture)
{
    Bitmap24 out;
    out.resize(picture.height(), picture.width());
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            std::copy_n(picture.scanLine(y) + 3 * x, 3, out.scanLine(x) + 3 * y);
    return out;
}

bool writePpm(const std::filesystem::path &path, const Bitmap24 &picture)
{
    std::ofstream file(path, std::ios::binary);
    file << "P6\n" << picture.width() << ' ' << picture.height() << "\n255\n";
    std::vector<char> row(std::size_t(picture.width()) * 3);
    for (int y = 0; y < picture.height(); ++y) {
        const std::uint8_t *p = picture.scanLine(y);
        for (int x = 0; x < picture.width(); ++x) {
            row[3 * std::size_t(x)] = char(p[3 * x + 2]);
            row[3 * std::size_t(x) + 1] = char(p[3 * x + 1]);
            row[3 * std::size_t(x) + 2] = char(p[3 * x]);
        }
        file.write(row.data(), std::streamsize(row.size()));
    }
    return bool(file.flush());
}

bool readPpm(const std::filesystem::path &path, Bitmap24 &picture)
{
    std::ifstream file(path, std::ios::binary);
    // The header's fields, skipping comments (vips writes one).
    const auto field = [&file](std::string &word) {
        while (file >> word && word[0] == '#')
            file.ignore(1 << 20, '\n');
        return bool(file);
    };
    std::string magic, width, height, maxValue;
    if (!field(magic) || !field(width) || !field(height) || !field(maxValue) || magic != "P6" || maxValue != "255")
        return false;
    file.get();
    if (!picture.resize(std::stoi(width), std::stoi(height)))
        return false;
    std::vector<char> row(std::size_t(picture.width()) * 3);
    for (int y = 0; y < picture.height(); ++y) {
        if (!file.read(row.data(), std::streamsize(row.size())))
            return false;
        std::uint8_t *p = picture.scanLine(y);
        for (int x = 0; x < picture.width(); ++x) {
            p[3 * x] = std::uint8_t(row[3 * std::size_t(x) + 2]);
            p[3 * x + 1] = std::uint8_t(row[3 * std::size_t(x) + 1]);
            p[3 * x + 2] = std::uint8_t(row[3 * std::size_t(x)]);
        }
    }
    return true;
}
