#include "video/FFmpegVideoReader.h"

#include "common/Bitmap24.h"
#include "common/MemoryBudget.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

namespace {

// libswscale's name for the matrix a stream is tagged with.
int swsColourspace(AVColorSpace space)
{
    switch (space) {
    case AVCOL_SPC_BT709:
        return SWS_CS_ITU709;
    case AVCOL_SPC_FCC:
        return SWS_CS_FCC;
    case AVCOL_SPC_SMPTE240M:
        return SWS_CS_SMPTE240M;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        return SWS_CS_BT2020;
    default:
        return SWS_CS_ITU601; // untagged video is taken as BT.601, as players do
    }
}

bool isFullRangeFormat(AVPixelFormat format)
{
    switch (format) {
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUVJ422P:
    case AV_PIX_FMT_YUVJ444P:
    case AV_PIX_FMT_YUVJ440P:
    case AV_PIX_FMT_YUVJ411P:
        return true;
    default:
        return false;
    }
}

std::int64_t timestampOf(const AVPacket *packet)
{
    return packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
}

} // namespace

// The libswscale context of the last frame's kind, kept while frames come alike.
struct FFmpegVideoReader::Conversion {
    ffmpeg::SwsPtr sws;
    int width = 0, height = 0;
    AVPixelFormat format = AV_PIX_FMT_NONE;
    AVColorSpace space = AVCOL_SPC_UNSPECIFIED;
    bool fullRange = false;
    std::vector<std::uint8_t> rows; // swscale's output, before it goes into the frame
};

FFmpegVideoReader::FFmpegVideoReader(std::string path)
    : m_path(std::move(path))
    , m_packet(av_packet_alloc())
    , m_frame(av_frame_alloc())
    , m_conversion(std::make_unique<Conversion>())
{
    if (!m_packet || !m_frame)
        fail("out of memory");
    openInput();
    countFrames();
    rewind();
}

FFmpegVideoReader::~FFmpegVideoReader() = default;

void FFmpegVideoReader::fail(const std::string &cause) const
{
    throw VideoReadError("Cannot read the video file " + m_path + ": " + cause);
}

void FFmpegVideoReader::fail(const std::string &step, int code, const std::string &libraryText) const
{
    // The library's own sentence says more than the error code when there is one.
    fail(step + ": " + (libraryText.empty() ? ffmpeg::errorText(code) : libraryText));
}

void FFmpegVideoReader::openInput()
{
    ffmpeg::ErrorCapture capture;
    // Back at the start, with nothing open until everything is: after a
    // failure the next read tries again.
    m_decoder.reset();
    m_format.reset();
    m_flushed = false;
    m_decoded = false;
    m_next = 0;
    AVFormatContext *format = nullptr;
    int e = avformat_open_input(&format, m_path.c_str(), nullptr, nullptr);
    if (e < 0)
        fail(ffmpeg::errorText(e)); // "No such file or directory", "Invalid data found when processing input"
    m_format.reset(format);
    e = avformat_find_stream_info(format, nullptr);
    if (e < 0)
        fail("stream information", e, capture.last());
    const AVCodec *codec = nullptr;
    e = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (e == AVERROR_STREAM_NOT_FOUND)
        fail("the file holds no video");
    if (e < 0 || !codec) {
        const AVCodecDescriptor *desc
            = e >= 0 ? avcodec_descriptor_get(format->streams[e]->codecpar->codec_id) : nullptr;
        fail(desc ? std::string("no decoder for ") + desc->name + " video on this machine"
                  : "no decoder for its video on this machine");
    }
    if (m_stream >= 0 && e != m_stream)
        fail("the file changed while it was played");
    m_stream = e;
    const AVStream *stream = format->streams[m_stream];
    m_decoder.reset(avcodec_alloc_context3(codec));
    if (!m_decoder)
        fail("out of memory");
    e = avcodec_parameters_to_context(m_decoder.get(), stream->codecpar);
    if (e < 0)
        fail("decoder set-up", e, capture.last());
    m_decoder->pkt_timebase = stream->time_base;
    m_decoder->thread_count = 0; // as many as the processor has
    // Frames beyond the memory available are refused by the decoder itself.
    m_decoder->max_pixels = std::int64_t(std::min<std::uint64_t>(AvailableMemory() / 4, INT64_MAX));
    e = avcodec_open2(m_decoder.get(), codec, nullptr);
    if (e < 0)
        fail(std::string("decoder ") + codec->name, e, capture.last());
    m_width = stream->codecpar->width;
    m_height = stream->codecpar->height;
    m_onlyFirstIsKey = codec->id == AV_CODEC_ID_GIF || codec->id == AV_CODEC_ID_APNG;
}

