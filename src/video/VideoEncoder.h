#pragma once

#include "video/FFmpegObjects.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class JpegFramePipeline;

// What a compressor is asked for. Quality runs from 0 (smallest) to 10000
// (best); kDefaultQuality, or any value above 10000, keeps the encoder's own
// default.
struct EncoderParams {
    static constexpr std::uint32_t kDefaultQuality = 0xFFFFFFFF;

    int width = 0;
    int height = 0;
    std::uint32_t rate = 25; // frames per second = rate / scale
    std::uint32_t scale = 1;
    std::uint32_t keyFrameEvery = 1; // 0: the encoder's default
    std::uint32_t quality = kDefaultQuality;
    std::uint32_t bytesPerSecond = 0; // non-zero: this data rate instead of the quality
    // Intra-only compressors encode one frame of this size and decode it
    // back when opened: some take a size and write frames nothing decodes.
    bool checkDecodes = true;
};

// The pixel format our 24-bit frames are converted to for this encoder: for a
// lossless codec the cheapest RGB format it takes (decoding gives back the
// exact pixels); otherwise its own preferred format, skipping formats whose
// chroma subsampling does not divide the frame size.
AVPixelFormat encoderPixelFormat(const AVCodec *codec, int width, int height);

// True when the encoder has a quality setting that the 0..10000 quality maps onto.
bool encoderHasQuality(const AVCodec *codec);

// One video encoder fed with frames of 24-bit BGR rows, bottom row first: a
// libavcodec encoder behind a libswscale conversion, except MJPEG, which
// libjpeg-turbo makes from the rows directly (its SIMD colour conversion is
// several times faster). All calls stay on the caller's thread; the encoder
// may run threads of its own.
class VideoEncoder {
public:
    VideoEncoder();
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder &) = delete;
    VideoEncoder &operator=(const VideoEncoder &) = delete;

    // False when the encoder refuses the parameters (size, rate...);
    // refusal() then says why in words ("needs an even width and height").
    bool open(const AVCodec *codec, const EncoderParams &params);
    const std::string &refusal() const { return m_refusal; }
    const AVCodecContext *context() const { return m_context.get(); }

    // Converts and sends one frame of height rows: bottomRow, then each row
    // above it pitch bytes on (negative for a bitmap stored top row first).
    // A negative FFmpeg error code on failure.
    int send(const std::uint8_t *bottomRow, std::ptrdiff_t pitch, std::int64_t pts, bool keyFrame);
    // Ends the stream so that the delayed packets come out.
    int flush();
    // Gives up the frames still queued: closing then does not wait for them.
    void dropQueued();
    // 0 and the next packet, AVERROR(EAGAIN) when the encoder needs more
    // frames, AVERROR_EOF after the last packet, another negative code on failure.
    int receive(AVPacket *packet);

private:
    bool openJpeg(const AVCodec *codec, const EncoderParams &params);
    bool refuse(std::string reason);

    ffmpeg::CodecContextPtr m_context;
    ffmpeg::SwsPtr m_sws;
    ffmpeg::FramePtr m_frame;
    std::unique_ptr<JpegFramePipeline> m_jpeg; // MJPEG: m_context only describes the stream
    bool m_flushed = false;
    std::string m_refusal;
};

// Opens the encoder at a small size and encodes one frame: true when that
// works. ownTag receives the four-character code the encoder chose for itself
// (some choose one per pixel format), 0 when it leaves that to the muxer.
bool probeEncoder(const AVCodec *codec, std::uint32_t &ownTag);
