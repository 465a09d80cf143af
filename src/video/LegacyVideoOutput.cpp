// Transitional: the video output over the writers of before, until the one
// output lands. Not to be merged.
#include "common/Bitmap24.h"
#include "video/AviFileService.h"
#include "video/AviWriter.h"
#include "video/GifPalette.h"
#include "video/GifWriter.h"
#include "video/MuxedVideoWriter.h"
#include "video/QualityScale.h"
#include "video/VideoCompressors.h"
#include "video/VideoOutput.h"
#include "video/WebpWriter.h"

#include <cerrno>
#include <climits>
#include <cstring>

FrameRows FrameRows::of(const Bitmap24 &picture)
{
    return { picture.bits(), std::ptrdiff_t(picture.stride()), picture.width(), picture.height() };
}

namespace {

std::string codeName(std::uint32_t handler)
{
    return "'" + fourccText(handler) + "'";
}

class AviOutput : public VideoOutput {
public:
    AviOutput(const std::string &target, const VideoOutputSpec &spec)
    {
        VideoFrameFormat format;
        format.width = spec.width;
        format.height = spec.height;
        format.rate = spec.rate.num;
        format.scale = spec.rate.den;
        VideoCodecChoice codec;
        codec.handler = spec.aviCompressor;
        codec.quality = spec.quality < 0 ? VideoCodecChoice::kDefaultQuality : std::uint32_t(spec.quality * 100 + 0.5);
        codec.keyFrameEvery = std::uint32_t(spec.keyInterval);
        codec.bytesPerSecond = std::uint32_t(spec.bytesPerSecond);
        if (spec.aviCompressor && spec.aviCompressor != comptypeDIB && !FindVideoCompressor(spec.aviCompressor))
            throw VideoError(VideoError::Reason::NoEncoder, "no compressor " + codeName(spec.aviCompressor));
        if (!m_writer.open(target, format, codec)) {
            const std::string &why = m_writer.failure();
            if (why.rfind("the compressor", 0) == 0 || why.rfind("no compressor", 0) == 0)
                throw VideoError(VideoError::Reason::EncoderRefuses, why);
            throw VideoError(VideoError::Reason::File, why);
        }
        m_stride = (std::size_t(spec.width) * 3 + 3) & ~std::size_t(3);
    }
    void writeFrame(const FrameRows &frame) override
    {
        const std::uint8_t *bottom = frame.top + std::ptrdiff_t(frame.height - 1) * frame.pitch;
        if (!m_writer.writeFrame(bottom, -frame.pitch))
            throw VideoError(VideoError::Reason::Frame, m_writer.failure());
    }
    bool storesRowsAsTheyCome() const override { return m_writer.storesRowsAsTheyCome(); }
    std::int64_t queuedFrames() const override { return m_writer.queuedFrames(); }
    std::int64_t framesInFile() const override { return m_writer.framesInFile(); }
    bool keepsFramesOnFailure() const override { return true; }
    PublishedVideo finish(const VideoPublishing &publishing) override
    {
        const bool ok = m_writer.finish(publishing);
        PublishedVideo result { m_writer.publishedName(), m_writer.framesInFile() };
        if (!ok)
            throw VideoError(VideoError::Reason::File, m_writer.failure(), result.frames, result.name);
        return result;
    }
    void abandon() override { m_writer.abandon(); }

private:
    AviWriter m_writer;
    std::size_t m_stride = 0;
};

MuxedVideoFormat MuxedFormat(const VideoOutputSpec &spec)
{
    MuxedVideoFormat format;
    format.preset = spec.preset;
    VideoCodec codec = spec.codec;
    switch (spec.container) {
    case VideoContainer::Webm:
        format.muxer = "webm";
        if (codec == VideoCodec::Default)
            codec = VideoCodec::Vp9;
        break;
    case VideoContainer::Mkv:
        format.muxer = "matroska";
        if (codec == VideoCodec::Default)
            codec = VideoCodec::Ffv1;
        break;
    default:
        format.muxer = "mp4";
        break;
    }
    switch (codec) {
    case VideoCodec::H265:
        format.encoder = "libx265";
        break;
    case VideoCodec::Av1:
        format.encoder = "libsvtav1";
        break;
    case VideoCodec::Vp9:
        format.encoder = "libvpx-vp9";
        break;
    case VideoCodec::Ffv1:
        format.encoder = "ffv1";
        break;
    default:
        format.encoder = "libx264";
        break;
    }
    return format;
}

// Strips "Cannot write the X file PATH: " from a writer's message.
std::string causeOf(const std::string &message, const std::string &path)
{
    const std::string marker = path + ": ";
    const std::size_t at = message.find(marker);
    return at == std::string::npos ? message : message.substr(at + marker.size());
}

class AnimationOutput : public VideoOutput {
public:
    AnimationOutput(const std::string &target, const VideoOutputSpec &spec)
        : m_path(target)
    {
        AnimationParams params;
        params.width = spec.width;
        params.height = spec.height;
        params.rate = int(spec.rate.num);
        params.quality = int(spec.quality);
        params.lossless = spec.lossless;
        params.keyInterval = spec.keyInterval;
        try {
            switch (spec.container) {
            case VideoContainer::Gif: {
                const int quality = int(MapQuality(QualityTarget::GifPaletteQuality, params.quality));
                m_writer = std::make_unique<GifWriter>(target, params, MakeGifPalette(spec.paletteSources, quality, 4));
                break;
            }
            case VideoContainer::Webp:
                m_writer = std::make_unique<WebpWriter>(target, params);
                break;
            default:
                m_writer = std::make_unique<MuxedVideoWriter>(target, params, MuxedFormat(spec));
                break;
            }
        } catch (const AnimationError &e) {
            throw VideoError(VideoError::Reason::File, causeOf(e.what(), target));
        }
    }
    void writeFrame(const FrameRows &frame) override
    {
        m_frame.resize(frame.width, frame.height);
        for (int y = 0; y < frame.height; ++y)
            std::memcpy(m_frame.scanLine(y), frame.top + std::ptrdiff_t(y) * frame.pitch, std::size_t(frame.width) * 3);
        try {
            m_writer->addFrame(m_frame);
        } catch (const AnimationError &e) {
            throw VideoError(VideoError::Reason::Frame, causeOf(e.what(), m_path));
        }
    }
    std::int64_t queuedFrames() const override { return m_writer->queuedFrames(); }
    std::int64_t framesInFile() const override { return m_writer->framesWritten(); }
    PublishedVideo finish(const VideoPublishing &publishing) override
    {
        try {
            const std::string name = m_writer->finish(publishing);
            return { name, m_writer->framesWritten() };
        } catch (const AnimationError &e) {
            throw VideoError(VideoError::Reason::File, causeOf(e.what(), m_path));
        }
    }
    void abandon() override { m_writer.reset(); }

private:
    std::string m_path;
    std::unique_ptr<AnimationWriter> m_writer;
    Bitmap24 m_frame;
};

} // namespace

std::string CheckVideoOutput(const VideoOutputSpec &spec)
{
    if (spec.rate.num == 0 || spec.rate.den == 0)
        return spec.container == VideoContainer::Avi ? "AVI frame rate must be at least 1 frame per second"
                                                     : "the frame rate must be at least 1 frame per second";
    if (!ContainerAccepts(spec.container, spec.codec))
        return std::string("a ") + ContainerName(spec.container) + " file cannot hold " + CodecName(spec.codec)
            + " video";
    return {};
}

std::unique_ptr<VideoOutput> OpenVideoOutput(const std::string &target, const VideoOutputSpec &spec)
{
    if (spec.container == VideoContainer::Avi)
        return std::make_unique<AviOutput>(target, spec);
    return std::make_unique<AnimationOutput>(target, spec);
}
