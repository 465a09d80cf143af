#include "video/VideoOutput.h"

#include "common/Bitmap24.h"
#include "video/MuxedVideoOutput.h"
#include "video/MuxerFile.h"
#include "video/VideoEncoder.h"
#include "video/WebpOutput.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>

namespace {

std::string sizeText(const VideoOutputSpec &spec)
{
    return std::to_string(spec.width) + " x " + std::to_string(spec.height);
}

// Frames per second above max, or below min.
bool rateAbove(VideoRate rate, std::uint64_t max)
{
    return rate.num > max * rate.den;
}

bool rateBelow(VideoRate rate, std::uint64_t min)
{
    return rate.num < min * rate.den;
}

std::string article(const char *name)
{
    return std::strchr("aeiou", name[0]) ? "an " : "a ";
}

// What the container itself cannot store, known from the spec alone.
std::string containerRefusal(const VideoOutputSpec &spec)
{
    const char *name = ContainerName(spec.container);
    if (spec.width <= 0 || spec.height <= 0)
        return "a frame of " + sizeText(spec) + " pixels is empty";
    if (spec.rate.num == 0)
        return spec.container == VideoContainer::Avi ? "AVI frame rate must be at least 1 frame per second"
                                                     : "the frame rate must be at least 1 frame per second";
    if (spec.rate.den == 0 || spec.rate.num > INT_MAX || spec.rate.den > INT_MAX)
        return "a frame rate of " + RateText(spec.rate) + " cannot be stored";
    if (!ContainerAccepts(spec.container, spec.codec))
        return article(name) + name + " file cannot hold " + CodecName(spec.codec) + " video";
    switch (spec.container) {
    case VideoContainer::Avi: {
        // The stream header's fields are 16 bits; a frame stays far inside one 1 GB part.
        if (spec.width > 65535 || spec.height > 65535)
            return "an AVI frame is 1 to 65535 pixels each way, not " + sizeText(spec);
        const std::size_t stride = (std::size_t(spec.width) * 3 + 3) & ~std::size_t(3);
        if (stride * std::size_t(spec.height) > (std::size_t(1) << 29))
            return "a frame of " + sizeText(spec) + " pixels is larger than 512 MB, the most an AVI frame holds";
        if (rateBelow(spec.rate, 1) || rateAbove(spec.rate, 65535))
            return "an AVI file stores 1 to 65535 frames per second, not " + RateText(spec.rate);
        break;
    }
    case VideoContainer::Gif:
        if (spec.width > 65535 || spec.height > 65535)
            return "a GIF frame is 1 to 65535 pixels each way, not " + sizeText(spec);
        if (!spec.preset.empty())
            return "GIF frames have no speed preset ('" + spec.preset + "')";
        break;
    case VideoContainer::Webp:
        if (spec.width > 16383 || spec.height > 16383)
            return "a WebP frame is 1 to 16383 pixels each way, not " + sizeText(spec);
        if (rateAbove(spec.rate, 1000))
            return "WebP frames last whole milliseconds: at most 1000 frames per second, not " + RateText(spec.rate);
        if (!spec.preset.empty())
            return "WebP frames have no speed preset ('" + spec.preset + "')";
        break;
    case VideoContainer::Webm:
    case VideoContainer::Mkv:
        if (rateAbove(spec.rate, 1000))
            return std::string(spec.container == VideoContainer::Webm ? "WebM" : "Matroska")
                + " times frames in milliseconds: at most 1000 frames per second, not " + RateText(spec.rate);
        break;
    case VideoContainer::Mp4:
        break;
    }
    return {};
}

} // namespace

FrameRows FrameRows::of(const Bitmap24 &picture)
{
    return { picture.bits(), std::ptrdiff_t(picture.stride()), picture.width(), picture.height() };
}

std::optional<VideoError> RefuseVideoOutput(const VideoOutputSpec &spec)
{
    if (std::string why = containerRefusal(spec); !why.empty())
        return VideoError(VideoError::Reason::Settings, why);
    try {
        if (spec.container == VideoContainer::Webp) {
            if (std::string why = WebpSettingsRefusal(spec); !why.empty())
                return VideoError(VideoError::Reason::Settings, why);
            return std::nullopt;
        }
        OpenSpecEncoder(spec); // asked, then closed: no file
    } catch (const VideoError &e) {
        return e;
    }
    return std::nullopt;
}

std::string CheckVideoOutput(const VideoOutputSpec &spec)
{
    const std::optional<VideoError> refusal = RefuseVideoOutput(spec);
    return refusal ? refusal->cause() : std::string();
}

std::string CheckVideoTarget(const std::string &target)
{
    if (const int error = TargetNameError(target))
        return std::string(std::strerror(error)) + ": " + target;
    return {};
}

std::unique_ptr<VideoOutput> OpenVideoOutput(const std::string &target, const VideoOutputSpec &spec)
{
    if (std::string why = containerRefusal(spec); !why.empty())
        throw VideoError(VideoError::Reason::Settings, why);
    if (std::string why = CheckVideoTarget(target); !why.empty())
        throw VideoError(VideoError::Reason::File, why);
    if (spec.container == VideoContainer::Webp)
        return std::make_unique<WebpOutput>(target, spec);
    return std::make_unique<MuxedVideoOutput>(target, spec);
}

std::string VideoFailureText(VideoContainer container, const VideoError &error, const std::string &target)
{
    std::string text;
    if (container == VideoContainer::Avi) {
        switch (error.reason()) {
        case VideoError::Reason::Settings:
        case VideoError::Reason::EncoderRefuses:
            text = "Failed to set AVI stream format";
            break;
        case VideoError::Reason::NoEncoder:
            text = "Failed to create AVI Compressed stream";
            break;
        case VideoError::Reason::File:
            text = "Failed to create AVI file";
            break;
        case VideoError::Reason::Frame:
            text = "Failed to add frame to AVI";
            break;
        }
        if (!error.cause().empty()) {
            text += '\n';
            text += error.cause();
        }
    } else {
        const char *kind = container == VideoContainer::Gif ? "GIF" : container == VideoContainer::Webp ? "WebP" : "video";
        const bool named = target.empty() || error.cause().find(target) != std::string::npos;
        text = std::string("Cannot write the ") + kind + " file" + (named ? "" : " " + target) + ": " + error.cause();
    }
    if (error.keptFrames() > 0 && !error.keptName().empty()) {
        text += '\n';
        text += std::to_string(error.keptFrames()) + " frames kept in " + error.keptName();
    }
    return text;
}

std::int64_t GifFrameStep(VideoRate rate)
{
    if (rate.den == 0)
        return 1;
    // The smallest N with N / rate >= 2/100 s.
    const std::uint64_t perTick = 50 * std::uint64_t(rate.den);
    return std::int64_t(std::max<std::uint64_t>(1, (rate.num + perTick - 1) / perTick));
}

std::string GifFrameRateNote(VideoRate rate)
{
    const std::int64_t step = GifFrameStep(rate);
    if (step <= 1)
        return {};
    const double kept = double(rate.num) / double(rate.den) / double(step);
    char shown[32];
    std::snprintf(shown, sizeof shown, "%.4g", kept);
    return "GIF shows at most 50 frames per second: one frame in " + std::to_string(step) + " is kept ("
        + RateText(rate) + " -> " + shown + " fps)";
}
