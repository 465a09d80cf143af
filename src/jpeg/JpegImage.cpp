#include "jpeg/JpegImage.h"

#include "common/Bitmap24.h"
#include "common/DecodeBudget.h"
#include "common/InputFile.h"
#include "common/Log.h"
#include "common/MemoryBudget.h"
#include "jpeg/JpegCompressor.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <new>

#include <jpeglib.h>

// After jpeglib.h: the message list depends on the library version it defines.
#include <jerror.h>

// Error handling follows one rule: libjpeg's error exit longjmps back to the
// setjmp of a small "protected" function whose locals are all trivially
// destructible, and which calls only libjpeg and non-throwing code. The C++
// caller then destroys the codec and throws. Nothing C++ is unwound by the
// jump, and no exception crosses libjpeg's C frames.

namespace {

// A progressive stream may hold many scans, each of which visits every block
// of its components again. No real encoder writes more than a few dozen.
constexpr int kMaxScans = 1000;
// The decoding work allowed, in block visits: this many times the picture's
// blocks (a usual progressive file needs 5 to 7), plus a floor so that tiny
// pictures with odd scan scripts still decode. Each output pass of
// scan-by-scan decoding counts as kOutputPassWork visits of every block.
constexpr std::int64_t kWorkPerBlock = 24;
constexpr std::int64_t kWorkFloor = std::int64_t(1) << 20;
constexpr std::int64_t kOutputPassWork = 2;
// Our own message codes, just past libjpeg's table.
constexpr int kTooManyScansCode = JMSG_LASTMSGCODE;
constexpr int kTooMuchWorkCode = JMSG_LASTMSGCODE + 1;
constexpr int kInterruptedCode = JMSG_LASTMSGCODE + 2;
constexpr int kReadFailedCode = JMSG_LASTMSGCODE + 3;
constexpr int kSinkFailedCode = JMSG_LASTMSGCODE + 4; // the sink threw: its exception goes on
// Bytes of a file besides its blocks (headers, tables).
constexpr std::int64_t kHeaderSlack = 65536;
// Rows decoded per libjpeg call.
constexpr int kBatchRows = 16;
// Bytes read from the file at a time by a row-wise decode.
constexpr std::size_t kReadChunk = std::size_t(64) << 10;

struct ErrorManager {
    jpeg_error_mgr pub; // first: libjpeg sees a jpeg_error_mgr*
    std::jmp_buf jump;
};

// Bounds the work of one decode and lets the caller cancel it.
struct WorkLimit {
    jpeg_progress_mgr pub; // first: libjpeg sees a jpeg_progress_mgr*
    const CancelCheck *cancelled;
    std::int64_t work; // block visits so far
    std::int64_t budget;
    int lastScan;
};

extern "C" void onErrorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager *>(cinfo->err)->jump, 1);
}

void failWith(j_common_ptr cinfo, int code)
{
    cinfo->err->msg_code = code;
    cinfo->err->error_exit(cinfo);
}

// Warnings that mean the pixels are not all there: data cut short, corrupt
// entropy-coded data, a broken progression. The decode fails, as damaged
// data of other formats do, instead of filling the rest with grey. Bytes
// between two segments before the first scan harm no pixel, nor do the
// other warnings (unknown JFIF revision, Adobe transform, ICC marker).
bool damagesPixels(const jpeg_decompress_struct &cinfo, int code)
{
    switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
        return true;
    case JWRN_EXTRANEOUS_DATA:
        return cinfo.input_scan_number > 0; // left over by a scan that ended early
    default:
        return false;
    }
}

extern "C" void onEmitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return; // trace messages
    if (LogVerbose()) {
        char text[JMSG_LENGTH_MAX];
        cinfo->err->format_message(cinfo, text);
        LogLine("libjpeg", text);
    }
    if (cinfo->is_decompressor && damagesPixels(*reinterpret_cast<j_decompress_ptr>(cinfo), cinfo->err->msg_code))
        cinfo->err->error_exit(cinfo); // with the warning's code
}
extern "C" void onOutputMessage(j_common_ptr) { }

bool cancelRequested(const CancelCheck *cancelled) noexcept
{
    if (!cancelled || !*cancelled)
        return false;
    try {
        return (*cancelled)();
    } catch (...) {
        return true; // no exception may cross libjpeg's frames
    }
}

