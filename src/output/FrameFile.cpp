#include "output/FrameFile.h"

#include "common/AtomicFile.h"
#include "common/Bitmap24.h"
#include "options/JpegImage.h"
#include "output/BmpWriter.h"
#include "platform/ModalQuestions.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <exception>
#include <new>
#include <sys/stat.h>
#include <sys/uio.h>
#include <vector>

namespace {

void put16(std::uint8_t *p, std::uint16_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

void put32(std::uint8_t *p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(v >> (8 * i));
}

using Publish = AtomicFile::Publish;

bool systemFailure(SaveDetail &detail, int error)
{
    detail.reason = SaveReason::System;
    detail.systemError = error;
    return false;
}

bool publish(AtomicFile &file, Publish how, SaveDetail &detail)
{
    if (file.commit(how))
        return true;
    if (file.error() == EEXIST && how == Publish::NoReplace) {
        detail.reason = SaveReason::Exists;
        return false;
    }
    return systemFailure(detail, file.error());
}

bool writeJpeg(
    const TJPEGImage &image, const Bitmap24 &bitmap, const std::string &fileName, Publish how, SaveDetail &detail)
{
    constexpr int kJpegMaxSide = 65500; // libjpeg's JPEG_MAX_DIMENSION
    if (bitmap.width() > kJpegMaxSide || bitmap.height() > kJpegMaxSide) {
        detail.reason = SaveReason::JpegTooLarge;
        return false;
    }
    std::vector<std::uint8_t> data;
    try {
        data = image.compress(bitmap);
    } catch (const std::bad_alloc &) {
        return systemFailure(detail, ENOMEM);
    } catch (const std::exception &) {
        detail.reason = SaveReason::Encoder; // the library's error; nothing is shown
        return false;
    }
    AtomicFile file(fileName);
    return (file.write(data.data(), data.size()) || systemFailure(detail, file.error())) && publish(file, how, detail);
}

// PNG and TIFF are built in memory, then written in one go.
bool writeEncoded(const Bitmap24 &bitmap, const std::string &fileName, Publish how, FrameFileKind kind,
    const FrameEncoding &encoding, SaveDetail &detail)
{
    std::vector<std::uint8_t> data;
    std::string error;
    bool encoded = false;
    try {
        encoded = kind == FrameFileKind::Png ? EncodePng(bitmap, encoding.pngLevel, data, error)
                                             : EncodeTiff(bitmap, encoding.tiff, data, error);
    } catch (const std::bad_alloc &) {
        return systemFailure(detail, ENOMEM);
    }
    if (!encoded) {
        detail.reason = SaveReason::Encoder;
        detail.message = error;
        return false;
    }
    AtomicFile file(fileName);
    return (file.write(data.data(), data.size()) || systemFailure(detail, file.error())) && publish(file, how, detail);
}

bool writeBmp(const Bitmap24 &bitmap, const std::string &fileName, Publish how, SaveDetail &detail)
{
    const auto headers = BmpHeaders(bitmap);
    // Rows are already padded with zeros as BMP wants them: hand them to the
    // kernel bottom row first, in a handful of gathered writes.
    std::vector<struct iovec> parts;
    parts.reserve(std::size_t(bitmap.height()) + 1);
    parts.push_back({ const_cast<std::uint8_t *>(headers.data()), headers.size() });
    for (int y = bitmap.height() - 1; y >= 0; --y)
        parts.push_back({ const_cast<std::uint8_t *>(bitmap.scanLine(y)), bitmap.stride() });
    AtomicFile file(fileName);
    return (file.writeVector(parts.data(), parts.size()) || systemFailure(detail, file.error()))
        && publish(file, how, detail);
}

} // namespace

std::array<std::uint8_t, kBmpHeaderSize> BmpHeaders(const Bitmap24 &bitmap)
{
    std::array<std::uint8_t, kBmpHeaderSize> h {};
    const std::uint32_t imageSize = std::uint32_t(bitmap.byteCount());
    h[0] = 'B';
    h[1] = 'M';
    put32(&h[2], kBmpHeaderSize + imageSize);
    put32(&h[10], kBmpHeaderSize);
    put32(&h[14], 40);
    put32(&h[18], std::uint32_t(bitmap.width()));
    put32(&h[22], std::uint32_t(bitmap.height())); // positive: bottom row first
    put16(&h[26], 1); // planes
    put16(&h[28], 24); // bits per pixel
    put32(&h[30], 0); // BI_RGB
    put32(&h[34], imageSize);
    // Resolution and colour counts stay 0: readers ignore them.
    return h;
}

bool IsJpegFileName(const std::string &fileName)
{
    const std::size_t slash = fileName.rfind('/');
    const std::string leaf = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    const std::size_t dot = leaf.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string ext = leaf.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return ext == ".JPG" || ext == ".JPEG";
}

FrameFileKind FrameFileKindOf(const std::string &fileName)
{
    if (IsJpegFileName(fileName))
        return FrameFileKind::Jpeg;
    const std::size_t slash = fileName.rfind('/');
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return FrameFileKind::Bmp;
    std::string ext = fileName.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    if (ext == ".PNG")
        return FrameFileKind::Png;
    if (ext == ".TIF" || ext == ".TIFF")
        return FrameFileKind::Tiff;
    return FrameFileKind::Bmp;
}

bool WriteFrameFile(
    const Bitmap24 &bitmap, const std::string &fileName, Publish how, const FrameEncoding &encoding, SaveDetail &detail)
{
    detail = {};
    try {
        switch (const FrameFileKind kind = FrameFileKindOf(fileName)) {
        case FrameFileKind::Jpeg:
            return writeJpeg(TJPEGImage(encoding.jpeg), bitmap, fileName, how, detail);
        case FrameFileKind::Png:
        case FrameFileKind::Tiff:
            return writeEncoded(bitmap, fileName, how, kind, encoding, detail);
        case FrameFileKind::Bmp:
            break;
        }
        return writeBmp(bitmap, fileName, how, detail);
    } catch (const std::bad_alloc &) {
        return systemFailure(detail, ENOMEM);
    }
}

bool WriteBmpFile(const Bitmap24 &bitmap, const std::string &fileName, SaveDetail *detail)
{
    SaveDetail local;
    return writeBmp(bitmap, fileName, Publish::Replace, detail ? *detail : local);
}

bool WriteJpegFile(const Bitmap24 &bitmap, const std::string &fileName, const TJpegOptions &options, SaveDetail *detail)
{
    SaveDetail local;
    return writeJpeg(TJPEGImage(options), bitmap, fileName, Publish::Replace, detail ? *detail : local);
}

FrameFilePlan PlanFrameFile(const std::string &fileName, bool &confirmOverwrite, const OverwriteQuestion &askOverwrite,
    bool &stopRequested, const FileIdentity *inputPicture)
{
    FrameFilePlan plan;
    SaveDetail &detail = plan.detail;
    const auto refuse = [&plan](SaveOutcome outcome, SaveReason reason) {
        plan.outcome = outcome;
        plan.detail.reason = reason;
        return plan;
    };
    // lstat: a link counts as a name that exists, wherever it leads.
    struct stat st { };
    const bool exists = ::lstat(fileName.c_str(), &st) == 0;
    if (exists && inputPicture && IdentityOf(st) == *inputPicture)
        return refuse(SaveOutcome::Skipped, SaveReason::InputPicture);
    bool replace = !confirmOverwrite; // the user said yes to all
    if (confirmOverwrite && exists) {
        switch (askOverwrite(fileName, "Ecraser le Fichier ?")) {
        case ModalQuestions::OverwriteYes:
            replace = true;
            break;
        case ModalQuestions::OverwriteYesToAll:
            confirmOverwrite = false;
            replace = true;
            break;
        case ModalQuestions::OverwriteNo:
            return refuse(SaveOutcome::Skipped, SaveReason::Declined);
        case ModalQuestions::OverwriteStop:
            stopRequested = true;
            return refuse(SaveOutcome::Skipped, SaveReason::Declined);
        default:
            stopRequested = true;
            return refuse(SaveOutcome::Abandoned, SaveReason::Declined);
        }
    }
    detail = {};
    plan.how = replace ? Publish::Replace : Publish::NoReplace;
    return plan;
}

SaveOutcome SaveFrameFile(const Bitmap24 &bitmap, const std::string &fileName, bool &confirmOverwrite,
    const OverwriteQuestion &askOverwrite, bool &stopRequested, const FrameEncoding &encoding,
    const FileIdentity *inputPicture, SaveDetail *detailOut)
{
    SaveDetail local;
    SaveDetail &detail = detailOut ? *detailOut : local;
    const FrameFilePlan plan = PlanFrameFile(fileName, confirmOverwrite, askOverwrite, stopRequested, inputPicture);
    detail = plan.detail;
    if (plan.outcome != SaveOutcome::Written)
        return plan.outcome;
    if (WriteFrameFile(bitmap, fileName, plan.how, encoding, detail))
        return SaveOutcome::Written;
    return detail.reason == SaveReason::Exists ? SaveOutcome::Skipped : SaveOutcome::Failed;
}

SaveOutcome SaveFrameFile(const Bitmap24 &bitmap, const std::string &fileName, bool &confirmOverwrite,
    const OverwriteQuestion &askOverwrite, bool &stopRequested, const TJpegOptions &jpegOptions,
    const FileIdentity *inputPicture, SaveDetail *detail)
{
    FrameEncoding encoding;
    encoding.jpeg = jpegOptions; // the JPEG settings in force now
    return SaveFrameFile(
        bitmap, fileName, confirmOverwrite, askOverwrite, stopRequested, encoding, inputPicture, detail);
}

SaveOutcome SaveFrameFile(const Bitmap24 &bitmap, const std::string &fileName, bool &confirmOverwrite,
    ModalQuestions &questions, bool &stopRequested, const TJpegOptions &jpegOptions, const FileIdentity *inputPicture,
    SaveDetail *detail)
{
    return SaveFrameFile(
        bitmap, fileName, confirmOverwrite,
        [&questions](
            const std::string &name, const std::string &caption) { return questions.askOverwrite(name, caption); },
        stopRequested, jpegOptions, inputPicture, detail);
}

std::string SaveDetail::text() const
{
    switch (reason) {
    case SaveReason::None:
        return "no error";
    case SaveReason::Declined:
        return "not replaced";
    case SaveReason::Exists:
        return "exists already";
    case SaveReason::InputPicture:
        return "is the picture being read";
    case SaveReason::JpegTooLarge:
        return "JPEG is limited to 65,500 pixels a side";
    case SaveReason::Encoder:
        return message.empty() ? "JPEG encoder error" : message;
    case SaveReason::System:
        break;
    }
    std::string text = systemError ? std::strerror(systemError) : "write error";
    if (!text.empty())
        text[0] = char(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

bool SaveDetail::diskFull() const
{
    return reason == SaveReason::System && (systemError == ENOSPC || systemError == EDQUOT);
}

bool SaveDetail::endsSeries() const
{
    return diskFull() || reason == SaveReason::JpegTooLarge
        || (reason == SaveReason::System && (systemError == EROFS || systemError == EACCES || systemError == EPERM));
}
