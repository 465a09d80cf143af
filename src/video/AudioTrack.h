#pragma once

#include "video/FFmpegObjects.h"
#include "video/VideoFormats.h"
#include "video/VideoOutput.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

struct AudioTrackParts;

// Music under a video: any sound file FFmpeg reads, decoded, resampled
// (libswresample) to 48 kHz stereo and encoded for the container: AAC in
// MP4 (FFmpeg's own encoder), Opus in WebM and Matroska (libopus: FFmpeg's
// own Opus encoder is experimental). The track lasts as long as the video:
// silence after the music's end, a fade-out over its last second (a third
// of a shorter video). Packets come in the encoder's time base, one tick a
// sample.
class AudioTrack {
public:
    static constexpr int kSampleRate = 48000;
    static constexpr std::int64_t kLongestFade = kSampleRate; // one second

    // Opens the file, decodes its first sound and opens the encoder. Throws
    // VideoError: Settings with the path and the cause for a file that
    // cannot be read, NoEncoder when this FFmpeg lacks the encoder.
    AudioTrack(const std::string &path, VideoContainer container, bool globalHeader);
    ~AudioTrack();
    AudioTrack(const AudioTrack &) = delete;
    AudioTrack &operator=(const AudioTrack &) = delete;

    const AVCodecContext *context() const;
    // Samples handed to the encoder so far.
    std::int64_t samplesSent() const;

    // Takes each packet; false stops the track (the failure is the sink's).
    using PacketSink = std::function<bool(AVPacket *packet)>;
    // Encodes whole encoder frames of music at full volume while they end
    // at or before sample until. Returns the failure in words, empty when
    // none (a sink's refusal is no failure of the track's).
    std::string encodeUntil(std::int64_t until, const PacketSink &sink);
    // Encodes the rest up to sample end, fading out over FadeSamples(end)
    // (from where the track stands, should it stand later), and empties the
    // encoder. Returns the failure in words, empty when none.
    std::string finish(std::int64_t end, const PacketSink &sink);

    // The fade-out of a track of that many samples: one second, or a third
    // of a shorter one.
    static std::int64_t FadeSamples(std::int64_t end);

private:
    std::unique_ptr<AudioTrackParts> m_parts;
};

// Why that music cannot go under a video of that container (the path and
// the cause), nothing when it can. Opens the file and the encoder, then
// closes them.
std::optional<VideoError> RefuseAudioFile(const std::string &path, VideoContainer container);

// True for the containers that carry music: MP4, WebM, Matroska.
bool ContainerCarriesAudio(VideoContainer container);
