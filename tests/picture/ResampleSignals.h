#pragma once

#include "common/Bitmap24.h"

#include <filesystem>
#include <vector>

// Pictures with known content and the measures the resampling tests read
// from them.

// A grating along x: every pixel of column x is
// mean + amplitude * cos(2 pi cyclesPerPixel x), the same in all channels.
Bitmap24 gratingPicture(int width, int height, double cyclesPerPixel, double amplitude = 100.0, double mean = 128.0);

// A smooth photo-like texture (many sinusoids, weaker at higher frequency,
// none above maxCycles cycles a pixel), different in each channel.
Bitmap24 texturePicture(int width, int height, double maxCycles, unsigned seed);

// Random bytes, reproducible from the seed.
Bitmap24 noisePicture(int width, int height, unsigned seed);

// Every pixel one colour.
Bitmap24 flatPicture(int width, int height, std::uint8_t b, std::uint8_t g, std::uint8_t r);

// Row y, channel c, columns [margin, width - margin), as numbers.
std::vector<double> rowSignal(const Bitmap24 &picture, int y, int channel, int margin);

// Amplitude of the sinusoid at cyclesPerSample in signal (Hann window).
double amplitudeAt(const std::vector<double> &signal, double cyclesPerSample);

// Displacement d (pixels) such that b(x) ~ a(x + d) along x, from the phase
// of their cross spectrum over all rows (luma, Hann window, lowest third of the
// spectrum).
double displacementAlongX(const Bitmap24 &a, const Bitmap24 &b);

// The picture turned a quarter (columns become rows), to measure vertical travel with the same tools.
Bitmap24 transposed(const Bitmap24 &picture);

// Binary PPM files, as the vips command-line tools read and write them.
bool writePpm(const std::filesystem::path &path, const Bitmap24 &picture);
bool readPpm(const std::filesystem::path &path, Bitmap24 &picture);
