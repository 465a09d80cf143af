#pragma once

#include "anim/AnimationRun.h"
#include "video/VideoOutput.h"

#include <cstdint>
#include <stdexcept>
#include <string>

class AviProgress;
class Bitmap24;
struct TVideoOptions;

// A choice the file cannot be written with (a codec the container cannot
// hold, a frame rate of 0), refused before anything is created.
class VideoSettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The output spec of the options for frames of that size (its palette
// sources aside), for a check before the run.
VideoOutputSpec VideoSpec(const TVideoOptions &options, int width, int height);

// A failure of the file while the run writes it, in words
// (VideoFailureText), after the unfinished file was removed.
class VideoRunError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct VideoRunResult {
    bool FileWritten = false; // the file is in place, with FramesWritten frames
    std::int32_t FramesWritten = 0;
    std::string FileName; // its full name
};

// Writes the animation as one animated picture or video file, the
// container chosen in options: reads the settings, visits the frames of a
// frame-file run (a 360° loop included), shows each one with its progress,
// and finishes the file. A choice the output refuses before any file exists
// is thrown as VideoSettingsError. The file appears only when complete: it replaces
// an existing file only when the user chose to keep that name; a name taken
// meanwhile moves it to the next free number (FileName tells). A stopped run keeps
// the frames written; a run with no frame leaves no file. A writer's
// failure is thrown as VideoRunError with its reason, after the
// unfinished file was removed. A refusal by the settings reader ends the run
// quietly. stopRequested is cleared at the start and tested before every frame.
VideoRunResult RunVideoAnimation(
    const Bitmap24 &panorama, const TVideoOptions &options, RunHost &host, AviProgress &progress, bool &stopRequested);
