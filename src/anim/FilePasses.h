#pragma once

#include "anim/AnimSettings.h"
#include "anim/FrameSequence.h"
#include "video/VideoOutput.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class AviProgress;
class Bitmap24;
class RunHost;

// What the runs that write one file (AVI, video) share: the passes that
// render each frame, report it and hand it to the file, and the names the
// finished file may be published under.
struct FilePassRun {
    const Bitmap24 &panorama;
    RunHost &host;
    AviProgress &progress;
    bool &stopRequested;
    std::string fileName; // full name: its folder's free space is shown
    std::string statusName; // the file's name in the status line
    const char *unknownFailure = "unknown error"; // the failure of a frame that threw no std::exception
    // What the passes did:
    std::int32_t frameIndex = 0; // frames handed to the file; runs on into the return pass
    std::int64_t total = 0; // frames of the whole run
    std::string failure {}; // why a frame could not be rendered or written
};

// Reads the settings into prm, with frame as its bitmap, and sizes the
// frame (PrepareFrames): the outward pass, or none when the settings reader
// refused. frame must outlive prm's use.
std::optional<PassPlan> ReadFileRunSettings(RunHost &host, tanimprm &prm, Bitmap24 &frame, const Bitmap24 &panorama);

// Takes one rendered frame; false when it could not be written, with
// run.failure set. May also throw: the run stops with the exception's text.
using FrameSink = std::function<bool(const Bitmap24 &frame)>;

// Takes a frame that is nothing but panorama pixels, unrendered: its height
// rows from window.top, window.stride apart, each row's pixels only.
using WindowSink = std::function<bool(const PanoramaWindow &window, int height)>;

// Shows the progress, writes the outward pass and, for a there-and-back run,
// the return pass, and hides the progress on every way out. Each frame is
// rendered, announced in the status line and the progress (with the folder's
// free space), shown, and handed to the sink. A failure of any frame stops
// the run with run.failure set; the frames already handed over stay.
// With a windowSink, a frame that lies wholly in the panorama (FrameWindow)
// is not rendered but handed to it; the host is still told of the frame
// (showFrame), with the frame bitmap as last rendered: only for a host that
// does not show frames.
void WriteFilePasses(FilePassRun &run, const tanimprm &prm, const PassPlan &outward, const FrameSink &sink,
    const WindowSink &windowSink = {});

// Publishing the finished file at target: over an existing file only with
// the consent in prm; else a name taken meanwhile goes to the next free
// number (at most 10000 tries). The encoder's queued frames are dropped when
// the host asks (dropQueuedFrames).
VideoPublishing FilePublishing(const tanimprm &prm, const std::string &target, RunHost &host);
