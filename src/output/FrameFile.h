#pragma once

#include <functional>
#include <string>

class Bitmap24;
class ModalQuestions;
struct TJpegOptions;

// The per-file overwrite question: given the file name and the caption,
// returns a modal result of ModalQuestions::OverwriteAnswer.
using OverwriteQuestion = std::function<int(const std::string &fileName, const std::string &caption)>;

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
// abandon and set stopRequested). JPEG files take a copy of the settings
// given, as they stand at this call.
SaveOutcome SaveFrameFile(const Bitmap24 &bitmap, const std::string &fileName, bool &confirmOverwrite,
    const OverwriteQuestion &askOverwrite, bool &stopRequested, const TJpegOptions &jpegOptions);
// The same, asking with the program's overwrite dialog.
SaveOutcome SaveFrameFile(const Bitmap24 &bitmap, const std::string &fileName, bool &confirmOverwrite,
    ModalQuestions &questions, bool &stopRequested, const TJpegOptions &jpegOptions);
