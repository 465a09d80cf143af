#pragma once

#include "common/InputFile.h"
#include "video/GifPalette.h"
#include "video/VideoFormats.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class Bitmap24;

// One frame handed to an output: 24-bit blue-green-red rows, the top row at
// top, each next row pitch bytes on (negative for a picture stored bottom
// row first). Only width * 3 bytes of each row are read.
struct FrameRows {
    const std::uint8_t *top = nullptr;
    std::ptrdiff_t pitch = 0;
    int width = 0;
    int height = 0;

    static FrameRows of(const Bitmap24 &picture);
};

// What a video file is made of. Everything here is known before the run
// starts; CheckVideoOutput refuses what cannot be written before any folder
// or file exists.
struct VideoOutputSettings {
    VideoContainer container = VideoContainer::Mp4;
    // The encoder: for AVI the compressor chosen by its four-character code
    // (0: frames stored uncompressed), for the other containers the codec
    // (Default: the container's usual one).
    VideoCodec codec = VideoCodec::Default;
    std::uint32_t aviCompressor = 0;
    int width = 0;
    int height = 0;
    VideoRate rate;
    // 0 (smallest file) to 100 (best picture); fractions count (the AVI
    // quality 0..10000 is this scale times 100). Negative: the encoder's own
    // default.
    double quality = 75;
    int keyInterval = 0; // a key frame every N frames exactly; 0: the encoder's choice
    std::int64_t bytesPerSecond = 0; // non-zero: this data rate instead of the quality
    std::int64_t maxBitsPerSecond = 0; // non-zero: a ceiling under the quality (video sites ask for one)
    std::string preset; // the encoder's speed preset; empty: its default
    bool lossless = false; // animated WebP: lossless frames
    // Music under the video (MP4, WebM, Matroska): any sound file FFmpeg
    // reads, cut to the video's length; empty: no sound.
    std::string audioFile;
    // GIF: the pictures whose colours the frames show (the palette is made
    // from them once, when the output opens).
    std::vector<PaletteRegion> paletteSources;
};

// A failure of an output, in words: cause() names the library's refusal or
// the system's error text with the path. Where a valid file with the frames
// written so far was put in place anyway, keptFrames and keptName say so.
class VideoError : public std::runtime_error {
public:
    enum class Reason {
        Settings, // the settings cannot be written (size, rate, codec, preset): known before any file exists
        NoEncoder, // no such compressor or encoder on this machine
        EncoderRefuses, // the encoder refuses this size or rate when opened
        File, // the file could not be created, written or put in place
        Frame, // a frame could not be encoded or written
    };
    VideoError(Reason reason, std::string cause, std::int64_t keptFrames = 0, std::string keptName = {})
        : std::runtime_error(cause)
        , m_reason(reason)
        , m_keptFrames(keptFrames)
        , m_keptName(std::move(keptName))
    {
    }
    Reason reason() const { return m_reason; }
    std::string cause() const { return what(); }
    std::int64_t keptFrames() const { return m_keptFrames; }
    const std::string &keptName() const { return m_keptName; }

private:
    Reason m_reason;
    std::int64_t m_keptFrames;
    std::string m_keptName;
};

// Where a finished file goes.
struct VideoPublishing {
    std::string target; // full name
    // The user agreed to replace a file of that name. A file with no frame
    // then replaces nothing: the old file stays as it was.
    bool replace = false;
    // Without consent, the name to try when the target (or the previous
    // try) was taken meanwhile: attempt 1, 2, ...; an empty name gives up.
    std::function<std::string(int attempt)> nextName;
    // Polled while the encoder's queued frames are written: true drops the
    // rest, and the file closes with what it holds.
    std::function<bool()> dropQueued;
    // The picture being read: never replaced, even with consent, should the
    // target's name lead to it when the file is put in place.
    std::optional<FileIdentity> keep;
};

// The file as it was put in place.
struct PublishedVideo {
    std::string name; // empty: no file was put in place (no frame, or the old file kept)
    std::int64_t frames = 0; // the frames the file holds
};

// One video or animated-picture file being written, whatever its container:
//   OpenVideoOutput -> writeFrame ... -> finish (the encoder's queued frames,
//   trailer, index, close and publishing: one step, whose result is the
//   run's) or abandon.
// The file has no visible name until finish puts it in place; an output
// destroyed without finish leaves nothing behind and replaces nothing.
// Every failure throws VideoError; after one, only finish (to keep the frames
// written, where the container can: keepsFramesOnFailure) or abandon remain.
// One thread; encoders may run threads of their own.
class VideoOutput {
public:
    virtual ~VideoOutput() = default;

    // frame is width x height of the settings.
    virtual void writeFrame(const FrameRows &frame) = 0;
    // True when frames may come as rows of a larger picture (pitch beyond a
    // padded row) and go to the file without a copy: stored uncompressed.
    virtual bool storesRowsAsTheyCome() const { return false; }
    // Frames handed over and not yet in the file (an encoder's look-ahead).
    virtual std::int64_t queuedFrames() const { return 0; }
    // The frames in the file so far; after finish, the count it holds.
    virtual std::int64_t framesInFile() const = 0;
    // After a failed frame, the file can still be completed with the frames
    // written before it (AVI: space for its index is reserved ahead).
    virtual bool keepsFramesOnFailure() const { return false; }
    // Completes the file and puts it in place: over an existing file only
    // with consent (and then only with a frame), else under the next free
    // name when the target was taken meanwhile. A file with no frame is not
    // put in place. Throws VideoError; a valid file may still have been put
    // in place (keptName) when only the last frames could not be written.
    virtual PublishedVideo finish(const VideoPublishing &publishing) = 0;
    // Gives the file up: nothing is put in place.
    virtual void abandon() = 0;
};

// The refusal of output settings that cannot be written, in words that name the
// limit ("libx264 needs an even width and height (4:2:0), not 101 x 100");
// empty when it can. Needs no file: it may open the encoder to ask it.
std::string CheckVideoOutput(const VideoOutputSettings &outputSettings);
// The same refusal with its reason: Settings for what the container or the
// encoder's known rules cannot take, NoEncoder, EncoderRefuses.
std::optional<VideoError> RefuseVideoOutput(const VideoOutputSettings &outputSettings);

// Opens the encoder, creates the hidden file in the target's folder and
// writes the header. Throws VideoError; a refusal leaves nothing on disk.
std::unique_ptr<VideoOutput> OpenVideoOutput(const std::string &target, const VideoOutputSettings &outputSettings);

// Why a file cannot be made under that name, known before anything is made
// (a folder there, a name too long): a File error's cause; empty when none.
std::string CheckVideoTarget(const std::string &target);

// The text a run shows for an output's failure: for AVI the sentence of its
// reason ("Failed to add frame to AVI"), for the others "Cannot write the
// video file" (GIF file, WebP file) and the target (unless the cause names it); then the cause,
// and the frames kept where a file was put in place anyway.
std::string VideoFailureText(VideoContainer container, const VideoError &error, const std::string &target = {});

// GIF delays are whole hundredths of a second, at least 2: above 50 frames
// per second every Nth frame is kept (1 at 50 and below).
std::int64_t GifFrameStep(VideoRate rate);
// What a GIF at that rate will do, in one line; empty at 50 frames per
// second and below.
std::string GifFrameRateNote(VideoRate rate);