std::int64_t blocksOf(const jpeg_component_info &c)
{
    return std::int64_t(c.width_in_blocks) * std::int64_t(c.height_in_blocks);
}

// Called by libjpeg at least once per row of blocks of every scan it reads,
// and by our loop after each output pass. A scan is charged when it starts,
// so a file is refused before it does the work it would be refused for.
extern "C" void onProgress(j_common_ptr common)
{
    auto *limit = reinterpret_cast<WorkLimit *>(common->progress);
    if (cancelRequested(limit->cancelled))
        failWith(common, kInterruptedCode);
    if (!common->is_decompressor)
        return;
    const auto *cinfo = reinterpret_cast<j_decompress_ptr>(common);
    if (cinfo->input_scan_number > kMaxScans)
        failWith(common, kTooManyScansCode);
    if (cinfo->input_scan_number != limit->lastScan && cinfo->comps_in_scan > 0) {
        std::int64_t blocks = 0;
        for (int i = 0; i < cinfo->comps_in_scan && i < MAX_COMPS_IN_SCAN; ++i)
            if (cinfo->cur_comp_info[i])
                blocks += blocksOf(*cinfo->cur_comp_info[i]);
        // Scans read between two calls are charged like the current one.
        const int scans = cinfo->input_scan_number - limit->lastScan;
        limit->work += blocks * (scans > 0 ? scans : 1);
        limit->lastScan = cinfo->input_scan_number;
    }
    if (limit->work > limit->budget)
        failWith(common, kTooMuchWorkCode);
}

void installErrorManager(ErrorManager &err)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = onErrorExit;
    err.pub.emit_message = onEmitMessage;
    err.pub.output_message = onOutputMessage;
}

enum class Outcome { Ok, LibraryError, TooLarge, FileTooShort, OutOfMemory };

// libjpeg's source for a file read a piece at a time.
struct FileReader {
    jpeg_source_mgr pub; // first: libjpeg sees a jpeg_source_mgr*
    const JpegReadAt *read = nullptr;
    std::uint64_t size = 0;
    std::uint64_t offset = 0; // of the next piece
    JOCTET buffer[kReadChunk];
};

extern "C" void initSource(j_decompress_ptr) { }
extern "C" void termSource(j_decompress_ptr) { }

bool readSafely(FileReader &reader, std::size_t n) noexcept
{
    try {
        return (*reader.read)(reader.offset, reader.buffer, n);
    } catch (...) {
        return false; // no exception may cross libjpeg's frames
    }
}

extern "C" boolean fillInput(j_decompress_ptr cinfo)
{
    auto *reader = reinterpret_cast<FileReader *>(cinfo->src);
    const std::uint64_t left = reader->size > reader->offset ? reader->size - reader->offset : 0;
    const auto n = std::size_t(std::min<std::uint64_t>(kReadChunk, left));
    if (n == 0) {
        // As libjpeg's own sources: a warning (an error here), then an end marker.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        reader->buffer[0] = 0xFF;
        reader->buffer[1] = JPEG_EOI;
        reader->pub.next_input_byte = reader->buffer;
        reader->pub.bytes_in_buffer = 2;
        return TRUE;
    }
    if (!readSafely(*reader, n))
        failWith(reinterpret_cast<j_common_ptr>(cinfo), kReadFailedCode);
    reader->offset += n;
    reader->pub.next_input_byte = reader->buffer;
    reader->pub.bytes_in_buffer = n;
    return TRUE;
}

extern "C" void skipInput(j_decompress_ptr cinfo, long count)
{
    auto *reader = reinterpret_cast<FileReader *>(cinfo->src);
    if (count <= 0)
        return;
    if (std::size_t(count) <= reader->pub.bytes_in_buffer) {
        reader->pub.next_input_byte += count;
        reader->pub.bytes_in_buffer -= std::size_t(count);
        return;
    }
    const std::uint64_t beyond = std::uint64_t(count) - reader->pub.bytes_in_buffer;
    reader->offset = std::min(reader->size, reader->offset + beyond);
    reader->pub.bytes_in_buffer = 0;
}