bool FFmpegVideoReader::countFromIndex()
{
    AVStream *stream = m_format->streams[m_stream];
    const int entries = avformat_index_get_entries_count(stream);
    if (std::strcmp(m_format->iformat->name, "avi") != 0 || entries <= 0 || entries != stream->nb_frames)
        return false;
    const std::int64_t fileSize = avio_size(m_format->pb);
    std::vector<std::int64_t> times, keyTimes;
    for (int i = 0; i < entries; ++i) {
        const AVIndexEntry *entry = avformat_index_get_entry(stream, i);
        // A frame that repeats the one before (no data), or lies past the
        // end: the packets tell more.
        if (!entry || entry->size <= 0 || fileSize <= 0 || entry->pos + entry->size > fileSize)
            return false;
        times.push_back(entry->timestamp);
        if (entry->flags & AVINDEX_KEYFRAME)
            keyTimes.push_back(entry->timestamp);
    }
    m_times = std::move(times);
    m_keyTimes = std::move(keyTimes);
    return true;
}

std::int64_t FFmpegVideoReader::countPackets(const ffmpeg::ErrorCapture &capture)
{
    std::int64_t discarded = 0;
    int e = 0;
    while ((e = av_read_frame(m_format.get(), m_packet.get())) >= 0) {
        const AVPacket &p = *m_packet;
        if (p.stream_index == m_stream) {
            if (p.flags & AV_PKT_FLAG_CORRUPT) {
                av_packet_unref(m_packet.get());
                fail(
                    "the file is cut short or damaged: frame " + std::to_string(m_times.size() + 1) + " is incomplete");
            }
            if (p.flags & AV_PKT_FLAG_DISCARD) {
                ++discarded; // decoded for the next ones, never shown
            } else {
                const std::int64_t at = timestampOf(&p);
                m_times.push_back(at != AV_NOPTS_VALUE ? at : (m_times.empty() ? 0 : m_times.back() + 1));
                if (p.flags & AV_PKT_FLAG_KEY)
                    m_keyTimes.push_back(m_times.back());
            }
        }
        av_packet_unref(m_packet.get());
    }
    if (e != AVERROR_EOF)
        fail("reading", e, capture.last());
    return discarded;
}

void FFmpegVideoReader::countFrames()
{
    ffmpeg::ErrorCapture capture;
    // An AVI file's index lists every frame: its data (for uncompressed
    // frames, the whole file) need not be read.
    const std::int64_t discarded = countFromIndex() ? 0 : countPackets(capture);
    if (m_times.empty())
        fail("the file holds no frame");
    std::sort(m_times.begin(), m_times.end());
    std::sort(m_keyTimes.begin(), m_keyTimes.end());
    if (m_onlyFirstIsKey || m_keyTimes.empty() || m_keyTimes.front() != m_times.front())
        m_keyTimes.assign(1, m_times.front()); // decoding starts at the start

    const AVStream *stream = m_format->streams[m_stream];
    AVRational rate = stream->avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        rate = stream->r_frame_rate;
    m_rate = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 0;
    if (!(m_rate > 0) && m_times.size() > 1 && m_times.back() > m_times.front())
        m_rate = double(m_times.size() - 1) / (double(m_times.back() - m_times.front()) * av_q2d(stream->time_base));
    if (!(m_rate > 0) || !std::isfinite(m_rate))
        fail("the file gives no frame rate");
    checkComplete(discarded);
    if (!capture.last().empty())
        fail(capture.last()); // the demuxer found something wrong on the way
}

