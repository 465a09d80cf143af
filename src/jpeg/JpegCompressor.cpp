#include "jpeg/JpegCompressor.h"

#include "common/Log.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <jpeglib.h>

// After jpeglib.h: the message list depends on the library version it defines.
#include <jerror.h>

// libjpeg's error exit longjmps back to the setjmp of a small "protected"
// function whose locals are all trivially destructible and which calls only
// libjpeg: nothing C++ is unwound by the jump.

namespace {

constexpr int kBatchRows = 16; // rows handed to libjpeg a call
constexpr std::size_t kFirstDestinationBytes = 64 * 1024;

struct ErrorManager {
    jpeg_error_mgr pub; // first: libjpeg sees a jpeg_error_mgr*
    std::jmp_buf jump;
};

extern "C" void onCompressorErrorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager *>(cinfo->err)->jump, 1);
}

extern "C" void onCompressorMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0 || !LogVerbose())
        return; // trace messages, or nobody listening
    char text[JMSG_LENGTH_MAX];
    cinfo->err->format_message(cinfo, text);
    LogLine("libjpeg", text);
}

extern "C" void onCompressorOutput(j_common_ptr) { }

void failWith(j_common_ptr cinfo, int code)
{
    cinfo->err->msg_code = code;
    cinfo->err->error_exit(cinfo);
}

// The compressed data grow in one malloc'ed block that the job owns at every
// moment: whatever libjpeg does or fails to do, the C++ side frees the live
// block exactly once. (jpeg_mem_dest frees its first block when it grows and
// tells the new one only at the end, so an error after a growth left the
// caller holding a freed pointer.)
struct BufferDestination {
    jpeg_destination_mgr pub; // first: libjpeg sees a jpeg_destination_mgr*
    unsigned char *data;
    std::size_t capacity;
    std::size_t maxBytes;
};

extern "C" void onInitDestination(j_compress_ptr cinfo)
{
    auto *d = reinterpret_cast<BufferDestination *>(cinfo->dest);
    if (!d->data) {
        const std::size_t first = kFirstDestinationBytes < d->maxBytes ? kFirstDestinationBytes : d->maxBytes;
        d->data = static_cast<unsigned char *>(std::malloc(first));
        if (!d->data)
            failWith(reinterpret_cast<j_common_ptr>(cinfo), JERR_OUT_OF_MEMORY);
        d->capacity = first;
    }
    d->pub.next_output_byte = d->data;
    d->pub.free_in_buffer = d->capacity;
}

// Called when the block is full: it doubles, up to maxBytes.
extern "C" boolean onEmptyDestination(j_compress_ptr cinfo)
{
    auto *d = reinterpret_cast<BufferDestination *>(cinfo->dest);
    const std::size_t used = d->capacity;
    std::size_t grown = used > d->maxBytes / 2 ? d->maxBytes : used * 2;
    if (grown <= used)
        failWith(reinterpret_cast<j_common_ptr>(cinfo), JERR_OUT_OF_MEMORY);
    auto *data = static_cast<unsigned char *>(std::realloc(d->data, grown));
    if (!data)
        failWith(reinterpret_cast<j_common_ptr>(cinfo), JERR_OUT_OF_MEMORY); // d->data is still live
    d->data = data;
    d->capacity = grown;
    d->pub.next_output_byte = data + used;
    d->pub.free_in_buffer = grown - used;
    return TRUE;
}

extern "C" void onTermDestination(j_compress_ptr) { }

struct CompressJob {
    jpeg_compress_struct cinfo;
    ErrorManager err;
    BufferDestination dest;
    JpegCompressParams params;
    const std::uint8_t *firstRow;
    std::ptrdiff_t rowStep;
    int width;
    int height;
};

bool compressProtected(CompressJob &job)
{
    jpeg_compress_struct &cinfo = job.cinfo;
    if (setjmp(job.err.jump))
        return false;
    jpeg_create_compress(&cinfo);
    job.dest.pub.init_destination = onInitDestination;
    job.dest.pub.empty_output_buffer = onEmptyDestination;
    job.dest.pub.term_destination = onTermDestination;
    cinfo.dest = &job.dest.pub;

    cinfo.image_width = JDIMENSION(job.width);
    cinfo.image_height = JDIMENSION(job.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR; // the rows' byte order, no reordering
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, job.params.quality, TRUE);
    if (job.params.grayscale)
        jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    // jpeg_set_defaults allocated all MAX_COMPONENTS entries.
    for (int i = 0; i < MAX_COMPONENTS; ++i) {
        if (!job.params.horzSubsampling)
            cinfo.comp_info[i].h_samp_factor = 1;
        if (!job.params.vertSubsampling)
            cinfo.comp_info[i].v_samp_factor = 1;
    }
    if (job.params.progressive)
        jpeg_simple_progression(&cinfo);

    jpeg_start_compress(&cinfo, TRUE);
    JSAMPROW rows[kBatchRows];
    while (cinfo.next_scanline < cinfo.image_height) {
        const JDIMENSION first = cinfo.next_scanline;
        JDIMENSION count = 0;
        for (; count < kBatchRows && first + count < cinfo.image_height; ++count)
            rows[count] = const_cast<JSAMPROW>(job.firstRow + std::ptrdiff_t(first + count) * job.rowStep);
        jpeg_write_scanlines(&cinfo, rows, count);
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

} // namespace

JpegCompressResult CompressJpeg(const std::uint8_t *firstRow, std::ptrdiff_t rowStep, int width, int height,
    const JpegCompressParams &params, std::vector<std::uint8_t> &out, std::size_t maxBytes)
{
    out.clear();
    // Heap-allocated: the codec structures are a few kB and the job must not move.
    std::unique_ptr<CompressJob> job(new CompressJob {});
    job->params = params;
    job->firstRow = firstRow;
    job->rowStep = rowStep;
    job->width = width;
    job->height = height;
    job->dest.maxBytes = maxBytes;
    job->cinfo.err = jpeg_std_error(&job->err.pub);
    job->err.pub.error_exit = onCompressorErrorExit;
    job->err.pub.emit_message = onCompressorMessage;
    job->err.pub.output_message = onCompressorOutput;
    JpegCompressResult result;
    result.ok = compressProtected(*job);
    result.messageCode = job->err.pub.msg_code;
    jpeg_destroy_compress(&job->cinfo);
    if (result.ok) {
        const std::size_t size = job->dest.capacity - job->dest.pub.free_in_buffer;
        try {
            out.assign(job->dest.data, job->dest.data + size);
        } catch (...) {
            std::free(job->dest.data);
            throw;
        }
    }
    std::free(job->dest.data);
    return result;
}
