#include "picture/PngDecoder.h"

#include "common/Bitmap24.h"
#include "common/MemoryBudget.h"

#include <spng.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t kMostPacked = 1100;
constexpr std::uint64_t kPackingSlack = 65536;

struct Stream {
    PictureSource *source = nullptr;
    std::uint64_t position = 0;
    bool readFailed = false;
};

int readStream(spng_ctx *, void *user, void *dest, std::size_t length)
{
    auto *stream = static_cast<Stream *>(user);
    const std::uint64_t total = stream->source->size();
    if (stream->position > total || length > total - stream->position)
        return SPNG_IO_EOF;
    if (!stream->source->readAt(stream->position, dest, length)) {
        stream->readFailed = true;
        return SPNG_IO_ERROR;
    }
    stream->position += length;
    return 0;
}

struct ContextDeleter {
    void operator()(spng_ctx *ctx) const { spng_ctx_free(ctx); }
};

// Adam7: first column and column step of each pass; 0 is a plain row.
constexpr int kFirstColumn[8] = { 0, 0, 4, 0, 2, 0, 1, 0 };
constexpr int kColumnStep[8] = { 1, 8, 8, 4, 4, 2, 2, 1 };

inline std::uint8_t to8(std::uint32_t v16)
{
    return std::uint8_t((v16 * 255 + 32895) >> 16);
}
// Colour times alpha, rounded as Qt premultiplies (the general decoders'
// compositing on black).
inline std::uint8_t over(std::uint32_t c, std::uint32_t a)
{
    const std::uint32_t t = c * a;
    return std::uint8_t((t + (t >> 8) + 0x80) >> 8);
}

// The pixels of one decoded row (RGB8, RGBA8 or RGBA16) that this pass
// holds, to BGR; alpha composited on black.
void convertRow(const std::uint8_t *row, int format, int first, int step, int width, std::uint8_t *dst)
{
    if (format == SPNG_FMT_RGB8) {
        for (int x = first; x < width; x += step) {
            const std::uint8_t *s = row + 3 * std::size_t(x);
            std::uint8_t *d = dst + 3 * std::size_t(x);
            d[0] = s[2], d[1] = s[1], d[2] = s[0];
        }
    } else if (format == SPNG_FMT_RGBA8) {
        for (int x = first; x < width; x += step) {
            const std::uint8_t *s = row + 4 * std::size_t(x);
            std::uint8_t *d = dst + 3 * std::size_t(x);
            const std::uint32_t a = s[3];
            d[0] = over(s[2], a);
            d[1] = over(s[1], a);
            d[2] = over(s[0], a);
        }
    } else {
        const auto *s16 = reinterpret_cast<const std::uint16_t *>(row);
        for (int x = first; x < width; x += step) {
            const std::uint16_t *s = s16 + 4 * std::size_t(x);
            std::uint8_t *d = dst + 3 * std::size_t(x);
            const std::uint64_t a = s[3];
            if (a == 65535) {
                d[0] = to8(s[2]), d[1] = to8(s[1]), d[2] = to8(s[0]);
            } else {
                d[0] = to8(std::uint32_t((s[2] * a + 32767) / 65535));
                d[1] = to8(std::uint32_t((s[1] * a + 32767) / 65535));
                d[2] = to8(std::uint32_t((s[0] * a + 32767) / 65535));
            }
        }
    }
}

DecodeOutcome failed(Bitmap24 &target, PictureLoadResult &result, PictureError error, const std::string &detail = {})
{
    target.clear();
    result.error = error;
    if (!detail.empty())
        result.detail = detail;
    return DecodeOutcome::Failed;
}

} // namespace