void installFileReader(jpeg_decompress_struct &cinfo, FileReader &reader)
{
    reader.pub.init_source = initSource;
    reader.pub.fill_input_buffer = fillInput;
    reader.pub.skip_input_data = skipInput;
    reader.pub.resync_to_restart = jpeg_resync_to_restart;
    reader.pub.term_source = termSource;
    reader.pub.bytes_in_buffer = 0;
    reader.pub.next_input_byte = nullptr;
    cinfo.src = &reader.pub;
}

// ---- decompression ---------------------------------------------------------

enum class RowMode {
    Direct, // libjpeg writes BGR straight into the bitmap
    Cmyk, // four samples a pixel, converted here
    Indexed // one colour-map index a pixel, expanded through lut
};

struct DecodeJob {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    WorkLimit progress;
    TJpegOptions options;
    const std::uint8_t *data;
    std::size_t size;
    Bitmap24 *target;
    RowMode mode;
    bool toGrey; // grey wanted but the file is CMYK: libjpeg can't convert
    JSAMPARRAY buffer; // per-batch rows for Cmyk and Indexed modes (libjpeg's pool)
    std::uint8_t lut[256][3];
    MemoryShortage shortage; // when the load does not fit
    // A row-wise decode: the file's reader, the sink, what it threw, the
    // size the settings give and the size kept.
    std::unique_ptr<FileReader> reader;
    JpegRowSink *sink = nullptr;
    std::exception_ptr sinkError;
    JSAMPROW bgrRow = nullptr; // a converted row for the sink (libjpeg's pool)
    int fullWidth = 0, fullHeight = 0;
    int keptWidth = 0, keptHeight = 0;
};

// Calls the sink; what it throws is kept for after libjpeg's clean-up and
// the decode ends (never unwound through libjpeg).
template <class Call> void callSink(DecodeJob &job, Call &&call)
{
    bool failed = false;
    try {
        call(*job.sink);
    } catch (...) {
        job.sinkError = std::current_exception();
        failed = true;
    }
    if (failed)
        failWith(reinterpret_cast<j_common_ptr>(&job.cinfo), kSinkFailedCode);
}

void cmykToBgr(const JSAMPLE *s, std::uint8_t *d, bool grey)
{
    // Adobe writes CMYK inverted, as nearly every CMYK JPEG is.
    const unsigned k = s[3];
    const std::uint8_t r = std::uint8_t(s[0] * k / 255), g = std::uint8_t(s[1] * k / 255),
                       b = std::uint8_t(s[2] * k / 255);
    if (grey) {
        d[0] = d[1] = d[2] = std::uint8_t((r * 299 + g * 587 + b * 114 + 500) / 1000);
    } else {
        d[0] = b;
        d[1] = g;
        d[2] = r;
    }
}

// The colour map may change at every output pass (two-pass quantisation).
void buildLut(DecodeJob &job)
{
    const jpeg_decompress_struct &cinfo = job.cinfo;
    std::memset(job.lut, 0, sizeof job.lut);
    const int colours = cinfo.actual_number_of_colors < 256 ? cinfo.actual_number_of_colors : 256;
    for (int i = 0; i < colours; ++i) {
        std::uint8_t *d = job.lut[i];
        switch (cinfo.out_color_components) {
        case 1:
            d[0] = d[1] = d[2] = cinfo.colormap[0][i];
            break;
        case 4: {
            const JSAMPLE s[4]
                = { cinfo.colormap[0][i], cinfo.colormap[1][i], cinfo.colormap[2][i], cinfo.colormap[3][i] };
            cmykToBgr(s, d, job.toGrey);
            break;
        }
        default: // RGB map
            d[0] = cinfo.colormap[2][i];
            d[1] = cinfo.colormap[1][i];
            d[2] = cinfo.colormap[0][i];
            break;
        }
    }
}

