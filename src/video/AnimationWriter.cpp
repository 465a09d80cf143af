#include "video/AnimationWriter.h"

#include <cerrno>
#include <cstring>

std::string PublishAnimationFile(AtomicFile &file, const VideoPublishing &publishing, const std::string &kind)
{
    const auto fail = [&](const std::string &name, int error) {
        throw AnimationError("Cannot write the " + kind + " file " + name + ": "
            + (error == AtomicFile::kKeptFile ? "it is the picture being read" : std::strerror(error)));
    };
    const FileIdentity *keep = publishing.keep ? &*publishing.keep : nullptr;
    if (!file.close())
        fail(publishing.target, file.error());
    std::string name = publishing.target;
    const AtomicFile::Publish how = publishing.replace ? AtomicFile::Publish::Replace : AtomicFile::Publish::NoReplace;
    for (int attempt = 1;; ++attempt) {
        const int error = file.publish(name, how, keep);
        if (error == 0)
            return name;
        if (error != EEXIST || publishing.replace || !publishing.nextName)
            fail(name, error);
        // Taken since the names were read: the next free number.
        name = publishing.nextName(attempt);
        if (name.empty())
            throw AnimationError("Cannot write the " + kind + " file " + publishing.target
                + ": that name and the following ones were taken meanwhile");
    }
}
