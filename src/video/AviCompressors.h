#pragma once

#include "video/ContainedProbes.h"

#include <cstdint>
#include <string>
#include <vector>

// The compressors an AVI file can be written with on this machine: the
// libavcodec video encoders whose codec the AVI muxer stores, that open at
// 160 x 120 and encode a frame (hardware wrappers without their device, and
// encoders tied to a few sizes or rates, do not). One per four-character
// code, under the code the AVI muxer writes for it (or the encoder's own,
// where it names one per pixel format), sorted by code (case aside); where
// several encoders make one codec, the first that works in FFmpeg's order
// serves it. Uncompressed frames are no compressor here.
struct AviCompressor {
    std::uint32_t code = 0;
    std::string encoder; // libavcodec's name
    std::string description; // libavcodec's long name
    bool hasQuality = false; // the quality setting reaches it
    bool takesDataRate = false; // lossy: it can aim at a data rate
    bool temporal = false; // frames may depend on earlier ones: key frames matter
};

// The list, built once per process when first shown: every encoder is
// tried in a child process (ContainedProbes.h), so that one that crashes or
// aborts costs only its own line.
const std::vector<AviCompressor> &AviCompressors();

// The list from the encoders tried by probe (index into AviEncoders()); for tests.
std::vector<AviCompressor> ListAviCompressors(const Probe &probe);
// The real probe: opens encoder index of AviEncoders() and encodes a frame.
ProbeResult ProbeAviEncoder(std::size_t index, const std::vector<ProbeResult> &before);

// The listed entry of a code, in any letter case; null when none.
const AviCompressor *FindListedCompressor(const std::vector<AviCompressor> &list, std::uint32_t code);
