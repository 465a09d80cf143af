#include "picture/LibraryMessages.h"

#include "common/Log.h"
#include "video/FFmpegObjects.h"

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

std::atomic<int> decodingDepth { 0 };
std::atomic<bool> stderrCapture { true };
// Qt messages of the decode under way, logged when it ends: the log may
// write to standard error, which is being caught meanwhile.
std::vector<std::string> pendingLines;
QtMessageHandler previousHandler = nullptr;

bool fromImagePlugin(const QMessageLogContext &context)
{
    if (decodingDepth > 0)
        return true;
    const char *category = context.category ? context.category : "";
    return std::strncmp(category, "qt.gui.imageio", 14) == 0 || std::strstr(category, "imageformats") != nullptr;
}

void onQtMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtFatalMsg && fromImagePlugin(context)) {
        if (decodingDepth > 0)
            pendingLines.push_back(text.toStdString());
        else
            LogLine("qt", text.toStdString());
        return;
    }
    if (previousHandler)
        previousHandler(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

} // namespace

void RouteLibraryMessages()
{
    static std::once_flag once;
    std::call_once(once, [] {
        ffmpeg::routeLogs();
        previousHandler = qInstallMessageHandler(onQtMessage);
    });
}

void SetStderrCapture(bool on)
{
    stderrCapture = on;
}

DecodingScope::DecodingScope()
{
    if (++decodingDepth > 1 || !stderrCapture)
        return;
    m_capture = ::memfd_create("travelia-stderr", MFD_CLOEXEC);
    if (m_capture < 0)
        return;
    std::fflush(stderr);
    m_saved = ::dup(STDERR_FILENO);
    if (m_saved < 0 || ::dup2(m_capture, STDERR_FILENO) < 0) {
        if (m_saved >= 0)
            ::close(m_saved);
        ::close(m_capture);
        m_saved = m_capture = -1;
    }
}

DecodingScope::~DecodingScope()
{
    if (decodingDepth == 1) {
        std::vector<std::string> lines;
        lines.swap(pendingLines);
        if (m_saved >= 0) {
            std::fflush(stderr);
            ::dup2(m_saved, STDERR_FILENO);
        }
        for (const std::string &line : lines)
            LogLine("qt", line);
    }
    if (m_saved >= 0) {
        ::close(m_saved);
        char text[16384];
        const ssize_t got = ::pread(m_capture, text, sizeof text - 1, 0);
        ::close(m_capture);
        std::string all(text, got > 0 ? std::size_t(got) : 0);
        for (std::size_t start = 0; start < all.size();) {
            std::size_t end = all.find('\n', start);
            if (end == std::string::npos)
                end = all.size();
            if (end > start)
                LogLine("qt", all.substr(start, end - start));
            start = end + 1;
        }
    }
    --decodingDepth;
}
