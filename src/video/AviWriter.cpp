#include "video/AviWriter.h"

#include "video/FourCC.h"
#include "video/VideoCompressors.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace {

constexpr int kIoBufferSize = 1 << 20;
constexpr std::size_t kMaxFrameBytes = std::size_t(1) << 29; // far inside one 1 GB RIFF part
// Room kept free beyond the frames for what the muxer writes later: per frame
// one idx1 entry (16 bytes) and one OpenDML ix entry (8 bytes); once the RIFF
// and list headers of a new part and the trailer's counters.
constexpr std::int64_t kIndexBytesPerFrame = 24;
constexpr std::int64_t kHeaderAndTrailerBytes = 64 * 1024;
// Above this many frames per second libavformat's AVI muxer stores a 1/600
// time base instead of the rate.
constexpr std::uint32_t kMuxerMaxRate = 1000;

void put32(std::uint8_t *p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(v >> (8 * i));
}

std::uint32_t get32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::string codeName(std::uint32_t handler)
{
    std::string name = fourccText(handler);
    name.insert(name.begin(), '\'');
    name.push_back('\'');
    return name;
}

} // namespace

AviWriter::AviWriter() = default;

AviWriter::~AviWriter()
{
    abandon();
}

bool AviWriter::fail(std::string cause)
{
    if (!m_failed) {
        m_failed = true;
        m_failure = std::move(cause);
    }
    return false;
}

bool AviWriter::failSystem(int error)
{
    return fail(std::string(std::strerror(error ? error : EIO)) + ": " + m_target);
}

