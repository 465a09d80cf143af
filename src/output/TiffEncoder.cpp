#include "output/TiffEncoder.h"

#include "common/Bitmap24.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// libtiff's view of the output: a growing buffer with a position.
struct MemoryFile {
    std::vector<std::uint8_t> *data = nullptr;
    toff_t position = 0;
    std::string message;
};

tmsize_t readProc(thandle_t, void *, tmsize_t)
{
    return 0;
}

tmsize_t writeProc(thandle_t handle, void *buffer, tmsize_t size)
{
    auto *file = static_cast<MemoryFile *>(handle);
    try {
        const std::size_t end = std::size_t(file->position) + std::size_t(size);
        if (file->data->size() < end)
            file->data->resize(end);
        std::memcpy(file->data->data() + file->position, buffer, std::size_t(size));
    } catch (...) {
        file->message = "out of memory";
        return -1;
    }
    file->position += toff_t(size);
    return size;
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence)
{
    auto *file = static_cast<MemoryFile *>(handle);
    switch (whence) {
    case SEEK_SET:
        file->position = offset;
        break;
    case SEEK_CUR:
        file->position += offset;
        break;
    case SEEK_END:
        file->position = toff_t(file->data->size()) + offset;
        break;
    default:
        return toff_t(-1);
    }
    return file->position;
}

int closeProc(thandle_t)
{
    return 0;
}

toff_t sizeProc(thandle_t handle)
{
    return toff_t(static_cast<MemoryFile *>(handle)->data->size());
}

int mapProc(thandle_t, void **, toff_t *)
{
    return 0;
}

void unmapProc(thandle_t, void *, toff_t) { }

int onError(TIFF *, void *user, const char *module, const char *format, va_list args)
{
    auto *file = static_cast<MemoryFile *>(user);
    if (file->message.empty()) {
        char text[256];
        std::vsnprintf(text, sizeof text, format, args);
        file->message = module && *module ? std::string(module) + ": " + text : std::string(text);
    }
    return 1;
}

int onWarning(TIFF *, void *, const char *, const char *, va_list)
{
    return 1;
}

bool writeImage(TIFF *tif, const Bitmap24 &bitmap, TiffCompression compression)
{
    const std::uint32_t width = std::uint32_t(bitmap.width());
    const std::uint32_t rowBytes = width * 3;
    const std::uint32_t rowsPerStrip = std::max<std::uint32_t>(1, 65536 / std::max<std::uint32_t>(1, rowBytes));
    bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width)
        && TIFFSetField(tif, TIFFTAG_IMAGELENGTH, std::uint32_t(bitmap.height()))
        && TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8) && TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3)
        && TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB)
        && TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG)
        && TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT)
        && TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    if (ok && compression == TiffCompression::Deflate)
        ok = TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE)
            && TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    else if (ok)
        ok = TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    std::vector<std::uint8_t> row(rowBytes);
    for (int y = 0; ok && y < bitmap.height(); ++y) {
        const std::uint8_t *bgr = bitmap.scanLine(y);
        for (std::uint32_t x = 0; x < width; ++x) {
            row[3 * x] = bgr[3 * x + 2];
            row[3 * x + 1] = bgr[3 * x + 1];
            row[3 * x + 2] = bgr[3 * x];
        }
        ok = TIFFWriteScanline(tif, row.data(), std::uint32_t(y), 0) == 1;
    }
    return ok && TIFFWriteDirectory(tif);
}

} // namespace

bool EncodeTiff(const Bitmap24 &bitmap, TiffCompression compression, std::vector<std::uint8_t> &out, std::string &error)
{
    out.clear();
    if (bitmap.isEmpty()) {
        error = "a TIFF needs at least one pixel";
        return false;
    }
    MemoryFile file;
    file.data = &out;
    TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
    if (!options) {
        error = "out of memory";
        return false;
    }
    TIFFOpenOptionsSetErrorHandlerExtR(options, onError, &file);
    TIFFOpenOptionsSetWarningHandlerExtR(options, onWarning, &file);
    // 'm': never map; a classic TIFF, which every editor reads, up to 4 GB.
    TIFF *tif = TIFFClientOpenExt(
        "frame", "wm", &file, readProc, writeProc, seekProc, closeProc, sizeProc, mapProc, unmapProc, options);
    TIFFOpenOptionsFree(options);
    bool ok = false;
    if (tif) {
        try {
            ok = writeImage(tif, bitmap, compression);
        } catch (...) {
            file.message = "out of memory";
        }
        TIFFClose(tif);
    }
    ok = ok && file.message.empty();
    if (!ok)
        error = file.message.empty() ? "TIFF encoder error" : file.message;
    return ok;
}
