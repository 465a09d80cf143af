#pragma once

#include "common/TRect.h"
#include "output/OutputFormat.h"
#include "output/OutputNaming.h"

#include <cstdint>
#include <memory>
#include <string>

class Bitmap24;
class SeriesLock;

// Item index of the scroll-type radio group.
enum TScrollKind : std::int32_t { ScrollHorizontal = 0, ScrollVertical = 1 };

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
    // The user agreed to replace an existing first file (an AVI file is
    // replaced only then).
    bool ReplaceExisting = false;
    bool ScrollDirection = false;
    bool ScrollBack = false;
    TScrollKind ScrollType = ScrollHorizontal;
    // The panorama is a full turn: the frame window wraps past the far edge
    // and one pass goes once round; there is no return pass.
    bool Loop360 = false;
    // The run's claim on its series (OutputNames::Lock): released when the
    // last copy of the record goes.
    std::shared_ptr<const SeriesLock> SeriesClaim;
};

// Copies the names of a run into its record.
inline void SetOutputNames(tanimprm &prm, const OutputNames &names)
{
    prm.DstDir = names.DstDir;
    prm.DstName = names.DstName;
    prm.NumStart = names.NumStart;
    prm.NameFormat = names.NameFormat;
    prm.Ext = names.Ext;
    prm.FileName = names.FileName;
    prm.ReplaceExisting = names.ReplaceExisting;
    prm.SeriesClaim = names.Lock;
}
