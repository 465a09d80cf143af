#include "video/VideoCompressors.h"

#include "video/FFmpegObjects.h"
#include "video/VideoEncoder.h"

#include <QString>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

struct InstalledCompressor {
    const ICINFO *info;
};

namespace {

struct Entry {
    const AVCodec *codec;
    ICINFO info;
};

template <std::size_t N> void copyText(char16_t (&target)[N], const char *text)
{
    const std::u16string utf16 = QString::fromUtf8(text ? text : "").toStdU16String();
    const std::size_t n = std::min(utf16.size(), N - 1);
    std::copy_n(utf16.begin(), n, target);
    std::fill(target + n, target + N, u'\0');
}

ICINFO describe(const AVCodec *codec, std::uint32_t handler)
{
    const AVCodecDescriptor *descriptor = avcodec_descriptor_get(codec->id);
    const int props = descriptor ? descriptor->props : 0;
    ICINFO info;
    info.dwSize = sizeof(ICINFO);
    info.fccType = ICTYPE_VIDEO;
    info.fccHandler = handler;
    info.dwFlags = (encoderHasQuality(codec) ? VIDCF_QUALITY : 0) | (props & AV_CODEC_PROP_LOSSY ? VIDCF_CRUNCH : 0)
        | (props & AV_CODEC_PROP_INTRA_ONLY ? 0 : VIDCF_TEMPORAL);
    info.dwVersion = avcodec_version();
    info.dwVersionICM = 0x0104;
    copyText(info.szName, codec->name);
    copyText(info.szDescription, codec->long_name ? codec->long_name : codec->name);
    copyText(info.szDriver, "libavcodec");
    return info;
}

std::vector<Entry> findCompressors()
{
    ffmpeg::routeLogs();
    std::vector<Entry> entries;
    const AVOutputFormat *avi = av_guess_format("avi", nullptr, nullptr);
    if (!avi)
        return entries;
    std::set<AVCodecID> served;
    void *iterator = nullptr;
    while (const AVCodec *codec = av_codec_iterate(&iterator)) {
        if (!av_codec_is_encoder(codec) || codec->type != AVMEDIA_TYPE_VIDEO || codec->id == AV_CODEC_ID_RAWVIDEO
            || (codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL) || served.count(codec->id)
            || avformat_query_codec(avi, codec->id, FF_COMPLIANCE_NORMAL) != 1)
            continue;
        std::uint32_t handler = 0;
        if (!probeEncoder(codec, handler))
            continue;
        // An encoder that names its own code (Ut Video: one per pixel format)
        // keeps it when the muxer knows it for that codec.
        if (!handler || av_codec_get_id(avi->codec_tag, handler) != codec->id)
            handler = av_codec_get_tag(avi->codec_tag, codec->id);
        const bool taken = std::any_of(entries.begin(), entries.end(),
            [&](const Entry &e) { return fourccUpper(e.info.fccHandler) == fourccUpper(handler); });
        if (!handler || taken)
            continue;
        served.insert(codec->id);
        entries.push_back({ codec, describe(codec, handler) });
    }
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return fourccBytes(fourccUpper(a.info.fccHandler)) < fourccBytes(fourccUpper(b.info.fccHandler));
    });
    return entries;
}

const std::vector<Entry> &compressors()
{
    static const std::vector<Entry> entries = findCompressors();
    return entries;
}

const Entry *findEntry(std::uint32_t handler)
{
    for (const Entry &entry : compressors())
        if (fourccUpper(entry.info.fccHandler) == fourccUpper(handler))
            return &entry;
    return nullptr;
}

bool isVideoType(std::uint32_t fccType)
{
    return fccType == ICTYPE_VIDEO || fccType == 0;
}

// Open handles, so that a stale or foreign one is refused rather than used.
std::mutex handlesMutex;
std::set<HIC> openHandles;

bool isOpen(HIC hic)
{
    std::lock_guard lock(handlesMutex);
    return hic && openHandles.count(hic) != 0;
}

} // namespace

bool ICInfo(std::uint32_t fccType, std::uint32_t index, ICINFO *info)
{
    const auto &entries = compressors();
    if (!info || !isVideoType(fccType) || index >= entries.size())
        return false;
    *info = entries[index].info;
    return true;
}

HIC ICOpen(std::uint32_t fccType, std::uint32_t fccHandler, std::uint32_t mode)
{
    const Entry *entry = isVideoType(fccType) ? findEntry(fccHandler) : nullptr;
    if (!entry || (mode != ICMODE_QUERY && mode != ICMODE_COMPRESS))
        return nullptr;
    std::uint32_t tag = 0;
    if (mode == ICMODE_COMPRESS && !probeEncoder(entry->codec, tag))
        return nullptr;
    HIC hic = new InstalledCompressor { &entry->info };
    std::lock_guard lock(handlesMutex);
    openHandles.insert(hic);
    return hic;
}

long ICGetInfo(HIC hic, ICINFO *info, std::uint32_t size)
{
    if (!isOpen(hic))
        return 0;
    if (!info)
        return long(sizeof(ICINFO));
    const std::size_t n = std::min<std::size_t>(size, sizeof(ICINFO));
    std::memcpy(static_cast<void *>(info), hic->info, n);
    return long(n);
}

long ICClose(HIC hic)
{
    {
        std::lock_guard lock(handlesMutex);
        if (!hic || openHandles.erase(hic) == 0)
            return ICERR_BADHANDLE;
    }
    delete hic;
    return ICERR_OK;
}

const AVCodec *FindVideoCompressor(std::uint32_t fccHandler, std::uint32_t *listedHandler)
{
    const Entry *entry = findEntry(fccHandler);
    if (listedHandler)
        *listedHandler = entry ? entry->info.fccHandler : 0;
    return entry ? entry->codec : nullptr;
}