// Containers that say how long they are tell a file cut short.
void FFmpegVideoReader::checkComplete(std::int64_t discarded) const
{
    const AVStream *stream = m_format->streams[m_stream];
    const std::int64_t read = std::int64_t(m_times.size()) + discarded;
    const auto cutShort = [this](const std::string &how) { fail("the file is cut short: " + how); };
    if (stream->nb_frames > read)
        cutShort(std::to_string(read) + " of " + std::to_string(stream->nb_frames) + " frames");
    // The whole file's length, when the video is all it holds.
    if (m_format->nb_streams == 1 && m_format->duration != AV_NOPTS_VALUE && m_format->duration > 0) {
        const double announced = double(m_format->duration) / AV_TIME_BASE;
        const double present = double(m_times.size()) / m_rate;
        if (present + 1.5 / m_rate < announced)
            cutShort(std::to_string(m_times.size()) + " frames, " + std::to_string(std::lround(announced * m_rate))
                + " announced");
    }
}

void FFmpegVideoReader::rewind()
{
    // Opening again is the one way back to the start that every demuxer
    // takes (GIF's cannot seek).
    openInput();
}

bool FFmpegVideoReader::decodeFrame()
{
    if (!m_decoder)
        openInput(); // an earlier failure left the file closed
    ffmpeg::ErrorCapture capture;
    for (;;) {
        int e = avcodec_receive_frame(m_decoder.get(), m_frame.get());
        if (e >= 0)
            return true;
        if (e == AVERROR_EOF)
            return false;
        if (e != AVERROR(EAGAIN))
            fail("frame " + std::to_string(m_next + 1), e, capture.last());
        if (m_flushed)
            return false;
        e = av_read_frame(m_format.get(), m_packet.get());
        if (e == AVERROR_EOF) {
            m_flushed = true;
            avcodec_send_packet(m_decoder.get(), nullptr); // the frames it holds come next
            continue;
        }
        if (e < 0)
            fail("reading", e, capture.last());
        if (m_packet->stream_index == m_stream)
            e = avcodec_send_packet(m_decoder.get(), m_packet.get());
        av_packet_unref(m_packet.get());
        if (e < 0 && e != AVERROR(EAGAIN))
            fail("frame " + std::to_string(m_next + 1), e, capture.last());
    }
}

bool FFmpegVideoReader::decodeNext()
{
    if (!decodeFrame())
        return false;
    // Numbered by its timestamp, which tells where a seek landed; counted on
    // when there is none.
    const std::int64_t at = m_frame->best_effort_timestamp;
    std::int64_t index = m_next;
    if (at != AV_NOPTS_VALUE)
        index = std::lower_bound(m_times.begin(), m_times.end(), at) - m_times.begin();
    m_decodedIndex = std::min(index, frameCount() - 1);
    m_decoded = true;
    return true;
}

