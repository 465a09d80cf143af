#pragma once

#include "anim/AnimSettings.h"
#include "anim/SeriesSink.h"
#include "common/InputFile.h"
#include "output/FrameFile.h"
#include "output/OutputNaming.h"
#include "video/VideoOutput.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

class Bitmap24;
class RunFeedback;

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

// What a run makes: frames only shown (a test run), one picture file per
// frame, or one video file.
enum class RunKind { Test, Series, VideoFile };

// Everything a run needs, read and checked before it starts: the frames'
// settings, the output names (in a test run, the "TestFrame-" label), and
// what the chosen output takes.
struct RunRequest {
    RunKind kind = RunKind::Test;
    tanimprm settings;
    OutputNames names;
    // A frame series:
    unsigned threads = 1; // workers that encode and write the files
    std::function<FrameEncoding()> encoding; // the settings of each file, as they stand when it is handed out
    std::optional<FileIdentity> inputPicture; // never replaced
    // A test run: the pause after each frame in milliseconds (the rate of
    // the video file the output would be); none: the host's tempo.
    std::optional<std::int32_t> framePause;
    // A video file; its frame size and the GIF palette's pictures come from
    // the run.
    VideoOutputSettings video;
};

// How a run ended.
struct RunOutcome {
    std::int64_t total = 0; // frames the run would have made if not stopped
    std::int64_t produced = 0; // frames rendered and shown
    bool stopped = false; // ended before its last frame
    SeriesCounts series; // a frame series: what became of its files
    std::optional<FrameSeriesWriter::Report> seriesStoppedBy; // and the failure that stopped it
    PublishedVideo file; // a video file: where it was put, with its frames (no name: none)
    bool keptOldFile = false; // consent to replace, no frame: the old file is as it was
};

// The video output's settings for a run's frames: the request's choices, the
// frame size, the camera's music (when it names one), and for GIF the part
// of the panorama the frames show.
VideoOutputSettings VideoSettingsFor(const RunRequest &request, const Bitmap24 &panorama);

// Plans the frames once (PrepareFrames), makes the sink of the request's
// kind and plays the passes (PlayPasses). The feedback learns the frame count
// before the first frame (runStarting). stopRequested is cleared first and
// tested before every frame. A run that writes one file throws
// VideoRunError (VideoSink.h) when the file cannot be opened, written or
// finished; a creation run one of whose names is the picture being read
// (request.inputPicture) throws TargetIsInputPicture before its first frame; a frame bitmap that cannot be allocated is
// thrown as std::runtime_error. Errors inside a frame of a series or test run end it quietly.
RunOutcome RunAnimation(
    const Bitmap24 &panorama, const RunRequest &request, RunFeedback &feedback, bool &stopRequested);
