#include "video/MuxedVideoOutput.h"

#include "video/AudioTrack.h"
#include "video/AviHeaders.h"
#include "video/FourCC.h"
#include "video/MuxerFile.h"
#include "video/PublishVideoFile.h"
#include "video/QueuedFrames.h"
#include "video/VideoEncoder.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

// What sets one container's file apart.
struct ContainerLayout {
    VideoContainer container;
    const char *muxer; // libavformat's name
    const char *optionName = nullptr; // one muxer option
    const char *optionValue = nullptr;
    int ioBuffer = 1 << 16;
    bool direct = false; // large writes straight to the file (rows without a copy)
    bool reservesSpace = false; // a full disk refuses a frame before the muxer sees it
    bool timesInFrames = false; // packets counted in frames, the rate fixed after the trailer
    bool reorders = true; // frames may be coded out of order
    bool interleaves = true; // packets through the muxer's interleaving queue (it owns them)
    bool frameDurations = false; // each packet lasts its frames: the muxer times a frame by it
};

namespace {

constexpr ContainerLayout kLayouts[] = {
    { .container = VideoContainer::Avi,
        .muxer = "avi",
        .ioBuffer = 1 << 20,
        .direct = true,
        .reservesSpace = true,
        .timesInFrames = true,
        .reorders = false,
        .interleaves = false },
    // The index before the data, so that browsers can start before the end has arrived.
    { .container = VideoContainer::Mp4, .muxer = "mp4", .optionName = "movflags", .optionValue = "+faststart" },
    { .container = VideoContainer::Webm, .muxer = "webm" },
    { .container = VideoContainer::Mkv, .muxer = "matroska" },
    { .container = VideoContainer::Gif,
        .muxer = "gif",
        .optionName = "loop",
        .optionValue = "0", // for ever
        .frameDurations = true },
};

const ContainerLayout &layoutOf(VideoContainer container)
{
    for (const ContainerLayout &layout : kLayouts)
        if (layout.container == container)
            return layout;
    throw VideoError(VideoError::Reason::Settings, std::string("no muxer for ") + ContainerName(container) + " files");
}

// Room kept free beyond the frames for what the AVI muxer writes later: per
// frame one idx1 entry (16 bytes) and one OpenDML ix entry (8 bytes); once
// the RIFF and list headers of a new part and the trailer's counters.
constexpr std::int64_t kIndexBytesPerFrame = 24;
constexpr std::int64_t kHeaderAndTrailerBytes = 64 * 1024;
// Above this many frames per second libavformat's AVI muxer stores a 1/600
// time base instead of the rate.
constexpr std::uint32_t kAviMuxerMaxRate = 1000;

std::string compressorTitle(std::uint32_t code)
{
    return "the compressor '" + fourccText(code) + "'";
}

bool uncompressedAvi(const VideoOutputSettings &outputSettings)
{
    return outputSettings.container == VideoContainer::Avi
        && (outputSettings.aviCompressor == 0 || outputSettings.aviCompressor == fourccFromText("DIB"));
}

EncoderSettings settingsFor(
    const VideoOutputSettings &outputSettings, const ContainerLayout &layout, const GifPalette &palette)
{
    EncoderSettings s;
    s.width = outputSettings.width;
    s.height = outputSettings.height;
    s.rate = outputSettings.rate;
    s.quality = outputSettings.quality;
    s.keyInterval = outputSettings.keyInterval;
    s.bytesPerSecond = outputSettings.bytesPerSecond;
    s.maxBitsPerSecond = outputSettings.maxBitsPerSecond;
    s.preset = outputSettings.preset;
    s.reorder = layout.reorders;
    if (const AVOutputFormat *muxer = av_guess_format(layout.muxer, nullptr, nullptr))
        s.globalHeader = muxer->flags & AVFMT_GLOBALHEADER;
    s.palette = palette;
    if (const QualityMapping *dither = FindQuality("gif", QualityKnob::Dither))
        s.dither = float(MapQuality(*dither, outputSettings.quality < 0 ? 75 : outputSettings.quality));
    return s;
}

} // namespace

