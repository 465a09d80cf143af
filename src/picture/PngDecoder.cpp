#include "picture/PngDecoder.h"

#include "common/Bitmap24.h"
#include "common/DecodeBudget.h"
#include "picture/LoadSize.h"

#include <spng.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

// Deflate: a 258-byte match from two 1-bit codes.
constexpr std::uint64_t kMostUnpacked = 1032;
// What libspng may keep of the side chunks it is shown, in bytes.
constexpr std::size_t kSideChunkBytes = std::size_t(1) << 20;

// libspng stops at its 1000th side chunk and its count cannot be raised
// (0.7: the setter refuses any value above the count read so far), while
// real files hold thousands of text chunks. It is shown only the chunks the
// picture needs: the critical ones and tRNS; the rest (text, profiles,
// gamma: all ignored here) is skipped unread, as libpng drops what it does
// not keep.
struct Stream {
    PictureSource *source = nullptr;
    std::uint64_t position = 0; // in the file
    std::uint64_t shownUntil = 8; // end of the signature or of the chunk being shown
    bool readFailed = false;
};

bool shown(const std::uint8_t type[4])
{
    const bool critical = (type[0] & 0x20) == 0;
    return critical || std::memcmp(type, "tRNS", 4) == 0;
}

// At a chunk's start: past the chunks not shown, to the next shown one.
int skipHidden(Stream &stream, std::uint64_t total)
{
    for (;;) {
        std::uint8_t header[8];
        if (total - stream.position < sizeof header)
            return SPNG_IO_EOF;
        if (!stream.source->readAt(stream.position, header, sizeof header)) {
            stream.readFailed = true;
            return SPNG_IO_ERROR;
        }
        const std::uint64_t length = std::uint64_t(header[0]) << 24 | header[1] << 16 | header[2] << 8 | header[3];
        if (shown(header + 4)) {
            stream.shownUntil = stream.position + 12 + length;
            return 0;
        }
        if (total - stream.position < 12 + length)
            return SPNG_IO_EOF;
        stream.position += 12 + length;
    }
}

