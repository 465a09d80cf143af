#pragma once

#include "anim/AnimSettings.h"
#include "output/FrameFile.h"
#include "output/FrameSeriesWriter.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
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
    // The overwrite decision for one frame file (creation runs only), taken
    // on the run's thread before the frame is handed out; encoding receives
    // the settings the file is written with, as they stand now. The default
    // writes every file with the default settings and never replaces one.
    virtual FrameFilePlan planFrame(const std::string &fileName, bool &confirmOverwrite, FrameEncoding &encoding);
    // What became of each frame file, on the run's thread, in frame order;
    // with several workers it may come a few frames after the frame was shown.
    virtual void frameSaved(const FrameSeriesWriter::Report &) { }
    // Workers that encode and write the frame files; 1 writes each file
    // before the frame is shown.
    virtual unsigned frameThreads() const { return 1; }
    // Shows the frame and repaints at once.
    virtual void showFrame(const Bitmap24 &frame) = 0;
    // False for a host that never looks at the pixels handed to showFrame
    // (it only counts frames): a run may then write a frame straight from
    // the panorama without rendering it, and showFrame gets the frame bitmap
    // as last rendered.
    virtual bool showsFrames() const { return true; }
    virtual void setStatusText(const std::string &text) = 0;
    // One non-waiting pass over pending messages.
    virtual void processMessages() = 0;
    // The pause after each frame of a test run.
    virtual void waitTempo() = 0;
    // Runs that write one file: told, after the last frame, that the
    // encoder still holds count frames that are being written.
    virtual void finishingQueuedFrames(std::int64_t count) { (void)count; }
    // Polled while they are written: true gives them up and closes the file
    // with the frames it holds (a second Ctrl-C).
    virtual bool dropQueuedFrames() { return false; }
    // The file the panorama was read from: no file of the run replaces it.
    virtual std::optional<FileIdentity> inputPicture() const { return std::nullopt; }
};

// A run one of whose files would replace the picture being read: refused
// before anything is written (the front ends word it in their language).
class TargetIsInputPicture : public std::runtime_error {
public:
    explicit TargetIsInputPicture(const std::string &fileName)
        : std::runtime_error(fileName + " is the picture being read: nothing was written")
        , FileName(fileName)
    {
    }
    std::string FileName;
};

// Throws TargetIsInputPicture when fileName leads to the host's picture.
void RefuseInputPictureTarget(const std::string &fileName, const RunHost &host);

// A test run (test set: frames only shown) or a BMP/JPEG creation run:
// clears stopRequested, makes the frame bitmap, reads the settings, plays the
// outward pass and, with ScrollBack, the return pass. stopRequested is tested
// before every frame; an error inside a frame sets it and ends the run
// quietly. Frame files are encoded and written by the host's frameThreads()
// workers; the run returns once every frame handed out is on disk or has
// failed, and counts each one; the files are put in place in frame order,
// and a failure that ends the series (SaveDetail::endsSeries) stops the run
// with nothing put in place after it. A creation run one of whose names is
// the picture being read (RunHost::inputPicture) throws
// TargetIsInputPicture before the first frame. Errors before the first
// frame (a frame bitmap that cannot be allocated) are thrown as
// std::runtime_error.
// Returns the number of frames produced; summary, when given, receives what
// became of each frame file.
struct RunSummary {
    int produced = 0; // frames rendered and shown
    int written = 0; // creation runs: files written,
    int skipped = 0; // left as they were (overwrite decision, existing name),
    int failed = 0; // and that could not be written
    // Ended on stopRequested before its last frame: a stop, "Stop !!!", a
    // closed overwrite dialog, or a host that stops on a failed frame.
    bool stopped = false;
};
int RunAnimation(
    const Bitmap24 &panorama, bool test, RunHost &host, bool &stopRequested, RunSummary *summary = nullptr);
