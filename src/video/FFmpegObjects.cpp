#include "video/FFmpegObjects.h"

#include "common/Log.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {

extern "C" void onAvLog(void *object, int level, const char *format, va_list args)
{
    if (level > AV_LOG_WARNING || !LogVerbose())
        return;
    char text[1024];
    std::vsnprintf(text, sizeof text, format, args);
    const char *source = "ffmpeg";
    if (object) {
        const AVClass *avClass = *static_cast<const AVClass *const *>(object);
        if (avClass && avClass->item_name)
            source = avClass->item_name(object);
    }
    LogLine(source, text);
}

} // namespace

namespace ffmpeg {

void routeLogs()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(onAvLog); });
}

} // namespace ffmpeg