std::unique_ptr<VideoEncoder> OpenEncoderFor(const VideoOutputSettings &outputSettings, const GifPalette &palette)
{
    ffmpeg::routeLogs();
    const ContainerLayout &layout = layoutOf(outputSettings.container);
    const EncoderSettings settings = settingsFor(outputSettings, layout, palette);
    if (outputSettings.container != VideoContainer::Avi) {
        std::string why;
        const EncoderDescription encoder = EncoderForCodec(outputSettings.container, outputSettings.codec, why);
        if (!encoder.codec)
            throw VideoError(VideoError::Reason::NoEncoder, why);
        return std::make_unique<VideoEncoder>(encoder, settings);
    }
    if (uncompressedAvi(outputSettings))
        return nullptr;
    // The compressor by its code: the encoders of its codecs in FFmpeg's
    // order, the first that opens (a hardware one without its device does
    // not); a size or setting a codec cannot take is refused by its first
    // encoder, and another codec of that code (H.263+ for H.263) is tried.
    std::vector<EncoderDescription> candidates = AviEncodersFor(outputSettings.aviCompressor);
    if (candidates.empty())
        throw VideoError(VideoError::Reason::NoEncoder,
            "no compressor '" + fourccText(outputSettings.aviCompressor) + "' on this machine");
    std::optional<VideoError> first;
    AVCodecID refused = AV_CODEC_ID_NONE;
    for (EncoderDescription &encoder : candidates) {
        if (encoder.codec->id == refused)
            continue;
        encoder.title = compressorTitle(encoder.aviCode);
        try {
            return std::make_unique<VideoEncoder>(encoder, settings);
        } catch (const VideoError &e) {
            if (!first)
                first = e;
            if (e.reason() == VideoError::Reason::Settings)
                refused = encoder.codec->id;
        }
    }
    throw *first;
}

MuxedVideoOutput::MuxedVideoOutput(const std::string &target, const VideoOutputSettings &outputSettings)
    : m_target(target)
    , m_outputSettings(outputSettings)
    , m_layout(layoutOf(outputSettings.container))
{
    const int width = outputSettings.width, height = outputSettings.height;
    const std::size_t stride = (std::size_t(width) * 3 + 3) & ~std::size_t(3);
    m_frameStep = outputSettings.container == VideoContainer::Gif ? GifFrameStep(outputSettings.rate) : 1;

    // The encoder first: a refusal leaves nothing behind.
    GifPalette palette;
    if (outputSettings.container == VideoContainer::Gif) {
        const QualityMapping *quality = FindQuality("gif", QualityKnob::PaletteQuality);
        palette = MakeGifPalette(outputSettings.paletteSources,
            quality ? int(MapQuality(*quality, outputSettings.quality < 0 ? 75 : outputSettings.quality)) : 100,
            4); // whole, cut down
    }
    m_encoder = OpenEncoderFor(outputSettings, palette);
    if (!outputSettings.audioFile.empty()) {
        const AVOutputFormat *muxer = av_guess_format(m_layout.muxer, nullptr, nullptr);
        m_audio = std::make_unique<AudioTrack>(
            outputSettings.audioFile, outputSettings.container, muxer && (muxer->flags & AVFMT_GLOBALHEADER));
    }

    m_file = std::make_unique<MuxerFile>(target);
    if (!m_file->isOpen())
        failSystem(VideoError::Reason::File);
    AVFormatContext *mux = nullptr;
    if (avformat_alloc_output_context2(&mux, nullptr, m_layout.muxer, nullptr) < 0 || !mux)
        fail(VideoError::Reason::File, std::string("no ") + m_layout.muxer + " muxer in this FFmpeg");
    m_mux.reset(mux);
    m_io = m_file->openOutput(m_layout.ioBuffer, m_layout.direct);
    if (!m_io)
        fail(VideoError::Reason::File, "out of memory");
    mux->pb = m_io.get();
    mux->flags |= AVFMT_FLAG_CUSTOM_IO;
    mux->opaque = m_file.get();
    mux->io_open = &MuxerFile::openReadBack;
#if LIBAVFORMAT_VERSION_MAJOR >= 59
    mux->io_close2 = &MuxerFile::closeReadBack;
#endif
    m_packet.reset(av_packet_alloc());
    AVStream *stream = m_packet ? avformat_new_stream(mux, nullptr) : nullptr;
    if (!stream)
        fail(VideoError::Reason::File, "out of memory");
    const VideoRate rate = outputSettings.rate;
    if (m_encoder) {
        const AVCodecContext *context = m_encoder->context();
        if (avcodec_parameters_from_context(stream->codecpar, context) < 0)
            fail(VideoError::Reason::File, "out of memory");
        m_encoderTimeBase = context->time_base;
        if (outputSettings.container == VideoContainer::Avi) {
            // The encoder's own code where it chose one (one per pixel format), else its codec's.
            if (!context->codec_tag
                || av_codec_get_id(mux->oformat->codec_tag, context->codec_tag) != context->codec_id)
                stream->codecpar->codec_tag = m_encoder->description().aviCode;
        } else if (context->codec_id == AV_CODEC_ID_HEVC) {
            stream->codecpar->codec_tag = MKTAG('h', 'v', 'c', '1'); // what Apple's players take
        }
    } else {
        // Uncompressed: rows bottom first, positive height, BI_RGB.
        if (av_opt_set_int(mux->priv_data, "flipped_raw_rgb", 1, 0) < 0)
            fail(VideoError::Reason::File, "this FFmpeg cannot store bottom-up frames");
        AVCodecParameters *par = stream->codecpar;
        par->codec_type = AVMEDIA_TYPE_VIDEO;
        par->codec_id = AV_CODEC_ID_RAWVIDEO;
        par->format = AV_PIX_FMT_BGR24;
        par->width = width;
        par->height = height;
        par->bits_per_coded_sample = 24;
        par->codec_tag = 0;
        m_imageSize = stride * std::size_t(height);
    }
    if (m_layout.timesInFrames) {
        // One tick per frame. Rates the muxer would not keep get one frame a
        // second here; FixAviHeaders writes the real one after the trailer.
        const bool muxerKeepsRate = std::uint64_t(rate.num) <= std::uint64_t(kAviMuxerMaxRate) * rate.den;
        stream->time_base = muxerKeepsRate ? AVRational { int(rate.den), int(rate.num) } : AVRational { 1, 1 };
    } else {
        stream->time_base = m_encoderTimeBase;
    }
    stream->avg_frame_rate = { int(rate.num), int(rate.den) };
    if (m_audio) {
        AVStream *audio = avformat_new_stream(mux, nullptr);
        if (!audio || avcodec_parameters_from_context(audio->codecpar, m_audio->context()) < 0)
            fail(VideoError::Reason::File, "out of memory");
        audio->time_base = m_audio->context()->time_base;
    }

    if (m_layout.reservesSpace && !m_file->reserve(kHeaderAndTrailerBytes))
        failSystem(VideoError::Reason::File);
    AVDictionary *options = nullptr;
    if (m_layout.optionName)
        av_dict_set(&options, m_layout.optionName, m_layout.optionValue, 0);
    const ffmpeg::ErrorCapture capture;
    const int written = avformat_write_header(mux, &options);
    av_dict_free(&options);
    if (written < 0) {
        if (m_file->error())
            failSystem(VideoError::Reason::File);
        fail(VideoError::Reason::File,
            std::string("the ") + m_layout.muxer + " muxer refuses the stream: "
                + (capture.last().empty() ? ffmpeg::errorText(written) : capture.last()));
    }
    m_headerWritten = true;
}

