#pragma once

#include "video/FFmpegObjects.h"
#include "video/PaletteDither.h"

#include <cstdint>
#include <deque>
#include <memory>

class OrderedPipeline;
struct FrameRows;

// The frames of a GIF, dithered onto its one palette on every core and
// taken back in their order as 8-bit palette frames (entry 255 free and
// transparent: the GIF encoder's "unchanged" colour). The indices are the
// same whatever the threads do.
class PaletteFrames {
public:
    PaletteFrames(GifPalette palette, float strength);
    ~PaletteFrames();
    PaletteFrames(const PaletteFrames &) = delete;
    PaletteFrames &operator=(const PaletteFrames &) = delete;

    // Copies the frame's rows for a worker; a negative FFmpeg code on failure.
    int send(const FrameRows &frame, std::int64_t pts);
    // The next frame dithered, in order: null while it is not ready (wait
    // false) or when none is pending. error receives a failure's code.
    ffmpeg::FramePtr take(bool wait, int &error);
    // Gives up the frames no worker has started.
    void drop();

private:
    struct Pending;
    PaletteDither m_dither;
    std::deque<std::unique_ptr<Pending>> m_pending; // in frame order
    std::unique_ptr<OrderedPipeline> m_pipeline; // destroyed first: its jobs use the above
};
