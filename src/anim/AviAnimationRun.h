#pragma once

#include "anim/AnimationRun.h"

#include <cstdint>
#include <stdexcept>
#include <string>

class AviProgress;
class BusyCursors;
class Bitmap24;
struct AVICOMPRESSOPTIONS;
struct TAviOptions;

// What an AVI run needs beyond a frame-file run: the compression dialog,
// the progress report, the busy cursor and the status line's text. The
// window answers with its dialogs and the progress window, the command line
// with its flags.
class AviRunHost : public RunHost {
public:
    // The compression dialog, pre-set from options: true when confirmed, the
    // options then holding the choice made.
    virtual bool chooseCompression(AVICOMPRESSOPTIONS &options) = 0;
    virtual AviProgress &progress() = 0;
    virtual BusyCursors &cursors() = 0;
    virtual std::string statusText() const = 0;
};

// A setting the AVI file cannot be written with (a frame rate of 0),
// refused before anything is created.
class AviSettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// How an AVI run ended.
struct AviRunResult {
    bool FileWritten = false; // the AVI file is in place, with FramesWritten frames
    std::int32_t FramesWritten = 0;
    std::string FileName; // its full name
};

// Writes the animation as one AVI file: reads the settings, opens the file,
// lets the user confirm a compressor, shows the progress, writes every frame
// as a key frame (the return pass continues the frame numbers), and closes
// the file. stopRequested is cleared at the start and tested before every
// frame; a stopped run keeps the frames written. Set-up failures, a frame
// that cannot be written, and a frame rate of 0 are thrown as
// std::runtime_error with the writer's message, after everything was
// released; the file is then in place only when frames were written before a
// failed write. A refusal by the settings reader ends the run quietly.
AviRunResult RunAviAnimation(
    const Bitmap24 &panorama, const TAviOptions &options, AviRunHost &host, bool &stopRequested);