MuxedVideoOutput::~MuxedVideoOutput()
{
    abandon();
}

void MuxedVideoOutput::fail(VideoError::Reason reason, const std::string &cause)
{
    if (!m_failure)
        m_failure = VideoError(reason, cause);
    throw *m_failure;
}

void MuxedVideoOutput::failSystem(VideoError::Reason reason)
{
    const int error = m_file && m_file->error() ? m_file->error() : EIO;
    fail(reason, std::string(std::strerror(error)) + ": " + m_target);
}

bool MuxedVideoOutput::storesRowsAsTheyCome() const
{
    return m_headerWritten && m_imageSize > 0;
}

bool MuxedVideoOutput::keepsFramesOnFailure() const
{
    return m_layout.reservesSpace;
}

std::int64_t MuxedVideoOutput::queuedFrames() const
{
    return m_sent - m_packets;
}

void MuxedVideoOutput::writeFrame(const FrameRows &frame)
{
    if (!m_headerWritten || m_done || m_failure)
        throw m_failure ? *m_failure : VideoError(VideoError::Reason::Frame, "the file is not open");
    if (frame.width != m_outputSettings.width || frame.height != m_outputSettings.height || !frame.top
        || std::size_t(frame.pitch < 0 ? -frame.pitch : frame.pitch) < std::size_t(frame.width) * 3)
        throw VideoError(VideoError::Reason::Frame, "a frame of another size");
    if (m_handed++ % m_frameStep != 0)
        return; // GIF: a frame its delays cannot show
    if (!m_encoder) {
        writeRows(frame);
        return;
    }
    const bool key = m_outputSettings.keyInterval > 0 && m_sent % m_outputSettings.keyInterval == 0;
    if (const int e = m_encoder->send(frame, (m_handed - 1), key); e < 0)
        fail(VideoError::Reason::Frame, m_encoder->description().title + " failed: " + ffmpeg::errorText(e));
    ++m_sent;
    drainEncoder();
    if (!feedAudio())
        throw *m_failure;
}

