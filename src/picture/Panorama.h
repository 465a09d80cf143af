#pragma once

#include "common/Bitmap24.h"
#include "common/InputFile.h"
#include "picture/PictureError.h"
#include "picture/PictureLoader.h"
#include "picture/PictureSource.h"

#include <functional>
#include <optional>
#include <string>

class BusyCursors;
struct TJpegOptions;

// The loaded panorama: its pixels (0 x 0 when none is loaded) and the file
// they were read from, which no frame of a run may replace.
struct Panorama {
    Bitmap24 Picture;
    std::optional<FileIdentity> File;

    // Loads the file under the busy cursor. The previous picture stays while
    // the new one is read, when the memory allows both: a load that does not
    // fit beside it calls makeRoom (to let go of copies held elsewhere),
    // drops it and tries again. A load that fails or is cancelled (cancelled
    // said true), and an empty file name, leave the previous picture as it
    // was, unless it went to make room. result (may be null) tells why.
    bool Open(const std::string &fileName, BusyCursors &cursors, const TJpegOptions &jpegOptions,
        PictureLoadResult *result = nullptr, const CancelCheck &cancelled = {}, const LoadProgress &progress = {},
        const std::function<void()> &makeRoom = {});
    // The same with the load's request: its cancel check, its progress and
    // the size to keep the picture at (PictureLoader.h).
    bool Open(const std::string &fileName, BusyCursors &cursors, const TJpegOptions &jpegOptions,
        PictureLoadResult *result, const LoadRequest &request, const std::function<void()> &makeRoom = {});
    void Wipe();
};
