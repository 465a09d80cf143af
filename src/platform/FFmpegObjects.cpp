#include "platform/FFmpegObjects.h"

#include <cstdlib>
#include <mutex>

namespace ffmpeg {

void quietLogs()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const char *level = std::getenv("TRAVELIA_FFMPEG_LOG");
        if (!level)
            av_log_set_level(AV_LOG_QUIET);
        else if (char *end = nullptr; std::strtol(level, &end, 10), *level && !*end)
            av_log_set_level(int(std::strtol(level, nullptr, 10))); // e.g. 32 info, 48 debug
    });
}

} // namespace ffmpeg
