#pragma once

#include "anim/FrameSequence.h"

#include <cstdint>
#include <optional>
#include <string>

class Bitmap24;

// Where the frames of a run go: the screen (a test run), a series of frame
// files, or one video file. The run renders each frame and hands it over;
// the sink names it, writes it and says how the run ended. One thread.
class FrameSink {
public:
    virtual ~FrameSink() = default;

    // Before the first frame.
    virtual void begin(const RunPlan &plan) { (void)plan; }
    // Frame `index` of the run (0-based, over both passes) is about to be
    // shown: the sink may name it and decide about it (the overwrite
    // question of a series). False: the frame is neither shown nor written
    // and the run stops (the question was closed).
    virtual bool prepare(std::int64_t index) = 0;
    // The status line's text for the frame just prepared.
    virtual std::string statusText(std::int64_t index, std::int64_t total) const = 0;
    // One file: its progress report, with the frame's text.
    virtual bool reportsProgress() const { return false; }
    virtual std::string progressText(std::int64_t index, std::int64_t total) const
    {
        (void)index;
        (void)total;
        return {};
    }
    // Frames that are nothing but panorama pixels may come unrendered, as
    // rows of the panorama (takeRows), when the host does not show them.
    virtual bool takesPanoramaRows() const { return false; }
    // The frame, shown; false when it could not be taken (the run stops,
    // failure() tells why). May throw: the run stops with the error's text.
    virtual bool take(const Bitmap24 &frame) = 0;
    virtual bool takeRows(const PanoramaWindow &window, int width, int height)
    {
        (void)window;
        (void)width;
        (void)height;
        return false;
    }
    // The test run pauses after each frame: for the host's tempo, or for
    // framePause() milliseconds when it gives one.
    virtual bool pausesAfterFrames() const { return false; }
    virtual std::optional<std::int32_t> framePause() const { return std::nullopt; }
    // Between the passes of a there-and-back run: frames under way are
    // finished (a stop they cause holds for the return pass too).
    virtual void passEnded() { }
    // After the last frame, however the run ended; failure, when not empty,
    // is why a frame could not be rendered or taken.
    virtual void end(const std::string &failure) { (void)failure; }
};
