#include "picture/FFmpegPictureDecoder.h"

#include "common/Bitmap24.h"
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

extern "C" void keepBytes(void *, std::uint8_t *) { } // the caller owns them

} // namespace

bool decodeWithFFmpeg(const std::uint8_t *data, std::size_t size, const char *decoderName, Bitmap24 &target,
    PictureLoadResult &result, const CancelCheck &cancelled)
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
    context->max_pixels = Bitmap24::kMaxPixels; // the decoder checks before allocating
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
