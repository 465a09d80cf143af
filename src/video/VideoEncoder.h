#pragma once

#include "video/EncoderDescription.h"
#include "video/FFmpegObjects.h"
#include "video/GifPalette.h"
#include "video/VideoFormats.h"

#include <cstdint>
#include <memory>
#include <string>

class JpegFramePipeline;
class PaletteFrames;
struct FrameRows;

// What an encoder is asked for, whatever the container.
struct EncoderSettings {
    int width = 0;
    int height = 0;
    VideoRate rate;
    double quality = 75; // 0..100 (QualityScale.h); negative: the encoder's default
    int keyInterval = 0; // a key frame every N frames exactly; 0: the encoder's choice
    std::int64_t bytesPerSecond = 0; // non-zero: this data rate instead of the quality
    std::int64_t maxBitsPerSecond = 0; // non-zero: the quality, under this ceiling (a buffer of two seconds)
    std::string preset; // empty: the encoder's default
    bool globalHeader = false; // the muxer wants the stream's header apart (AV_CODEC_FLAG_GLOBAL_HEADER)
    bool reorder = true; // frames may come out of order (B-frames); false: packet n is frame n
    GifPalette palette; // GIF: the colours the frames are dithered onto
    float dither = 0; // GIF: the dithering strength
};

// The one libavcodec encoder set-up of every output: the description's pixel
// route, quality setting, preset and parameters, the colours tagged (BT.709,
// limited range, chroma at the centre where we convert to 4:2:0). Frames go
// in as 24-bit rows; packets come out in the encoder's order, in its time
// base (1 / rate: one tick a frame). All calls stay on one thread at a time;
// the encoder may run threads of its own.
class VideoEncoder {
public:
    // Opens the encoder; throws VideoError (EncoderRefuses, Settings) with
    // the encoder's refusal in words.
    VideoEncoder(const EncoderDescription &encoder, const EncoderSettings &settings);
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder &) = delete;
    VideoEncoder &operator=(const VideoEncoder &) = delete;

    const AVCodecContext *context() const { return m_context.get(); }
    const EncoderDescription &description() const { return m_description; }

    // Converts and sends one frame; a negative FFmpeg code on failure.
    int send(const FrameRows &frame, std::int64_t pts, bool keyFrame);
    // Ends the stream so that the delayed packets come out.
    int flush();
    // Gives up the frames still queued: closing then does not wait for them.
    void dropQueued();
    // 0 and the next packet, AVERROR(EAGAIN) when the encoder needs more
    // frames, AVERROR_EOF after the last packet, another negative code on failure.
    int receive(AVPacket *packet);

private:
    int convert(const FrameRows &frame);
    int feedDithered(bool wait);

    EncoderDescription m_description;
    PixelRoute m_route = PixelRoute::Swscale;
    ffmpeg::CodecContextPtr m_context;
    ffmpeg::SwsPtr m_sws;
    ffmpeg::FramePtr m_frame;
    ffmpeg::FramePtr m_source; // our rows, lent to the converter
    std::unique_ptr<JpegFramePipeline> m_jpeg; // MJPEG: m_context only describes the stream
    std::unique_ptr<PaletteFrames> m_palette; // GIF: frames dithered before the encoder
    std::int64_t m_framesSent = 0;
    bool m_flushed = false;
    bool m_endSent = false; // the encoder was told the stream ends
};

// Opens the encoder at a small size and encodes one frame: true when that
// works. ownTag receives the four-character code the encoder chose for itself
// (some choose one per pixel format), 0 when it leaves that to the muxer.
bool ProbeEncoder(const EncoderDescription &encoder, std::uint32_t &ownTag);
