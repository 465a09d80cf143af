#include "viewer/PlaybackTime.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

std::string ClockText(double seconds)
{
    // A hair above: frame k of a rate that is not a whole number starts at
    // k / rate, which may fall just short of the second it begins.
    const auto whole = std::int64_t(std::floor(std::max(0.0, seconds) + 1e-9));
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(whole / 3600),
            static_cast<long long>(whole / 60 % 60), static_cast<long long>(whole % 60));
    else
        std::snprintf(
            text, sizeof text, "%lld:%02lld", static_cast<long long>(whole / 60), static_cast<long long>(whole % 60));
    return text;
}

std::string PlaybackTimeText(std::int64_t frame, std::int64_t frameCount, double frameRate)
{
    return ClockText(double(std::max<std::int64_t>(frame, 0)) / frameRate) + " / "
        + ClockText(double(frameCount) / frameRate);
}