bool AviWriter::open(const std::string &target, const VideoFrameFormat &format, const VideoCodecChoice &codec)
{
    if (m_mux || m_failed)
        return fail("the file is open already");
    m_target = target;
    m_format = format;
    ffmpeg::routeLogs();
    // Sizes fit the 16-bit fields of the stream header.
    if (format.width <= 0 || format.height <= 0 || format.width > 65535 || format.height > 65535)
        return fail("a frame of " + std::to_string(format.width) + " x " + std::to_string(format.height)
            + " pixels cannot be stored (1 to 65535 each way)");
    const std::size_t stride = (std::size_t(format.width) * 3 + 3) & ~std::size_t(3);
    if (stride * std::size_t(format.height) > kMaxFrameBytes)
        return fail("a frame of " + std::to_string(format.width) + " x " + std::to_string(format.height)
            + " pixels is larger than 512 MB");
    if (format.rate == 0 || format.scale == 0 || format.rate > INT_MAX || format.scale > INT_MAX)
        return fail("a frame rate of 0 cannot be stored");
    m_imageSize = stride * std::size_t(format.height);

    // The compressor first: a refusal leaves nothing behind.
    const bool compressed = codec.handler != 0 && codec.handler != mmioFOURCC('D', 'I', 'B', ' ');
    std::uint32_t listedHandler = 0;
    m_compressed = compressed;
    if (compressed) {
        const AVCodec *encoder = FindVideoCompressor(codec.handler, &listedHandler);
        if (!encoder)
            return fail("no compressor " + codeName(codec.handler) + " on this machine");
        EncoderParams params;
        params.width = format.width;
        params.height = format.height;
        params.rate = format.rate;
        params.scale = format.scale;
        params.keyFrameEvery = codec.keyFrameEvery;
        params.quality = codec.quality;
        params.bytesPerSecond = codec.bytesPerSecond;
        try {
            m_encoder = std::make_unique<VideoEncoder>();
            if (!m_encoder->open(encoder, params))
                return fail("the compressor " + codeName(listedHandler) + " " + m_encoder->refusal());
        } catch (const std::bad_alloc &) {
            return fail("out of memory");
        }
        m_keyFrameEvery = codec.keyFrameEvery;
    }

    m_file.emplace(target);
    if (!m_file->isOpen())
        return failSystem(m_file->error());
    AVFormatContext *mux = nullptr;
    if (avformat_alloc_output_context2(&mux, nullptr, "avi", nullptr) < 0 || !mux)
        return fail("out of memory");
    m_mux.reset(mux);
    auto *buffer = static_cast<unsigned char *>(av_malloc(kIoBufferSize));
    if (!buffer)
        return fail("out of memory");
    // A seek callback makes the output seekable: the muxer then writes the
    // index, and OpenDML parts past 1 GB.
    m_io.reset(
        avio_alloc_context(buffer, kIoBufferSize, 1, &*m_file, nullptr, &ReservedFile::write, &ReservedFile::seek));
    if (!m_io) {
        av_free(buffer);
        return fail("out of memory");
    }
    // Frames go to the file as they are, not copied through the buffer first.
    m_io->direct = 1;
    m_mux->pb = m_io.get();
    // Raw frames stay as they come: rows bottom first, positive height.
    if (av_opt_set_int(m_mux->priv_data, "flipped_raw_rgb", 1, 0) < 0)
        return fail("this FFmpeg cannot store bottom-up frames");
    m_packet.reset(av_packet_alloc());
    AVStream *stream = m_packet ? avformat_new_stream(m_mux.get(), nullptr) : nullptr;
    if (!stream)
        return fail("out of memory");
    if (m_encoder) {
        if (avcodec_parameters_from_context(stream->codecpar, m_encoder->context()) < 0)
            return fail("out of memory");
        if (!stream->codecpar->codec_tag)
            stream->codecpar->codec_tag = listedHandler;
    } else {
        AVCodecParameters *par = stream->codecpar;
        par->codec_type = AVMEDIA_TYPE_VIDEO;
        par->codec_id = AV_CODEC_ID_RAWVIDEO;
        par->format = AV_PIX_FMT_BGR24;
        par->width = format.width;
        par->height = format.height;
        par->bits_per_coded_sample = 24;
        par->codec_tag = 0; // BI_RGB
        m_keyFrameEvery = 1;
    }
    // One tick per frame. Rates the muxer would not keep get one frame a
    // second here; fixHeaders writes the real one after the trailer.
    const bool muxerKeepsRate = std::uint64_t(format.rate) <= std::uint64_t(kMuxerMaxRate) * format.scale;
    stream->time_base = muxerKeepsRate ? AVRational { int(format.scale), int(format.rate) } : AVRational { 1, 1 };
    stream->avg_frame_rate = { int(format.rate), int(format.scale) };
    if (!m_title.empty() && av_dict_set(&stream->metadata, "title", m_title.c_str(), 0) < 0)
        return fail("out of memory");

    if (!m_file->reserve(kHeaderAndTrailerBytes))
        return failSystem(m_file->error());
    const ffmpeg::ErrorCapture capture;
    if (avformat_write_header(m_mux.get(), nullptr) < 0)
        return m_file->error() ? failSystem(m_file->error())
                               : fail("the AVI muxer refuses the stream: " + capture.last());
    m_headerWritten = true;
    return true;
}

