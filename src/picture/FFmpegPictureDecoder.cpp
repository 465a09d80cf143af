#include "picture/FFmpegPictureDecoder.h"

#include "common/Bitmap24.h"
#include "common/DecodeBudget.h"
#include "common/MemoryBudget.h"
#include "picture/LibraryMessages.h"
#include "video/FFmpegObjects.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace {

using ffmpeg::CodecContextPtr;
using ffmpeg::FramePtr;
using ffmpeg::PacketPtr;
using ffmpeg::SwsPtr;

bool receiveFirstFrame(AVCodecContext *context, AVPacket *packet, AVFrame *frame)
{
    if (avcodec_send_packet(context, packet) < 0)
        return false;
    if (avcodec_receive_frame(context, frame) == 0)
        return true;
    // Some decoders only deliver once they are flushed.
    avcodec_send_packet(context, nullptr);
    return avcodec_receive_frame(context, frame) == 0;
}

// The frame's rows from first on: the same planes, moved down (a palette
// plane stays as it is).
void planesFrom(const AVFrame *frame, const AVPixFmtDescriptor *desc, int first, const std::uint8_t *planes[4])
{
    for (int i = 0; i < 4; ++i) {
        planes[i] = frame->data[i];
        if (!planes[i] || ((desc->flags & AV_PIX_FMT_FLAG_PAL) && i == 1))
            continue;
        const bool chroma = (i == 1 || i == 2) && !(desc->flags & AV_PIX_FMT_FLAG_RGB);
        const int row = chroma ? first >> desc->log2_chroma_h : first;
        planes[i] += std::ptrdiff_t(row) * frame->linesize[i];
    }
}

