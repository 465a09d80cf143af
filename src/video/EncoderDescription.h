#pragma once

#include "video/QualityScale.h"
#include "video/VideoFormats.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

#include <cstdint>
#include <string>
#include <vector>

struct AVCodec;

// How our 24-bit frames reach an encoder.
enum class PixelRoute {
    Yuv420, // our BT.709 conversion (Yuv420Conversion.h), tagged, chroma sited at the centre
    Swscale, // libswscale into the encoder's format: exact RGB for lossless codecs
    Jpeg, // libjpeg-turbo on worker threads (JpegFramePipeline.h), no libavcodec encoder
    Palette, // dithered onto one palette on worker threads (PaletteDither.h): GIF
};

// One libavcodec encoder as the outputs use it, resolved once from its name:
// everything that differs between encoders is here, as data.
struct EncoderDescription {
    const AVCodec *codec = nullptr;
    std::string name; // libavcodec's ("libx264")
    std::string title; // how refusals name it: its name, or for AVI "the compressor 'H264'"
    std::uint32_t aviCode = 0; // the four-character code the AVI muxer stores for its codec
    const QualityMapping *quality = nullptr; // null: no quality setting
    // Speed presets: the option they set (null: the encoder has none), their
    // names, or a whole-number range when names is null.
    const char *presetOption = nullptr;
    const char *presetNames = nullptr;
    int presetLowest = 0, presetHighest = 0;
    const char *defaultPreset = nullptr; // set when none is asked for
    // The encoder's own parameter string: what keeps it quiet, and what makes
    // key frames come exactly every N frames.
    const char *paramsOption = nullptr;
    const char *quietParams = nullptr;
    const char *exactKeyParams = nullptr;
    bool rowThreads = false; // libvpx's row-mt
    // The environment variable of a library that prints on its own (SVT-AV1's
    // log level), set before the encoder is made.
    const char *logLevelVariable = nullptr;
    // Sizes it writes decodable frames for (0: no limit of its own).
    int minWidth = 0, minHeight = 0, maxWidth = 0, maxHeight = 0, widthMultiple = 1;
    bool sizeForPlayers = false; // the maximum is what players take, not what the encoder can
    // It hangs when closed without the end of its stream (SVT-AV1).
    bool drainBeforeClose = false;
    // Intra-only codecs are checked once by decoding a frame they made: some
    // take a size and write frames nothing decodes.
    bool checkDecodes = false;

    // The pixel format for frames of that size and the way there;
    // AV_PIX_FMT_NONE when there is none (refusal() says why).
    AVPixelFormat pixelFormat(int width, int height, PixelRoute &route) const;
    // Why frames of that size cannot be written; empty when they can.
    std::string sizeRefusal(int width, int height) const;
    // Why the preset is not one of the encoder's; empty when it is (or none is asked).
    std::string presetRefusal(const std::string &preset) const;
};

EncoderDescription DescribeEncoder(const AVCodec *codec);

// The encoder of a codec in a container (Default: the container's usual
// one); empty name when the container takes no libavcodec encoder (AVI, whose
// compressors go by code, and WebP). why says what is missing.
EncoderDescription EncoderForCodec(VideoContainer container, VideoCodec codec, std::string &why);

// The encoders of the codec an AVI file stores under code (any letter
// case, the AVI muxer's table), in FFmpeg's order of preference; empty when
// the code is unknown or no encoder of this machine makes that codec.
std::vector<EncoderDescription> AviEncodersFor(std::uint32_t code);
// Every encoder the AVI muxer can store, in FFmpeg's order (one or more per codec).
std::vector<EncoderDescription> AviEncoders();