bool AviWriter::writeFrame(const std::uint8_t *bottomRow, std::ptrdiff_t pitch)
{
    if (!m_headerWritten || m_done)
        return fail("the file is not open");
    if (m_failed)
        return false;
    const std::size_t distance = std::size_t(pitch < 0 ? -pitch : pitch);
    const std::size_t rowBytes = std::size_t(m_format.width) * 3;
    const std::size_t stride = m_imageSize / std::size_t(m_format.height);
    if (!bottomRow || (m_encoder ? distance != stride : distance < rowBytes))
        return fail("a frame of the wrong size");
    const std::int64_t sample = m_framesSent;
    if (!m_encoder) {
        // Padded rows that already lie bottom row first go as they are;
        // others are written from where they lie in place of a stand-in
        // (ReservedFile), with their padding as zeros unless it is theirs.
        const bool inPlace = pitch > 0 && distance == stride;
        ReservedFile::Rows rows { bottomRow, pitch, stride, std::size_t(m_format.height) };
        if (distance != stride)
            rows.length = rowBytes, rows.padding = stride - rowBytes;
        const std::uint8_t *data = inPlace ? bottomRow : m_file->standIn(rows);
        if (!data)
            return failSystem(errno);
        AVPacket *packet = m_packet.get();
        packet->data = const_cast<std::uint8_t *>(data); // not reference-counted: the muxer only reads it
        packet->size = int(m_imageSize);
        packet->pts = packet->dts = sample;
        packet->duration = 1;
        packet->flags = AV_PKT_FLAG_KEY;
        ++m_framesSent;
        ++m_packetsReceived;
        bool ok = writePacket(packet);
        packet->data = nullptr;
        packet->size = 0;
        if (!inPlace && !m_file->takeStandIn() && ok)
            ok = fail("the AVI muxer did not write the frame straight to the file");
        return ok;
    }
    const bool key = m_keyFrameEvery > 0 && m_framesSent % m_keyFrameEvery == 0;
    if (const int ret = m_encoder->send(bottomRow, pitch, sample, key); ret < 0) {
        return fail("the compressor failed: " + ffmpeg::errorText(ret));
    }
    ++m_framesSent;
    return drainEncoder({});
}

