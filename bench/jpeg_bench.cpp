// Our JPEG picture object against libjpeg called directly with the same
// parameters (quality 95, 4:4:4, baseline, BGR pixels in memory), on one
// 1024 x 768 picture. With --write-sample=DIR it only writes that picture as
// sample.ppm and sample.jpg, for the command-line comparison with cjpeg/djpeg.
#include "common/Bitmap24.h"
#include "jpeg/JpegImage.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// Smooth gradients, sharp edges and a little noise, like a photograph.
const Bitmap24 &samplePicture()
{
    static const Bitmap24 picture = [] {
        Bitmap24 b;
        b.resize(kWidth, kHeight);
        unsigned seed = 12345;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                seed = seed * 1103515245u + 12345u;
                const int noise = int((seed >> 16) & 15) - 8;
                const double wave = 60 * std::sin(x / 37.0) * std::cos(y / 23.0);
                std::uint8_t *p = b.scanLine(y) + 3 * x;
                auto clamp = [](double v) { return std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
                p[0] = clamp(x * 255.0 / kWidth + wave + noise);
                p[1] = clamp(y * 255.0 / kHeight - wave + noise);
                p[2] = clamp(((x / 64 + y / 48) % 2 ? 190 : 60) + noise);
            }
        return b;
    }();
    return picture;
}

const std::vector<std::uint8_t> &sampleJpeg()
{
    static const std::vector<std::uint8_t> jpeg = TJPEGImage().compress(samplePicture());
    return jpeg;
}

// The baseline: the same compression calls without our wrapper.
std::vector<std::uint8_t> libjpegCompress(const Bitmap24 &bitmap)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(bitmap.width());
    cinfo.image_height = JDIMENSION(bitmap.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    for (int i = 0; i < MAX_COMPONENTS; ++i)
        cinfo.comp_info[i].h_samp_factor = cinfo.comp_info[i].v_samp_factor = 1;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(bitmap.scanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

void libjpegDecompress(const std::vector<std::uint8_t> &jpeg, Bitmap24 &target)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    target.resize(int(cinfo.output_width), int(cinfo.output_height));
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = target.scanLine(int(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
}

void BM_EncodeOurs(benchmark::State &state)
{
    const Bitmap24 &picture = samplePicture();
    const TJPEGImage image;
    for (auto _ : state)
        benchmark::DoNotOptimize(image.compress(picture));
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_EncodeLibjpeg(benchmark::State &state)
{
    const Bitmap24 &picture = samplePicture();
    for (auto _ : state)
        benchmark::DoNotOptimize(libjpegCompress(picture));
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_DecodeOurs(benchmark::State &state)
{
    const auto &jpeg = sampleJpeg();
    const TJPEGImage image;
    Bitmap24 target;
    for (auto _ : state) {
        image.decode(jpeg.data(), jpeg.size(), target);
        benchmark::DoNotOptimize(target.bits());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_DecodeLibjpeg(benchmark::State &state)
{
    const auto &jpeg = sampleJpeg();
    Bitmap24 target;
    for (auto _ : state) {
        target.clear(); // ours starts from an empty target too
        libjpegDecompress(jpeg, target);
        benchmark::DoNotOptimize(target.bits());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

BENCHMARK(BM_EncodeOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeLibjpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeLibjpeg)->Unit(benchmark::kMillisecond);

int writeSample(const std::string &dir)
{
    const Bitmap24 &picture = samplePicture();
    std::ofstream ppm(dir + "/sample.ppm", std::ios::binary);
    ppm << "P6\n" << kWidth << ' ' << kHeight << "\n255\n";
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const std::uint8_t *p = picture.scanLine(y) + 3 * x;
            const char rgb[3] = { char(p[2]), char(p[1]), char(p[0]) };
            ppm.write(rgb, 3);
        }
    std::ofstream jpg(dir + "/sample.jpg", std::ios::binary);
    jpg.write(reinterpret_cast<const char *>(sampleJpeg().data()), std::streamsize(sampleJpeg().size()));
    return ppm && jpg ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string flag = "--write-sample=";
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], flag.c_str(), flag.size()) == 0)
            return writeSample(argv[i] + flag.size());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