// One output pass, top to bottom, straight into the target's rows.
void readPass(DecodeJob &job)
{
    jpeg_decompress_struct &cinfo = job.cinfo;
    Bitmap24 &target = *job.target;
    if (job.mode == RowMode::Indexed)
        buildLut(job);
    const JDIMENSION width = cinfo.output_width;
    JSAMPROW rows[kBatchRows];
    if (job.sink) {
        const int decodedWidth = int(cinfo.output_width), decodedHeight = int(cinfo.output_height);
        callSink(job,
            [&](JpegRowSink &sink) { sink.startPass(decodedWidth, decodedHeight, job.keptWidth, job.keptHeight); });
        while (cinfo.output_scanline < cinfo.output_height) {
            const JDIMENSION got = jpeg_read_scanlines(&cinfo, job.buffer, kBatchRows);
            for (JDIMENSION i = 0; i < got; ++i) {
                const JSAMPLE *s = job.buffer[i];
                std::uint8_t *d = job.bgrRow;
                if (job.mode == RowMode::Indexed) {
                    for (JDIMENSION x = 0; x < width; ++x, d += 3)
                        std::memcpy(d, job.lut[s[x]], 3);
                } else if (job.mode == RowMode::Cmyk) {
                    for (JDIMENSION x = 0; x < width; ++x, s += 4, d += 3)
                        cmykToBgr(s, d, job.toGrey);
                }
                const std::uint8_t *row = job.mode == RowMode::Direct ? job.buffer[i] : job.bgrRow;
                callSink(job, [row](JpegRowSink &sink) { sink.takeRow(row); });
            }
        }
        return;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION first = cinfo.output_scanline;
        JDIMENSION want = cinfo.output_height - first;
        if (want > kBatchRows)
            want = kBatchRows;
        for (JDIMENSION i = 0; i < want; ++i)
            rows[i] = job.mode == RowMode::Direct ? target.scanLine(int(first + i)) : job.buffer[i];
        const JDIMENSION got = jpeg_read_scanlines(&cinfo, rows, want);
        if (job.mode == RowMode::Direct)
            continue;
        for (JDIMENSION i = 0; i < got; ++i) {
            const JSAMPLE *s = job.buffer[i];
            std::uint8_t *d = target.scanLine(int(first + i));
            if (job.mode == RowMode::Indexed) {
                for (JDIMENSION x = 0; x < width; ++x, d += 3)
                    std::memcpy(d, job.lut[s[x]], 3);
            } else {
                for (JDIMENSION x = 0; x < width; ++x, s += 4, d += 3)
                    cmykToBgr(s, d, job.toGrey);
            }
        }
    }
}

void setFastMethod(jpeg_decompress_struct &cinfo)
{
    cinfo.dct_method = JDCT_IFAST;
    cinfo.two_pass_quantize = FALSE;
    cinfo.dither_mode = JDITHER_ORDERED;
}

// What the decode announces once the output size is known. Every block
// costs at least one bit of the file (its DC code). libjpeg keeps the
// coefficients of the whole picture for a file of several scans, and its
// own 24-bit copy for two-pass quantisation; its row buffers hold a few
// dozen rows of each component.
DecodePlan planOf(DecodeJob &job, std::int64_t pictureBlocks)
{
    jpeg_decompress_struct &cinfo = job.cinfo;
    DecodePlan plan;
    plan.width = cinfo.output_width;
    plan.height = cinfo.output_height;
    plan.unpackedBytes = std::uint64_t(pictureBlocks);
    plan.mostUnpacked = 8;
    plan.fileSlack = kHeaderSlack;
    const std::uint64_t pixels = std::uint64_t(cinfo.output_width) * cinfo.output_height;
    std::uint64_t work = std::uint64_t(cinfo.output_width) * 64 * std::uint64_t(std::max(cinfo.num_components, 1))
        + (std::uint64_t(1) << 20);
    if (jpeg_has_multiple_scans(&cinfo) || job.options.ProgressiveDisplay)
        work += std::uint64_t(pictureBlocks) * sizeof(JBLOCK);
    if (cinfo.quantize_colors && cinfo.two_pass_quantize)
        work += pixels * std::uint64_t(std::max(cinfo.out_color_components, 1));
    plan.workBytes = work;
    return plan;
}

