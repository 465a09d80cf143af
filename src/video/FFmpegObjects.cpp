#include "video/FFmpegObjects.h"

#include "common/Log.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <new>

namespace {

thread_local bool capturing = false;
thread_local std::string capturedError;

extern "C" void onAvLog(void *object, int level, const char *format, va_list args)
{
    const bool capture = capturing && level <= AV_LOG_ERROR;
    if (!capture && (level > AV_LOG_WARNING || !LogVerbose()))
        return;
    char text[1024];
    std::vsnprintf(text, sizeof text, format, args);
    if (capture && capturedError.empty()) { // the first says why; later ones follow from it
        capturedError = text;
        while (!capturedError.empty() && (capturedError.back() == '\n' || capturedError.back() == '.'))
            capturedError.pop_back();
    }
    if (level > AV_LOG_WARNING || !LogVerbose())
        return;
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

std::string errorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

int errorOf(std::exception_ptr thrown)
{
    try {
        std::rethrow_exception(thrown);
    } catch (const std::bad_alloc &) {
        return AVERROR(ENOMEM);
    } catch (...) {
        return AVERROR(EINVAL);
    }
}

void routeLogs()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(onAvLog); });
}

ErrorCapture::ErrorCapture()
{
    routeLogs();
    capturing = true;
    capturedError.clear();
}

ErrorCapture::~ErrorCapture()
{
    capturing = false;
}

std::string ErrorCapture::last() const
{
    return capturedError;
}

} // namespace ffmpeg
