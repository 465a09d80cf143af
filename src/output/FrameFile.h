#pragma once

#include <string>

class Bitmap24;
class WindowServices;
struct TJpegOptions;

enum class SaveOutcome {
    Written, // the file was written
    Skipped, // the overwrite question said no, or asked to stop (stopRequested set)
    Failed, // writing failed; nothing was reported, any old file is intact
    Abandoned, // the overwrite dialog was closed: stopRequested set, the caller's operation ends at once
};

// True for ".JPG" or ".JPEG" in any letter case.
bool IsJpegFileName(const std::string &fileName);

// Each writer goes through a temporary file in the target's folder, renamed
// over the target only when complete; false on any failure.
bool WriteBmpFile(const Bitmap24 &bitmap, const std::string &fileName);
bool WriteJpegFile(const Bitmap24 &bitmap, const std::string &fileName, const TJpegOptions &options);

// Writes a frame (or the panorama) as JPEG or BMP according to the name, after
// the per-file overwrite decision: with confirmOverwrite set and an existing
// file, the overwrite dialog is asked (6 write, 10 write and clear
// confirmOverwrite, 7 skip, 9 skip and set stopRequested, anything else
// abandon and set stopRequested). JPEG uses the current JpegOptions.
SaveOutcome SaveFrameFile(const Bitmap24 &bitmap, const std::string &fileName, bool &confirmOverwrite,
    WindowServices &services, bool &stopRequested);