bool convertFrame(const AVFrame *frame, Bitmap24 &target, PictureLoadResult &result, const CancelCheck &cancelled)
{
    const auto format = AVPixelFormat(frame->format);
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(format);
    result.width = frame->width;
    result.height = frame->height;
    if (!desc || frame->width <= 0 || frame->height <= 0) {
        result.error = PictureError::Damaged;
        return false;
    }
    if (!Bitmap24::sizeAllowed(frame->width, frame->height)) {
        result.error = PictureError::TooLarge;
        return false;
    }
    const bool alpha = (desc->flags & AV_PIX_FMT_FLAG_ALPHA) != 0;
    const int w = frame->width, h = frame->height;
    if (!target.resize(w, h)) {
        result.error = PictureError::OutOfMemory;
        return false;
    }
    result.error = PictureError::Damaged; // until the conversion succeeds
    if (!alpha) {
        SwsPtr sws(sws_getContext(w, h, format, w, h, AV_PIX_FMT_BGR24,
            SWS_BICUBIC | SWS_FULL_CHR_H_INT | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
        std::uint8_t *dst[4] = { target.bits(), nullptr, nullptr, nullptr };
        int dstStride[4] = { int(target.stride()), 0, 0, 0 };
        if (!sws || sws_scale(sws.get(), frame->data, frame->linesize, 0, h, dst, dstStride) != h)
            return false;
        result.error = PictureError::None;
        return true;
    }
    // Composite on black through a 32-bit band of rows, about 1 MB, never a
    // 32-bit copy of the whole picture. Bands keep to whole chroma rows.
    const int chromaRows = 1 << desc->log2_chroma_h;
    int band = std::max(1, int((std::int64_t(1) << 20) / (std::int64_t(w) * 4)));
    band = std::max(chromaRows, band / chromaRows * chromaRows);
    band = std::min(band, h);
    const std::size_t rowBytes = std::size_t(w) * 4;
    std::unique_ptr<std::uint8_t[]> bgra(new (std::nothrow) std::uint8_t[rowBytes * std::size_t(band)]);
    if (!bgra) {
        result.error = PictureError::OutOfMemory;
        return false;
    }
    SwsContext *sws = nullptr; // one context per band height (the last band may be shorter)
    SwsPtr owner;
    for (int first = 0; first < h; first += band) {
        if (cancelled && cancelled()) {
            result.error = PictureError::Interrupted;
            return false;
        }
        const int rows = std::min(band, h - first);
        sws = sws_getCachedContext(sws, w, rows, format, w, rows, AV_PIX_FMT_BGRA,
            SWS_BICUBIC | SWS_FULL_CHR_H_INT | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
        owner.release();
        owner.reset(sws);
        if (!sws)
            return false;
        const std::uint8_t *src[4];
        planesFrom(frame, desc, first, src);
        std::uint8_t *dst[4] = { bgra.get(), nullptr, nullptr, nullptr };
        int dstStride[4] = { int(rowBytes), 0, 0, 0 };
        if (sws_scale(sws, src, frame->linesize, 0, rows, dst, dstStride) != rows)
            return false;
        for (int y = 0; y < rows; ++y) {
            const std::uint8_t *s = bgra.get() + rowBytes * std::size_t(y);
            std::uint8_t *d = target.scanLine(first + y);
            for (int x = 0; x < w; ++x, s += 4, d += 3) {
                const unsigned a = s[3];
                d[0] = std::uint8_t((s[0] * a + 127) / 255);
                d[1] = std::uint8_t((s[1] * a + 127) / 255);
                d[2] = std::uint8_t((s[2] * a + 127) / 255);
            }
        }
    }
    result.error = PictureError::None;
    return true;
}

std::uint32_t bigEndian(const std::uint8_t *p, int bytes)
{
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | p[i];
    return v;
}

std::uint32_t littleEndian16(const std::uint8_t *p)
{
    return std::uint32_t(p[0] | p[1] << 8);
}

// The picture a header announces, its data unpacked and the best packing
// of the format; false when the header says nothing (then the decoder's
// own checks, within max_pixels, are all there is). A header cut short
// reads as FFmpeg reads it: zeros past the end.
bool announcedPicture(const std::string &codec, const std::uint8_t *data, std::size_t size, DecodePlan &plan)
{
    std::uint8_t d[512] = {};
    std::memcpy(d, data, std::min(size, sizeof d));
    std::uint64_t bytesPerRow = 0;
    if (codec == "targa") {
        plan.width = littleEndian16(d + 12);
        plan.height = littleEndian16(d + 14);
        bytesPerRow = std::uint64_t(plan.width) * ((d[16] + 7u) / 8);
        plan.mostUnpacked = d[2] & 8 ? 128 : 1; // RLE: 128 pixels from a count and one pixel
    } else if (codec == "pcx" && d[0] == 0x0A) {
        plan.width = std::int64_t(littleEndian16(d + 8)) - littleEndian16(d + 4) + 1;
        plan.height = std::int64_t(littleEndian16(d + 10)) - littleEndian16(d + 6) + 1;
        bytesPerRow = std::uint64_t(d[65]) * littleEndian16(d + 66);
        plan.mostUnpacked = d[2] == 1 ? 64 : 1; // RLE: 63 bytes from 2
    } else if (codec == "sgi" && bigEndian(d, 2) == 474) {
        plan.width = bigEndian(d + 6, 2);
        plan.height = bigEndian(d + 8, 2);
        bytesPerRow = std::uint64_t(plan.width) * std::max<std::uint32_t>(bigEndian(d + 10, 2), 1) * d[3];
        plan.mostUnpacked = d[2] == 1 ? 128 : 1; // RLE: 127 samples from 2 bytes
    } else if (codec == "psd" && std::memcmp(d, "8BPS", 4) == 0) {
        plan.height = bigEndian(d + 14, 4);
        plan.width = bigEndian(d + 18, 4);
        bytesPerRow = (std::uint64_t(plan.width) * bigEndian(d + 12, 2) * bigEndian(d + 22, 2) + 7) / 8;
        plan.mostUnpacked = 64; // PackBits: 128 bytes from 2, or none
    } else {
        return false;
    }
    plan.unpackedBytes = MultiplyCapped(bytesPerRow, std::uint64_t(std::max<std::int64_t>(plan.height, 0)));
    return true;
}

extern "C" void keepBytes(void *, std::uint8_t *) { } // the caller owns them

} // namespace

bool decodeWithFFmpeg(const std::uint8_t *data, std::size_t size, const char *decoderName, Bitmap24 &target,
    PictureLoadResult &result, const CancelCheck &cancelled, const LoadSizeChoice &keep)
{
    target.clear();
    RouteLibraryMessages();
    const AVCodec *codec = avcodec_find_decoder_by_name(decoderName);
    if (!codec) {
        result.error = PictureError::UnknownFormat;
        return false;
    }
    result.error = PictureError::Damaged;
    if (size == 0 || size > std::size_t(INT_MAX - AV_INPUT_BUFFER_PADDING_SIZE))
        return false;
    static_assert(FileBytes::kPadding >= AV_INPUT_BUFFER_PADDING_SIZE);

    CodecContextPtr context(avcodec_alloc_context3(codec));
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    if (!context || !packet || !frame) {
        result.error = PictureError::OutOfMemory;
        return false;
    }
    // The decoder's frame (up to 8 bytes a pixel: 16-bit samples with
    // alpha) and the conversion's rows; it refuses a frame larger than the
    // header announced, or, without one, than the memory there is now.
    DecodePlan plan;
    if (announcedPicture(decoderName, data, size, plan)) {
        result.width = plan.width;
        result.height = plan.height;
        if (plan.width <= 0 || plan.height <= 0)
            return false;
        if (!Bitmap24::sizeAllowed(plan.width, plan.height)) {
            result.error = PictureError::TooLarge;
            return false;
        }
        plan.workBytes = std::uint64_t(plan.width + 128) * std::uint64_t(plan.height + 128) * 8
            + std::uint64_t(plan.width) * 64 + (std::uint64_t(1) << 20);
        if (!AcceptPlan(plan, size, result, keep))
            return false;
        // FFmpeg counts the rows padded to its alignment.
        context->max_pixels = (plan.width + 128) * (plan.height + 128);
    } else {
        context->max_pixels = std::int64_t(std::min<std::uint64_t>(AvailableMemory() / 16, INT64_MAX));
    }
    if (avcodec_open2(context.get(), codec, nullptr) < 0)
        return false;
    // The packet refers to the caller's bytes, padding included: no copy.
    packet->buf = av_buffer_create(const_cast<std::uint8_t *>(data), int(size + AV_INPUT_BUFFER_PADDING_SIZE),
        keepBytes, nullptr, AV_BUFFER_FLAG_READONLY);
    if (!packet->buf) {
        result.error = PictureError::OutOfMemory;
        return false;
    }
    packet->data = packet->buf->data;
    packet->size = int(size);

    if (cancelled && cancelled()) {
        result.error = PictureError::Interrupted;
        return false;
    }
    if (!receiveFirstFrame(context.get(), packet.get(), frame.get())
        || !convertFrame(frame.get(), target, result, cancelled)) {
        target.clear();
        if (result.error == PictureError::None)
            result.error = PictureError::Damaged;
        return false;
    }
    return true;
}

bool decodeWithFFmpeg(const std::string &fileName, const char *decoderName, Bitmap24 &target)
{
    const FileBytes bytes(fileName);
    PictureLoadResult result;
    return bytes.isOpen() && decodeWithFFmpeg(bytes.data(), bytes.size(), decoderName, target, result);
}