void MuxedVideoOutput::writeRows(const FrameRows &frame)
{
    // Rows go to the file bottom first. Padded rows that already lie so go
    // as they are; others are written from where they lie in place of a
    // stand-in (MuxerFile), with their padding as zeros.
    const std::size_t rowBytes = std::size_t(frame.width) * 3;
    const std::size_t stride = m_imageSize / std::size_t(frame.height);
    const std::uint8_t *bottom = frame.top + std::ptrdiff_t(frame.height - 1) * frame.pitch;
    const bool inPlace = frame.pitch == -std::ptrdiff_t(stride);
    MuxerFile::Rows rows { bottom, -frame.pitch, stride, std::size_t(frame.height) };
    if (std::size_t(frame.pitch < 0 ? -frame.pitch : frame.pitch) != stride)
        rows.length = rowBytes, rows.padding = stride - rowBytes;
    const std::uint8_t *data = inPlace ? bottom : m_file->standIn(rows);
    if (!data)
        fail(VideoError::Reason::Frame, std::string(std::strerror(errno)) + ": " + m_target);
    AVPacket *packet = m_packet.get();
    packet->data = const_cast<std::uint8_t *>(data); // not reference-counted: the muxer only reads it
    packet->size = int(m_imageSize);
    packet->pts = packet->dts = m_sent;
    packet->flags = AV_PKT_FLAG_KEY;
    ++m_sent;
    ++m_packets;
    const bool ok = store(packet);
    packet->data = nullptr;
    packet->size = 0;
    const bool written = inPlace || m_file->takeStandIn();
    if (!ok)
        throw *m_failure;
    if (!written)
        fail(VideoError::Reason::Frame, "the AVI muxer did not write the frame straight to the file");
}

void MuxedVideoOutput::drainEncoder()
{
    for (;;) {
        const int e = m_encoder->receive(m_packet.get());
        if (e == AVERROR(EAGAIN) || e == AVERROR_EOF)
            return;
        if (e < 0)
            fail(VideoError::Reason::Frame, m_encoder->description().title + " failed: " + ffmpeg::errorText(e));
        ++m_packets;
        const bool stored = store(m_packet.get());
        av_packet_unref(m_packet.get());
        if (!stored)
            throw *m_failure;
    }
}

bool MuxedVideoOutput::store(AVPacket *packet)
{
    packet->stream_index = 0;
    AVStream *stream = m_mux->streams[0];
    std::int64_t skipped = 0;
    if (m_layout.timesInFrames) {
        // Encoders count in frames, as the muxer does here.
        if (packet->dts == AV_NOPTS_VALUE)
            packet->dts = packet->pts;
        packet->duration = 1;
        if (m_outputSettings.keyInterval == 1)
            packet->flags |= AV_PKT_FLAG_KEY;
        // The muxer fills skipped samples with empty chunks.
        skipped = std::max<std::int64_t>(0, packet->dts - m_lastDts - 1);
    } else {
        if (m_layout.frameDurations)
            packet->duration = m_frameStep;
        av_packet_rescale_ts(packet, m_encoderTimeBase, stream->time_base);
    }
    if (m_layout.reservesSpace) {
        m_largestPacket = std::max<std::int64_t>(m_largestPacket, packet->size);
        // Room for this chunk, the index of every chunk so far, and the frames
        // the encoder still holds (as large as the largest so far).
        const std::int64_t queued = m_encoder ? std::max<std::int64_t>(0, queuedFrames()) : 0;
        const std::int64_t end = avio_tell(m_io.get()) + 9 + packet->size + 8 * skipped
            + queued * (m_largestPacket + 8 + kIndexBytesPerFrame) + kIndexBytesPerFrame * (m_chunks + skipped + 1)
            + kHeaderAndTrailerBytes;
        if (!m_file->reserve(end)) {
            m_failure
                = VideoError(VideoError::Reason::Frame, std::string(std::strerror(m_file->error())) + ": " + m_target);
            return false;
        }
    }
    if (!write(packet))
        return false;
    m_chunks += skipped + 1;
    m_lastDts = packet->dts;
    ++m_framesInFile;
    return true;
}

bool MuxedVideoOutput::storeAudio(AVPacket *packet)
{
    packet->stream_index = 1;
    av_packet_rescale_ts(packet, m_audio->context()->time_base, m_mux->streams[1]->time_base);
    return write(packet);
}

bool MuxedVideoOutput::write(AVPacket *packet)
{
    const ffmpeg::ErrorCapture capture;
    const int e
        = m_layout.interleaves ? av_interleaved_write_frame(m_mux.get(), packet) : av_write_frame(m_mux.get(), packet);
    if (e < 0 || m_io->error < 0) {
        const int error = m_file->error();
        m_failure = VideoError(VideoError::Reason::Frame,
            error ? std::string(std::strerror(error)) + ": " + m_target
                  : std::string("the ") + m_layout.muxer + " muxer refused a frame: "
                    + (capture.last().empty() ? ffmpeg::errorText(e < 0 ? e : m_io->error) : capture.last()));
        return false;
    }
    return true;
}

