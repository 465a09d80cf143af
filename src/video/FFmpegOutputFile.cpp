#include "video/FFmpegOutputFile.h"

#include "common/AtomicFile.h"

extern "C" {
#include <libavutil/error.h>
}

#include <algorithm>
#include <cerrno>
#include <unistd.h>

FFmpegOutputFile::FFmpegOutputFile(AtomicFile &file)
    : m_view { file.fd(), 0, &m_size }
    , m_readBack { file.fd(), 0, &m_size }
{
}

FFmpegOutputFile::~FFmpegOutputFile()
{
    if (m_headerWritten)
        av_write_trailer(m_format.get()); // into the unnamed file, which is then dropped
}

int FFmpegOutputFile::writeView(void *opaque, ffmpeg::IoWriteBuffer data, int length)
{
    auto *view = static_cast<View *>(opaque);
    int done = 0;
    while (done < length) {
        const ssize_t n = ::pwrite(view->fd, data + done, std::size_t(length - done), view->position);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return AVERROR(errno);
        }
        done += int(n);
        view->position += n;
    }
    *view->size = std::max(*view->size, view->position);
    return done;
}

int FFmpegOutputFile::readView(void *opaque, std::uint8_t *data, int length)
{
    auto *view = static_cast<View *>(opaque);
    for (;;) {
        const ssize_t n = ::pread(view->fd, data, std::size_t(length), view->position);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return AVERROR(errno);
        if (n == 0)
            return AVERROR_EOF;
        view->position += n;
        return int(n);
    }
}

std::int64_t FFmpegOutputFile::seekView(void *opaque, std::int64_t offset, int whence)
{
    auto *view = static_cast<View *>(opaque);
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return *view->size;
    case SEEK_SET:
        view->position = offset;
        break;
    case SEEK_CUR:
        view->position += offset;
        break;
    case SEEK_END:
        view->position = *view->size + offset;
        break;
    default:
        return AVERROR(EINVAL);
    }
    return view->position;
}

AVIOContext *FFmpegOutputFile::openView(View *view, bool write)
{
    auto *buffer = static_cast<std::uint8_t *>(av_malloc(1 << 16));
    if (!buffer)
        return nullptr;
    AVIOContext *io = avio_alloc_context(
        buffer, 1 << 16, write ? 1 : 0, view, write ? nullptr : readView, write ? writeView : nullptr, seekView);
    if (!io)
        av_free(buffer);
    return io;
}

int FFmpegOutputFile::openReadBack(AVFormatContext *format, AVIOContext **pb, const char *, int flags, AVDictionary **)
{
    auto *view = static_cast<View *>(format->opaque);
    if (flags & AVIO_FLAG_WRITE)
        return AVERROR(EPERM);
    view->position = 0;
    *pb = openView(view, false);
    return *pb ? 0 : AVERROR(ENOMEM);
}

#if LIBAVFORMAT_VERSION_MAJOR >= 59
int FFmpegOutputFile::closeReadBack(AVFormatContext *, AVIOContext *pb)
{
    ffmpeg::IoContextFree()(pb);
    return 0;
}
#endif

int FFmpegOutputFile::open(const char *muxer)
{
    AVFormatContext *format = nullptr;
    if (const int e = avformat_alloc_output_context2(&format, nullptr, muxer, nullptr); e < 0)
        return e;
    m_format.reset(format);
    m_io.reset(openView(&m_view, true));
    if (!m_io)
        return AVERROR(ENOMEM);
    format->pb = m_io.get();
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    format->opaque = &m_readBack;
    format->io_open = openReadBack;
#if LIBAVFORMAT_VERSION_MAJOR >= 59
    format->io_close2 = closeReadBack;
#endif
    return 0;
}

bool FFmpegOutputFile::wantsGlobalHeader() const
{
    return m_format && (m_format->oformat->flags & AVFMT_GLOBALHEADER);
}

int FFmpegOutputFile::writeHeader(const AVCodecContext *encoder, AVDictionary **options)
{
    m_stream = avformat_new_stream(m_format.get(), nullptr);
    if (!m_stream)
        return AVERROR(ENOMEM);
    if (const int e = avcodec_parameters_from_context(m_stream->codecpar, encoder); e < 0)
        return e;
    m_stream->time_base = encoder->time_base;
    m_stream->avg_frame_rate = encoder->framerate;
    if (const int e = avformat_write_header(m_format.get(), options); e < 0)
        return e;
    m_headerWritten = true;
    return 0;
}

int FFmpegOutputFile::writeReady(
    AVCodecContext *encoder, AVPacket *packet, bool frameDurations, bool &encoding, const std::function<bool()> &stop)
{
    for (;;) {
        if (stop && stop())
            return 1;
        const int e = avcodec_receive_packet(encoder, packet);
        if (e == AVERROR(EAGAIN) || e == AVERROR_EOF)
            return 0;
        encoding = true;
        if (e < 0)
            return e;
        if (frameDurations)
            packet->duration = 1;
        av_packet_rescale_ts(packet, encoder->time_base, m_stream->time_base);
        packet->stream_index = m_stream->index;
        const int w = av_interleaved_write_frame(m_format.get(), packet);
        av_packet_unref(packet);
        encoding = false;
        if (w < 0)
            return w;
        ++m_packets;
    }
}

int FFmpegOutputFile::finish()
{
    m_headerWritten = false;
    if (const int e = av_write_trailer(m_format.get()); e < 0)
        return e;
    avio_flush(m_io.get());
    return m_io->error < 0 ? m_io->error : 0;
}
