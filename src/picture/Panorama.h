#pragma once

#include "common/Bitmap24.h"
#include "common/InputFile.h"

#include <optional>
#include <string>

class BusyCursors;
struct TJpegOptions;

// The loaded panorama: its pixels (0 x 0 when none is loaded) and the file
// they were read from, which no frame of a run may replace.
struct Panorama {
    Bitmap24 Picture;
    std::optional<FileIdentity> File;

    // Drops the previous picture first (two large pictures never coexist),
    // then loads the file under the busy cursor; false, with no picture, when
    // it cannot be read.
    bool Open(const std::string &fileName, BusyCursors &cursors, const TJpegOptions &jpegOptions);
    void Wipe();
};
