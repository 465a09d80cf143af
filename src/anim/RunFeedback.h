#pragma once

#include "anim/FrameSequence.h"
#include "output/FrameSeriesWriter.h"

#include <cstdint>
#include <optional>
#include <string>

class Bitmap24;

// What a run tells whoever drives it (the main window, the command line, a
// test or a benchmark) and the few answers it asks for while frames are
// made. Settings never come through here: the run has them before it starts.
// Every call comes from the run's thread; the defaults do nothing.
class RunFeedback {
public:
    virtual ~RunFeedback() = default;

    // Before the first frame: the run's plan, made once (plan.total() frames
    // if it is not stopped).
    virtual void runStarting(const RunPlan &plan) { (void)plan; }
    // Shows the frame and repaints at once.
    virtual void showFrame(const Bitmap24 &frame) { (void)frame; }
    // False for a host that never looks at the pixels handed to showFrame (it
    // only counts frames): frames that are nothing but panorama pixels may
    // then go to a file without being rendered, and showFrame gets the frame
    // bitmap as last rendered.
    virtual bool showsFrames() const { return true; }
    virtual void setStatusText(const std::string &text) { (void)text; }
    // Runs that write one file report their progress: shown before the first
    // frame, hidden after the last, however the run ends. A pass announces
    // its frame count; each frame its index in the pass and the progress text.
    virtual void progressShown(bool shown) { (void)shown; }
    virtual void passStarting(std::int32_t frames) { (void)frames; }
    virtual void frameStarting(std::int32_t indexInPass, const std::string &text)
    {
        (void)indexInPass;
        (void)text;
    }
    // One non-waiting pass over pending messages: commands (Stop) run here.
    virtual void processMessages() { }
    // The pause after each frame of a test run: pause milliseconds when the
    // run gives one (a video file's rate), else the host's tempo.
    virtual void waitTempo(std::optional<std::int32_t> pause) { (void)pause; }

    // The per-file overwrite question of a frame series: the name and the
    // caption; returns a modal result of ModalQuestions::OverwriteAnswer.
    // The default never replaces.
    virtual int askOverwrite(const std::string &fileName, const std::string &caption);
    // What became of each frame file, in frame order; with several workers it
    // may come a few frames after the frame was shown.
    virtual void frameSaved(const FrameSeriesWriter::Report &report) { (void)report; }

    // Runs that write one file: after the last frame, the encoder still holds
    // count frames that are being written.
    virtual void finishingQueuedFrames(std::int64_t count) { (void)count; }
    // Polled while they are written: true gives them up and closes the file
    // with the frames it holds (a second Ctrl-C).
    virtual bool dropQueuedFrames() { return false; }
};
