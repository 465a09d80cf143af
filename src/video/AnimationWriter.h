#pragma once

#include "common/AtomicFile.h"
#include "video/VideoFileWriter.h"

#include <cstdint>
#include <stdexcept>
#include <string>

class Bitmap24;

// What an animated picture or video file is made with. Quality is one scale
// for every encoder, 0 (smallest file) to 100 (best picture); QualityScale.h
// says what it becomes for each.
struct AnimationParams {
    int width = 0;
    int height = 0;
    int rate = 10; // frames per second
    int quality = 75;
    bool lossless = false; // animated WebP: lossless frames
    int keyInterval = 0; // a key frame at least every N frames; 0: the encoder's choice
    int speed = 4; // 0 (slowest, smallest) to 6 (fastest)
};

// A writer's failure, with the step and the library's or the system's reason.
class AnimationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One animation file, written without a visible name: frames go in one by
// one, finish() completes the file and puts it in place, and a writer
// destroyed without finish() leaves nothing behind. Every failure throws
// AnimationError; after a failure the writer only cleans up. One thread.
class AnimationWriter {
public:
    virtual ~AnimationWriter() = default;
    // frame is params.width x params.height.
    virtual void addFrame(const Bitmap24 &frame) = 0;
    // Completes the file and puts it in place as the video files are
    // (VideoFileWriter.h): over an existing file only with consent, else
    // under the next free name when the target was taken meanwhile. Returns
    // the name used.
    // publishing.dropQueued, polled while queued frames are encoded, gives
    // them up: the file then holds the frames already coded.
    virtual std::string finish(const VideoPublishing &publishing) = 0;
    // Frames handed over and not yet in the file (an encoder's look-ahead).
    virtual std::int64_t queuedFrames() const { return 0; }
    // The frames in the file: after finish, the count the file holds.
    virtual std::int64_t framesWritten() const = 0;
};

// Closes a completed file and gives it its name by those rules; kind names
// the file in messages ("GIF"). Throws AnimationError with the reason.
std::string PublishAnimationFile(AtomicFile &file, const VideoPublishing &publishing, const std::string &kind);
