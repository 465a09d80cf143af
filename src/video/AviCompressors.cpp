#include "video/AviCompressors.h"

#include "video/EncoderDescription.h"
#include "video/FFmpegObjects.h"
#include "video/FourCC.h"
#include "video/VideoEncoder.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <set>

namespace {

AviCompressor describe(const EncoderDescription &encoder, std::uint32_t code)
{
    const AVCodecDescriptor *descriptor = avcodec_descriptor_get(encoder.codec->id);
    const int props = descriptor ? descriptor->props : 0;
    AviCompressor c;
    c.code = code;
    c.encoder = encoder.name;
    c.description = encoder.codec->long_name ? encoder.codec->long_name : encoder.name;
    c.hasQuality = encoder.quality != nullptr;
    c.takesDataRate = props & AV_CODEC_PROP_LOSSY;
    c.temporal = !(props & AV_CODEC_PROP_INTRA_ONLY);
    return c;
}

} // namespace

ProbeResult ProbeAviEncoder(std::size_t index, const std::vector<ProbeResult> &)
{
    ffmpeg::routeLogs();
    const std::vector<EncoderDescription> encoders = AviEncoders();
    ProbeResult result;
    if (index < encoders.size())
        result.works = ProbeEncoder(encoders[index], result.value);
    return result;
}

std::vector<AviCompressor> ListAviCompressors(const Probe &probe)
{
    const std::vector<EncoderDescription> encoders = AviEncoders();
    const AVOutputFormat *avi = av_guess_format("avi", nullptr, nullptr);
    // A codec is served by its first encoder that works: the others are not tried.
    const std::vector<ProbeResult> results
        = RunContainedProbes(encoders.size(), [&](std::size_t i, const std::vector<ProbeResult> &before) {
              for (std::size_t j = 0; j < i; ++j)
                  if (before[j].works && encoders[j].codec->id == encoders[i].codec->id)
                      return ProbeResult {};
              return probe(i, before);
          });
    std::vector<AviCompressor> list;
    std::set<AVCodecID> served;
    for (std::size_t i = 0; i < encoders.size(); ++i) {
        const EncoderDescription &encoder = encoders[i];
        if (served.count(encoder.codec->id) || !results[i].works)
            continue;
        // An encoder that names its own code (Ut Video: one per pixel format)
        // keeps it when the muxer knows it for that codec.
        std::uint32_t code = results[i].value;
        if (!code || !avi || av_codec_get_id(avi->codec_tag, code) != encoder.codec->id)
            code = encoder.aviCode;
        if (!code || FindListedCompressor(list, code))
            continue;
        served.insert(encoder.codec->id);
        list.push_back(describe(encoder, code));
    }
    std::sort(list.begin(), list.end(), [](const AviCompressor &a, const AviCompressor &b) {
        return fourccBytes(fourccUpper(a.code)) < fourccBytes(fourccUpper(b.code));
    });
    return list;
}

const std::vector<AviCompressor> &AviCompressors()
{
    static const std::vector<AviCompressor> list = ListAviCompressors(ProbeAviEncoder);
    return list;
}

const AviCompressor *FindListedCompressor(const std::vector<AviCompressor> &list, std::uint32_t code)
{
    for (const AviCompressor &c : list)
        if (fourccUpper(c.code) == fourccUpper(code))
            return &c;
    return nullptr;
}
