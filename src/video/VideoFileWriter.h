#pragma once

#include "video/VideoOutput.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// The frames of a video file: 24-bit rows, bottom row first, blue-green-red,
// each row padded to a multiple of 4 bytes.
struct VideoFrameFormat {
    int width = 0;
    int height = 0;
    std::uint32_t rate = 10; // frames per second = rate / scale
    std::uint32_t scale = 1;
};

// How frames are compressed: the four-character code of a listed compressor
// (VideoCompressors.h), or 0 for frames stored as they are.
struct VideoCodecChoice {
    static constexpr std::uint32_t kDefaultQuality = 0xFFFFFFFF;

    std::uint32_t handler = 0;
    std::uint32_t quality = kDefaultQuality; // 0..10000; above: the compressor's default
    std::uint32_t keyFrameEvery = 1; // 0: the compressor's choice
    std::uint32_t bytesPerSecond = 0; // non-zero: this data rate instead of the quality
};

// A video file being written. The lifecycle is explicit:
//   open -> writeFrame ... -> finish (flush the encoder, trailer, index,
//   close, publish: one step whose result is the run's) or abandon.
// The destructor only cleans up: a file not finished is discarded and never
// replaces anything. The file is written without a visible name until
// finish puts it in place. One thread; compressors may run threads of their own.
//
// Every failure leaves its cause in failure(): the system's error text and
// the path, or the compressor's refusal in words.
class VideoFileWriter {
public:
    virtual ~VideoFileWriter() = default;

    // Creates the hidden file in the target's folder, opens the compressor
    // and writes the file's header. A compressor that refuses the format
    // refuses it here, before anything can be seen on disk.
    virtual bool open(const std::string &target, const VideoFrameFormat &format, const VideoCodecChoice &codec) = 0;
    // One frame of height rows: bottomRow, then each row above it pitch
    // bytes on (negative for a bitmap stored top row first); |pitch| is the
    // row padded to 4 bytes. After a failure every further frame is refused.
    virtual bool writeFrame(const std::uint8_t *bottomRow, std::ptrdiff_t pitch) = 0;
    // Frames sent to the compressor and not yet in the file.
    virtual std::int64_t queuedFrames() const = 0;
    // Completes and publishes the file. True when a file holding
    // framesInFile() frames is in place (or, with consent and no frame, the
    // old file was left as it was). False with failure() set; a valid file
    // may still have been published (publishedName() not empty) when only
    // the last frames could not be written.
    virtual bool finish(const VideoPublishing &publishing) = 0;
    // Gives the file up: nothing is published.
    virtual void abandon() = 0;

    virtual std::int64_t framesInFile() const = 0;
    // The name the file was put in place under; empty when none was.
    virtual const std::string &publishedName() const = 0;
    virtual const std::string &failure() const = 0;
};
