#pragma once

#include "common/MemoryBudget.h"

#include <cstdint>

// What a picture decoder knows once it has read the file's header, before it
// takes any sizeable memory: every decoder (TIFF, PNG, BMP, JPEG, and the Qt
// and FFmpeg ones) makes the same two checks on it. The file must be long
// enough to hold the picture it announces, given the best packing its format
// allows; and the load, with what the run needs next, must fit in the memory
// available now.
struct DecodePlan {
    std::int64_t width = 0;
    std::int64_t height = 0;
    // The picture's data as the file would hold them unpacked (samples,
    // blocks...), and the most bytes one byte of the file can unpack to; 0
    // when the format sets no bound (end codes that fill the rest).
    std::uint64_t unpackedBytes = 0;
    std::uint64_t mostUnpacked = 1;
    // File bytes granted besides that packing (tables, headers of codecs
    // whose small pictures pack worse than their bound).
    std::uint64_t fileSlack = 0;
    // What the decoder takes besides our 24-bit rows: its buffers, strips or
    // tiles, its own copy of the whole picture, the file if it holds it.
    std::uint64_t workBytes = 0;
    // A load that keeps the picture smaller: the size kept (0 x 0: the
    // picture's own), what the reduction holds besides the kept rows (the
    // scaler), and whether the whole picture is decoded first and reduced
    // afterwards (its rows then live beside the kept ones for a moment)
    // rather than reduced as its rows come.
    std::int64_t keptWidth = 0;
    std::int64_t keptHeight = 0;
    std::uint64_t reductionBytes = 0;
    bool reducedAfterDecode = false;

    bool reduced() const { return keptWidth > 0 && keptHeight > 0; }
};

enum class PlanVerdict { Fits, FileTooShort, TooLittleMemory };

// The frame a run makes first from a picture of that size, 24 bits: 4:3 and
// as high as a wide picture, as wide as a tall one (the panel's default).
std::uint64_t DefaultFrameBytes(std::int64_t width, std::int64_t height);

// The memory a load of that plan needs: the rows, the decoder's work memory
// and the default frame of the run that follows. A reduced load counts the
// kept rows, the reduction and the frame of the kept size; reduced after
// the decode, also the whole picture's rows, beside the decoder's work
// while it decodes, then beside the kept rows and the reduction.
std::uint64_t PlanMemory(const DecodePlan &plan);

// Whether a file of fileBytes can hold the plan's picture (never refused
// when mostUnpacked is 0), then whether PlanMemory() fits in
// AvailableMemory(); shortage is filled for TooLittleMemory.
PlanVerdict CheckDecodePlan(const DecodePlan &plan, std::uint64_t fileBytes, MemoryShortage &shortage);

// Add and multiply, held at the largest value instead of wrapping.
std::uint64_t AddCapped(std::uint64_t a, std::uint64_t b);
std::uint64_t MultiplyCapped(std::uint64_t a, std::uint64_t b);