namespace {

// Where the music stands when that many frames have been shown.
std::int64_t samplesAt(std::int64_t frames, VideoRate rate)
{
    return av_rescale(frames, std::int64_t(AudioTrack::kSampleRate) * rate.den, rate.num);
}

} // namespace

bool MuxedVideoOutput::feedAudio()
{
    if (!m_audio || m_failure)
        return !m_failure;
    const std::string failure
        = m_audio->encodeUntil(samplesAt(m_framesInFile, m_outputSettings.rate) - AudioTrack::kLongestFade,
            [this](AVPacket *packet) { return storeAudio(packet); });
    if (!failure.empty() && !m_failure)
        m_failure = VideoError(VideoError::Reason::Frame, failure);
    return !m_failure;
}

bool MuxedVideoOutput::finishAudio()
{
    if (!m_audio || m_failure)
        return !m_failure;
    const std::string failure = m_audio->finish(
        samplesAt(m_framesInFile, m_outputSettings.rate), [this](AVPacket *packet) { return storeAudio(packet); });
    if (!failure.empty() && !m_failure)
        m_failure = VideoError(VideoError::Reason::Frame, failure);
    return !m_failure;
}

void MuxedVideoOutput::completeFile()
{
    // The encoder's queued frames first; should they fail, a file that keeps
    // its frames still closes with those it holds.
    if (m_encoder && !m_failure) {
        std::shared_ptr<VideoEncoder> encoder(std::move(m_encoder));
        const std::string failure = FinishQueuedFrames(encoder, m_dropQueued, [this](AVPacket *packet) {
            ++m_packets;
            return store(packet) && feedAudio();
        });
        if (!failure.empty() && !m_failure)
            m_failure = VideoError(VideoError::Reason::Frame, failure);
        if (queuedFrames() > 0)
            encoder->dropQueued();
    }
    finishAudio();
    if (m_failure && !keepsFramesOnFailure())
        throw *m_failure;
    m_encoder.reset();
    m_audio.reset();
    const ffmpeg::ErrorCapture capture;
    const int trailer = av_write_trailer(m_mux.get());
    m_headerWritten = false;
    avio_flush(m_io.get());
    if (trailer < 0 || m_io->error < 0) {
        // The file has no valid index: it replaces nothing.
        if (m_file->error())
            failSystem(VideoError::Reason::File);
        fail(VideoError::Reason::File,
            std::string("the ") + m_layout.muxer + " index could not be written: " + capture.last());
    }
    m_mux.reset();
    m_io.reset();
    if (m_layout.timesInFrames) {
        if (const std::string why = FixAviHeaders(*m_file, m_outputSettings.rate, m_imageSize); !why.empty()) {
            if (m_file->error())
                failSystem(VideoError::Reason::File);
            fail(VideoError::Reason::File, why);
        }
    }
    if (!m_file->close())
        failSystem(VideoError::Reason::File);
}

PublishedVideo MuxedVideoOutput::finish(const VideoPublishing &publishing)
{
    if (m_done || (!m_headerWritten && !m_failure))
        throw VideoError(VideoError::Reason::File, "the file is not open");
    m_done = true;
    m_dropQueued = publishing.dropQueued;
    if (m_sent == 0 && !m_failure) {
        abandon(); // no frame, no file
        return {};
    }
    try {
        completeFile();
    } catch (const VideoError &) {
        abandon();
        throw;
    }
    PublishedVideo published;
    try {
        published = PublishVideoFile(m_file->file(), publishing, m_framesInFile);
    } catch (const VideoError &e) {
        abandon();
        if (m_failure) // the frames' failure first: the file's follows from it
            throw VideoError(m_failure->reason(), m_failure->cause() + "\n" + e.cause(), e.keptFrames(), e.keptName());
        throw;
    }
    m_file.reset();
    if (m_failure)
        throw VideoError(m_failure->reason(), m_failure->cause(), published.frames, published.name);
    return published;
}

void MuxedVideoOutput::abandon()
{
    m_done = true;
    m_encoder.reset();
    m_audio.reset();
    if (m_mux && m_headerWritten)
        av_write_trailer(m_mux.get()); // into the unnamed file: frees what a muxer holds back
    m_headerWritten = false;
    m_mux.reset();
    m_io.reset();
    m_file.reset(); // unnamed or temporary: gone
}
