#include "output/PngEncoder.h"

#include "common/Bitmap24.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

struct PngSink {
    std::vector<std::uint8_t> *out = nullptr;
    char message[200] = {};
};

void writeData(png_structp png, png_bytep data, png_size_t size)
{
    auto *sink = static_cast<PngSink *>(png_get_io_ptr(png));
    bool ok = true;
    try {
        sink->out->insert(sink->out->end(), data, data + size);
    } catch (...) {
        ok = false;
    }
    if (!ok)
        png_error(png, "out of memory");
}

void flushData(png_structp) { }

void onError(png_structp png, png_const_charp message)
{
    auto *sink = static_cast<PngSink *>(png_get_error_ptr(png));
    std::snprintf(sink->message, sizeof sink->message, "%s", message);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) { }

// Every local here is trivially destructible: libpng's error exit jumps
// back to the setjmp below across this frame.
bool encode(png_structp png, png_infop info, const Bitmap24 &bitmap, int level)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, png_uint_32(bitmap.width()), png_uint_32(bitmap.height()), 8, PNG_COLOR_TYPE_RGB,
        PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, level);
    if (level == 0) {
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE); // stored: filtering gains nothing
    } else if (level <= 3) {
        // Runs of equal residuals are most of what deflate finds in a
        // filtered photo: the run-length strategy gets them at a fraction of
        // the cost of a full match search.
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_PAETH);
        png_set_compression_strategy(png, Z_RLE);
    } else {
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    }
    png_write_info(png, info);
    png_set_bgr(png); // our rows are blue, green, red
    for (int y = 0; y < bitmap.height(); ++y)
        png_write_row(png, const_cast<png_bytep>(bitmap.scanLine(y)));
    png_write_end(png, info);
    return true;
}

} // namespace

bool EncodePng(const Bitmap24 &bitmap, int level, std::vector<std::uint8_t> &out, std::string &error)
{
    out.clear();
    if (bitmap.isEmpty()) {
        error = "a PNG needs at least one pixel";
        return false;
    }
    PngSink sink;
    sink.out = &out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, onError, onWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(png ? &png : nullptr, nullptr);
        error = "out of memory";
        return false;
    }
    try {
        // Compressed frames are seldom larger than a third of the pixels.
        out.reserve(bitmap.byteCount() / 3);
    } catch (const std::bad_alloc &) {
    }
    png_set_write_fn(png, &sink, writeData, flushData);
    const bool ok = encode(png, info, bitmap, std::clamp(level, 0, kMaxPngLevel));
    png_destroy_write_struct(&png, &info);
    if (!ok)
        error = sink.message[0] ? sink.message : "PNG encoder error";
    return ok;
}
