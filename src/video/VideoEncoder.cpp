#include "video/VideoEncoder.h"

#include "common/Log.h"
#include "video/JpegFramePipeline.h"
#include "video/PaletteFrames.h"
#include "video/VideoOutput.h"
#include "video/Yuv420Conversion.h"

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// The converter's reference to a frame's pixels, which the caller owns.
void KeepPixels(void *, std::uint8_t *) { }

[[noreturn]] void refuse(VideoError::Reason reason, const EncoderDescription &encoder, const std::string &why)
{
    throw VideoError(reason, encoder.title + " " + why);
}

// A library that prints on its own is told the program's verbosity, unless
// the user set its variable.
void quietLibrary(const char *variable)
{
    static const bool userSet = std::getenv(variable) != nullptr;
    if (!userSet)
        ::setenv(variable, LogVerbose() ? "2" : "-1", 1); // its warnings, or nothing
}

void applyQuality(AVCodecContext *context, const QualityMapping &mapping, double quality)
{
    const int value = MapQualityWhole(mapping, quality);
    switch (mapping.knob) {
    case QualityKnob::FixedQuantiser:
        context->flags |= AV_CODEC_FLAG_QSCALE;
        context->global_quality = FF_QP2LAMBDA * value;
        if (value >= 1)
            context->qmin = std::min(context->qmin, value); // the default 2 would clip quantiser 1
        return;
    case QualityKnob::BitRateFree:
        context->bit_rate = 0; // constant quality
        [[fallthrough]];
    case QualityKnob::Crf:
        av_opt_set_int(context, "crf", value, AV_OPT_SEARCH_CHILDREN);
        return;
    case QualityKnob::Qp:
        av_opt_set_int(context, "qp", value, AV_OPT_SEARCH_CHILDREN);
        return;
    case QualityKnob::QuantiserRange:
        context->qmin = context->qmax = value;
        // libvpx's constant-quality level must lie inside that range.
        av_opt_set_int(context, "crf", value, AV_OPT_SEARCH_CHILDREN);
        return;
    case QualityKnob::JpegQuality:
    case QualityKnob::PaletteQuality:
    case QualityKnob::Dither:
    case QualityKnob::WebpQuality:
    case QualityKnob::WebpEffort:
        return; // read where the frames are made
    }
}

std::string joinParams(const char *a, const char *b)
{
    if (!a || !b)
        return a ? a : b ? b : "";
    return std::string(a) + ":" + b;
}

bool isYuv(AVPixelFormat format)
{
    const AVPixFmtDescriptor *d = av_pix_fmt_desc_get(format);
    return d && !(d->flags & AV_PIX_FMT_FLAG_RGB) && d->nb_components >= 3;
}

// Encodes one grey frame and decodes it back; the reason when that fails.
std::string roundTripRefusal(const EncoderDescription &description, EncoderSettings settings)
{
    EncoderDescription once = description;
    once.checkDecodes = false;
    settings.quality = -1;
    try {
        VideoEncoder encoder(once, settings);
        const std::size_t stride = std::size_t(settings.width) * 3;
        const std::vector<std::uint8_t> grey(stride * std::size_t(settings.height), 128);
        ffmpeg::PacketPtr packet(av_packet_alloc());
        ffmpeg::FramePtr frame(av_frame_alloc());
        const AVCodec *decoder = avcodec_find_decoder(description.codec->id);
        ffmpeg::CodecContextPtr context(decoder ? avcodec_alloc_context3(decoder) : nullptr);
        if (!packet || !frame || !context)
            return {}; // nothing to check with: the encoder is taken at its word
        const ffmpeg::ErrorCapture capture;
        const AVCodecContext *made = encoder.context();
        context->width = settings.width;
        context->height = settings.height;
        context->codec_tag = made->codec_tag;
        context->bits_per_coded_sample = made->bits_per_coded_sample;
        if (made->extradata_size > 0) {
            context->extradata = static_cast<std::uint8_t *>(
                av_mallocz(std::size_t(made->extradata_size) + AV_INPUT_BUFFER_PADDING_SIZE));
            if (!context->extradata)
                return {};
            std::memcpy(context->extradata, made->extradata, std::size_t(made->extradata_size));
            context->extradata_size = made->extradata_size;
        }
        std::string failure;
        const FrameRows rows { grey.data(), std::ptrdiff_t(stride), settings.width, settings.height };
        if (encoder.send(rows, 0, true) < 0 || encoder.flush() < 0 || encoder.receive(packet.get()) < 0)
            failure = "cannot compress a frame of this size";
        else if (avcodec_open2(context.get(), decoder, nullptr) < 0
            || avcodec_send_packet(context.get(), packet.get()) < 0 || avcodec_send_packet(context.get(), nullptr) < 0
            || avcodec_receive_frame(context.get(), frame.get()) < 0 || frame->width != settings.width
            || frame->height != settings.height || !capture.last().empty())
            failure = "writes frames of this size that do not decode";
        if (!failure.empty() && !capture.last().empty())
            failure += " (" + capture.last() + ")";
        return failure;
    } catch (const VideoError &e) {
        return e.cause();
    }
}

} // namespace

