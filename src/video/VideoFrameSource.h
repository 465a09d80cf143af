#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

class Bitmap24;

// Why a video file cannot be played, with the path: "Cannot read the video
// file /x/ANIM0000.MP4: No such file or directory".
class VideoReadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The frames of a video or animated picture file, decoded in order, with
// the file's rate and length. Frames are numbered from 0 in the order they
// are shown. Every failure throws VideoReadError. One thread.
class VideoFrameSource {
public:
    virtual ~VideoFrameSource() = default;

    virtual const std::string &path() const = 0;
    virtual int width() const = 0;
    virtual int height() const = 0;
    // Frames per second, above 0.
    virtual double frameRate() const = 0;
    // The frames in the file, counted when it was opened.
    virtual std::int64_t frameCount() const = 0;
    double durationSeconds() const { return double(frameCount()) / frameRate(); }

    // The number of the frame the next read gives.
    virtual std::int64_t nextFrame() const = 0;
    // Decodes the next frame into frame (BGR rows top first); false, frame
    // unchanged, after the last one.
    virtual bool readFrame(Bitmap24 &frame) = 0;
    // Makes index (0 to frameCount() - 1) the next frame read: from the key
    // frame before it, decoding forward to it.
    virtual void seekFrame(std::int64_t index) = 0;
};

// Opens a file Travelia writes (AVI, MP4, WebM, Matroska, GIF, animated
// WebP) or any other that FFmpeg decodes, choosing the reader by its
// content, not its name.
std::unique_ptr<VideoFrameSource> OpenVideoFile(const std::string &path);
