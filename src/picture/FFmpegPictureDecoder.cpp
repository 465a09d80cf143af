#include "picture/FFmpegPictureDecoder.h"

#include "common/Bitmap24.h"
#include "common/MappedFile.h"
#include "platform/FFmpegObjects.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include <cstring>
#include <memory>

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

bool convertFrame(const AVFrame *frame, Bitmap24 &target)
{
    const auto format = AVPixelFormat(frame->format);
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(format);
    if (!desc || frame->width <= 0 || frame->height <= 0 || !Bitmap24::sizeAllowed(frame->width, frame->height))
        return false;
    const bool alpha = (desc->flags & AV_PIX_FMT_FLAG_ALPHA) != 0;
    const int w = frame->width, h = frame->height;
    SwsPtr sws(sws_getContext(w, h, format, w, h, alpha ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24,
        SWS_BICUBIC | SWS_FULL_CHR_H_INT | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
    if (!sws || !target.resize(w, h))
        return false;
    if (!alpha) {
        std::uint8_t *dst[4] = { target.bits(), nullptr, nullptr, nullptr };
        int dstStride[4] = { int(target.stride()), 0, 0, 0 };
        return sws_scale(sws.get(), frame->data, frame->linesize, 0, h, dst, dstStride) == h;
    }
    // Composite on black through a 32-bit copy.
    const std::size_t rowBytes = std::size_t(w) * 4;
    std::unique_ptr<std::uint8_t[]> bgra(new (std::nothrow) std::uint8_t[rowBytes * std::size_t(h)]);
    if (!bgra)
        return false;
    std::uint8_t *dst[4] = { bgra.get(), nullptr, nullptr, nullptr };
    int dstStride[4] = { int(rowBytes), 0, 0, 0 };
    if (sws_scale(sws.get(), frame->data, frame->linesize, 0, h, dst, dstStride) != h)
        return false;
    for (int y = 0; y < h; ++y) {
        const std::uint8_t *s = bgra.get() + rowBytes * std::size_t(y);
        std::uint8_t *d = target.scanLine(y);
        for (int x = 0; x < w; ++x, s += 4, d += 3) {
            const unsigned a = s[3];
            d[0] = std::uint8_t((s[0] * a + 127) / 255);
            d[1] = std::uint8_t((s[1] * a + 127) / 255);
            d[2] = std::uint8_t((s[2] * a + 127) / 255);
        }
    }
    return true;
}

} // namespace

bool decodeWithFFmpeg(const std::string &fileName, const char *decoderName, Bitmap24 &target)
{
    target.clear();
    ffmpeg::quietLogs();
    const AVCodec *codec = avcodec_find_decoder_by_name(decoderName);
    if (!codec)
        return false;
    MappedFile file(fileName);
    if (!file.isOpen() || file.size() == 0 || file.size() > std::size_t(INT32_MAX - AV_INPUT_BUFFER_PADDING_SIZE))
        return false;

    CodecContextPtr context(avcodec_alloc_context3(codec));
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    if (!context || !packet || !frame)
        return false;
    context->max_pixels = Bitmap24::kMaxPixels; // the decoder checks before allocating
    if (avcodec_open2(context.get(), codec, nullptr) < 0)
        return false;
    // The decoder needs zeroed padding after the data, so the bytes are copied.
    if (av_new_packet(packet.get(), int(file.size())) < 0)
        return false;
    std::memcpy(packet->data, file.data(), file.size());

    if (!receiveFirstFrame(context.get(), packet.get(), frame.get()) || !convertFrame(frame.get(), target)) {
        target.clear();
        return false;
    }
    return true;
}
