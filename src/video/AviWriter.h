#pragma once

#include "video/FFmpegObjects.h"
#include "video/ReservedFile.h"
#include "video/VideoEncoder.h"
#include "video/VideoFileWriter.h"

#include <memory>
#include <optional>

// An AVI file written by libavformat's AVI muxer: one video stream, frames
// stored as they come (BI_RGB) or through a listed compressor. Files above
// 1 GB become OpenDML files. The stream header holds the rate asked for
// (every rate of 16 bits and more), written by us after the muxer's trailer
// where the muxer would change it.
class AviWriter : public VideoFileWriter {
public:
    AviWriter();
    ~AviWriter() override;

    // The title written as the stream's name ("strn"); before open.
    void setTitle(std::string title) { m_title = std::move(title); }

    bool open(const std::string &target, const VideoFrameFormat &format, const VideoCodecChoice &codec) override;
    // Uncompressed, the rows may also lie further apart than a padded row
    // (rows of a larger picture): only each row's pixels are read, and the
    // padding is written as zeros.
    bool writeFrame(const std::uint8_t *bottomRow, std::ptrdiff_t pitch) override;
    // Open, storing frames as they come (no compressor).
    bool storesRowsAsTheyCome() const { return m_headerWritten && !m_encoder; }
    std::int64_t queuedFrames() const override { return m_framesSent - m_packetsReceived; }
    bool finish(const VideoPublishing &publishing) override;
    void abandon() override;
    std::int64_t framesInFile() const override { return m_framesInFile; }
    const std::string &publishedName() const override { return m_publishedName; }
    const std::string &failure() const override { return m_failure; }

private:
    bool fail(std::string cause);
    bool failSystem(int error);
    bool writePacket(AVPacket *packet);
    // A packet from the compressor: counted, marked as a key frame when
    // every frame is one, and written.
    bool storeReceived(AVPacket *packet);
    bool drainEncoder(const std::function<bool()> &dropQueued);
    bool finishQueuedFrames(const std::function<bool()> &dropQueued);
    std::int64_t firstPartFrames();
    bool fixHeaders();
    bool publish(const VideoPublishing &publishing);

    std::string m_target;
    std::string m_title;
    VideoFrameFormat m_format;
    // Declared in the order they are needed: destroyed in reverse.
    std::optional<ReservedFile> m_file;
    ffmpeg::IoContextPtr m_io;
    ffmpeg::FormatContextPtr m_mux;
    std::unique_ptr<VideoEncoder> m_encoder;
    ffmpeg::PacketPtr m_packet;
    std::size_t m_imageSize = 0;
    std::uint32_t m_keyFrameEvery = 1;
    bool m_compressed = false;
    bool m_headerWritten = false;
    bool m_failed = false;
    bool m_done = false;
    std::int64_t m_framesSent = 0;
    std::int64_t m_packetsReceived = 0;
    std::int64_t m_framesInFile = 0;
    std::int64_t m_lastDts = -1;
    std::int64_t m_chunks = 0;
    std::int64_t m_largestPacket = 0;
    std::string m_publishedName;
    std::string m_failure;
};
