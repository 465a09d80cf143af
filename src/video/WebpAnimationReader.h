#pragma once

#include "common/InputFile.h"
#include "video/VideoFrameSource.h"

#include <cstdint>
#include <string>

struct WebPAnimDecoder;

// An animated (or still) WebP file decoded by libwebp's WebPAnimDecoder:
// FFmpeg 5.1 reads only still WebP pictures. The whole file is held in
// memory while it plays. The rate is the frames over the sum of their
// durations; frames with alpha are composited on black.
class WebpAnimationReader : public VideoFrameSource {
public:
    explicit WebpAnimationReader(std::string path);
    ~WebpAnimationReader() override;
    WebpAnimationReader(const WebpAnimationReader &) = delete;
    WebpAnimationReader &operator=(const WebpAnimationReader &) = delete;

    const std::string &path() const override { return m_path; }
    int width() const override { return m_width; }
    int height() const override { return m_height; }
    double frameRate() const override { return m_rate; }
    std::int64_t frameCount() const override { return m_count; }
    std::int64_t nextFrame() const override { return m_next; }
    bool readFrame(Bitmap24 &frame) override;
    void seekFrame(std::int64_t index) override;

private:
    [[noreturn]] void fail(const std::string &cause) const;
    const std::uint8_t *decodeNext(); // the canvas of frame m_next, premultiplied bgrA

    std::string m_path;
    FileBytes m_bytes;
    WebPAnimDecoder *m_decoder = nullptr;
    int m_width = 0;
    int m_height = 0;
    double m_rate = 0;
    std::int64_t m_count = 0;
    std::int64_t m_next = 0;
};
