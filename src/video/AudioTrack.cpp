#include "video/AudioTrack.h"

#include "common/Log.h"

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <vector>

namespace {

struct SwrFree {
    void operator()(SwrContext *s) const { swr_free(&s); }
};
struct FifoFree {
    void operator()(AVAudioFifo *f) const { av_audio_fifo_free(f); }
};

constexpr std::int64_t kAacBitRate = 192000;
constexpr std::int64_t kOpusBitRate = 160000;

// A float format the encoder takes (the fade works on floats), else its first.
AVSampleFormat sampleFormatFor(const AVCodec *codec)
{
    if (!codec->sample_fmts)
        return AV_SAMPLE_FMT_FLTP;
    for (const AVSampleFormat *f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == AV_SAMPLE_FMT_FLTP || *f == AV_SAMPLE_FMT_FLT)
            return *f;
    return codec->sample_fmts[0];
}

// Multiplies sample k of the frame by gain(first + k).
template <typename Gain> void applyGain(AVFrame *frame, std::int64_t first, Gain gain)
{
    const int channels = frame->ch_layout.nb_channels;
    const AVSampleFormat format = AVSampleFormat(frame->format);
    for (int k = 0; k < frame->nb_samples; ++k) {
        const float g = gain(first + k);
        if (g >= 1.0f)
            continue;
        for (int c = 0; c < channels; ++c) {
            switch (format) {
            case AV_SAMPLE_FMT_FLTP:
                reinterpret_cast<float *>(frame->extended_data[c])[k] *= g;
                break;
            case AV_SAMPLE_FMT_FLT:
                reinterpret_cast<float *>(frame->data[0])[k * channels + c] *= g;
                break;
            case AV_SAMPLE_FMT_S16P:
                reinterpret_cast<std::int16_t *>(frame->extended_data[c])[k]
                    = std::int16_t(float(reinterpret_cast<std::int16_t *>(frame->extended_data[c])[k]) * g);
                break;
            case AV_SAMPLE_FMT_S16:
                reinterpret_cast<std::int16_t *>(frame->data[0])[k * channels + c]
                    = std::int16_t(float(reinterpret_cast<std::int16_t *>(frame->data[0])[k * channels + c]) * g);
                break;
            default:
                break; // not a format we choose
            }
        }
    }
}

} // namespace

struct AudioTrackParts {
    std::string path;
    ffmpeg::InputFormatPtr input;
    int streamIndex = -1;
    ffmpeg::CodecContextPtr decoder;
    ffmpeg::CodecContextPtr encoder;
    std::unique_ptr<SwrContext, SwrFree> resampler;
    std::unique_ptr<AVAudioFifo, FifoFree> fifo;
    ffmpeg::PacketPtr readPacket;
    ffmpeg::PacketPtr outPacket;
    ffmpeg::FramePtr decoded;
    std::vector<std::uint8_t *> planes; // resampled samples on their way to the fifo
    int planeSamples = 0;
    bool musicEnded = false;
    bool decoderFlushed = false;
    std::int64_t sent = 0;
    bool finished = false;

    ~AudioTrackParts()
    {
        if (!planes.empty())
            av_freep(&planes[0]);
    }

    [[noreturn]] void refuse(const std::string &cause) const
    {
        throw VideoError(VideoError::Reason::Settings, "cannot read the music file " + path + ": " + cause);
    }

    void open(VideoContainer container, bool globalHeader);
    void openEncoder(VideoContainer container, bool globalHeader);
    // Decoded music into the fifo; false once the music has ended. Read
    // failures after the first sound end the music (logged).
    bool pull(std::string &failure);
    int resample(const AVFrame *frame);
    std::string encodeFrame(
        int samples, std::int64_t fadeStart, std::int64_t end, const AudioTrack::PacketSink &sink, bool &stopped);
    std::string drain(const AudioTrack::PacketSink &sink, bool &stopped);
};

