#include "video/PaletteFrames.h"

#include "common/Bitmap24.h"
#include "common/OrderedPipeline.h"
#include "video/VideoOutput.h"

#include <cstring>
#include <new>

struct PaletteFrames::Pending {
    Bitmap24 pixels; // the frame, until dithered
    ffmpeg::FramePtr indices;
};

namespace {

// Frames waiting for a dithering thread, at most; a frame and its indices
// are 4 bytes a pixel.
constexpr std::size_t kBytesInFlight = std::size_t(64) << 20;

} // namespace

PaletteFrames::PaletteFrames(GifPalette palette, float strength)
    : m_dither(std::move(palette), strength)
    , m_pipeline(std::make_unique<OrderedPipeline>(OrderedPipeline::defaultWorkers(), kBytesInFlight))
{
}

PaletteFrames::~PaletteFrames()
{
    m_pipeline.reset(); // its jobs write into m_pending
}

int PaletteFrames::send(const FrameRows &frame, std::int64_t pts)
{
    try {
        auto pending = std::make_unique<Pending>();
        pending->indices.reset(av_frame_alloc());
        AVFrame *out = pending->indices.get();
        if (!out || !pending->pixels.resize(frame.width, frame.height))
            return AVERROR(ENOMEM);
        for (int y = 0; y < frame.height; ++y)
            std::memcpy(pending->pixels.scanLine(y), frame.top + y * frame.pitch, std::size_t(frame.width) * 3);
        out->format = AV_PIX_FMT_PAL8;
        out->width = frame.width;
        out->height = frame.height;
        if (const int e = av_frame_get_buffer(out, 0); e < 0)
            return e;
        auto *colours = reinterpret_cast<std::uint32_t *>(out->data[1]);
        const std::vector<GifPaletteColour> &palette = m_dither.palette().colours;
        for (std::size_t i = 0; i < 256; ++i) {
            const GifPaletteColour p = i < palette.size() ? palette[i] : GifPaletteColour {};
            colours[i] = 0xFF000000u | std::uint32_t(p.r) << 16 | std::uint32_t(p.g) << 8 | p.b;
        }
        colours[255] = 0; // free, fully transparent: the encoder's "unchanged" colour
        out->pts = pts;
        Pending *state = pending.get();
        m_pending.push_back(std::move(pending));
        const std::size_t bytes = state->pixels.byteCount() + std::size_t(out->linesize[0]) * std::size_t(out->height);
        m_pipeline->submit(bytes, [this, state] {
            AVFrame *indices = state->indices.get();
            m_dither.remap(state->pixels, indices->data[0], std::size_t(indices->linesize[0]));
            state->pixels.clear();
        });
        return 0;
    } catch (const std::bad_alloc &) {
        return AVERROR(ENOMEM);
    }
}

ffmpeg::FramePtr PaletteFrames::take(bool wait, int &error)
{
    error = 0;
    const std::optional<OrderedPipeline::Finished> finished = m_pipeline->takeNext(wait);
    if (!finished)
        return nullptr;
    const std::unique_ptr<Pending> pending = std::move(m_pending.front());
    m_pending.pop_front();
    if (finished->error) {
        error = ffmpeg::errorOf(finished->error);
        return nullptr;
    }
    return std::move(pending->indices);
}

void PaletteFrames::drop()
{
    m_pipeline->dropQueued();
}
