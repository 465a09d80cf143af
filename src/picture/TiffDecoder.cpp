#include "picture/TiffDecoder.h"

#include "common/Bitmap24.h"
#include "common/DecodeBudget.h"
#include "common/MemoryBudget.h"
#include "picture/LoadSize.h"

#include <tiffio.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

// What one more decoding thread takes: its stack and the C library's heap
// for the thread (reserved address space, which `ulimit -v` counts).
constexpr std::uint64_t kThreadBytes = std::uint64_t(72) << 20;
// JPEG tables and markers: small pictures pack worse than the bound.
constexpr std::uint64_t kJpegSlack = 65536;

// Most bytes one byte of the codec's data unpacks to; 0 when the codec sets
// no bound that is worth checking.
std::uint64_t mostUnpacked(std::uint16_t compression, std::uint64_t rowBytes)
{
    switch (compression) {
    case COMPRESSION_NONE:
        return 1;
    case COMPRESSION_PACKBITS:
        return 64; // 128 bytes from 2
    case COMPRESSION_LZW:
        return 4096; // a 4096-byte string from a 12-bit code, rounded up
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
        return 1032; // a 258-byte match from two 1-bit codes
    case COMPRESSION_JPEG:
    case COMPRESSION_OJPEG:
        return 1024; // 8 blocks a byte at best, 4:2:0
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW:
    case COMPRESSION_CCITTFAX3:
    case COMPRESSION_CCITTFAX4:
    case COMPRESSION_JBIG:
        return MultiplyCapped(rowBytes, 8); // a row like the one above in one bit
    case COMPRESSION_ZSTD:
        return 32768; // a 128 kB block of one byte repeated, from 4
    case COMPRESSION_LZMA:
        return 16384;
    default:
        return 0;
    }
}

// libtiff reads the source through these; errors land in the handle.
struct Handle {
    PictureSource *source = nullptr;
    std::uint64_t position = 0;
    bool readFailed = false;
    std::string message; // libtiff's first error
};

tmsize_t readProc(thandle_t h, void *buffer, tmsize_t size)
{
    auto *handle = static_cast<Handle *>(h);
    const std::uint64_t total = handle->source->size();
    if (size <= 0 || handle->position >= total)
        return 0;
    const auto n = std::size_t(std::min<std::uint64_t>(std::uint64_t(size), total - handle->position));
    if (!handle->source->readAt(handle->position, buffer, n)) {
        handle->readFailed = true;
        return -1;
    }
    handle->position += n;
    return tmsize_t(n);
}

tmsize_t writeProc(thandle_t, void *, tmsize_t)
{
    return -1;
}

toff_t seekProc(thandle_t h, toff_t offset, int whence)
{
    auto *handle = static_cast<Handle *>(h);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = handle->position;
    else if (whence == SEEK_END)
        base = handle->source->size();
    handle->position = base + offset;
    return handle->position;
}

int closeProc(thandle_t)
{
    return 0;
}
toff_t sizeProc(thandle_t h)
{
    return static_cast<Handle *>(h)->source->size();
}
int mapProc(thandle_t, void **, toff_t *)
{
    return 0;
}
void unmapProc(thandle_t, void *, toff_t) { }

int errorHandler(TIFF *, void *userData, const char *module, const char *format, va_list args)
{
    auto *handle = static_cast<Handle *>(userData);
    if (handle && handle->message.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        handle->message = text;
        (void)module;
    }
    return 1; // handled: nothing printed
}

int warningHandler(TIFF *, void *, const char *, const char *, va_list)
{
    return 1;
}