void AudioTrackParts::open(VideoContainer container, bool globalHeader)
{
    ffmpeg::routeLogs();
    if (!ContainerCarriesAudio(container))
        throw VideoError(VideoError::Reason::Settings, "music goes only under MP4, WebM or Matroska video");
    AVFormatContext *in = nullptr;
    if (const int e = avformat_open_input(&in, path.c_str(), nullptr, nullptr); e < 0)
        refuse(ffmpeg::errorText(e));
    input.reset(in);
    if (const int e = avformat_find_stream_info(in, nullptr); e < 0)
        refuse(ffmpeg::errorText(e));
    const AVCodec *decoderCodec = nullptr;
    streamIndex = av_find_best_stream(in, AVMEDIA_TYPE_AUDIO, -1, -1, &decoderCodec, 0);
    if (streamIndex == AVERROR_STREAM_NOT_FOUND)
        refuse("it holds no sound");
    if (streamIndex < 0 || !decoderCodec) {
        const AVStream *best = nullptr;
        for (unsigned i = 0; i < in->nb_streams; ++i)
            if (in->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
                best = in->streams[i];
        refuse(std::string("no decoder for its sound (")
            + (best ? avcodec_get_name(best->codecpar->codec_id) : "unknown codec") + ")");
    }
    decoder.reset(avcodec_alloc_context3(decoderCodec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), in->streams[streamIndex]->codecpar) < 0)
        refuse("out of memory");
    decoder->pkt_timebase = in->streams[streamIndex]->time_base;
    {
        const ffmpeg::ErrorCapture capture;
        if (const int e = avcodec_open2(decoder.get(), decoderCodec, nullptr); e < 0)
            refuse("its " + std::string(decoderCodec->name)
                + " decoder refuses it: " + (capture.last().empty() ? ffmpeg::errorText(e) : capture.last()));
    }
    readPacket.reset(av_packet_alloc());
    outPacket.reset(av_packet_alloc());
    decoded.reset(av_frame_alloc());
    if (!readPacket || !outPacket || !decoded)
        refuse("out of memory");
    openEncoder(container, globalHeader);
    // The first sound decoded: a file that cannot give one is refused now.
    std::string failure;
    while (av_audio_fifo_size(fifo.get()) == 0)
        if (!pull(failure) && av_audio_fifo_size(fifo.get()) == 0)
            refuse(failure.empty() ? "no sound could be decoded from it" : failure);
}

void AudioTrackParts::openEncoder(VideoContainer container, bool globalHeader)
{
    const bool mp4 = container == VideoContainer::Mp4;
    const char *name = mp4 ? "aac" : "libopus";
    const AVCodec *codec = avcodec_find_encoder_by_name(name);
    if (!codec)
        throw VideoError(VideoError::Reason::NoEncoder, std::string("no ") + name + " encoder in this FFmpeg");
    encoder.reset(avcodec_alloc_context3(codec));
    if (!encoder)
        throw VideoError(VideoError::Reason::EncoderRefuses, "out of memory");
    AVCodecContext *c = encoder.get();
    c->sample_rate = AudioTrack::kSampleRate;
    c->sample_fmt = sampleFormatFor(codec);
    const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    av_channel_layout_copy(&c->ch_layout, &stereo);
    c->bit_rate = mp4 ? kAacBitRate : kOpusBitRate;
    c->time_base = { 1, AudioTrack::kSampleRate };
    if (globalHeader)
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const ffmpeg::ErrorCapture capture;
    if (const int e = avcodec_open2(c, codec, nullptr); e < 0)
        throw VideoError(VideoError::Reason::EncoderRefuses,
            std::string("the ") + name + " encoder refuses 48 kHz stereo: "
                + (capture.last().empty() ? ffmpeg::errorText(e) : capture.last()));
    fifo.reset(av_audio_fifo_alloc(c->sample_fmt, c->ch_layout.nb_channels, std::max(c->frame_size, 1024)));
    planes.assign(std::size_t(av_sample_fmt_is_planar(c->sample_fmt) ? c->ch_layout.nb_channels : 1), nullptr);
    if (!fifo)
        throw VideoError(VideoError::Reason::EncoderRefuses, "out of memory");
}

