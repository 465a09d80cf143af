#pragma once

#include "video/VideoFormats.h"

#include <cstdint>
#include <string>

// Settings of "Vidéo" runs: held for the whole program like the AVI options,
// read by the run when it starts writing.
struct TVideoOptions {
    VideoContainer Container = VideoContainer::Mp4;
    VideoCodec Codec = VideoCodec::Default; // the container's usual encoder
    std::int32_t Rate = 25; // frames per second
    std::int32_t Quality = 75; // 0 (smallest) to 100 (best)
    std::int32_t KeyInterval = 0; // a key frame every N frames; 0: the encoder's choice
    std::string Preset; // the encoder's speed preset; empty: its default
    bool Lossless = false; // animated WebP: lossless frames
};