VideoEncoder::VideoEncoder(const EncoderDescription &encoder, const EncoderSettings &settings)
    : m_description(encoder)
{
    ffmpeg::routeLogs();
    if (!encoder.codec)
        throw VideoError(VideoError::Reason::NoEncoder, "no such encoder");
    const int width = settings.width, height = settings.height;
    if (std::string why = encoder.sizeRefusal(width, height); !why.empty())
        refuse(VideoError::Reason::Settings, encoder, why);
    if (std::string why = encoder.presetRefusal(settings.preset); !why.empty())
        refuse(VideoError::Reason::Settings, encoder, why);
    const AVPixelFormat format = encoder.pixelFormat(width, height, m_route);

    ffmpeg::CodecContextPtr context(avcodec_alloc_context3(encoder.codec));
    if (!context)
        refuse(VideoError::Reason::EncoderRefuses, encoder, "cannot be opened: out of memory");
    AVCodecContext *cx = context.get();
    cx->width = width;
    cx->height = height;
    cx->pix_fmt = format;
    cx->time_base = { int(settings.rate.den), int(settings.rate.num) };
    cx->framerate = { int(settings.rate.num), int(settings.rate.den) };
    if (m_route != PixelRoute::Palette)
        cx->sample_aspect_ratio = { 1, 1 };
    if (m_route == PixelRoute::Jpeg) {
        cx->color_range = AVCOL_RANGE_JPEG;
        const int quality = settings.quality >= 0 && encoder.quality
            ? MapQualityWhole(*encoder.quality, settings.quality)
            : 75; // libjpeg's default
        try {
            m_jpeg = std::make_unique<JpegFramePipeline>(
                width, height, quality, std::max(1u, std::thread::hardware_concurrency()));
        } catch (const std::exception &e) {
            refuse(VideoError::Reason::EncoderRefuses, encoder, e.what()); // no worker thread, no memory
        }
        m_context = std::move(context);
        return;
    }
    cx->thread_count = 0;
    if (!settings.reorder)
        cx->max_b_frames = 0;
    if (isYuv(format)) {
        // Tagged, so that players convert back with the matrix we used.
        cx->color_range = AVCOL_RANGE_MPEG;
        cx->colorspace = AVCOL_SPC_BT709;
        cx->color_primaries = AVCOL_PRI_BT709;
        cx->color_trc = AVCOL_TRC_BT709;
        if (m_route == PixelRoute::Yuv420)
            cx->chroma_sample_location = AVCHROMA_LOC_CENTER; // ConvertBgrToYuv420's siting
    }
    if (settings.globalHeader)
        cx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const char *exactKeys = nullptr;
    if (settings.keyInterval > 0) {
        // Exactly every N frames: no extra key frames at scene cuts.
        cx->gop_size = settings.keyInterval;
        cx->keyint_min = settings.keyInterval;
        exactKeys = encoder.exactKeyParams;
    }
    if (encoder.paramsOption && (exactKeys || encoder.quietParams))
        av_opt_set(cx->priv_data, encoder.paramsOption, joinParams(exactKeys, encoder.quietParams).c_str(), 0);
    if (settings.bytesPerSecond > 0)
        cx->bit_rate = settings.bytesPerSecond * 8;
    else if (settings.quality >= 0 && encoder.quality)
        applyQuality(cx, *encoder.quality, settings.quality);
    if (settings.maxBitsPerSecond > 0) {
        // Constant quality, never above the ceiling the sites ask for.
        cx->rc_max_rate = settings.maxBitsPerSecond;
        cx->rc_buffer_size = int(std::min<std::int64_t>(settings.maxBitsPerSecond * 2, INT_MAX));
    }
    if (encoder.rowThreads)
        av_opt_set_int(cx->priv_data, "row-mt", 1, 0);
    const std::string &preset
        = settings.preset.empty() && encoder.defaultPreset ? encoder.defaultPreset : settings.preset;
    if (!preset.empty() && av_opt_set(cx->priv_data, encoder.presetOption, preset.c_str(), 0) < 0)
        refuse(VideoError::Reason::Settings, encoder, "has no speed preset '" + preset + "'");
    if (encoder.logLevelVariable)
        quietLibrary(encoder.logLevelVariable);

    if (m_route == PixelRoute::Palette) {
        m_palette = std::make_unique<PaletteFrames>(settings.palette, settings.dither);
        // Store only the changed rectangle, and unchanged pixels as transparent.
        av_opt_set(cx->priv_data, "gifflags", "+offsetting+transdiff", 0);
    } else {
        m_frame.reset(av_frame_alloc());
        m_source.reset(av_frame_alloc());
        if (!m_frame || !m_source)
            refuse(VideoError::Reason::EncoderRefuses, encoder, "cannot be opened: out of memory");
        m_frame->format = format;
        m_frame->width = width;
        m_frame->height = height;
        if (av_frame_get_buffer(m_frame.get(), 0) < 0)
            refuse(VideoError::Reason::EncoderRefuses, encoder, "cannot be opened: out of memory");
    }
    if (m_route == PixelRoute::Swscale) {
        // In bands on every core (0: one thread per core).
        m_sws.reset(sws_alloc_context());
        if (!m_sws)
            refuse(VideoError::Reason::EncoderRefuses, encoder, "cannot be opened: out of memory");
        SwsContext *sws = m_sws.get();
        av_opt_set_int(sws, "srcw", width, 0);
        av_opt_set_int(sws, "srch", height, 0);
        av_opt_set_int(sws, "src_format", AV_PIX_FMT_BGR24, 0);
        av_opt_set_int(sws, "dstw", width, 0);
        av_opt_set_int(sws, "dsth", height, 0);
        av_opt_set_int(sws, "dst_format", format, 0);
        av_opt_set_int(sws, "sws_flags", SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, 0);
        av_opt_set_int(sws, "threads", 0, 0);
        if (sws_init_context(sws, nullptr, nullptr) < 0)
            refuse(VideoError::Reason::EncoderRefuses, encoder, "cannot convert frames to its pixel format");
        if (isYuv(format)) {
            const int *bt709 = sws_getCoefficients(SWS_CS_ITU709);
            sws_setColorspaceDetails(sws, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
        }
    }

    {
        const ffmpeg::ErrorCapture capture; // the encoder's own words for a refusal
        errno = 0; // an encoder that prints its own log (x264) still leaves the allocator's errno
        if (const int e = avcodec_open2(cx, encoder.codec, nullptr); e < 0) {
            const bool noMemory = errno == ENOMEM;
            const std::string said = capture.last().empty() ? ffmpeg::errorText(e) : capture.last();
            if (noMemory || e == AVERROR(ENOMEM) || said.find("malloc") != std::string::npos
                || said.find("memory") != std::string::npos)
                refuse(VideoError::Reason::EncoderRefuses, encoder, "cannot be opened: out of memory (" + said + ")");
            refuse(VideoError::Reason::EncoderRefuses, encoder,
                "refuses " + std::to_string(width) + " x " + std::to_string(height) + " at " + RateText(settings.rate)
                    + " frames per second"
                    + (settings.preset.empty() ? "" : " with the preset '" + settings.preset + "'") + ": " + said);
        }
    }
    m_context = std::move(context);
    if (encoder.checkDecodes) {
        if (std::string why = roundTripRefusal(encoder, settings); !why.empty())
            refuse(VideoError::Reason::EncoderRefuses, encoder, why);
    }
}

VideoEncoder::~VideoEncoder()
{
    m_jpeg.reset();
    m_palette.reset();
    // Some encoders (SVT-AV1) hang when closed without the end of their
    // stream, and wait for ever for the end of a stream without a frame: one
    // black frame then.
    if (m_context && m_description.drainBeforeClose && m_framesSent == 0 && !m_flushed && m_frame
        && m_route == PixelRoute::Yuv420 && av_frame_make_writable(m_frame.get()) >= 0) {
        const int height = m_frame->height, chromaHeight = (height + 1) / 2;
        std::memset(m_frame->data[0], 16, std::size_t(m_frame->linesize[0]) * std::size_t(height));
        std::memset(m_frame->data[1], 128, std::size_t(m_frame->linesize[1]) * std::size_t(chromaHeight));
        std::memset(m_frame->data[2], 128, std::size_t(m_frame->linesize[2]) * std::size_t(chromaHeight));
        m_frame->pts = 0;
        m_framesSent += avcodec_send_frame(m_context.get(), m_frame.get()) >= 0;
    }
    if (m_context && (m_framesSent > 0 || !m_description.drainBeforeClose) && !m_flushed && flush() >= 0) {
        ffmpeg::PacketPtr packet(av_packet_alloc());
        while (packet && receive(packet.get()) >= 0)
            av_packet_unref(packet.get());
    }
}

int VideoEncoder::convert(const FrameRows &frame)
{
    if (const int e = av_frame_make_writable(m_frame.get()); e < 0)
        return e; // the encoder may still hold the previous picture
    AVFrame *out = m_frame.get();
    if (m_route == PixelRoute::Yuv420) {
        ConvertBgrToYuv420(frame.top, frame.pitch, frame.width, frame.height,
            { out->data[0], out->linesize[0], out->data[1], out->linesize[1], out->data[2], out->linesize[2] });
        return 0;
    }
    // The frame's rows lent to the converter, which takes a counted reference.
    AVFrame *source = m_source.get();
    source->format = AV_PIX_FMT_BGR24;
    source->width = frame.width;
    source->height = frame.height;
    source->data[0] = const_cast<std::uint8_t *>(frame.top);
    source->linesize[0] = int(frame.pitch);
    const std::uint8_t *lowest = frame.pitch < 0 ? frame.top + (frame.height - 1) * frame.pitch : frame.top;
    source->buf[0] = av_buffer_create(const_cast<std::uint8_t *>(lowest),
        std::size_t(frame.pitch < 0 ? -frame.pitch : frame.pitch) * std::size_t(frame.height), KeepPixels, nullptr,
        AV_BUFFER_FLAG_READONLY);
    if (!source->buf[0])
        return AVERROR(ENOMEM);
    const int converted = sws_scale_frame(m_sws.get(), out, source);
    av_frame_unref(source);
    return converted < 0 ? converted : 0;
}

int VideoEncoder::send(const FrameRows &frame, std::int64_t pts, bool keyFrame)
{
    if (!m_context || m_flushed || frame.width != m_context->width || frame.height != m_context->height)
        return AVERROR(EINVAL);
    ++m_framesSent;
    if (m_jpeg)
        return m_jpeg->send(frame.top, frame.pitch, pts); // every frame a key frame
    if (m_palette)
        return m_palette->send(frame, pts); // coded in order by receive
    --m_framesSent; // counted once the encoder has it
    if (const int e = convert(frame); e < 0)
        return e;
    m_frame->pts = pts;
    ffmpeg::requestKeyFrame(m_frame.get(), keyFrame);
    if (m_context->flags & AV_CODEC_FLAG_QSCALE)
        m_frame->quality = m_context->global_quality; // fixed-quantiser encoders read it from each frame
    const int sent = avcodec_send_frame(m_context.get(), m_frame.get());
    m_framesSent += sent >= 0;
    return sent;
}

void VideoEncoder::dropQueued()
{
    if (m_context && !m_description.drainBeforeClose)
        m_flushed = true;
    if (m_jpeg)
        m_jpeg->drop();
    if (m_palette)
        m_palette->drop();
}

int VideoEncoder::flush()
{
    if (!m_context)
        return AVERROR(EINVAL);
    if (m_flushed)
        return 0;
    m_flushed = true;
    if (m_jpeg)
        return m_jpeg->flush();
    if (m_palette)
        return 0; // the end goes in once the dithered frames have
    m_endSent = true;
    return avcodec_send_frame(m_context.get(), nullptr);
}

// Moves one dithered frame into the encoder (the end of the stream after
// the last): 0 when one moved, AVERROR(EAGAIN) when none is ready.
int VideoEncoder::feedDithered(bool wait)
{
    int error = 0;
    if (ffmpeg::FramePtr frame = m_palette->take(wait, error))
        return avcodec_send_frame(m_context.get(), frame.get());
    if (error < 0)
        return error;
    if (!wait || m_endSent)
        return AVERROR(EAGAIN);
    m_endSent = true;
    return avcodec_send_frame(m_context.get(), nullptr);
}

int VideoEncoder::receive(AVPacket *packet)
{
    if (m_jpeg)
        return m_jpeg->receive(packet);
    if (!m_context)
        return AVERROR(EINVAL);
    for (;;) {
        const int e = avcodec_receive_packet(m_context.get(), packet);
        if (e != AVERROR(EAGAIN) || !m_palette)
            return e;
        if (const int fed = feedDithered(m_flushed); fed < 0)
            return fed;
    }
}

bool ProbeEncoder(const EncoderDescription &encoder, std::uint32_t &ownTag)
{
    ownTag = 0;
    constexpr int width = 160, height = 120; // divides every chroma subsampling
    EncoderSettings settings;
    settings.width = width;
    settings.height = height;
    settings.quality = -1;
    settings.keyInterval = 1;
    settings.reorder = false;
    try {
        VideoEncoder probe(encoder, settings);
        const std::vector<std::uint8_t> black(std::size_t(width) * 3 * height, 0);
        ffmpeg::PacketPtr packet(av_packet_alloc());
        if (!packet || probe.send({ black.data(), width * 3, width, height }, 0, true) < 0 || probe.flush() < 0)
            return false;
        int packets = 0, ret = 0;
        while ((ret = probe.receive(packet.get())) >= 0) {
            ++packets;
            av_packet_unref(packet.get());
        }
        ownTag = probe.context()->codec_tag;
        return ret == AVERROR_EOF && packets > 0;
    } catch (const VideoError &) {
        return false;
    }
}
