#include "common/InputFile.h"
#include "video/FFmpegVideoReader.h"
#include "video/VideoFrameSource.h"
#include "video/WebpAnimationReader.h"

#include <cstring>

std::unique_ptr<VideoFrameSource> OpenVideoFile(const std::string &path)
{
    // Checked first: FFmpeg would wait for a pipe's writer, and says less.
    InputFile file(path);
    if (!file.isOpen())
        throw VideoReadError(
            "Cannot read the video file " + path + ": " + FileErrorText(file.error(), file.systemError()));
    char head[12] = {};
    const bool webp = file.size() >= sizeof head && file.readAt(0, head, sizeof head)
        && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WEBP", 4) == 0;
    if (webp)
        return std::make_unique<WebpAnimationReader>(path);
    return std::make_unique<FFmpegVideoReader>(path);
}
