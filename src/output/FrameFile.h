#pragma once

#include "common/AtomicFile.h"
#include "common/InputFile.h"
#include "jpeg/JpegOptions.h"
#include "output/PngEncoder.h"
#include "output/TiffEncoder.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

class Bitmap24;
class ModalQuestions;

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
    Encoder, // the JPEG, PNG or TIFF library failed: message tells why
    System, // the system refused: systemError tells why
};

struct SaveDetail {
    SaveReason reason = SaveReason::None;
    int systemError = 0; // errno, for SaveReason::System
    std::string message; // the library's words, for SaveReason::Encoder

    // "no space left on device", "file name too long", "exists already"...
    std::string text() const;
    // No space left or quota exceeded: no later file of the run can be written.
    bool diskFull() const;
    // What no later frame of the same run can escape: a full disk, a
    // read-only file system, a refused permission (the folder refuses new
    // files), a frame too large for its format or for the file system, the
    // picture being read among the names.
    bool endsSeries() const;
};

// True for ".JPG" or ".JPEG" in any letter case.
bool IsJpegFileName(const std::string &fileName);

// The file format, from the name's extension in any letter case: ".JPG" and
// ".JPEG" JPEG, ".PNG" PNG, ".TIF" and ".TIFF" TIFF, anything else BMP.
enum class FrameFileKind { Bmp, Jpeg, Png, Tiff };
FrameFileKind FrameFileKindOf(const std::string &fileName);

// The settings a frame file is encoded with, copied when the frame is handed
// out, so that a later change applies from the next frame on.
struct FrameEncoding {
    TJpegOptions jpeg;
    int pngLevel = kDefaultPngLevel;
    TiffCompression tiff = TiffCompression::Deflate;
};

// The overwrite decision for one file, taken before anything is encoded.
struct FrameFilePlan {
    SaveOutcome outcome = SaveOutcome::Written; // Written: go on and write it
    AtomicFile::Publish how = AtomicFile::Publish::NoReplace;
    std::optional<FileIdentity> keep; // the picture being read: never replaced, even when its name appears meanwhile
    SaveDetail detail; // why not, when outcome is not Written
};

// Each writer goes through a file without a name in the target's folder
// (AtomicFile), put in place only when complete; false on any failure
// (detail, when given, tells why).
bool WriteBmpFile(const Bitmap24 &bitmap, const std::string &fileName, SaveDetail *detail = nullptr);
bool WriteJpegFile(
    const Bitmap24 &bitmap, const std::string &fileName, const TJpegOptions &options, SaveDetail *detail = nullptr);
// Encodes the bitmap in the format of the name (FrameFileKindOf) and puts it
// in place as planned; safe on any thread (nothing shared is touched).
bool WriteFrameFile(const Bitmap24 &bitmap, const std::string &fileName, AtomicFile::Publish how,
    const FrameEncoding &encoding, SaveDetail &detail);
// The same in two steps, for runs that write on other threads and put the
// files in place in frame order: the file encoded and written without a
// name (null on failure, detail telling why), safe on any thread; then put
// in place, never over keep (SaveReason::InputPicture), and without consent
// never over a name that exists (SaveReason::Exists).
std::unique_ptr<AtomicFile> WriteUnpublishedFrame(
    const Bitmap24 &bitmap, const std::string &fileName, const FrameEncoding &encoding, SaveDetail &detail);
bool PublishFrameFile(AtomicFile &file, const std::string &fileName, AtomicFile::Publish how, const FileIdentity *keep,
    SaveDetail &detail);

// The overwrite decision alone (the first half of SaveFrameFile, below), for
// runs that hand the writing to other threads.
FrameFilePlan PlanFrameFile(const std::string &fileName, bool &confirmOverwrite, const OverwriteQuestion &askOverwrite,
    bool &stopRequested, const FileIdentity *inputPicture = nullptr);

// Writes a frame (or the panorama) as JPEG, PNG, TIFF or BMP according to the name, after
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
// never replaced, whatever the answer: skipped with SaveReason::InputPicture
// when the name is that file now, failed with it when the name became that
// file before it was replaced.
// detail, when given, tells why a file was skipped or failed.
SaveOutcome SaveFrameFile(const Bitmap24 &bitmap, const std::string &fileName, bool &confirmOverwrite,
    const OverwriteQuestion &askOverwrite, bool &stopRequested, const TJpegOptions &jpegOptions,
    const FileIdentity *inputPicture = nullptr, SaveDetail *detail = nullptr);
// The same, with PNG and TIFF settings (names ending in .PNG, .TIF, .TIFF).
SaveOutcome SaveFrameFile(const Bitmap24 &bitmap, const std::string &fileName, bool &confirmOverwrite,
    const OverwriteQuestion &askOverwrite, bool &stopRequested, const FrameEncoding &encoding,
    const FileIdentity *inputPicture = nullptr, SaveDetail *detail = nullptr);
// The same, asking with the program's overwrite dialog.
SaveOutcome SaveFrameFile(const Bitmap24 &bitmap, const std::string &fileName, bool &confirmOverwrite,
    ModalQuestions &questions, bool &stopRequested, const TJpegOptions &jpegOptions,
    const FileIdentity *inputPicture = nullptr, SaveDetail *detail = nullptr);
