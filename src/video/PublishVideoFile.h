#pragma once

#include "video/VideoOutput.h"

class AtomicFile;

// Puts a closed, complete hidden file in place (VideoPublishing's rules):
// with consent over the target, but a file with no frame replaces nothing
// (and none is put in place without consent either); without consent under
// the target or, when that name was taken meanwhile, the next free one.
// When the target cannot be replaced (a folder appeared there), the frames
// are kept under the next free name and the failure is thrown all the same.
// Returns the name used (empty: none); throws VideoError (File) with the
// system's error text and the name, keptFrames and keptName telling what
// was put in place anyway.
PublishedVideo PublishVideoFile(AtomicFile &file, const VideoPublishing &publishing, std::int64_t frames);
