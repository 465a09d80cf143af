#pragma once

#include "video/FourCC.h"

#include <cstdint>

struct AVCodec;

// The installable video compressors of this machine, in the shape of the
// Video for Windows compressor service: the video encoders of libavcodec that
// the AVI muxer can store and that take our 24-bit frames through libswscale.
//
// Each is listed under the four-character handler code the AVI muxer writes
// for it, one entry per code, sorted by code (case aside). Where several encoders make one
// codec, FFmpeg's own order of preference decides: the first that works
// serves it (libx264 before the hardware wrappers, the built-in MPEG-4 encoder
// before libxvid, libaom before the other AV1 encoders). An encoder "works"
// when it opens at 160 x 120 and encodes a frame; hardware wrappers without
// their device, and encoders tied to a few fixed sizes or rates (DV, H.261,
// H.263), fail that and are not listed. Uncompressed frames are no compressor
// here: the AVI writer stores them itself.
//
// A compressor may still refuse a particular frame size or rate (an encoder
// without a usable pixel format for odd sizes, MPEG-1 at 10 frames per
// second): the AVI writer then fails to set the stream format, with an error
// code.
//
// The encoders are tried once per process, on first use.

inline constexpr std::uint32_t ICTYPE_VIDEO = mmioFOURCC('v', 'i', 'd', 'c');
inline constexpr std::uint32_t ICMODE_COMPRESS = 1;
inline constexpr std::uint32_t ICMODE_QUERY = 4;
inline constexpr std::uint32_t VIDCF_QUALITY = 0x1; // has a quality setting
inline constexpr std::uint32_t VIDCF_CRUNCH = 0x2; // can aim at a data rate
inline constexpr std::uint32_t VIDCF_TEMPORAL = 0x4; // frames may depend on earlier ones
inline constexpr long ICERR_OK = 0;
inline constexpr long ICERR_BADHANDLE = -8;

// The compressor information record: 568 bytes, texts in UTF-16.
struct ICINFO {
    std::uint32_t dwSize = 0;
    std::uint32_t fccType = 0;
    std::uint32_t fccHandler = 0;
    std::uint32_t dwFlags = 0; // VIDCF_*
    std::uint32_t dwVersion = 0;
    std::uint32_t dwVersionICM = 0;
    char16_t szName[16] = {};
    char16_t szDescription[128] = {};
    char16_t szDriver[128] = {};
};
static_assert(sizeof(ICINFO) == 568, "the record's size is part of its interface");

struct InstalledCompressor;
using HIC = InstalledCompressor *; // null: no compressor

// Compressor number index of type fccType (ICTYPE_VIDEO, or 0 for any): true
// and the record filled while one exists.
bool ICInfo(std::uint32_t fccType, std::uint32_t index, ICINFO *info);
// Opens a compressor by type and handler code (case does not matter) for
// ICMODE_QUERY or ICMODE_COMPRESS; compress mode tries the encoder again.
// Null when none can be opened.
HIC ICOpen(std::uint32_t fccType, std::uint32_t fccHandler, std::uint32_t mode);
// Copies at most size bytes of the compressor's record; returns the number of
// bytes copied (the record's size when info is null), 0 for a bad handle.
long ICGetInfo(HIC hic, ICINFO *info, std::uint32_t size);
// ICERR_OK, or ICERR_BADHANDLE.
long ICClose(HIC hic);

// The encoder listed under a handler code (case does not matter), or null;
// listedHandler receives the code as listed.
const AVCodec *FindVideoCompressor(std::uint32_t fccHandler, std::uint32_t *listedHandler = nullptr);
