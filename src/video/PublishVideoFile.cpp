#include "video/PublishVideoFile.h"

#include "common/AtomicFile.h"

#include <cerrno>
#include <cstring>

namespace {

std::string systemCause(int error, const std::string &name)
{
    return (error == AtomicFile::kKeptFile ? std::string("it is the picture being read") : std::strerror(error))
        + ": " + name;
}

} // namespace

PublishedVideo PublishVideoFile(AtomicFile &file, const VideoPublishing &publishing, std::int64_t frames)
{
    PublishedVideo published;
    published.frames = frames;
    if (frames == 0)
        return published; // no frame, no file: an old file stays as it was
    const FileIdentity *keep = publishing.keep ? &*publishing.keep : nullptr;
    std::string name = publishing.target;
    std::string failure; // the target could not be replaced
    int attempt = 0;
    const auto next = [&] { return publishing.nextName ? publishing.nextName(++attempt) : std::string(); };
    if (publishing.replace) {
        const int error = file.publish(name, AtomicFile::Publish::Replace, keep);
        if (error == 0) {
            published.name = name;
            return published;
        }
        failure = systemCause(error, name);
        name = next();
        if (name.empty())
            throw VideoError(VideoError::Reason::File, failure);
    }
    for (;;) {
        const int error = file.publish(name, AtomicFile::Publish::NoReplace, keep);
        if (error == 0)
            break;
        std::string following = error == EEXIST ? next() : std::string();
        if (following.empty())
            throw VideoError(VideoError::Reason::File,
                failure.empty() ? systemCause(error, name) : failure + "\n" + systemCause(error, name));
        name = std::move(following); // taken meanwhile: the next free number
    }
    if (!failure.empty())
        throw VideoError(VideoError::Reason::File, failure, frames, name);
    published.name = name;
    return published;
}
