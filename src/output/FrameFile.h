#pragma once

#include "common/InputFile.h"

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

// Why a file was not written.
enum class SaveReason {
    None,
    Declined, // the overwrite question said no or stop
    Exists, // the name exists, or appeared meanwhile, and replacing it was not allowed
    InputPicture, // the name is the picture being read: never replaced
    JpegTooLarge, // JPEG is limited to 65,500 pixels a side
    Encoder, // the JPEG library failed
    System, // the system refused: systemError tells why
};

struct SaveDetail {
    SaveReason reason = SaveReason::None;
    int systemError = 0; // errno, for SaveReason::System

    // "no space left on device", "file name too long", "exists already"...
    std::string text() const;
    // No space left or quota exceeded: no later file of the run can be written.
    bool diskFull() const;
};

// True for ".JPG" or ".JPEG" in any letter case.
bool IsJpegFileName(const std::string &fileName);

// Each writer goes through a temporary file in the target's folder, renamed
// over the target only when complete; false on any failure (detail, when
// given, tells why).
bool WriteBmpFile(const Bitmap24 &bitmap, const std::string &fileName, SaveDetail *detail = nullptr);
bool WriteJpegFile(
    const Bitmap24 &bitmap, const std::string &fileName, const TJpegOptions &options, SaveDetail *detail = nullptr);

// Writes a frame (or the panorama) as JPEG or BMP according to the name, after
// the per-file overwrite decision: with confirmOverwrite set and an existing
// file, the overwrite dialog is asked (6 write, 10 write and clear
// confirmOverwrite, 7 skip, 9 skip and set stopRequested, anything else
// abandon and set stopRequested). JPEG files take a copy of the settings
// given, as they stand at this call.
//
// The existence test does not follow links: a dangling link is an existing
// name. Unless the user agreed to replace (an answer 6 or 10, or
// confirmOverwrite clear), the file is put in place by an operation that
// fails when the name exists, so a file that appears meanwhile (another run
// into the same folder) is never replaced: the frame is then skipped
// (SaveReason::Exists). The picture being read (inputPicture, when given) is
// never replaced, whatever the answer: skipped with SaveReason::InputPicture.
// detail, when given, tells why a file was skipped or failed.
SaveOutcome SaveFrameFile(const Bitmap24 &bitmap, const std::string &fileName, bool &confirmOverwrite,
    const OverwriteQuestion &askOverwrite, bool &stopRequested, const TJpegOptions &jpegOptions,
    const FileIdentity *inputPicture = nullptr, SaveDetail *detail = nullptr);
// The same, asking with the program's overwrite dialog.
SaveOutcome SaveFrameFile(const Bitmap24 &bitmap, const std::string &fileName, bool &confirmOverwrite,
    ModalQuestions &questions, bool &stopRequested, const TJpegOptions &jpegOptions,
    const FileIdentity *inputPicture = nullptr, SaveDetail *detail = nullptr);
