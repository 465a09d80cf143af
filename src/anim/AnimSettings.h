#pragma once

#include <cstdint>
#include <string>

class Bitmap24;

// Item indexes of the scroll-type and format radio groups.
enum TScrollKind : std::int32_t { ScrollHorizontal = 0, ScrollVertical = 1 };
enum TOutputFormat : std::int32_t { FormatBmp = 0, FormatJpg = 1, FormatAvi = 2 };

struct TRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    bool operator==(const TRect &) const = default;
};

// The validated settings of one run: filled by ReadSettings, completed by
// PrepareFrames, copied by value into each pass. The frame bitmap is owned by
// the run, never by the record.
struct tanimprm {
    Bitmap24 *FrameBitmap = nullptr;
    TRect DstRect;
    TRect SrcRect;
    std::int32_t FrameWidth = 0;
    std::int32_t FrameHeight = 0;
    std::int32_t Step = 0;
    std::int32_t NumStart = 0;
    bool Center = false;
    std::string FileName;
    std::string NameFormat;
    std::string DstDir;
    std::string DstName;
    std::string Ext;
    bool ScrollDirection = false;
    bool ScrollBack = false;
    TScrollKind ScrollType = ScrollHorizontal;
};