// The sink's kept size, then the smallest DCT scale of the file whose rows
// still cover it on both sides (turbo decodes M/8 for any M).
void chooseDecodedSize(DecodeJob &job)
{
    jpeg_decompress_struct &cinfo = job.cinfo;
    int keptWidth = job.fullWidth, keptHeight = job.fullHeight;
    callSink(
        job, [&](JpegRowSink &sink) { sink.chooseKeptSize(job.fullWidth, job.fullHeight, keptWidth, keptHeight); });
    job.keptWidth = std::clamp(keptWidth, 1, job.fullWidth);
    job.keptHeight = std::clamp(keptHeight, 1, job.fullHeight);
    if (job.keptWidth == job.fullWidth && job.keptHeight == job.fullHeight)
        return;
    const unsigned fullScale = 8u >> std::min<unsigned>(job.options.Scale <= 3 ? job.options.Scale : 0, 3);
    for (unsigned m = 1; m < fullScale; ++m) {
        cinfo.scale_num = m;
        cinfo.scale_denom = 8;
        jpeg_calc_output_dimensions(&cinfo);
        if (cinfo.output_width >= JDIMENSION(job.keptWidth) && cinfo.output_height >= JDIMENSION(job.keptHeight))
            return;
    }
    cinfo.scale_num = fullScale;
    cinfo.scale_denom = 8;
    jpeg_calc_output_dimensions(&cinfo);
}

Outcome decodeProtected(DecodeJob &job)
{
    jpeg_decompress_struct &cinfo = job.cinfo;
    if (setjmp(job.err.jump))
        return Outcome::LibraryError;
    jpeg_create_decompress(&cinfo);
    // libjpeg's own work memory (coefficient buffers of progressive files):
    // what the machine has now.
    cinfo.mem->max_memory_to_use = long(std::min<std::uint64_t>(AvailableMemory(), LONG_MAX));
    job.progress.pub.progress_monitor = onProgress;
    cinfo.progress = &job.progress.pub;
    job.progress.lastScan = 0;
    job.progress.budget = kWorkFloor;
    if (job.reader)
        installFileReader(cinfo, *job.reader);
    else
        jpeg_mem_src(&cinfo, job.data, static_cast<unsigned long>(job.size));
    jpeg_read_header(&cinfo, TRUE);
    std::int64_t pictureBlocks = 0;
    for (int ci = 0; ci < cinfo.num_components; ++ci)
        pictureBlocks += blocksOf(cinfo.comp_info[ci]);
    job.progress.budget = kWorkFloor + kWorkPerBlock * pictureBlocks;

    const TJpegOptions &o = job.options;
    cinfo.scale_num = 1;
    cinfo.scale_denom = o.Scale <= 3 ? 1u << o.Scale : 1; // unknown values: full size
    cinfo.do_block_smoothing = o.Smoothing ? TRUE : FALSE;
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    job.toGrey = cmyk && o.Grayscale;
    if (cmyk)
        cinfo.out_color_space = JCS_CMYK;
    else if (o.Grayscale)
        cinfo.out_color_space = JCS_GRAYSCALE;
    const bool quantize = o.PixelFormat == 1 || cinfo.out_color_space == JCS_GRAYSCALE || job.toGrey;
    if (quantize) {
        cinfo.quantize_colors = TRUE;
        cinfo.desired_number_of_colors = 236;
    } else if (!cmyk) {
        cinfo.out_color_space = JCS_EXT_BGR;
    }
    if (o.Performance == 1)
        setFastMethod(cinfo);
    job.mode = quantize ? RowMode::Indexed : cmyk ? RowMode::Cmyk : RowMode::Direct;

    jpeg_calc_output_dimensions(&cinfo);
    job.fullWidth = int(std::min<JDIMENSION>(cinfo.output_width, INT_MAX));
    job.fullHeight = int(std::min<JDIMENSION>(cinfo.output_height, INT_MAX));
    if (!Bitmap24::sizeAllowed(cinfo.output_width, cinfo.output_height))
        return Outcome::TooLarge;
    DecodePlan plan = planOf(job, pictureBlocks);
    if (job.sink) {
        chooseDecodedSize(job);
        plan = planOf(job, pictureBlocks);
        // libjpeg's band of rows and our converted row, then the sink.
        plan.workBytes = AddCapped(plan.workBytes,
            std::uint64_t(cinfo.output_width) * (std::uint64_t(cinfo.output_components) * kBatchRows + 3));
        plan.keptWidth = job.keptWidth;
        plan.keptHeight = job.keptHeight;
        callSink(job, [&](JpegRowSink &sink) {
            plan.reductionBytes
                = sink.workBytes(int(cinfo.output_width), int(cinfo.output_height), job.keptWidth, job.keptHeight);
        });
    }
    switch (CheckDecodePlan(plan, job.size, job.shortage)) {
    case PlanVerdict::Fits:
        break;
    case PlanVerdict::FileTooShort:
        return Outcome::FileTooShort;
    case PlanVerdict::TooLittleMemory:
        return Outcome::OutOfMemory;
    }
    if (job.sink) {
        job.bgrRow = (*cinfo.mem->alloc_sarray)(
            reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, cinfo.output_width * 3, 1)[0];
    } else if (!job.target->resize(int(cinfo.output_width), int(cinfo.output_height))) {
        return Outcome::OutOfMemory;
    }
    if (job.mode != RowMode::Direct || job.sink)
        job.buffer = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
            cinfo.output_width * cinfo.output_components, kBatchRows);

    if (o.ProgressiveDisplay && jpeg_has_multiple_scans(&cinfo)) {
        // Intermediate passes use the fast settings, the last one the kept ones.
        const J_DCT_METHOD keptDct = cinfo.dct_method;
        const boolean keptTwoPass = cinfo.two_pass_quantize;
        const J_DITHER_MODE keptDither = cinfo.dither_mode;
        cinfo.buffered_image = TRUE;
        cinfo.enable_2pass_quant = keptTwoPass;
        setFastMethod(cinfo);
        jpeg_start_decompress(&cinfo);
        while (!jpeg_input_complete(&cinfo)) {
            job.progress.work += kOutputPassWork * pictureBlocks;
            jpeg_start_output(&cinfo, cinfo.input_scan_number);
            readPass(job);
            jpeg_finish_output(&cinfo);
            onProgress(reinterpret_cast<j_common_ptr>(&cinfo));
        }
        cinfo.dct_method = keptDct;
        cinfo.two_pass_quantize = keptTwoPass;
        cinfo.dither_mode = keptDither;
        if (cinfo.quantize_colors)
            cinfo.colormap = nullptr; // lets the last pass choose its own map and quantiser
        job.progress.work += kOutputPassWork * pictureBlocks;
        jpeg_start_output(&cinfo, cinfo.input_scan_number);
        readPass(job);
        jpeg_finish_output(&cinfo);
    } else {
        jpeg_start_decompress(&cinfo);
        readPass(job);
    }
    jpeg_finish_decompress(&cinfo);
    return Outcome::Ok;
}

