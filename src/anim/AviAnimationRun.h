#pragma once

#include "anim/AnimationRun.h"

#include <cstdint>
#include <stdexcept>
#include <string>

class AviProgress;
class BusyCursors;
class Bitmap24;
struct AviCompression;
struct TAviOptions;

// What an AVI run needs beyond a frame-file run: the compression dialog,
// the progress report, the busy cursor and the status line's text. The
// window answers with its dialogs and the progress window, the command line
// with its flags.
class AviRunHost : public RunHost {
public:
    // The compression dialog, pre-set from options: true when confirmed, the
    // options then holding the choice made.
    virtual bool chooseCompression(AviCompression &options) = 0;
    virtual AviProgress &progress() = 0;
    virtual BusyCursors &cursors() = 0;
    virtual std::string statusText() const = 0;
};

// A failure of the AVI run: the writer's sentence ("Failed to create AVI
// file") on the first line, its cause (the system's error text and the
// path, or the compressor's refusal in words) on the next.
class AviRunError : public std::runtime_error {
public:
    AviRunError(
        const std::string &sentence, const std::string &cause, std::int32_t framesInFile = 0, std::string fileName = {})
        : std::runtime_error(cause.empty() ? sentence : sentence + "\n" + cause)
        , FramesInFile(framesInFile)
        , FileName(std::move(fileName))
    {
    }
    std::int32_t FramesInFile; // a file with these frames was put in place under FileName
    std::string FileName; // empty: no file was put in place
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
    std::int32_t FramesWritten = 0; // the frames in the file
    std::string FileName; // its full name: the name asked for, or the next free one when that was taken meanwhile
    bool KeptOldFile = false; // with consent to replace, no frame was written: the old file is as it was
};

// Writes the animation as one AVI file: reads the settings, opens the file,
// lets the user confirm a compressor, shows the progress, writes every frame
// as a key frame (the return pass continues the frame numbers), and finishes
// the file. stopRequested is cleared at the start and tested before every
// frame; a stopped run keeps the frames written.
//
// The file replaces an existing one only with the user's consent (the first
// file's question answered "keep the number"); without consent it never
// replaces anything: a name taken meanwhile gives the next free number. A
// run without a frame leaves no file. Set-up failures, a frame that cannot be
// written or rendered, and a failed finish are thrown as AviRunError after
// everything was released; a valid file with the frames written may then be
// in place (AviRunError::FileName). A frame rate of 0 is refused with
// AviSettingsError before anything is created. A refusal by the settings
// reader ends the run quietly.
AviRunResult RunAviAnimation(
    const Bitmap24 &panorama, const TAviOptions &options, AviRunHost &host, bool &stopRequested);
