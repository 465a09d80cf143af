#pragma once

#include "video/FFmpegObjects.h"

#include <cstdint>
#include <functional>
#include <memory>

class AtomicFile;

// A libavformat muxer writing into an AtomicFile's unnamed file, with one
// video stream. A muxer that goes back over its output (MP4 moving its index
// to the front) reopens it for reading; the file has no name, so it gets a
// second view of the same file instead. Each call returns FFmpeg's code
// (negative: an error) and leaves the wording of a failure to the writer.
class FFmpegOutputFile {
public:
    explicit FFmpegOutputFile(AtomicFile &file);
    // Unfinished after its header: the trailer still goes into the unnamed
    // file, which frees what a muxer holds back (GIF keeps its last packet
    // until then); AtomicFile then drops the file.
    ~FFmpegOutputFile();
    FFmpegOutputFile(const FFmpegOutputFile &) = delete;
    FFmpegOutputFile &operator=(const FFmpegOutputFile &) = delete;

    // The muxer by libavformat's name ("mp4", "gif"), and its output buffer.
    int open(const char *muxer);
    // Whether the encoder must put its global header in the stream's
    // parameters (AV_CODEC_FLAG_GLOBAL_HEADER). After open().
    bool wantsGlobalHeader() const;
    // The video stream, described by the opened encoder, then the header.
    int writeHeader(const AVCodecContext *encoder, AVDictionary **options);
    // Moves the packets the encoder has ready into the file, in the
    // stream's time base. Returns 0 once the encoder wants more input (or
    // has ended); otherwise the error, with encoding true when the encoder
    // failed and false when writing did. frameDurations: each packet lasts
    // one frame (for a muxer that times a frame by its own duration).
    // stop, when given, is asked before each packet: true returns 1 and
    // leaves the rest in the encoder.
    int writeReady(AVCodecContext *encoder, AVPacket *packet, bool frameDurations, bool &encoding,
        const std::function<bool()> &stop = {});
    // Packets in the file so far.
    std::int64_t packetsWritten() const { return m_packets; }
    // The trailer, then everything buffered out; after it the file is complete.
    int finish();

private:
    struct View {
        int fd = -1;
        std::int64_t position = 0;
        std::int64_t *size = nullptr; // shared by the views
    };
    static int writeView(void *opaque, ffmpeg::IoWriteBuffer data, int length);
    static int readView(void *opaque, std::uint8_t *data, int length);
    static std::int64_t seekView(void *opaque, std::int64_t offset, int whence);
    static AVIOContext *openView(View *view, bool write);
    static int openReadBack(AVFormatContext *format, AVIOContext **pb, const char *, int flags, AVDictionary **);
#if LIBAVFORMAT_VERSION_MAJOR >= 59
    static int closeReadBack(AVFormatContext *, AVIOContext *pb);
#endif

    std::int64_t m_size = 0;
    std::int64_t m_packets = 0;
    View m_view;
    View m_readBack; // the muxer's second pass
    ffmpeg::IoContextPtr m_io;
    ffmpeg::FormatContextPtr m_format;
    AVStream *m_stream = nullptr;
    bool m_headerWritten = false; // and the trailer not yet
};
