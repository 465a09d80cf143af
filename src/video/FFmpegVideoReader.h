#pragma once

#include "video/FFmpegObjects.h"
#include "video/VideoFrameSource.h"

#include <cstdint>
#include <string>
#include <vector>

// A video file read by libavformat and decoded by libavcodec: AVI (any of
// our compressors, or uncompressed), MP4, WebM, Matroska, GIF and whatever
// else FFmpeg knows. Opening reads every packet once, without decoding, to
// count the frames exactly and learn where the key frames are; a file
// cut short or damaged is refused then. Frames reach the bitmap through
// libswscale with the colour matrix and range the stream is tagged with
// (BT.601 when untagged), composited on black where they have alpha. AVI
// files are counted from their index, without reading the frames.
class FFmpegVideoReader : public VideoFrameSource {
public:
    explicit FFmpegVideoReader(std::string path);
    ~FFmpegVideoReader() override;

    const std::string &path() const override { return m_path; }
    int width() const override { return m_width; }
    int height() const override { return m_height; }
    double frameRate() const override { return m_rate; }
    std::int64_t frameCount() const override { return std::int64_t(m_times.size()); }
    std::int64_t nextFrame() const override { return m_decoded ? m_decodedIndex : m_next; }
    bool readFrame(Bitmap24 &frame) override;
    void seekFrame(std::int64_t index) override;

private:
    struct Conversion;
    [[noreturn]] void fail(const std::string &cause) const;
    [[noreturn]] void fail(const std::string &step, int code, const std::string &libraryText) const;
    void openInput(); // the demuxer and the decoder, at the start of the file
    void countFrames();
    bool countFromIndex();
    std::int64_t countPackets(const ffmpeg::ErrorCapture &capture); // the packets never shown
    void checkComplete(std::int64_t discarded) const;
    void rewind();
    // The next frame in showing order into m_frame; false after the last.
    bool decodeFrame();
    bool decodeNext(); // decodeFrame, numbering the frame
    bool keyFrameAfter(std::int64_t from, std::int64_t upTo) const;

    std::string m_path;
    ffmpeg::InputFormatPtr m_format;
    ffmpeg::CodecContextPtr m_decoder;
    ffmpeg::PacketPtr m_packet;
    ffmpeg::FramePtr m_frame;
    std::unique_ptr<Conversion> m_conversion;
    int m_stream = -1;
    int m_width = 0;
    int m_height = 0;
    double m_rate = 0;
    // Each frame's timestamp in showing order, and the key frames' ones.
    std::vector<std::int64_t> m_times;
    std::vector<std::int64_t> m_keyTimes;
    // Each frame draws on the one before (GIF, APNG): only the first is a
    // starting point.
    bool m_onlyFirstIsKey = false;
    bool m_flushed = false; // every packet went to the decoder
    std::int64_t m_next = 0; // the frame the next decode gives
    bool m_decoded = false; // m_frame holds frame m_decodedIndex, not read yet
    std::int64_t m_decodedIndex = 0;
};