int AudioTrackParts::resample(const AVFrame *frame)
{
    const AVCodecContext *out = encoder.get();
    if (!resampler) {
        if (!frame)
            return 0;
        AVChannelLayout inLayout {};
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame->ch_layout.nb_channels == 0)
            av_channel_layout_default(&inLayout, std::max(1, frame->ch_layout.nb_channels));
        else if (const int e = av_channel_layout_copy(&inLayout, &frame->ch_layout); e < 0)
            return e;
        SwrContext *swr = nullptr;
        AVChannelLayout outLayout = out->ch_layout; // stereo: nothing allocated
        const int e = swr_alloc_set_opts2(&swr, &outLayout, out->sample_fmt, out->sample_rate, &inLayout,
            AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&inLayout);
        if (e < 0)
            return e;
        resampler.reset(swr);
        if (const int init = swr_init(swr); init < 0)
            return init;
    }
    const int room = swr_get_out_samples(resampler.get(), frame ? frame->nb_samples : 0);
    if (room <= 0)
        return 0;
    if (room > planeSamples) {
        if (planes[0])
            av_freep(&planes[0]);
        planeSamples = 0;
        if (const int e
            = av_samples_alloc(planes.data(), nullptr, out->ch_layout.nb_channels, room, out->sample_fmt, 0);
            e < 0)
            return e;
        planeSamples = room;
    }
    const int got = swr_convert(resampler.get(), planes.data(), room,
        frame ? const_cast<const std::uint8_t **>(frame->extended_data) : nullptr, frame ? frame->nb_samples : 0);
    if (got <= 0)
        return got;
    const int written = av_audio_fifo_write(fifo.get(), reinterpret_cast<void **>(planes.data()), got);
    return written < 0 ? written : 0;
}

bool AudioTrackParts::pull(std::string &failure)
{
    while (!musicEnded) {
        const int received = avcodec_receive_frame(decoder.get(), decoded.get());
        if (received == 0) {
            const int e = resample(decoded.get());
            av_frame_unref(decoded.get());
            if (e < 0) {
                failure = "its sound cannot be resampled: " + ffmpeg::errorText(e);
                musicEnded = true;
                return false;
            }
            return true;
        }
        if (received == AVERROR_EOF) {
            musicEnded = true;
            if (resample(nullptr) < 0) // what the resampler still holds
                failure = "its sound cannot be resampled";
            return false;
        }
        if (received != AVERROR(EAGAIN)) {
            failure = ffmpeg::errorText(received);
            musicEnded = true;
            return false;
        }
        if (decoderFlushed) {
            musicEnded = true;
            return false;
        }
        const int read = av_read_frame(input.get(), readPacket.get());
        if (read < 0) {
            if (read != AVERROR_EOF) {
                failure = ffmpeg::errorText(read);
                LogLine("music", "reading " + path + " stopped: " + failure);
            }
            decoderFlushed = true;
            avcodec_send_packet(decoder.get(), nullptr);
            continue;
        }
        if (readPacket->stream_index == streamIndex) {
            const int sent = avcodec_send_packet(decoder.get(), readPacket.get());
            if (sent < 0 && sent != AVERROR(EAGAIN)) {
                failure = ffmpeg::errorText(sent); // a damaged packet: the next one may decode
                LogLine("music", path + ": " + failure);
            }
        }
        av_packet_unref(readPacket.get());
    }
    return false;
}

std::string AudioTrackParts::drain(const AudioTrack::PacketSink &sink, bool &stopped)
{
    for (;;) {
        const int e = avcodec_receive_packet(encoder.get(), outPacket.get());
        if (e == AVERROR(EAGAIN) || e == AVERROR_EOF)
            return {};
        if (e < 0)
            return std::string("the ") + encoder->codec->name + " encoder failed: " + ffmpeg::errorText(e);
        const bool taken = sink(outPacket.get());
        av_packet_unref(outPacket.get());
        if (!taken) {
            stopped = true;
            return {};
        }
    }
}