int readStream(spng_ctx *, void *user, void *dest, std::size_t length)
{
    auto *stream = static_cast<Stream *>(user);
    const std::uint64_t total = stream->source->size();
    auto *out = static_cast<std::uint8_t *>(dest);
    while (length > 0) {
        if (stream->position == stream->shownUntil)
            if (const int code = skipHidden(*stream, total); code != 0)
                return code;
        const std::size_t piece = std::size_t(std::min<std::uint64_t>(length, stream->shownUntil - stream->position));
        if (stream->position > total || piece > total - stream->position)
            return SPNG_IO_EOF;
        if (!stream->source->readAt(stream->position, out, piece)) {
            stream->readFailed = true;
            return SPNG_IO_ERROR;
        }
        stream->position += piece;
        out += piece;
        length -= piece;
    }
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

DecodeOutcome decodeWithSpng(PictureSource &source, Bitmap24 &target, PictureLoadResult &result, DecodeControl &control,
    const LoadSizeChoice &keep)
{
    target.clear();
    result.decoder = "libspng";
    Stream stream;
    stream.source = &source;
    const std::unique_ptr<spng_ctx, ContextDeleter> ctx(spng_ctx_new(0));
    if (!ctx)
        return failed(target, result, PictureError::OutOfMemory);
    // libspng answers "non-recoverable state" to every call after its first
    // error: that first one is the reason.
    int firstError = 0;
    const auto call = [&](int code) {
        if (code != 0 && firstError == 0)
            firstError = code;
        return code;
    };
    const auto libraryError = [&] {
        if (stream.readFailed) {
            result.fileError = source.error();
            result.systemError = source.systemError();
            return failed(target, result, PictureError::File);
        }
        if (firstError == SPNG_EMEM)
            return failed(target, result, PictureError::OutOfMemory);
        if (firstError == SPNG_IO_EOF)
            return failed(target, result, PictureError::Damaged,
                std::string(spng_strerror(firstError)) + ": the file is cut short");
        return failed(target, result, PictureError::Damaged, spng_strerror(firstError));
    };
    // As libpng does: a bad checksum of a critical chunk (IDAT included) is
    // an error, of an ancillary one drops that chunk.
    spng_set_crc_action(ctx.get(), SPNG_CRC_ERROR, SPNG_CRC_DISCARD);
    // What libspng keeps of side chunks is bounded by bytes.
    spng_set_chunk_limits(ctx.get(), kSideChunkBytes, kSideChunkBytes);
    spng_ihdr ihdr {};
    if (call(spng_set_png_stream(ctx.get(), readStream, &stream)) != 0 || call(spng_get_ihdr(ctx.get(), &ihdr)) != 0)
        return libraryError();
    result.width = ihdr.width;
    result.height = ihdr.height;
    if (!Bitmap24::sizeAllowed(ihdr.width, ihdr.height))
        return failed(target, result, PictureError::TooLarge);

    // Every row's filter byte and samples, packed by deflate at best.
    const int channels[7] = { 1, 0, 3, 1, 2, 0, 4 };
    DecodePlan plan;
    plan.width = ihdr.width;
    plan.height = ihdr.height;
    plan.unpackedBytes = std::uint64_t(ihdr.height)
        * (1 + (std::uint64_t(ihdr.width) * channels[ihdr.color_type % 7] * ihdr.bit_depth + 7) / 8);
    plan.mostUnpacked = kMostUnpacked;
    // The chunks before the picture are read (and checked) before anything
    // sizeable is taken.
    spng_trns trns {};
    const int trnsCode = spng_get_trns(ctx.get(), &trns);
    if (trnsCode != 0 && trnsCode != SPNG_ECHUNKAVAIL) {
        call(trnsCode);
        return libraryError();
    }
    const bool transparent = ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA
        || ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA || trnsCode == 0;
    const int format = ihdr.bit_depth == 16 ? SPNG_FMT_RGBA16 : transparent ? SPNG_FMT_RGBA8 : SPNG_FMT_RGB8;
    std::size_t imageBytes = 0;
    if (call(spng_decoded_image_size(ctx.get(), format, &imageBytes)) != 0)
        return libraryError();
    const std::size_t rowBytes = imageBytes / ihdr.height;
    // The row being decoded, libspng's row and its two scanlines of the
    // file, and the side chunks it may keep.
    plan.workBytes = 3 * std::uint64_t(rowBytes) + 2 * (plan.unpackedBytes / ihdr.height) + kSideChunkBytes;
    const bool interlaced = ihdr.interlace_method != 0;
    // Interlaced rows come in seven passes: only the whole picture can be reduced.
    const std::optional<PictureSize> kept
        = interlaced ? std::nullopt : ReducedSize(keep, int(ihdr.width), int(ihdr.height));
    if (interlaced) {
        plan = ReducedAfterDecode(plan, keep);
    } else if (kept) {
        plan.keptWidth = kept->width;
        plan.keptHeight = kept->height;
        plan.workBytes += std::uint64_t(ihdr.width) * 3;
        plan.reductionBytes = RowGatherer::workBytes({ int(ihdr.width), int(ihdr.height) }, *kept);
    }
    if (!AcceptPlan(plan, source.size(), result)) {
        target.clear();
        return DecodeOutcome::Failed;
    }
    std::vector<std::uint8_t> row, bgr;
    RowGatherer gatherer(target);
    try {
        row.resize(rowBytes);
        if (kept) {
            bgr.resize(std::size_t(ihdr.width) * 3);
            gatherer.start({ int(ihdr.width), int(ihdr.height) }, *kept);
        }
    } catch (const std::bad_alloc &) {
        target.clear();
        ExplainLateShortage(PlanMemory(plan), result);
        return DecodeOutcome::Failed;
    }
    if (!kept && !target.resize(int(ihdr.width), int(ihdr.height))) {
        ExplainLateShortage(PlanMemory(plan), result);
        return failed(target, result, PictureError::OutOfMemory);
    }
    if (call(spng_decode_image(ctx.get(), nullptr, 0, format, SPNG_DECODE_PROGRESSIVE | SPNG_DECODE_TRNS)) != 0)
        return libraryError();
    // An interlaced picture is decoded over seven passes: count its rows.
    const std::int64_t total = interlaced ? std::int64_t(ihdr.height) * 15 / 8 : std::int64_t(ihdr.height);
    std::int64_t done = 0;
    for (;;) {
        spng_row_info info {};
        const int code = spng_get_row_info(ctx.get(), &info);
        if (code == SPNG_EOI)
            break;
        if (call(code) != 0)
            return libraryError();
        if ((done & 63) == 0 && control.step(done, total))
            return failed(target, result, PictureError::Interrupted);
        const int decoded = spng_decode_row(ctx.get(), row.data(), row.size());
        if (decoded != 0 && decoded != SPNG_EOI) {
            call(decoded);
            return libraryError();
        }
        const int pass = interlaced ? info.pass + 1 : 0;
        if (kept) {
            convertRow(row.data(), format, 0, 1, int(ihdr.width), bgr.data());
            gatherer.pushRow(bgr.data());
        } else {
            convertRow(row.data(), format, kFirstColumn[pass], kColumnStep[pass], int(ihdr.width),
                target.scanLine(int(info.row_num)));
        }
        ++done;
        if (decoded == SPNG_EOI)
            break;
    }
    // The rest of the file up to its end: the checksum of the last picture
    // chunk is checked there.
    if (call(spng_decode_chunks(ctx.get())) != 0)
        return libraryError();
    if (kept && !gatherer.finished())
        return failed(target, result, PictureError::Damaged, "rows missing");
    control.step(total, total);
    return DecodeOutcome::Decoded;
}
