#pragma once

// Owners for the FFmpeg objects the program creates, and the few places where
// FFmpeg versions differ. Each owner frees its object with the matching FFmpeg
// call; none can be copied.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

namespace ffmpeg {

struct CodecContextFree {
    void operator()(AVCodecContext *c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame *f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket *p) const { av_packet_free(&p); }
};
struct SwsFree {
    void operator()(SwsContext *s) const { sws_freeContext(s); }
};
struct FormatContextFree {
    // Output contexts only: the I/O context is owned separately.
    void operator()(AVFormatContext *f) const { avformat_free_context(f); }
};
struct InputFormatClose {
    // Input contexts: closes the file too.
    void operator()(AVFormatContext *f) const { avformat_close_input(&f); }
};
struct IoContextFree {
    void operator()(AVIOContext *io) const
    {
        av_freep(&io->buffer); // may have been reallocated by FFmpeg
        avio_context_free(&io);
    }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using SwsPtr = std::unique_ptr<SwsContext, SwsFree>;
using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextFree>;
using IoContextPtr = std::unique_ptr<AVIOContext, IoContextFree>;
using InputFormatPtr = std::unique_ptr<AVFormatContext, InputFormatClose>;

// The write callback of a custom I/O context takes a const buffer from
// libavformat 61 on.
#if LIBAVFORMAT_VERSION_MAJOR >= 61
using IoWriteBuffer = const std::uint8_t *;
#else
using IoWriteBuffer = std::uint8_t *;
#endif

// The encoder's pixel formats, ending with AV_PIX_FMT_NONE; null when the
// encoder does not say.
inline const AVPixelFormat *supportedPixelFormats(const AVCodec *codec)
{
#if LIBAVCODEC_VERSION_INT >= AV_VERSION_INT(61, 13, 100)
    const void *formats = nullptr;
    if (avcodec_get_supported_config(nullptr, codec, AV_CODEC_CONFIG_PIX_FORMAT, 0, &formats, nullptr) < 0)
        return nullptr;
    return static_cast<const AVPixelFormat *>(formats);
#else
    return codec->pix_fmts;
#endif
}

// Asks the encoder for an intra frame, or leaves the choice to it.
inline void requestKeyFrame(AVFrame *frame, bool key)
{
    frame->pict_type = key ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
#if LIBAVUTIL_VERSION_INT >= AV_VERSION_INT(58, 7, 100)
    frame->flags = key ? frame->flags | AV_FRAME_FLAG_KEY : frame->flags & ~AV_FRAME_FLAG_KEY;
#else
    frame->key_frame = key;
#endif
}

// FFmpeg's text for an error code ("No space left on device").
std::string errorText(int code);

// The FFmpeg code for what a worker's job threw: AVERROR(ENOMEM) for a lack
// of memory, AVERROR(EINVAL) for anything else (a job dropped before it ran).
int errorOf(std::exception_ptr thrown);

// Sends FFmpeg's warnings and errors to the program's log (quiet unless
// verbose) instead of standard error. Idempotent.
void routeLogs();

// Keeps the first error FFmpeg reports on this thread while it lives, so
// that a refusal can be told in the library's own words ("width must be a
// multiple of 4"). Not nested.
class ErrorCapture {
public:
    ErrorCapture();
    ~ErrorCapture();
    ErrorCapture(const ErrorCapture &) = delete;
    ErrorCapture &operator=(const ErrorCapture &) = delete;
    std::string last() const;
};

} // namespace ffmpeg