std::string AudioTrackParts::encodeFrame(
    int samples, std::int64_t fadeStart, std::int64_t end, const AudioTrack::PacketSink &sink, bool &stopped)
{
    std::string failure;
    while (av_audio_fifo_size(fifo.get()) < samples && pull(failure)) { }
    ffmpeg::FramePtr frame(av_frame_alloc());
    if (!frame)
        return "out of memory";
    const AVCodecContext *c = encoder.get();
    frame->format = c->sample_fmt;
    frame->sample_rate = c->sample_rate;
    frame->nb_samples = samples;
    if (av_channel_layout_copy(&frame->ch_layout, &c->ch_layout) < 0 || av_frame_get_buffer(frame.get(), 0) < 0)
        return "out of memory";
    const int music = av_audio_fifo_read(fifo.get(), reinterpret_cast<void **>(frame->extended_data), samples);
    const int from = std::max(music, 0);
    if (from < samples) // the music has ended: silence
        av_samples_set_silence(
            frame->extended_data, from, samples - from, c->ch_layout.nb_channels, AVSampleFormat(c->sample_fmt));
    if (end > 0 && sent + samples > fadeStart) {
        const double length = double(end - fadeStart);
        applyGain(frame.get(), sent, [&](std::int64_t at) {
            if (at < fadeStart)
                return 1.0f;
            const double left = std::max(0.0, double(end - at) / length);
            return float(left * left); // quiet well before the last sample
        });
    }
    frame->pts = sent;
    sent += samples;
    if (const int e = avcodec_send_frame(encoder.get(), frame.get()); e < 0)
        return std::string("the ") + c->codec->name + " encoder failed: " + ffmpeg::errorText(e);
    return drain(sink, stopped);
}

AudioTrack::AudioTrack(const std::string &path, VideoContainer container, bool globalHeader)
    : m_parts(std::make_unique<AudioTrackParts>())
{
    m_parts->path = path;
    m_parts->open(container, globalHeader);
}

AudioTrack::~AudioTrack() = default;

const AVCodecContext *AudioTrack::context() const
{
    return m_parts->encoder.get();
}

std::int64_t AudioTrack::samplesSent() const
{
    return m_parts->sent;
}

std::string AudioTrack::encodeUntil(std::int64_t until, const PacketSink &sink)
{
    AudioTrackParts &p = *m_parts;
    const int frameSize = p.encoder->frame_size > 0 ? p.encoder->frame_size : 1024;
    bool stopped = false;
    while (!p.finished && !stopped && p.sent + frameSize <= until)
        if (std::string failure = p.encodeFrame(frameSize, until, 0, sink, stopped); !failure.empty())
            return failure;
    return {};
}

std::string AudioTrack::finish(std::int64_t end, const PacketSink &sink)
{
    AudioTrackParts &p = *m_parts;
    if (p.finished)
        return {};
    p.finished = true;
    const int frameSize = p.encoder->frame_size > 0 ? p.encoder->frame_size : 1024;
    const std::int64_t fadeStart = std::max(p.sent, end - FadeSamples(end));
    bool stopped = false;
    while (!stopped && p.sent < end) {
        const int samples = int(std::min<std::int64_t>(frameSize, end - p.sent));
        if (std::string failure = p.encodeFrame(samples, fadeStart, end, sink, stopped); !failure.empty())
            return failure;
    }
    if (stopped)
        return {};
    if (const int e = avcodec_send_frame(p.encoder.get(), nullptr); e < 0)
        return std::string("the ") + p.encoder->codec->name + " encoder failed: " + ffmpeg::errorText(e);
    return p.drain(sink, stopped);
}

std::int64_t AudioTrack::FadeSamples(std::int64_t end)
{
    return std::min(kLongestFade, std::max<std::int64_t>(0, end) / 3);
}

std::optional<VideoError> RefuseAudioFile(const std::string &path, VideoContainer container)
{
    try {
        const AudioTrack track(path, container, true);
    } catch (const VideoError &e) {
        return e;
    }
    return std::nullopt;
}

bool ContainerCarriesAudio(VideoContainer container)
{
    return container == VideoContainer::Mp4 || container == VideoContainer::Webm || container == VideoContainer::Mkv;
}