bool AviWriter::drainEncoder(const std::function<bool()> &dropQueued)
{
    for (;;) {
        if (dropQueued && dropQueued())
            return true;
        const int ret = m_encoder->receive(m_packet.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return true;
        if (ret < 0) {
            return fail("the compressor failed: " + ffmpeg::errorText(ret));
        }
        const bool written = storeReceived(m_packet.get());
        av_packet_unref(m_packet.get());
        if (!written)
            return false;
    }
}

namespace {

// The compressor's queued frames, made on a thread of their own so that the
// caller can stop waiting for them at any moment; packets come back in order.
struct QueuedFrames {
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<AVPacket *> packets;
    bool done = false;
    bool stop = false; // the caller no longer waits: give up the rest
    int result = 0; // AVERROR_EOF when every frame came out

    ~QueuedFrames()
    {
        for (AVPacket *packet : packets)
            av_packet_free(&packet);
    }
};

} // namespace

bool AviWriter::finishQueuedFrames(const std::function<bool()> &dropQueued)
{
    auto queue = std::make_shared<QueuedFrames>();
    std::shared_ptr<VideoEncoder> encoder(std::move(m_encoder));
    std::thread worker;
    try {
        worker = std::thread([queue, encoder] {
            int ret = encoder->flush();
            while (ret >= 0) {
                AVPacket *packet = av_packet_alloc();
                ret = packet ? encoder->receive(packet) : AVERROR(ENOMEM);
                const std::lock_guard lock(queue->mutex);
                if (ret >= 0)
                    queue->packets.push_back(packet);
                else
                    av_packet_free(&packet);
                queue->ready.notify_one();
                if (queue->stop) {
                    encoder->dropQueued();
                    break;
                }
            }
            const std::lock_guard lock(queue->mutex);
            queue->done = true;
            queue->result = ret;
            queue->ready.notify_one();
        });
    } catch (const std::system_error &) {
        // No thread: the frames are finished here, dropped only between packets.
        if (encoder->flush() < 0)
            return fail("the compressor could not finish");
        for (;;) {
            if (dropQueued && dropQueued())
                return true;
            const int ret = encoder->receive(m_packet.get());
            if (ret == AVERROR_EOF)
                return true;
            if (ret < 0)
                return fail("the compressor failed while finishing");
            const bool written = storeReceived(m_packet.get());
            av_packet_unref(m_packet.get());
            if (!written)
                return false;
        }
    }
    bool ok = true, dropped = false;
    std::unique_lock lock(queue->mutex);
    for (;;) {
        queue->ready.wait_for(
            lock, std::chrono::milliseconds(50), [&] { return queue->done || !queue->packets.empty(); });
        while (!queue->packets.empty()) {
            AVPacket *packet = queue->packets.front();
            queue->packets.pop_front();
            lock.unlock();
            ok = ok && storeReceived(packet);
            av_packet_free(&packet);
            lock.lock();
        }
        if (queue->done || !ok)
            break;
        if (dropQueued && dropQueued()) {
            dropped = true;
            queue->stop = true;
            break;
        }
    }
    const int result = queue->result;
    const bool done = queue->done;
    lock.unlock();
    if (done || !dropped) {
        worker.join();
    } else {
        // Left to end on its own after the frame it is making: the file does
        // not wait for it, and the compressor goes with its last reference.
        worker.detach();
    }
    if (ok && done && result != AVERROR_EOF) {
        return fail("the compressor failed while finishing: " + ffmpeg::errorText(result));
    }
    return ok;
}

bool AviWriter::storeReceived(AVPacket *packet)
{
    ++m_packetsReceived;
    if (m_keyFrameEvery == 1)
        packet->flags |= AV_PKT_FLAG_KEY;
    return writePacket(packet);
}

bool AviWriter::writePacket(AVPacket *packet)
{
    packet->stream_index = 0;
    // Encoders count in frames (time base scale / rate), as the muxer does.
    if (packet->dts == AV_NOPTS_VALUE)
        packet->dts = packet->pts;
    packet->duration = 1;
    // The muxer fills skipped samples with empty chunks.
    const std::int64_t skipped = std::max<std::int64_t>(0, packet->dts - m_lastDts - 1);
    m_largestPacket = std::max<std::int64_t>(m_largestPacket, packet->size);
    // Room for this chunk, the index of every chunk so far, and the frames
    // the encoder still holds (as large as the largest so far).
    const std::int64_t queued = m_encoder ? std::max<std::int64_t>(0, queuedFrames()) : 0;
    const std::int64_t end = avio_tell(m_io.get()) + 9 + packet->size + 8 * skipped
        + queued * (m_largestPacket + 8 + kIndexBytesPerFrame) + kIndexBytesPerFrame * (m_chunks + skipped + 1)
        + kHeaderAndTrailerBytes;
    if (!m_file->reserve(end))
        return failSystem(m_file->error());
    if (av_write_frame(m_mux.get(), packet) < 0 || m_io->error < 0)
        return m_file->error() ? failSystem(m_file->error()) : fail("the AVI muxer refused a frame");
    m_chunks += skipped + 1;
    m_lastDts = packet->dts;
    ++m_framesInFile;
    return true;
}

std::int64_t AviWriter::firstPartFrames()
{
    // The first part's idx1 index holds one 16-byte entry per chunk of it,
    // skipped frames included: one stream, so one entry per frame.
    std::uint8_t chunk[8];
    if (!m_file->readAt(0, chunk, 8))
        return -1;
    const std::int64_t partEnd = 8 + std::int64_t(get32(chunk + 4));
    for (std::int64_t at = 12; at + 8 <= partEnd;) {
        if (!m_file->readAt(at, chunk, 8))
            return -1;
        const std::int64_t size = get32(chunk + 4);
        if (std::memcmp(chunk, "idx1", 4) == 0)
            return size / 16;
        at += 8 + size + (size & 1);
    }
    return -1;
}

bool AviWriter::fixHeaders()
{
    // The main header's microseconds per frame (at 32), the video stream
    // header's scale and rate, and for uncompressed frames the format's
    // image size with the rows' padding, found in the header list. In an
    // OpenDML file, the main header's frame count (at 48) is the first
    // part's: the muxer counts the frame that opens the second part in it.
    std::uint8_t head[16384] = {};
    const std::size_t size = std::size_t(std::min<std::int64_t>(sizeof head, m_file->end()));
    if (!m_file->readAt(0, head, size))
        return failSystem(m_file->error());
    if (size < 64 || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 24, "avih", 4) != 0)
        return fail("the AVI header is not where it belongs");
    const double seconds = double(m_format.scale) / double(m_format.rate);
    put32(head + 32, std::uint32_t(std::lround(seconds * 1e6)));
    if (8 + std::int64_t(get32(head + 4)) < m_file->end()) {
        const std::int64_t frames = firstPartFrames();
        if (frames < 0)
            return m_file->error() ? failSystem(m_file->error()) : fail("the AVI index is not where it belongs");
        put32(head + 48, std::uint32_t(frames));
    }
    bool found = false;
    for (std::size_t at = 12; at + 40 <= size; ++at) {
        if (std::memcmp(head + at, "strh", 4) == 0 && std::memcmp(head + at + 8, "vids", 4) == 0) {
            put32(head + at + 8 + 20, m_format.scale);
            put32(head + at + 8 + 24, m_format.rate);
            found = true;
        } else if (!m_compressed && std::memcmp(head + at, "strf", 4) == 0 && at + 32 <= size) {
            put32(head + at + 8 + 20, std::uint32_t(m_imageSize)); // biSizeImage with the rows' padding
        } else if (std::memcmp(head + at, "vprp", 4) == 0 && at + 20 <= size) {
            put32(head + at + 16, std::uint32_t(std::lround(1.0 / seconds)));
        }
        if (std::memcmp(head + at, "movi", 4) == 0)
            break;
    }
    if (!found)
        return fail("the AVI stream header is not where it belongs");
    return m_file->writeAt(0, head, size) || failSystem(m_file->error());
}