bool FFmpegVideoReader::readFrame(Bitmap24 &target)
{
    if (!m_decoded && !decodeNext())
        return false;
    const AVFrame *f = m_frame.get();
    const auto format = AVPixelFormat(f->format);
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(format);
    if (!desc || f->width <= 0 || f->height <= 0)
        fail("frame " + std::to_string(m_decodedIndex + 1) + " has no picture");
    const int w = f->width, h = f->height;
    Bitmap24 frame;
    if (!Bitmap24::sizeAllowed(w, h) || !frame.resize(w, h))
        fail("not enough memory for a frame of " + std::to_string(w) + " x " + std::to_string(h));

    Conversion &c = *m_conversion;
    const bool rgb
        = (desc->flags & AV_PIX_FMT_FLAG_RGB) || (desc->flags & AV_PIX_FMT_FLAG_PAL) || desc->nb_components < 3;
    const bool alpha = (desc->flags & AV_PIX_FMT_FLAG_ALPHA) != 0;
    const bool fullRange = f->color_range == AVCOL_RANGE_JPEG || isFullRangeFormat(format);
    if (!c.sws || c.width != w || c.height != h || c.format != format || c.space != f->colorspace
        || c.fullRange != fullRange) {
        // swscale's vectorised path: within a level of its accurate one,
        // which takes 20 times as long (74 ms a 1920 x 1080 frame, more
        // than a frame's time at 25 a second).
        c.sws.reset(sws_getContext(w, h, format, w, h, alpha ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24,
            SWS_BILINEAR | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr));
        if (!c.sws)
            fail(std::string("no conversion from ") + desc->name + " pixels");
        if (!rgb) {
            const int *matrix = sws_getCoefficients(swsColourspace(f->colorspace));
            sws_setColorspaceDetails(
                c.sws.get(), matrix, fullRange, sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
        }
        c.width = w, c.height = h, c.format = format, c.space = f->colorspace, c.fullRange = fullRange;
    }
    // swscale's vector code stores whole vectors, up to 16 bytes past a
    // row and past the last one (4:2:0 frames 90 or 666 pixels wide): it
    // writes into rows of ours, with room after them, copied into the frame.
    const std::size_t rowBytes = std::size_t(w) * (alpha ? 4 : 3);
    const std::size_t lineSize = (rowBytes + 63) & ~std::size_t(63);
    try {
        c.rows.resize(lineSize * std::size_t(h) + 64);
    } catch (const std::bad_alloc &) {
        fail("not enough memory for a frame of " + std::to_string(w) + " x " + std::to_string(h));
    }
    std::uint8_t *dst[4] = { c.rows.data(), nullptr, nullptr, nullptr };
    int dstStride[4] = { int(lineSize), 0, 0, 0 };
    if (sws_scale(c.sws.get(), f->data, f->linesize, 0, h, dst, dstStride) != h)
        fail("frame " + std::to_string(m_decodedIndex + 1) + ": colour conversion");
    const std::size_t pixels = std::size_t(w) * 3;
    for (int y = 0; y < h; ++y) {
        const std::uint8_t *s = c.rows.data() + lineSize * std::size_t(y);
        std::uint8_t *row = frame.scanLine(y);
        if (alpha) {
            // Composited on black, as pictures with alpha are.
            for (int x = 0; x < w; ++x, s += 4) {
                const unsigned a = s[3];
                row[3 * x] = std::uint8_t((s[0] * a + 127) / 255);
                row[3 * x + 1] = std::uint8_t((s[1] * a + 127) / 255);
                row[3 * x + 2] = std::uint8_t((s[2] * a + 127) / 255);
            }
        } else {
            std::memcpy(row, s, pixels);
        }
        std::memset(row + pixels, 0, frame.stride() - pixels); // the padding stays zero
    }
    target = std::move(frame);
    m_decoded = false;
    m_next = m_decodedIndex + 1;
    return true;
}

bool FFmpegVideoReader::keyFrameAfter(std::int64_t from, std::int64_t upTo) const
{
    const auto key = std::upper_bound(m_keyTimes.begin(), m_keyTimes.end(), m_times[std::size_t(from)]);
    return key != m_keyTimes.end() && *key <= m_times[std::size_t(upTo)];
}

void FFmpegVideoReader::seekFrame(std::int64_t index)
{
    if (index < 0 || index >= frameCount())
        fail("no frame " + std::to_string(index + 1) + " (the file has " + std::to_string(frameCount()) + ")");
    if (!m_decoder)
        openInput(); // an earlier failure left the file closed
    const std::int64_t next = nextFrame();
    if (index == next)
        return;
    bool fromStart = false;
    // Forward without a key frame on the way: decoding on is the shortest road.
    if (index < next || next >= frameCount() || keyFrameAfter(next, index)) {
        const std::int64_t target = m_times[std::size_t(index)];
        const auto key = std::upper_bound(m_keyTimes.begin(), m_keyTimes.end(), target) - 1;
        fromStart = key == m_keyTimes.begin();
        if (!fromStart && av_seek_frame(m_format.get(), m_stream, *key, AVSEEK_FLAG_BACKWARD) >= 0) {
            avcodec_flush_buffers(m_decoder.get());
            m_flushed = false;
            m_decoded = false;
            m_next = std::lower_bound(m_times.begin(), m_times.end(), *key) - m_times.begin();
        } else {
            rewind();
            fromStart = true;
        }
    }
    for (;;) {
        if (!m_decoded && !decodeNext())
            fail("frame " + std::to_string(index + 1) + " could not be decoded");
        if (m_decodedIndex > index && !fromStart) {
            // The seek landed past the frame: from the start, then.
            rewind();
            fromStart = true;
            continue;
        }
        if (m_decodedIndex >= index)
            return;
        m_decoded = false; // decoded for the ones after it, not converted
        m_next = m_decodedIndex + 1;
    }
}