struct TiffCloser {
    void operator()(TIFF *tif) const { TIFFClose(tif); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

enum class Model { Grey, GreyInverted, Rgb, Palette };

// How the samples of one decoded strip or tile row turn into BGR pixels.
struct Layout {
    Model model = Model::Rgb;
    int bits = 8;
    int samples = 3; // per pixel
    bool separate = false;
    int alpha = -1; // sample index of the alpha, -1 none
    bool associated = false; // colour already multiplied by alpha
    const std::uint16_t *map[3] = {};
    bool map16 = true; // colour map entries of 16 bits (else 8, old writers)
};

inline std::uint8_t to8(std::uint32_t v16)
{
    return std::uint8_t((v16 * 255 + 32895) >> 16);
}

// Sample s of pixel x, scaled to 0..65535 for 16 bits, 0..255 otherwise.
inline std::uint32_t sampleAt(const Layout &l, const std::uint8_t *const planes[], int x, int s)
{
    if (l.bits == 8)
        return l.separate ? planes[s][x] : planes[0][std::size_t(x) * l.samples + s];
    if (l.bits == 16) {
        const auto *p = reinterpret_cast<const std::uint16_t *>(l.separate ? planes[s] : planes[0]);
        return l.separate ? p[x] : p[std::size_t(x) * l.samples + s];
    }
    // 1, 2 or 4 bits: one sample a pixel, most significant bits first.
    const int perByte = 8 / l.bits;
    const std::uint8_t byte = planes[0][x / perByte];
    const int shift = 8 - l.bits * (x % perByte + 1);
    return (byte >> shift) & ((1u << l.bits) - 1);
}

// A sample as 8 bits (grey levels of fewer bits spread over 0..255).
inline std::uint32_t level8(const Layout &l, std::uint32_t v)
{
    if (l.bits == 16)
        return to8(v);
    if (l.bits < 8)
        return v * 255 / ((1u << l.bits) - 1);
    return v;
}

void convertGeneric(const Layout &l, const std::uint8_t *const planes[], int count, std::uint8_t *dst)
{
    for (int x = 0; x < count; ++x) {
        std::uint32_t r, g, b;
        if (l.model == Model::Palette) {
            const std::uint32_t i = sampleAt(l, planes, x, 0);
            r = l.map[0][i], g = l.map[1][i], b = l.map[2][i];
            if (l.map16)
                r = to8(r), g = to8(g), b = to8(b);
        } else if (l.model == Model::Rgb) {
            r = level8(l, sampleAt(l, planes, x, 0));
            g = level8(l, sampleAt(l, planes, x, 1));
            b = level8(l, sampleAt(l, planes, x, 2));
        } else {
            r = level8(l, sampleAt(l, planes, x, 0));
            if (l.model == Model::GreyInverted)
                r = 255 - r;
            g = b = r;
        }
        if (l.alpha >= 0 && !l.associated) {
            // Composited on black, rounded as Qt premultiplies.
            const std::uint32_t a = level8(l, sampleAt(l, planes, x, l.alpha));
            const auto over = [a](std::uint32_t c) { return (c * a + ((c * a) >> 8) + 0x80) >> 8; };
            r = over(r), g = over(g), b = over(b);
        }
        dst[3 * x] = std::uint8_t(b);
        dst[3 * x + 1] = std::uint8_t(g);
        dst[3 * x + 2] = std::uint8_t(r);
    }
}

// count pixels from the decoded samples to BGR.
void convertRun(const Layout &l, const std::uint8_t *const planes[], int count, std::uint8_t *dst)
{
    const bool plain = !l.separate && (l.alpha < 0 || l.associated);
    if (plain && l.model == Model::Rgb && l.bits == 8) {
        const std::uint8_t *src = planes[0];
        const int n = l.samples;
        for (int x = 0; x < count; ++x, src += n, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
        return;
    }
    if (plain && l.model == Model::Rgb && l.bits == 16) {
        const auto *src = reinterpret_cast<const std::uint16_t *>(planes[0]);
        const int n = l.samples;
        for (int x = 0; x < count; ++x, src += n, dst += 3) {
            dst[0] = to8(src[2]);
            dst[1] = to8(src[1]);
            dst[2] = to8(src[0]);
        }
        return;
    }
    if (plain && l.model == Model::Grey && l.bits == 8 && l.samples == 1) {
        for (int x = 0; x < count; ++x, dst += 3)
            dst[0] = dst[1] = dst[2] = planes[0][x];
        return;
    }
    convertGeneric(l, planes, count, dst);
}

TiffPtr openTiff(Handle &handle);

class TiffReader {
public:
    TiffReader(TIFF *tif, Handle &handle, Bitmap24 &target, PictureLoadResult &result, DecodeControl &control,
        const LoadSizeChoice &keep)
        : m_tif(tif)
        , m_handle(handle)
        , m_target(target)
        , m_result(result)
        , m_control(control)
        , m_keep(keep)
        , m_gatherer(target)
    {
    }

    DecodeOutcome read();

private:
    DecodeOutcome damaged(const std::string &what);
    DecodeOutcome interrupted();
    bool layout(std::string &unhandled);
    bool planLoad();
    bool fallbackFits();
    bool reserve(std::uint64_t workBytes);
    bool allocate(std::vector<std::vector<std::uint8_t>> &buffers, int count, std::uint64_t bytes);
    using Buffers = std::vector<std::vector<std::uint8_t>>;
    // Decodes a band into its rows, the first at top.
    using BandWork = std::function<bool(TIFF *, std::uint32_t band, std::uint8_t *top, std::size_t stride, Buffers &)>;
    DecodeOutcome runBands(
        std::uint32_t count, std::uint32_t rowsPerBand, int buffers, std::uint64_t bufferBytes, const BandWork &work);
    DecodeOutcome readStrips();
    DecodeOutcome readScanlines();
    DecodeOutcome readTiles();

    DecodePlan planWith(std::uint64_t workBytes) const;

    TIFF *m_tif;
    Handle &m_handle;
    Bitmap24 &m_target;
    PictureLoadResult &m_result;
    DecodeControl &m_control;
    const LoadSizeChoice &m_keep;
    Layout m_l;
    DecodePlan m_plan; // the picture and its packing; work bytes set by the path that reads it
    bool m_jpegAsRgb = false; // every handle asks libtiff's JPEG codec for RGB
    int m_width = 0, m_height = 0;
    std::optional<PictureSize> m_kept; // a reduced load: its size
    RowGatherer m_gatherer; // a reduced load: the rows go through it, in order
};

// The plan with that work memory, and for a reduced load the kept size.
DecodePlan TiffReader::planWith(std::uint64_t workBytes) const
{
    DecodePlan plan = m_plan;
    plan.workBytes = workBytes;
    if (m_kept) {
        plan.keptWidth = m_kept->width;
        plan.keptHeight = m_kept->height;
        plan.reductionBytes = RowGatherer::workBytes({ m_width, m_height }, *m_kept);
    }
    return plan;
}

DecodeOutcome TiffReader::damaged(const std::string &what)
{
    m_target.clear();
    if (m_handle.readFailed) {
        m_result.error = PictureError::File;
        return DecodeOutcome::Failed;
    }
    m_result.error = PictureError::Damaged;
    m_result.detail = m_handle.message.empty() ? what : m_handle.message;
    return DecodeOutcome::Failed;
}

DecodeOutcome TiffReader::interrupted()
{
    m_target.clear();
    m_result.error = PictureError::Interrupted;
    return DecodeOutcome::Failed;
}

bool TiffReader::layout(std::string &unhandled)
{
    std::uint16_t photometric = 0, bits = 1, samples = 1, planar = PLANARCONFIG_CONTIG, format = SAMPLEFORMAT_UINT;
    std::uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_COMPRESSION, &compression);
    if (!TIFFGetField(m_tif, TIFFTAG_PHOTOMETRIC, &photometric)) {
        unhandled = "no photometric interpretation";
        return false;
    }
    if (format != SAMPLEFORMAT_UINT && format != SAMPLEFORMAT_VOID) {
        unhandled = "sample format " + std::to_string(format);
        return false;
    }
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16) {
        unhandled = std::to_string(bits) + " bits a sample";
        return false;
    }
    m_l.bits = bits;
    m_l.samples = samples;
    m_l.separate = planar == PLANARCONFIG_SEPARATE && samples > 1;
    int colours = 1;
    switch (photometric) {
    case PHOTOMETRIC_MINISBLACK:
        m_l.model = Model::Grey;
        break;
    case PHOTOMETRIC_MINISWHITE:
        m_l.model = Model::GreyInverted;
        break;
    case PHOTOMETRIC_RGB:
        m_l.model = Model::Rgb;
        colours = 3;
        break;
    case PHOTOMETRIC_YCBCR:
        // libtiff's JPEG codec converts to RGB itself; other YCbCr files go
        // to the general decoders.
        if (compression != COMPRESSION_JPEG || m_l.separate || bits != 8) {
            unhandled = "YCbCr samples";
            return false;
        }
        TIFFSetField(m_tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        m_jpegAsRgb = true;
        m_l.model = Model::Rgb;
        colours = 3;
        break;
    case PHOTOMETRIC_PALETTE: {
        m_l.model = Model::Palette;
        std::uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
        if (!TIFFGetField(m_tif, TIFFTAG_COLORMAP, &r, &g, &b) || bits > 8) {
            unhandled = "palette";
            return false;
        }
        m_l.map[0] = r, m_l.map[1] = g, m_l.map[2] = b;
        // Old writers put 8-bit values in the 16-bit map.
        const int entries = 1 << bits;
        m_l.map16 = false;
        for (int i = 0; i < entries && !m_l.map16; ++i)
            m_l.map16 = r[i] > 255 || g[i] > 255 || b[i] > 255;
        break;
    }
    default:
        unhandled = "photometric interpretation " + std::to_string(photometric);
        return false;
    }
    if (samples < colours || (bits < 8 && samples != 1)) {
        unhandled = std::to_string(samples) + " samples a pixel";
        return false;
    }
    std::uint16_t extraCount = 0;
    std::uint16_t *extra = nullptr;
    if (samples > colours && TIFFGetField(m_tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount > 0) {
        if (extra[0] == EXTRASAMPLE_UNASSALPHA || extra[0] == EXTRASAMPLE_ASSOCALPHA) {
            m_l.alpha = colours;
            m_l.associated = extra[0] == EXTRASAMPLE_ASSOCALPHA;
        } else if (extra[0] == EXTRASAMPLE_UNSPECIFIED && samples == 4 && colours == 3) {
            m_l.alpha = colours; // as libtiff reads it: associated
            m_l.associated = true;
        }
    }
    return true;
}

// What the file announces: the picture's size, its samples unpacked and the
// best packing of its codec.
bool TiffReader::planLoad()
{
    std::uint16_t compression = COMPRESSION_NONE, planar = PLANARCONFIG_CONTIG, samples = 1;
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    const std::uint64_t rowBytes = std::uint64_t(TIFFScanlineSize64(m_tif));
    m_plan.width = m_result.width;
    m_plan.height = m_result.height;
    m_plan.unpackedBytes = TIFFIsTiled(m_tif)
        ? MultiplyCapped(TIFFNumberOfTiles(m_tif), std::uint64_t(TIFFTileSize64(m_tif)))
        : MultiplyCapped(
            MultiplyCapped(rowBytes, std::uint64_t(m_result.height)), planar == PLANARCONFIG_SEPARATE ? samples : 1);
    m_plan.mostUnpacked = mostUnpacked(compression, rowBytes);
    m_plan.fileSlack = compression == COMPRESSION_JPEG || compression == COMPRESSION_OJPEG ? kJpegSlack : 0;
    if (m_plan.unpackedBytes > 0)
        return true;
    damaged("no row size");
    return false;
}

// The general decoder (Qt's plug-in, on the same libtiff) holds the file,
// libtiff's strip or tile with its packed bytes, and its own whole picture:
// 16 bytes a pixel for floating point, 8 for 16 bits, else 4.
bool TiffReader::fallbackFits()
{
    std::uint16_t bits = 1, format = SAMPLEFORMAT_UINT;
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_SAMPLEFORMAT, &format);
    const std::uint64_t pixelBytes = format == SAMPLEFORMAT_IEEEFP || bits > 16 ? 16 : bits > 8 ? 8 : 4;
    const std::uint64_t piece = std::uint64_t(TIFFIsTiled(m_tif) ? TIFFTileSize64(m_tif) : TIFFStripSize64(m_tif));
    const std::uint64_t fileBytes = m_handle.source->size();
    m_plan.workBytes = AddCapped(AddCapped(fileBytes, MultiplyCapped(piece, 2)),
        MultiplyCapped(MultiplyCapped(std::uint64_t(m_result.width), std::uint64_t(m_result.height)), pixelBytes));
    return AcceptPlan(m_plan, fileBytes, m_result, m_keep);
}

bool TiffReader::reserve(std::uint64_t workBytes)
{
    m_plan.workBytes = workBytes;
    const DecodePlan plan = planWith(workBytes);
    if (!AcceptPlan(plan, m_handle.source->size(), m_result))
        return false;
    if (m_kept) {
        try {
            m_gatherer.start({ m_width, m_height }, *m_kept);
            return true;
        } catch (const std::bad_alloc &) {
        }
    } else if (m_target.resize(m_width, m_height)) {
        return true;
    }
    ExplainLateShortage(PlanMemory(plan), m_result);
    return false;
}

// One work buffer per plane (reserve() counted them).
bool TiffReader::allocate(std::vector<std::vector<std::uint8_t>> &buffers, int count, std::uint64_t bytes)
{
    try {
        buffers.resize(std::size_t(count));
        for (auto &b : buffers)
            b.resize(std::size_t(bytes));
        return true;
    } catch (const std::bad_alloc &) {
        m_target.clear();
        ExplainLateShortage(PlanMemory(planWith(m_plan.workBytes)), m_result);
        return false;
    }
}

DecodeOutcome TiffReader::read()
{
    std::uint32_t width = 0, height = 0;
    if (!TIFFGetField(m_tif, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(m_tif, TIFFTAG_IMAGELENGTH, &height)
        || width == 0 || height == 0)
        return damaged("no picture size");
    m_result.width = width;
    m_result.height = height;
    // Qt's plug-in reads through the same libtiff: a codec it lacks decodes nowhere.
    std::uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_COMPRESSION, &compression);
    if (!TIFFIsCODECConfigured(compression))
        return damaged("compression " + std::to_string(compression) + ", which libtiff does not decode");
    if (!Bitmap24::sizeAllowed(width, height)) {
        m_result.error = PictureError::TooLarge;
        return DecodeOutcome::Failed;
    }
    if (!planLoad())
        return DecodeOutcome::Failed;
    std::string unhandled;
    if (!layout(unhandled)) {
        // Checked here, where the layout is known, before the general
        // decoder takes the file.
        if (!fallbackFits())
            return DecodeOutcome::Failed;
        m_result.detail = "libtiff does not read " + unhandled;
        return DecodeOutcome::Unhandled;
    }
    m_width = int(width);
    m_height = int(height);
    m_kept = ReducedSize(m_keep, m_width, m_height);
    return TIFFIsTiled(m_tif) ? readTiles() : readStrips();
}

// Decodes bands 0..count-1 (a strip, or a row of tiles, of rowsPerBand rows
// each) on a few threads, each with its own libtiff handle on the same
// source and its own buffers; this thread meanwhile reports the rows done
// and asks whether to stop. work() returns false when its band does not
// decode (the handle holds libtiff's words).
DecodeOutcome TiffReader::runBands(
    std::uint32_t count, std::uint32_t rowsPerBand, int buffers, std::uint64_t bufferBytes, const BandWork &work)
{
    // Each thread's buffers, and libtiff's buffer of packed bytes (within
    // the file); fewer threads when that many do not fit.
    // A reduced load decodes each band into the thread's own rows first.
    const std::size_t bandStride = Bitmap24::strideFor(m_width);
    const std::uint64_t decodedBand = m_kept ? MultiplyCapped(rowsPerBand, bandStride) : 0;
    const std::uint64_t bandBytes = MultiplyCapped(bufferBytes, std::uint64_t(std::max(buffers, 1)));
    const std::uint64_t perThread
        = AddCapped(AddCapped(bandBytes, std::min(bandBytes, m_handle.source->size())), decodedBand);
    const auto workFor = [&](int n) {
        return AddCapped(MultiplyCapped(perThread, std::uint64_t(n)), kThreadBytes * std::uint64_t(n - 1));
    };
    int threads = int(std::clamp<std::uint32_t>(std::thread::hardware_concurrency(), 1, std::min(count, 4u)));
    MemoryShortage shortage;
    while (threads > 1 && !MemoryFits(PlanMemory(planWith(workFor(threads))), shortage))
        --threads;
    if (!reserve(workFor(threads)))
        return DecodeOutcome::Failed;
    if (m_control.step(0, m_height))
        return interrupted();
    std::atomic<std::uint32_t> next { 0 };
    std::atomic<std::int64_t> rowsDone { 0 };
    std::atomic<bool> stop { false };
    std::mutex mutex;
    std::condition_variable finished;
    int running = 0;
    bool failed = false, readFailed = false, outOfMemory = false;
    std::string failure;
    std::uint8_t *const picture = m_kept ? nullptr : m_target.bits();
    const std::size_t stride = m_kept ? bandStride : m_target.stride();
    std::uint32_t nextToPush = 0; // a reduced load: the band the scaler takes next
    std::condition_variable turn;
    // A decoded band into the scaler once those above it are in; false
    // when the load stops first.
    const auto pushInTurn = [&](std::uint32_t band, const std::uint8_t *top, int rows) {
        std::unique_lock lock(mutex);
        while (nextToPush != band) {
            if (stop)
                return false;
            turn.wait_for(lock, std::chrono::milliseconds(20));
        }
        lock.unlock();
        for (int r = 0; r < rows; ++r)
            m_gatherer.pushRow(top + std::size_t(r) * stride);
        lock.lock();
        ++nextToPush;
        turn.notify_all();
        return true;
    };

    const auto body = [&](TIFF *tif, Handle &handle) {
        bool ok = true;
        try {
            Buffers own(static_cast<std::size_t>(buffers));
            for (auto &b : own)
                b.resize(std::size_t(bufferBytes));
            std::vector<std::uint8_t> decoded(static_cast<std::size_t>(decodedBand));
            std::uint32_t band = 0;
            while (ok && !stop && (band = next++) < count) {
                const std::uint32_t first = band * rowsPerBand;
                const int rows = int(std::min<std::int64_t>(rowsPerBand, m_height - std::int64_t(first)));
                std::uint8_t *const top = m_kept ? decoded.data() : picture + first * stride;
                ok = work(tif, band, top, stride, own);
                if (ok && m_kept && !pushInTurn(band, top, rows))
                    break;
                rowsDone += rows;
            }
            if (!ok) {
                const std::lock_guard lock(mutex);
                if (!failed) {
                    failure
                        = handle.message.empty() ? "band " + std::to_string(band) + " cannot be read" : handle.message;
                    readFailed = handle.readFailed;
                }
                failed = true;
            }
        } catch (const std::bad_alloc &) {
            const std::lock_guard lock(mutex);
            failed = outOfMemory = true;
            ok = false;
        }
        if (!ok)
            stop = true;
        const std::lock_guard lock(mutex);
        --running;
        finished.notify_all();
    };

    // This thread's handle serves the first worker; the others open their own.
    std::vector<std::unique_ptr<Handle>> handles;
    std::vector<TiffPtr> tiffs;
    std::vector<std::thread> workers;
    for (int i = 1; i < threads; ++i) {
        auto handle = std::make_unique<Handle>();
        handle->source = m_handle.source;
        TiffPtr tif = openTiff(*handle);
        if (!tif)
            continue; // fewer threads
        if (m_jpegAsRgb)
            TIFFSetField(tif.get(), TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        handles.push_back(std::move(handle));
        tiffs.push_back(std::move(tif));
    }
    for (std::size_t i = 0; i <= tiffs.size(); ++i) {
        {
            const std::lock_guard lock(mutex);
            ++running;
        }
        try {
            if (i == 0)
                workers.emplace_back(body, m_tif, std::ref(m_handle));
            else
                workers.emplace_back(body, tiffs[i - 1].get(), std::ref(*handles[i - 1]));
        } catch (const std::system_error &) {
            // Fewer threads than hoped: those started do the work.
            const std::lock_guard lock(mutex);
            --running;
            break;
        }
    }
    if (workers.empty()) {
        m_target.clear();
        m_result.error = PictureError::OutOfMemory;
        return DecodeOutcome::Failed;
    }
    bool cancelled = false;
    {
        std::unique_lock lock(mutex);
        while (running > 0) {
            finished.wait_for(lock, std::chrono::milliseconds(20));
            lock.unlock();
            if (!stop && m_control.step(rowsDone, m_height)) {
                stop = true;
                cancelled = true;
            }
            lock.lock();
        }
    }
    for (std::thread &t : workers)
        t.join();
    if (cancelled && !failed)
        return interrupted();
    if (failed) {
        m_target.clear();
        if (outOfMemory) {
            ExplainLateShortage(PlanMemory(planWith(m_plan.workBytes)), m_result);
            return DecodeOutcome::Failed;
        }
        m_handle.readFailed = m_handle.readFailed || readFailed;
        m_handle.message = failure;
        return damaged(failure);
    }
    if (m_kept && !m_gatherer.finished())
        return damaged("rows missing");
    m_control.step(m_height, m_height);
    return DecodeOutcome::Decoded;
}

DecodeOutcome TiffReader::readStrips()
{
    std::uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::clamp<std::uint32_t>(rowsPerStrip, 1, std::uint32_t(m_height));
    const int planes = m_l.separate ? m_l.samples : 1;
    const std::uint64_t rowBytes = std::uint64_t(TIFFScanlineSize64(m_tif));
    const std::uint64_t stripBytes = rowBytes * rowsPerStrip;
    if (rowBytes == 0)
        return damaged("no row size");
    // One strip of a huge picture would be a second copy: read those a row
    // at a time (libtiff decodes a strip's rows in order).
    if (!m_l.separate && stripBytes > (std::uint64_t(64) << 20))
        return readScanlines();
    const std::uint32_t bands = (std::uint32_t(m_height) + rowsPerStrip - 1) / rowsPerStrip;
    const std::uint32_t stripsPerPlane = TIFFNumberOfStrips(m_tif) / std::uint32_t(planes);
    if (stripsPerPlane < bands)
        return damaged("missing strips");
    const Layout layout = m_l;
    const int width = m_width, height = m_height;
    // 8-bit RGB rows without padding: each strip lands in the picture's own
    // rows and only red and blue change places.
    if (!m_l.separate && m_l.model == Model::Rgb && m_l.bits == 8 && m_l.samples == 3 && m_l.alpha < 0
        && rowBytes == Bitmap24::strideFor(m_width)) {
        return runBands(bands, rowsPerStrip, 0, stripBytes,
            [=](TIFF *tif, std::uint32_t strip, std::uint8_t *first, std::size_t, Buffers &) {
                const std::uint32_t y = strip * rowsPerStrip;
                const std::uint32_t rows = std::min<std::uint32_t>(rowsPerStrip, std::uint32_t(height) - y);
                const tmsize_t got = TIFFReadEncodedStrip(tif, strip, first, tmsize_t(rowBytes * rows));
                if (got < 0 || std::uint64_t(got) < rowBytes * rows)
                    return false;
                std::uint8_t *p = first;
                for (std::uint64_t n = std::uint64_t(width) * rows; n > 0; --n, p += 3)
                    std::swap(p[0], p[2]);
                return true;
            });
    }
    return runBands(bands, rowsPerStrip, planes, stripBytes,
        [=](TIFF *tif, std::uint32_t strip, std::uint8_t *top, std::size_t stride, Buffers &buffers) {
            const std::uint32_t y = strip * rowsPerStrip;
            const std::uint32_t rows = std::min<std::uint32_t>(rowsPerStrip, std::uint32_t(height) - y);
            for (int p = 0; p < planes; ++p) {
                const tmsize_t got = TIFFReadEncodedStrip(tif, strip + std::uint32_t(p) * stripsPerPlane,
                    buffers[std::size_t(p)].data(), tmsize_t(stripBytes));
                if (got < 0 || std::uint64_t(got) < rowBytes * rows)
                    return false;
            }
            for (std::uint32_t r = 0; r < rows; ++r) {
                const std::uint8_t *rowPlanes[4] = {};
                for (int p = 0; p < std::min(planes, 4); ++p)
                    rowPlanes[p] = buffers[std::size_t(p)].data() + r * rowBytes;
                convertRun(layout, rowPlanes, width, top + r * stride);
            }
            return true;
        });
}

DecodeOutcome TiffReader::readScanlines()
{
    const std::uint64_t rowBytes = std::uint64_t(TIFFScanlineSize64(m_tif));
    // Our row (and a converted one for a reduced load), and libtiff's strip
    // of packed bytes (within the file).
    const std::uint64_t converted = m_kept ? std::uint64_t(m_width) * 3 : 0;
    if (!reserve(AddCapped(
            AddCapped(rowBytes, converted), std::min(m_handle.source->size(), MultiplyCapped(rowBytes, m_height)))))
        return DecodeOutcome::Failed;
    std::vector<std::vector<std::uint8_t>> row, bgr;
    if (!allocate(row, 1, rowBytes) || !allocate(bgr, 1, converted))
        return DecodeOutcome::Failed;
    for (int y = 0; y < m_height; ++y) {
        if ((y & 63) == 0 && m_control.step(y, m_height))
            return interrupted();
        if (TIFFReadScanline(m_tif, row[0].data(), std::uint32_t(y), 0) < 0)
            return damaged("row " + std::to_string(y) + " cannot be read");
        const std::uint8_t *planes[4] = { row[0].data() };
        if (m_kept) {
            convertRun(m_l, planes, m_width, bgr[0].data());
            m_gatherer.pushRow(bgr[0].data());
        } else {
            convertRun(m_l, planes, m_width, m_target.scanLine(y));
        }
    }
    if (m_kept && !m_gatherer.finished())
        return damaged("rows missing");
    m_control.step(m_height, m_height);
    return DecodeOutcome::Decoded;
}

DecodeOutcome TiffReader::readTiles()
{
    std::uint32_t tileWidth = 0, tileHeight = 0;
    TIFFGetField(m_tif, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(m_tif, TIFFTAG_TILELENGTH, &tileHeight);
    const std::uint64_t tileBytes = std::uint64_t(TIFFTileSize64(m_tif));
    const std::uint64_t tileRowBytes = std::uint64_t(TIFFTileRowSize64(m_tif));
    if (tileWidth == 0 || tileHeight == 0 || tileBytes == 0 || tileRowBytes == 0)
        return damaged("no tile size");
    const int planes = m_l.separate ? m_l.samples : 1;
    const std::uint32_t bands = (std::uint32_t(m_height) + tileHeight - 1) / tileHeight;
    const Layout layout = m_l;
    const int width = m_width, height = m_height;
    return runBands(bands, tileHeight, planes, tileBytes,
        [=](TIFF *tif, std::uint32_t band, std::uint8_t *top, std::size_t stride, Buffers &buffers) {
            const std::uint32_t y = band * tileHeight;
            const std::uint32_t rows = std::min<std::uint32_t>(tileHeight, std::uint32_t(height) - y);
            for (std::uint32_t x = 0; x < std::uint32_t(width); x += tileWidth) {
                const std::uint32_t columns = std::min<std::uint32_t>(tileWidth, std::uint32_t(width) - x);
                for (int p = 0; p < planes; ++p) {
                    const ttile_t tile = TIFFComputeTile(tif, x, y, 0, std::uint16_t(p));
                    if (TIFFReadEncodedTile(tif, tile, buffers[std::size_t(p)].data(), tmsize_t(tileBytes)) < 0)
                        return false;
                }
                for (std::uint32_t r = 0; r < rows; ++r) {
                    const std::uint8_t *rowPlanes[4] = {};
                    for (int p = 0; p < std::min(planes, 4); ++p)
                        rowPlanes[p] = buffers[std::size_t(p)].data() + r * tileRowBytes;
                    convertRun(layout, rowPlanes, int(columns), top + r * stride + std::size_t(x) * 3);
                }
            }
            return true;
        });
}

// A libtiff handle reading through the source: errors land in handle.
TiffPtr openTiff(Handle &handle)
{
    std::unique_ptr<TIFFOpenOptions, void (*)(TIFFOpenOptions *)> options(TIFFOpenOptionsAlloc(), TIFFOpenOptionsFree);
    if (!options)
        return {};
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), errorHandler, &handle);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), warningHandler, &handle);
    // No single buffer of libtiff may take more than the machine has.
    TIFFOpenOptionsSetMaxSingleMemAlloc(
        options.get(), tmsize_t(std::min<std::uint64_t>(AvailableMemory(), std::numeric_limits<tmsize_t>::max())));
    // "m": read, never map the file.
    return TiffPtr(TIFFClientOpenExt("picture", "rm", &handle, readProc, writeProc, seekProc, closeProc, sizeProc,
        mapProc, unmapProc, options.get()));
}

} // namespace

DecodeOutcome decodeWithLibtiff(PictureSource &source, Bitmap24 &target, PictureLoadResult &result,
    DecodeControl &control, const LoadSizeChoice &keep)
{
    target.clear();
    result.decoder = "libtiff";
    Handle handle;
    handle.source = &source;
    const TiffPtr tif = openTiff(handle);
    if (!tif) {
        if (handle.readFailed) {
            result.error = PictureError::File;
            return DecodeOutcome::Failed;
        }
        result.error = PictureError::Damaged;
        result.detail = handle.message.empty() ? "not a TIFF file" : handle.message;
        return DecodeOutcome::Failed;
    }
    TiffReader reader(tif.get(), handle, target, result, control, keep);
    const DecodeOutcome outcome = reader.read();
    if (outcome == DecodeOutcome::Failed && result.error == PictureError::File) {
        result.fileError = source.error();
        result.systemError = source.systemError();
    }
    return outcome;
}
