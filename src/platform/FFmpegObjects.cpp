#include "platform/FFmpegObjects.h"

#include <cstdlib>
#include <mutex>

namespace ffmpeg {

void quietLogs()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const char *level = std::getenv("TRAVELIA_FFMPEG_LOG");
        if (!level) {
            av_log_set_level(AV_LOG_QUIET);
            return;
        }
        char *end = nullptr;
        const long number = std::strtol(level, &end, 10);
        if (end != level && *end == '\0')
            av_log_set_level(int(number));
    });
}

} // namespace ffmpeg
