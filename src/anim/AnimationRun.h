#pragma once

#include "anim/AnimSettings.h"
#include "output/FrameFile.h"

#include <string>

class Bitmap24;

// What a run needs from whoever drives it: the main window, the command-line
// front end, a test or a benchmark.
class RunHost {
public:
    virtual ~RunHost() = default;
    // Validates the settings and fills the record (the main window's
    // ReadSettings); false ends the run before any frame.
    virtual bool readSettings(tanimprm &prm) = 0;
    // Writes one frame file (creation runs only).
    virtual SaveOutcome saveFrame(const Bitmap24 &frame, const std::string &fileName, bool &confirmOverwrite) = 0;
    // Shows the frame and repaints at once.
    virtual void showFrame(const Bitmap24 &frame) = 0;
    virtual void setStatusText(const std::string &text) = 0;
    // One non-waiting pass over pending messages.
    virtual void processMessages() = 0;
    // The pause after each frame of a test run.
    virtual void waitTempo() = 0;
};

// A test run (test set: frames only shown) or a BMP/JPEG creation run:
// clears stopRequested, makes the frame bitmap, reads the settings, plays the
// outward pass and, with ScrollBack, the return pass. stopRequested is tested
// before every frame; an error inside a frame sets it and ends the run
// quietly. Errors before the first frame (a frame bitmap that cannot be
// allocated) are thrown as std::runtime_error.
// Returns the number of frames produced; summary, when given, receives what
// became of each frame file.
struct RunSummary {
    int produced = 0; // frames rendered and shown
    int written = 0; // creation runs: files written,
    int skipped = 0; // left as they were (overwrite decision, existing name),
    int failed = 0; // and that could not be written
};
int RunAnimation(
    const Bitmap24 &panorama, bool test, RunHost &host, bool &stopRequested, RunSummary *summary = nullptr);
