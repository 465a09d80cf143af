#pragma once

#include "video/VideoFormats.h"

#include <cstdint>
#include <string>

// The frame rate of MP4, WebM, MKV, GIF and WebP files, the window's and the
// command line's alike, and the range the "Options Vidéo" window offers.
inline constexpr std::int32_t kDefaultVideoRate = 30;
inline constexpr std::int32_t kMinVideoRate = 1;
inline constexpr std::int32_t kMaxVideoRate = 1000;
inline constexpr std::int32_t kMaxKeyInterval = 100000;

// Settings of "Vidéo" runs: held for the whole program like the AVI options,
// read by the run when it starts writing.
struct TVideoOptions {
    VideoContainer Container = VideoContainer::Mp4;
    VideoCodec Codec = VideoCodec::Default; // the container's usual encoder
    std::int32_t Rate = kDefaultVideoRate; // frames per second
    std::int32_t Quality = 75; // 0 (smallest) to 100 (best)
    std::int32_t KeyInterval = 0; // a key frame every N frames; 0: the encoder's choice
    std::string Preset; // the encoder's speed preset; empty: its default
    bool Lossless = false; // animated WebP: lossless frames

    bool operator==(const TVideoOptions &) const = default;
};

// Which fields of "Options Vidéo" the chosen file uses; the window greys the
// others and a run leaves out what they hold.
struct VideoFieldUse {
    bool quality = true; // FFV1 is lossless
    bool keyInterval = true; // a GIF has no key frames
    bool preset = true; // GIF, WebP and FFV1 have no speed preset
    bool lossless = false; // animated WebP only
    bool qualityIsEffort = false; // lossless WebP: the effort spent on a smaller file
};
VideoFieldUse FieldsUsedBy(const TVideoOptions &options);
