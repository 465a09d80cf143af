#pragma once

#include "video/AnimationWriter.h"
#include "video/PaletteDither.h"

#include <deque>
#include <memory>
#include <string>

class OrderedPipeline;

// An animated GIF that loops for ever: one global palette for the whole
// animation (GifPalette.h), Floyd-Steinberg dithering onto it, and frames
// coded by FFmpeg's GIF encoder, which stores only the rectangle that
// changed and marks unchanged pixels transparent. The delay between frames
// is 1/rate s, rounded to the GIF's hundredths. Frames are dithered on
// every core, each on its own, and coded in their order: the file is the
// same whatever the threads do.
class GifWriter : public AnimationWriter {
public:
    // Opens path's temporary file. Throws AnimationError.
    GifWriter(std::string path, const AnimationParams &params, GifPalette palette);
    ~GifWriter() override;

    void addFrame(const Bitmap24 &frame) override;
    std::string finish(const VideoPublishing &publishing) override;
    std::int64_t framesWritten() const override { return m_frames; }

    // The dithering strength and libimagequant quality a quality 0..100 gives.
    static float DitherFor(int quality);

private:
    struct Codec;
    struct Pending; // a frame handed to the dithering threads
    void drain();
    void encodeDithered(bool wait);

    std::string m_path;
    AnimationParams m_params;
    std::unique_ptr<AtomicFile> m_file;
    std::unique_ptr<Codec> m_codec;
    PaletteDither m_dither;
    std::int64_t m_frames = 0; // coded
    std::int64_t m_handed = 0; // handed in
    bool m_failed = false;
    std::deque<std::unique_ptr<Pending>> m_pending; // in frame order
    std::unique_ptr<OrderedPipeline> m_pipeline; // destroyed first: its jobs use the above
};
