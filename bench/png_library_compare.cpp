// libpng against libspng on one PNG file, each decoding a row at a time into
// 24-bit BGR rows the way the picture loader needs them (16 bits rounded to
// 8). Built and run by bench/picture_load_bench.sh:
//   png_library_compare FILE
#include <png.h>
#include <spng.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// libpng with its own 16-to-8 rounding (png_set_scale_16) and BGR order:
// the rows come out ready.
long long decodeLibpng(const char *path, std::vector<unsigned char> &out)
{
    FILE *f = std::fopen(path, "rb");
    if (!f)
        return -1;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(f);
        return -1;
    }
    png_init_io(png, f);
    png_read_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_strip_alpha(png);
    png_set_bgr(png);
    png_read_update_info(png, info);
    const std::size_t stride = (std::size_t(w) * 3 + 3) & ~std::size_t(3);
    out.resize(stride * h);
    for (png_uint_32 y = 0; y < h; ++y)
        png_read_row(png, out.data() + stride * y, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return (long long)w * h;
}

// libspng giving RGBA16 rows (or the file's own RGB16 when native), rounded
// and reordered here.
long long decodeSpng(const char *path, std::vector<unsigned char> &out, bool native)
{
    FILE *f = std::fopen(path, "rb");
    if (!f)
        return -1;
    spng_ctx *ctx = spng_ctx_new(0);
    spng_set_png_file(ctx, f);
    spng_ihdr ihdr {};
    if (spng_get_ihdr(ctx, &ihdr)) {
        spng_ctx_free(ctx);
        std::fclose(f);
        return -1;
    }
    const int fmt = native ? SPNG_FMT_PNG : ihdr.bit_depth == 16 ? SPNG_FMT_RGBA16 : SPNG_FMT_RGB8;
    const int step = native ? 3 : 4;
    std::size_t size = 0;
    spng_decoded_image_size(ctx, fmt, &size);
    std::vector<unsigned char> row(size / ihdr.height);
    const std::size_t stride = (std::size_t(ihdr.width) * 3 + 3) & ~std::size_t(3);
    out.resize(stride * ihdr.height);
    spng_decode_image(ctx, nullptr, 0, fmt, SPNG_DECODE_PROGRESSIVE);
    int rc = 0;
    do {
        spng_row_info ri {};
        if (spng_get_row_info(ctx, &ri))
            break;
        rc = spng_decode_row(ctx, row.data(), row.size());
        unsigned char *d = out.data() + stride * ri.row_num;
        if (ihdr.bit_depth == 16) {
            const auto *s = reinterpret_cast<const unsigned short *>(row.data());
            for (std::uint32_t x = 0; x < ihdr.width; ++x, s += step, d += 3) {
                d[0] = (unsigned char)((s[2] * 255u + 32895) >> 16);
                d[1] = (unsigned char)((s[1] * 255u + 32895) >> 16);
                d[2] = (unsigned char)((s[0] * 255u + 32895) >> 16);
            }
        } else {
            for (std::uint32_t x = 0; x < ihdr.width; ++x, d += 3)
                d[0] = row[3 * x + 2], d[1] = row[3 * x + 1], d[2] = row[3 * x];
        }
    } while (rc == 0);
    spng_ctx_free(ctx);
    std::fclose(f);
    return (long long)ihdr.width * ihdr.height;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: png_library_compare FILE\n");
        return 2;
    }
    std::vector<unsigned char> a, b, c;
    for (int round = 0; round < 2; ++round) {
        auto t0 = Clock::now();
        const long long pa = decodeLibpng(argv[1], a);
        auto t1 = Clock::now();
        const long long pb = decodeSpng(argv[1], b, false);
        auto t2 = Clock::now();
        const long long pc = decodeSpng(argv[1], c, true);
        auto t3 = Clock::now();
        auto s = [](Clock::time_point from, Clock::time_point to) {
            return std::chrono::duration<double>(to - from).count();
        };
        std::printf("round %d: libpng %.2f s, libspng RGBA16 %.2f s, libspng native %.2f s (%lld / %lld / %lld px), "
                    "same pixels: %s\n",
            round + 1, s(t0, t1), s(t1, t2), s(t2, t3), pa, pb, pc, a == b && b == c ? "yes" : "no");
    }
    return 0;
}
