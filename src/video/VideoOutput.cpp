#include "video/VideoOutput.h"

#include "common/Bitmap24.h"
#include "video/AudioTrack.h"
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

std::string sizeText(const VideoOutputSettings &outputSettings)
{
    return std::to_string(outputSettings.width) + " x " + std::to_string(outputSettings.height);
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

std::string musicRefusal(VideoContainer container)
{
    const char *file = container == VideoContainer::Avi ? "an AVI file"
        : container == VideoContainer::Gif              ? "a GIF file"
                                                        : "an animated WebP";
    return std::string("music goes only under MP4, WebM or Matroska video: ") + file + " has no sound";
}

// What the container itself cannot store, known from the settings alone.
std::string containerRefusal(const VideoOutputSettings &outputSettings)
{
    const char *name = ContainerName(outputSettings.container);
    if (outputSettings.width <= 0 || outputSettings.height <= 0)
        return "a frame of " + sizeText(outputSettings) + " pixels is empty";
    if (outputSettings.rate.num == 0)
        return outputSettings.container == VideoContainer::Avi ? "AVI frame rate must be at least 1 frame per second"
                                                               : "the frame rate must be at least 1 frame per second";
    if (outputSettings.rate.den == 0 || outputSettings.rate.num > INT_MAX || outputSettings.rate.den > INT_MAX)
        return "a frame rate of " + RateText(outputSettings.rate) + " cannot be stored";
    if (!ContainerAccepts(outputSettings.container, outputSettings.codec))
        return article(name) + name + " file cannot hold " + CodecName(outputSettings.codec) + " video";
    if (!outputSettings.audioFile.empty() && !ContainerCarriesAudio(outputSettings.container))
        return musicRefusal(outputSettings.container);
    switch (outputSettings.container) {
    case VideoContainer::Avi: {
        // The stream header's fields are 16 bits; a frame stays far inside one 1 GB part.
        if (outputSettings.width > 65535 || outputSettings.height > 65535)
            return "an AVI frame is 1 to 65535 pixels each way, not " + sizeText(outputSettings);
        const std::size_t stride = (std::size_t(outputSettings.width) * 3 + 3) & ~std::size_t(3);
        if (stride * std::size_t(outputSettings.height) > (std::size_t(1) << 29))
            return "a frame of " + sizeText(outputSettings)
                + " pixels is larger than 512 MB, the most an AVI frame holds";
        if (rateBelow(outputSettings.rate, 1) || rateAbove(outputSettings.rate, 65535))
            return "an AVI file stores 1 to 65535 frames per second, not " + RateText(outputSettings.rate);
        break;
    }
    case VideoContainer::Gif:
        if (outputSettings.width > 65535 || outputSettings.height > 65535)
            return "a GIF frame is 1 to 65535 pixels each way, not " + sizeText(outputSettings);
        if (!outputSettings.preset.empty())
            return "GIF frames have no speed preset ('" + outputSettings.preset + "')";
        break;
    case VideoContainer::Webp:
        if (outputSettings.width > 16383 || outputSettings.height > 16383)
            return "a WebP frame is 1 to 16383 pixels each way, not " + sizeText(outputSettings);
        if (rateAbove(outputSettings.rate, 1000))
            return "WebP frames last whole milliseconds: at most 1000 frames per second, not "
                + RateText(outputSettings.rate);
        if (!outputSettings.preset.empty())
            return "WebP frames have no speed preset ('" + outputSettings.preset + "')";
        break;
    case VideoContainer::Webm:
    case VideoContainer::Mkv:
        if (rateAbove(outputSettings.rate, 1000))
            return std::string(outputSettings.container == VideoContainer::Webm ? "WebM" : "Matroska")
                + " times frames in milliseconds: at most 1000 frames per second, not " + RateText(outputSettings.rate);
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

std::optional<VideoError> RefuseVideoOutput(const VideoOutputSettings &outputSettings)
{
    if (std::string why = containerRefusal(outputSettings); !why.empty())
        return VideoError(VideoError::Reason::Settings, why);
    try {
        if (outputSettings.container == VideoContainer::Webp) {
            if (std::string why = WebpSettingsRefusal(outputSettings); !why.empty())
                return VideoError(VideoError::Reason::Settings, why);
            return std::nullopt;
        }
        OpenEncoderFor(outputSettings); // asked, then closed: no file
        if (!outputSettings.audioFile.empty())
            if (std::optional<VideoError> refusal = RefuseAudioFile(outputSettings.audioFile, outputSettings.container))
                return refusal;
    } catch (const VideoError &e) {
        return e;
    }
    return std::nullopt;
}

std::string CheckVideoOutput(const VideoOutputSettings &outputSettings)
{
    const std::optional<VideoError> refusal = RefuseVideoOutput(outputSettings);
    return refusal ? refusal->cause() : std::string();
}

std::string CheckVideoTarget(const std::string &target)
{
    if (const int error = TargetNameError(target))
        return std::string(std::strerror(error)) + ": " + target;
    return {};
}

std::unique_ptr<VideoOutput> OpenVideoOutput(const std::string &target, const VideoOutputSettings &outputSettings)
{
    if (std::string why = containerRefusal(outputSettings); !why.empty())
        throw VideoError(VideoError::Reason::Settings, why);
    if (std::string why = CheckVideoTarget(target); !why.empty())
        throw VideoError(VideoError::Reason::File, why);
    if (outputSettings.container == VideoContainer::Webp)
        return std::make_unique<WebpOutput>(target, outputSettings);
    return std::make_unique<MuxedVideoOutput>(target, outputSettings);
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
        const char *kind = container == VideoContainer::Gif ? "GIF"
            : container == VideoContainer::Webp             ? "WebP"
                                                            : "video";
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
