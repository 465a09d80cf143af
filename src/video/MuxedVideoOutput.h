#pragma once

#include "video/FFmpegObjects.h"
#include "video/VideoOutput.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

class AudioTrack;
class MuxerFile;
class VideoEncoder;
struct ContainerLayout;
struct EncoderSettings;

// The encoder the settings ask for, opened (no file is made): for AVI the first
// encoder of the chosen compressor's codec that takes the size and rate,
// null for frames stored uncompressed. Throws VideoError.
std::unique_ptr<VideoEncoder> OpenEncoderFor(const VideoOutputSettings &outputSettings, const GifPalette &palette = {});

// AVI, MP4, WebM, Matroska and GIF files through libavformat: one class,
// the containers' differences as data (ContainerLayout). The frames go
// through the settings' encoder, or for uncompressed AVI from their rows
// straight to the file. AVI reserves disk space ahead, so that a full disk
// refuses a frame before the muxer sees it and the file still closes with
// its index and the frames written; above 1 GB it goes on in OpenDML parts.
class MuxedVideoOutput : public VideoOutput {
public:
    // Opens the encoder, then the hidden file and its header. Throws VideoError.
    MuxedVideoOutput(const std::string &target, const VideoOutputSettings &outputSettings);
    ~MuxedVideoOutput() override;

    void writeFrame(const FrameRows &frame) override;
    bool storesRowsAsTheyCome() const override;
    std::int64_t queuedFrames() const override;
    std::int64_t framesInFile() const override { return m_framesInFile; }
    bool keepsFramesOnFailure() const override;
    PublishedVideo finish(const VideoPublishing &publishing) override;
    void abandon() override;

private:
    [[noreturn]] void fail(VideoError::Reason reason, const std::string &cause);
    [[noreturn]] void failSystem(VideoError::Reason reason);
    void writeRows(const FrameRows &frame);
    void drainEncoder();
    // A packet into the file; false (with the failure kept) when it cannot be.
    bool store(AVPacket *packet);
    bool storeAudio(AVPacket *packet);
    bool write(AVPacket *packet);
    // The music up to a second behind the video packets stored: the fade
    // over the end is not known before the video ends.
    bool feedAudio();
    bool finishAudio();
    void completeFile();

    std::string m_target;
    VideoOutputSettings m_outputSettings;
    const ContainerLayout &m_layout;
    // Declared in the order they are needed: destroyed in reverse.
    std::unique_ptr<MuxerFile> m_file;
    ffmpeg::IoContextPtr m_io;
    ffmpeg::FormatContextPtr m_mux;
    std::unique_ptr<VideoEncoder> m_encoder;
    std::unique_ptr<AudioTrack> m_audio; // the music, when there is one: stream 1
    ffmpeg::PacketPtr m_packet;
    AVRational m_encoderTimeBase { 1, 1 };
    std::size_t m_imageSize = 0; // a frame's rows, padded (uncompressed AVI)
    std::int64_t m_frameStep = 1; // GIF: every frame kept, or every 2nd...
    std::int64_t m_handed = 0; // frames handed over
    std::int64_t m_sent = 0; // frames sent to the encoder (or the file)
    std::int64_t m_packets = 0; // packets received
    std::int64_t m_framesInFile = 0;
    std::int64_t m_lastDts = -1;
    std::int64_t m_chunks = 0;
    std::int64_t m_largestPacket = 0;
    bool m_headerWritten = false;
    bool m_done = false;
    std::optional<VideoError> m_failure;
    std::function<bool()> m_dropQueued; // while finishing
};
