#include "FFmpegTestEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/pixdesc.h>
}

#include <map>
#include <memory>
#include <stdexcept>

namespace {

struct Freer {
    void operator()(AVCodecContext *c) const { avcodec_free_context(&c); }
    void operator()(AVFrame *f) const { av_frame_free(&f); }
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};

void check(bool ok, const char *what)
{
    if (!ok)
        throw std::runtime_error(std::string("test encoder: ") + what);
}

} // namespace

std::vector<std::uint8_t> encodeStill(
    const Bitmap24 &bitmap, const std::string &encoder, const std::string &pixelFormat)
{
    const AVCodec *codec = avcodec_find_encoder_by_name(encoder.c_str());
    check(codec, "no such encoder");
    std::unique_ptr<AVCodecContext, Freer> context(avcodec_alloc_context3(codec));
    std::unique_ptr<AVFrame, Freer> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, Freer> packet(av_packet_alloc());
    const AVPixelFormat format = av_get_pix_fmt(pixelFormat.c_str());
    check(context && frame && packet && format != AV_PIX_FMT_NONE, "allocation");
    context->width = bitmap.width();
    context->height = bitmap.height();
    context->pix_fmt = format;
    context->time_base = { 1, 25 };
    check(avcodec_open2(context.get(), codec, nullptr) >= 0, "avcodec_open2");
    frame->width = bitmap.width();
    frame->height = bitmap.height();
    frame->format = format;
    check(av_frame_get_buffer(frame.get(), 0) >= 0, "av_frame_get_buffer");

    std::map<std::uint32_t, int> palette;
    for (int y = 0; y < bitmap.height(); ++y) {
        const std::uint8_t *src = bitmap.scanLine(y);
        std::uint8_t *dst = frame->data[0] + std::ptrdiff_t(y) * frame->linesize[0];
        for (int x = 0; x < bitmap.width(); ++x) {
            const std::uint8_t b = src[3 * x], g = src[3 * x + 1], r = src[3 * x + 2];
            if (format == AV_PIX_FMT_RGB24) {
                dst[3 * x] = r, dst[3 * x + 1] = g, dst[3 * x + 2] = b;
            } else if (format == AV_PIX_FMT_BGR24) {
                dst[3 * x] = b, dst[3 * x + 1] = g, dst[3 * x + 2] = r;
            } else if (format == AV_PIX_FMT_PAL8) {
                const std::uint32_t argb = 0xFF000000u | std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | b;
                auto it = palette.find(argb);
                if (it == palette.end()) {
                    check(palette.size() < 256, "more than 256 colours");
                    it = palette.emplace(argb, int(palette.size())).first;
                    reinterpret_cast<std::uint32_t *>(frame->data[1])[it->second] = argb;
                }
                dst[x] = std::uint8_t(it->second);
            } else {
                check(false, "unsupported pixel format");
            }
        }
    }
    check(avcodec_send_frame(context.get(), frame.get()) >= 0, "avcodec_send_frame");
    avcodec_send_frame(context.get(), nullptr);
    check(avcodec_receive_packet(context.get(), packet.get()) >= 0, "avcodec_receive_packet");
    std::vector<std::uint8_t> bytes(packet->data, packet->data + packet->size);
    if (encoder == "gif" && (bytes.empty() || bytes.back() != 0x3B))
        bytes.push_back(0x3B); // the trailer is the muxer's job
    return bytes;
}