// A job with the settings and the cancel check, libjpeg's errors caught by ours.
std::unique_ptr<DecodeJob> newJob(const TJpegOptions &options, const CancelCheck &cancelled)
{
    std::unique_ptr<DecodeJob> job(new DecodeJob {});
    job->options = options;
    job->progress.cancelled = &cancelled;
    job->cinfo.err = &job->err.pub;
    installErrorManager(job->err);
    return job;
}

// What a job ended with: libjpeg's message (its code and text) and the size
// it decoded to, read before libjpeg's part of the job is freed.
struct JobEnd {
    Outcome outcome = Outcome::Ok;
    int code = 0;
    char libraryText[JMSG_LENGTH_MAX] = "";
    std::int64_t outputWidth = 0;
    std::int64_t outputHeight = 0;
};

JobEnd runJob(DecodeJob &job)
{
    JobEnd end;
    end.outcome = decodeProtected(job);
    end.code = job.err.pub.msg_code;
    if (end.outcome == Outcome::LibraryError && end.code > 0 && end.code < JMSG_LASTMSGCODE)
        job.err.pub.format_message(reinterpret_cast<j_common_ptr>(&job.cinfo), end.libraryText);
    end.outputWidth = job.cinfo.output_width;
    end.outputHeight = job.cinfo.output_height;
    jpeg_destroy_decompress(&job.cinfo);
    return end;
}

