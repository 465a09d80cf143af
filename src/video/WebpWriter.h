#pragma once

#include "video/AnimationWriter.h"

#include <memory>
#include <string>

struct WebPAnimEncoder;

// An animated WebP that loops for ever, lossy or lossless, made by libwebp's
// WebPAnimEncoder (which stores only what changed between frames). The
// encoded frames stay in memory until finish() assembles and writes the file.
class WebpWriter : public AnimationWriter {
public:
    // Throws AnimationError when libwebp refuses the size or settings or the
    // temporary file cannot be created.
    WebpWriter(std::string path, const AnimationParams &params);
    ~WebpWriter() override;

    void addFrame(const Bitmap24 &frame) override;
    std::string finish(const VideoPublishing &publishing) override;
    std::int64_t framesWritten() const override { return m_frames; }

private:
    [[noreturn]] void fail(const std::string &reason);
    std::int64_t timestamp(std::int64_t frame) const; // milliseconds

    std::string m_path;
    AnimationParams m_params;
    std::unique_ptr<AtomicFile> m_file;
    WebPAnimEncoder *m_encoder = nullptr;
    std::int64_t m_frames = 0;
    bool m_failed = false;
};
