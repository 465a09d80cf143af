#pragma once

#include "anim/FrameSink.h"
#include "output/OutputNaming.h"
#include "video/VideoOutput.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

class RunFeedback;

// A run that wrote one file failed: the message as the user reads it
// (VideoFailureText: for AVI the writer's sentence, "Failed to create AVI
// file", then the cause on the next line; for the others "Cannot write the
// video file PATH: cause").
// A valid file with the frames written so far may have been put in place.
class VideoRunError : public std::runtime_error {
public:
    VideoRunError(const std::string &message, std::int64_t framesInFile, std::string fileName)
        : std::runtime_error(message)
        , FramesInFile(framesInFile)
        , FileName(std::move(fileName))
    {
    }
    std::int64_t FramesInFile; // a file with these frames was put in place under FileName
    std::string FileName; // empty: no file was put in place
};

// The sink of a creation run that writes one file (AVI, MP4, WebM, MKV, GIF
// or WebP): the output opens when the run begins (its refusal is thrown as
// VideoRunError before any frame), each frame is written as it is shown,
// with the progress report and the folder's free space, and the end is the
// file's finish: the encoder's queued frames (announced, and dropped when the
// host asks), the publishing (over an existing file only with consent, a
// name taken meanwhile giving the next free number), and the honest count.
// A run with no frame leaves no file. A failure is thrown as VideoRunError
// from end(); where the container can, the frames written are kept.
class VideoSink : public FrameSink {
public:
    // inputPicture: the file the panorama was read from, never replaced.
    VideoSink(VideoOutputSettings outputSettings, OutputNames names, std::optional<FileIdentity> inputPicture,
        RunFeedback &feedback);
    ~VideoSink() override;

    void begin(const RunPlan &plan) override;
    bool prepare(std::int64_t) override { return true; }
    std::string statusText(std::int64_t index, std::int64_t total) const override;
    bool reportsProgress() const override { return true; }
    std::string progressText(std::int64_t index, std::int64_t total) const override;
    bool takesPanoramaRows() const override;
    bool take(const Bitmap24 &frame) override;
    bool takeRows(const PanoramaWindow &window, int width, int height) override;
    void end(const std::string &failure) override;

    // After end(): the file put in place (empty: none) and its frames.
    const PublishedVideo &published() const { return m_published; }
    // With consent to replace and no frame written, the old file was left.
    bool keptOldFile() const { return m_keptOldFile; }

private:
    bool write(const FrameRows &rows);
    [[noreturn]] void fail(const VideoError &error);

    VideoOutputSettings m_outputSettings;
    OutputNames m_names;
    std::optional<FileIdentity> m_inputPicture;
    RunFeedback &m_feedback;
    std::string m_path; // the file asked for, absolute
    std::string m_folder; // its folder, whose free space is shown
    std::unique_ptr<VideoOutput> m_output;
    std::int64_t m_frames = 0; // handed to the output
    std::int64_t m_total = 0;
    std::optional<VideoError> m_failure;
    PublishedVideo m_published;
    bool m_keptOldFile = false;
};