// Throws what the outcome of a decode means (nothing for Ok).
void throwFailure(Outcome outcome, int code, const char *libraryText, std::int64_t width, std::int64_t height,
    const MemoryShortage &shortage, Bitmap24 &target)
{
    switch (outcome) {
    case Outcome::Ok:
        return;
    case Outcome::LibraryError:
        target.clear();
        throw JpegError(code, libraryText);
    case Outcome::TooLarge:
        target.clear();
        throw JpegRefused(width, height, JpegRefused::SideTooLong);
    case Outcome::FileTooShort:
        target.clear();
        throw JpegRefused(width, height, JpegRefused::FileTooShort);
    case Outcome::OutOfMemory:
        target.clear();
        throw JpegRefused(width, height, JpegRefused::Memory, shortage);
    }
}

} // namespace

JpegError::JpegError(int messageCode, std::string libraryText)
    : std::runtime_error([messageCode] {
        char text[32];
        std::snprintf(text, sizeof text, "JPEG error #%d", messageCode);
        return std::string(text);
    }())
    , m_code(messageCode)
    , m_libraryText(std::move(libraryText))
{
}

JpegError::Kind JpegError::kind() const
{
    switch (m_code) {
    case kTooManyScansCode:
    case kTooMuchWorkCode:
        return TooMuchWork;
    case kInterruptedCode:
        return Interrupted;
    case kReadFailedCode:
        return ReadFailed;
    default:
        return Library;
    }
}

JpegRefused::JpegRefused(std::int64_t width, std::int64_t height, Reason reason, MemoryShortage shortage)
    : std::runtime_error("JPEG picture refused")
    , m_width(width)
    , m_height(height)
    , m_reason(reason)
    , m_shortage(shortage)
{
}

std::vector<std::uint8_t> TJPEGImage::compress(const Bitmap24 &bitmap) const
{
    return compress(bitmap, std::size_t(-1));
}

std::vector<std::uint8_t> TJPEGImage::compress(const Bitmap24 &bitmap, std::size_t maxBytes) const
{
    if (bitmap.isEmpty())
        return {};
    JpegCompressParams params;
    params.quality = m_options.CompressionQuality;
    params.grayscale = m_options.Grayscale;
    params.horzSubsampling = m_options.HorzSubSampling;
    params.vertSubsampling = m_options.VertSubSampling;
    params.progressive = m_options.ProgressiveEncoding;
    std::vector<std::uint8_t> result;
    const JpegCompressResult outcome = CompressJpeg(
        bitmap.scanLine(0), std::ptrdiff_t(bitmap.stride()), bitmap.width(), bitmap.height(), params, result, maxBytes);
    if (!outcome.ok)
        throw JpegError(outcome.messageCode);
    return result;
}

void TJPEGImage::decode(const std::uint8_t *data, std::size_t size, Bitmap24 &target) const
{
    decode(data, size, target, {});
}

void TJPEGImage::decode(
    const std::uint8_t *data, std::size_t size, Bitmap24 &target, const CancelCheck &cancelled) const
{
    target.clear();
    const std::unique_ptr<DecodeJob> job = newJob(m_options, cancelled);
    job->data = data;
    job->size = size;
    job->target = &target;
    const JobEnd end = runJob(*job);
    throwFailure(end.outcome, end.code, end.libraryText, end.outputWidth, end.outputHeight, job->shortage, target);
}

void TJPEGImage::decodeRows(
    std::uint64_t fileSize, const JpegReadAt &read, JpegRowSink &sink, const CancelCheck &cancelled) const
{
    Bitmap24 unused;
    const std::unique_ptr<DecodeJob> job = newJob(m_options, cancelled);
    job->size = std::size_t(std::min<std::uint64_t>(fileSize, SIZE_MAX));
    job->target = &unused;
    job->sink = &sink;
    job->reader = std::make_unique<FileReader>();
    job->reader->read = &read;
    job->reader->size = fileSize;
    const JobEnd end = runJob(*job);
    if (job->sinkError)
        std::rethrow_exception(job->sinkError);
    throwFailure(end.outcome, end.code, end.libraryText, job->fullWidth, job->fullHeight, job->shortage, unused);
}

void TJPEGImage::loadFromFile(const std::string &fileName, Bitmap24 &target) const
{
    const FileBytes file(fileName);
    if (!file.isOpen()) {
        target.clear();
        throw std::runtime_error("cannot read " + fileName + ": " + FileErrorText(file.error(), file.systemError()));
    }
    decode(file.data(), file.size(), target);
}
