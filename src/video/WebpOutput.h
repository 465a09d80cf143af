#pragma once

#include "video/VideoOutput.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

class AtomicFile;
class OrderedPipeline;

// An animated WebP that loops for ever, lossy or lossless. Every frame is
// kept, as a picture of its own: each is coded by libwebp on the worker
// threads (WebPEncode) and the animation assembled by WebPMux when the
// output finishes (libwebp's animation encoder would merge frames that look
// alike, and a file would not hold the frames it was given). The coded
// frames stay in memory until then.
class WebpOutput : public VideoOutput {
public:
    // Throws VideoError when libwebp refuses the settings.
    WebpOutput(const std::string &target, const VideoOutputSettings &outputSettings);
    ~WebpOutput() override;

    void writeFrame(const FrameRows &frame) override;
    std::int64_t queuedFrames() const override;
    std::int64_t framesInFile() const override { return std::int64_t(m_coded.size()); }
    PublishedVideo finish(const VideoPublishing &publishing) override;
    void abandon() override;

private:
    struct Pending;
    void takeCoded(bool wait);
    [[noreturn]] void fail(VideoError::Reason reason, const std::string &cause);

    std::string m_target;
    VideoOutputSettings m_outputSettings;
    std::unique_ptr<AtomicFile> m_file;
    std::vector<std::vector<std::uint8_t>> m_coded; // in frame order
    std::deque<std::unique_ptr<Pending>> m_pending;
    std::unique_ptr<OrderedPipeline> m_pipeline; // destroyed first: its jobs use the above
    bool m_failed = false;
    bool m_done = false;
};

// libwebp's refusal of the settings; empty when it takes them.
std::string WebpSettingsRefusal(const VideoOutputSettings &outputSettings);
