#pragma once

#include "video/AnimationWriter.h"

#include <memory>
#include <string>

// Which container and encoder a muxed video file is made with.
struct MuxedVideoFormat {
    const char *muxer = "mp4"; // libavformat's name: mp4, webm, matroska
    const char *encoder = "libx264"; // libavcodec's name
    std::string preset; // the encoder's speed preset; empty: its default
};

// A video file through libavformat and libavcodec: H.264, H.265 or AV1 in
// MP4 (4:2:0, colour tagged, index at the front so browsers can start
// before the end has arrived), VP9 or AV1 in WebM, FFV1 (lossless RGB, the
// exact frames) in Matroska. A key frame every keyInterval frames exactly
// when one is asked for. The file is written without a visible name and put
// in place by finish().
class MuxedVideoWriter : public AnimationWriter {
public:
    // Opens the encoder and writes the header; throws AnimationError with
    // the encoder's or the system's reason.
    MuxedVideoWriter(std::string path, const AnimationParams &params, const MuxedVideoFormat &format);
    ~MuxedVideoWriter() override;

    void addFrame(const Bitmap24 &frame) override;
    std::string finish(const VideoPublishing &publishing) override;
    std::int64_t queuedFrames() const override;
    std::int64_t framesWritten() const override;

private:
    struct Codec;
    [[noreturn]] void fail(const std::string &step, int code);
    void drain();
    void sendFrame(); // the converted frame to the encoder

    std::string m_path;
    AnimationParams m_params;
    std::unique_ptr<AtomicFile> m_file;
    std::unique_ptr<Codec> m_codec;
    std::int64_t m_frames = 0;
    bool m_failed = false;
};