bool AviWriter::finish(const VideoPublishing &publishing)
{
    if (!m_headerWritten || m_done)
        return fail("the file is not open");
    m_done = true;
    // The encoder's queued frames first; should they fail, the file still
    // closes with the frames it holds.
    bool ok = !m_failed;
    if (m_encoder && ok)
        ok = finishQueuedFrames(publishing.dropQueued);
    if (m_encoder && queuedFrames() > 0)
        m_encoder->dropQueued();
    const ffmpeg::ErrorCapture capture;
    const int trailer = av_write_trailer(m_mux.get());
    avio_flush(m_io.get());
    if (trailer < 0 || m_io->error < 0) {
        // The file has no valid index: it replaces nothing.
        m_file->error() ? failSystem(m_file->error()) : fail("the AVI index could not be written: " + capture.last());
        abandon();
        return false;
    }
    m_encoder.reset();
    m_mux.reset();
    m_io.reset();
    if (!fixHeaders() || !m_file->close()) {
        failSystem(m_file->error());
        abandon();
        return false;
    }
    return publish(publishing) && ok;
}

bool AviWriter::publish(const VideoPublishing &publishing)
{
    const auto failPublish = [this](int error, const std::string &name) {
        const std::string cause
            = (error == AtomicFile::kKeptFile ? std::string("the picture being read") : std::strerror(error)) + ": "
            + name;
        if (m_failed)
            m_failure += "\n" + cause;
        return m_failed ? false : fail(cause);
    };
    std::string name = publishing.target;
    int attempt = 0;
    if (publishing.replace) {
        if (m_framesInFile == 0)
            return true; // nothing to replace the old file with
        const int error
            = m_file->publish(name, AtomicFile::Publish::Replace, publishing.keep ? &*publishing.keep : nullptr);
        if (error == 0) {
            m_publishedName = name;
            return true;
        }
        // The name cannot be replaced (a folder appeared there): the frames
        // are kept under the next free name, and the failure reported.
        failPublish(error, name);
        name = publishing.nextName ? publishing.nextName(++attempt) : std::string();
        if (name.empty())
            return false;
    }
    for (;;) {
        const int error = m_file->publish(name, AtomicFile::Publish::NoReplace);
        if (error == 0) {
            m_publishedName = name;
            return !m_failed;
        }
        if (error != EEXIST)
            return failPublish(error, name);
        const std::string next = publishing.nextName ? publishing.nextName(++attempt) : std::string();
        if (next.empty())
            return failPublish(error, name);
        name = next;
    }
}

void AviWriter::abandon()
{
    m_done = true;
    m_encoder.reset();
    m_mux.reset();
    m_io.reset();
    m_file.reset(); // unnamed or temporary: gone
}
