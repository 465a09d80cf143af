#include "app/RunLengthText.h"

#include "anim/AnimSettings.h"
#include "common/TextFormat.h"
#include "options/AviOptions.h"
#include "options/VideoOptions.h"
#include "output/OutputFormat.h"
#include "viewer/PlaybackTime.h"

#include <charconv>

namespace {

// Whole rates as they are, others to a tenth (a hundredth below 10), with
// the French decimal comma and without trailing zeros.
std::string RateText(double rate)
{
    char text[32];
    const auto [end, error]
        = std::to_chars(text, text + sizeof text, rate, std::chars_format::fixed, rate >= 10 ? 1 : 2);
    if (error != std::errc())
        return {};
    std::string s(text, end);
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.')
        s.pop_back();
    for (char &c : s)
        if (c == '.')
            c = ',';
    return s;
}

} // namespace

std::optional<double> PreviewRate(const CameraMove &camera, std::int32_t format, const TAviOptions &avi,
    const TVideoOptions &video, std::int32_t tempoMs)
{
    double rate = 0;
    if (camera.Duration > 0 || camera.Hold > 0)
        rate = camera.Rate; // its seconds made the frames
    else if (format == FormatAvi)
        rate = avi.Rate;
    else if (format == FormatVideo)
        rate = video.Rate;
    else if (tempoMs > 0)
        rate = 1000.0 / tempoMs;
    if (rate <= 0)
        return std::nullopt;
    return rate;
}

std::string RunLengthText(std::int64_t frames, std::optional<double> rate)
{
    // No frame plays no time, at whatever rate.
    if (frames <= 0)
        return "aucune image";
    const bool plural = frames >= 2; // French: "1 image", "2 images"
    if (!rate)
        return formatText(plural ? "%d images" : "%d image", { frames });
    const std::string length = ClockText(double(frames) / *rate);
    return formatText(plural ? "%d images, %s à %s i/s" : "%d image, %s à %s i/s", { frames, length, RateText(*rate) });
}