DecodeOutcome decodeWithSpng(PictureSource &source, Bitmap24 &target, PictureLoadResult &result, DecodeControl &control)
{
    target.clear();
    result.decoder = "libspng";
    Stream stream;
    stream.source = &source;
    const std::unique_ptr<spng_ctx, ContextDeleter> ctx(spng_ctx_new(0));
    if (!ctx)
        return failed(target, result, PictureError::OutOfMemory);
    const auto libraryError = [&](int code) {
        if (stream.readFailed) {
            result.fileError = source.error();
            result.systemError = source.systemError();
            return failed(target, result, PictureError::File);
        }
        if (code == SPNG_EMEM)
            return failed(target, result, PictureError::OutOfMemory);
        return failed(target, result, PictureError::Damaged, spng_strerror(code));
    };
    // As libpng does: a bad checksum of a critical chunk is an error, of an
    // ancillary one drops that chunk.
    spng_set_crc_action(ctx.get(), SPNG_CRC_ERROR, SPNG_CRC_DISCARD);
    // Text and other side chunks are not kept beyond a few MB.
    spng_set_chunk_limits(ctx.get(), std::size_t(64) << 20, std::size_t(64) << 20);
    int code = spng_set_png_stream(ctx.get(), readStream, &stream);
    spng_ihdr ihdr {};
    if (code == 0)
        code = spng_get_ihdr(ctx.get(), &ihdr);
    if (code != 0)
        return libraryError(code);
    result.width = ihdr.width;
    result.height = ihdr.height;
    if (!Bitmap24::sizeAllowed(ihdr.width, ihdr.height))
        return failed(target, result, PictureError::TooLarge);

    spng_trns trns {};
    const bool transparent = ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA
        || ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA || spng_get_trns(ctx.get(), &trns) == 0;
    const int format = ihdr.bit_depth == 16 ? SPNG_FMT_RGBA16 : transparent ? SPNG_FMT_RGBA8 : SPNG_FMT_RGB8;
    std::size_t imageBytes = 0;
    code = spng_decoded_image_size(ctx.get(), format, &imageBytes);
    if (code != 0)
        return libraryError(code);
    const std::size_t rowBytes = imageBytes / ihdr.height;
    // Deflate packs at most 1032 bytes in one: a file far too short for its
    // announced size is refused before anything is allocated.
    const int channels[7] = { 1, 0, 3, 1, 2, 0, 4 };
    const std::uint64_t packed = std::uint64_t(ihdr.height)
        * (1 + (std::uint64_t(ihdr.width) * channels[ihdr.color_type % 7] * ihdr.bit_depth + 7) / 8);
    if (packed / kMostPacked > source.size() + kPackingSlack)
        return failed(target, result, PictureError::TooLarge);
    // The row being decoded and libspng's two scanlines of the file.
    MemoryShortage shortage;
    const std::uint64_t needed = Bitmap24::bytesFor(ihdr.width, ihdr.height) + 3 * std::uint64_t(rowBytes);
    if (!MemoryFits(needed, shortage) || !target.resize(int(ihdr.width), int(ihdr.height))) {
        if (shortage.needed == 0)
            shortage = { needed, AvailableMemory() };
        result.memoryNeeded = shortage.needed;
        result.memoryAvailable = shortage.available;
        return failed(target, result, PictureError::OutOfMemory);
    }
    std::vector<std::uint8_t> row;
    try {
        row.resize(rowBytes);
    } catch (const std::bad_alloc &) {
        return failed(target, result, PictureError::OutOfMemory);
    }
    code = spng_decode_image(ctx.get(), nullptr, 0, format, SPNG_DECODE_PROGRESSIVE | SPNG_DECODE_TRNS);
    if (code != 0)
        return libraryError(code);
    const bool interlaced = ihdr.interlace_method != 0;
    // An interlaced picture is decoded over seven passes: count its rows.
    const std::int64_t total = interlaced ? std::int64_t(ihdr.height) * 15 / 8 : std::int64_t(ihdr.height);
    std::int64_t done = 0;
    for (;;) {
        spng_row_info info {};
        code = spng_get_row_info(ctx.get(), &info);
        if (code == SPNG_EOI)
            break;
        if (code != 0)
            return libraryError(code);
        if ((done & 63) == 0 && control.step(done, total))
            return failed(target, result, PictureError::Interrupted);
        code = spng_decode_row(ctx.get(), row.data(), row.size());
        if (code != 0 && code != SPNG_EOI)
            return libraryError(code);
        const int pass = interlaced ? info.pass + 1 : 0;
        convertRow(row.data(), format, kFirstColumn[pass], kColumnStep[pass], int(ihdr.width),
            target.scanLine(int(info.row_num)));
        ++done;
        if (code == SPNG_EOI)
            break;
    }
    control.step(total, total);
    return DecodeOutcome::Decoded;
}
