#include "output/FrameFile.h"

#include "common/AtomicFile.h"
#include "common/Bitmap24.h"
#include "jpeg/JpegImage.h"
#include "output/BmpWriter.h"
#include "platform/ModalQuestions.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <exception>
#include <memory>
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

using FilePtr = std::unique_ptr<AtomicFile>;

// The encoded bytes into an unnamed file; null when that failed.
FilePtr writeBytes(const std::string &fileName, const struct iovec *parts, std::size_t count, SaveDetail &detail)
{
    auto file = std::make_unique<AtomicFile>(fileName);
    if (!file->writeVector(parts, count) || !file->close()) {
        systemFailure(detail, file->error());
        return nullptr;
    }
    return file;
}

FilePtr writeBytes(const std::string &fileName, const std::vector<std::uint8_t> &data, SaveDetail &detail)
{
    struct iovec part {
        const_cast<std::uint8_t *>(data.data()), data.size()
    };
    return writeBytes(fileName, &part, 1, detail);
}

FilePtr writeJpeg(const TJPEGImage &image, const Bitmap24 &bitmap, const std::string &fileName, SaveDetail &detail)
{
    constexpr int kJpegMaxSide = 65500; // libjpeg's JPEG_MAX_DIMENSION
    if (bitmap.width() > kJpegMaxSide || bitmap.height() > kJpegMaxSide) {
        detail.reason = SaveReason::JpegTooLarge;
        return nullptr;
    }
    std::vector<std::uint8_t> data;
    try {
        data = image.compress(bitmap);
    } catch (const std::bad_alloc &) {
        systemFailure(detail, ENOMEM);
        return nullptr;
    } catch (const std::exception &) {
        detail.reason = SaveReason::Encoder; // the library's error; nothing is shown
        return nullptr;
    }
    return writeBytes(fileName, data, detail);
}

// PNG and TIFF are built in memory, then written in one go.
FilePtr writeEncoded(const Bitmap24 &bitmap, const std::string &fileName, FrameFileKind kind,
    const FrameEncoding &encoding, SaveDetail &detail)
{
    std::vector<std::uint8_t> data;
    std::string error;
    bool encoded = false;
    try {
        encoded = kind == FrameFileKind::Png ? EncodePng(bitmap, encoding.pngLevel, data, error)
                                             : EncodeTiff(bitmap, encoding.tiff, data, error);
    } catch (const std::bad_alloc &) {
        systemFailure(detail, ENOMEM);
        return nullptr;
    }
    if (!encoded) {
        detail.reason = SaveReason::Encoder;
        detail.message = error;
        return nullptr;
    }
    return writeBytes(fileName, data, detail);
}

FilePtr writeBmp(const Bitmap24 &bitmap, const std::string &fileName, SaveDetail &detail)
{
    const auto headers = BmpHeaders(bitmap);
    // Rows are already padded with zeros as BMP wants them: hand them to the
    // kernel bottom row first, in a handful of gathered writes.
    std::vector<struct iovec> parts;
    parts.reserve(std::size_t(bitmap.height()) + 1);
    parts.push_back({ const_cast<std::uint8_t *>(headers.data()), headers.size() });
    for (int y = bitmap.height() - 1; y >= 0; --y)
        parts.push_back({ const_cast<std::uint8_t *>(bitmap.scanLine(y)), bitmap.stride() });
    return writeBytes(fileName, parts.data(), parts.size(), detail);
}

FilePtr writeFrame(
    const Bitmap24 &bitmap, const std::string &fileName, const FrameEncoding &encoding, SaveDetail &detail)
{
    detail = {};
    try {
        switch (const FrameFileKind kind = FrameFileKindOf(fileName)) {
        case FrameFileKind::Jpeg:
            return writeJpeg(TJPEGImage(encoding.jpeg), bitmap, fileName, detail);
        case FrameFileKind::Png:
        case FrameFileKind::Tiff:
            return writeEncoded(bitmap, fileName, kind, encoding, detail);
        case FrameFileKind::Bmp:
            break;
        }
        return writeBmp(bitmap, fileName, detail);
    } catch (const std::bad_alloc &) {
        systemFailure(detail, ENOMEM);
        return nullptr;
    }
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

std::unique_ptr<AtomicFile> WriteUnpublishedFrame(
    const Bitmap24 &bitmap, const std::string &fileName, const FrameEncoding &encoding, SaveDetail &detail)
{
    return writeFrame(bitmap, fileName, encoding, detail);
}

bool PublishFrameFile(
    AtomicFile &file, const std::string &fileName, Publish how, const FileIdentity *keep, SaveDetail &detail)
{
    detail = {};
    const int error = file.publish(fileName, how, keep);
    if (error == 0)
        return true;
    if (error == AtomicFile::kKeptFile)
        detail.reason = SaveReason::InputPicture;
    else if (error == EEXIST && how == Publish::NoReplace)
        detail.reason = SaveReason::Exists;
    else
        systemFailure(detail, error);
    return false;
}

bool WriteFrameFile(
    const Bitmap24 &bitmap, const std::string &fileName, Publish how, const FrameEncoding &encoding, SaveDetail &detail)
{
    const FilePtr file = writeFrame(bitmap, fileName, encoding, detail);
    return file && PublishFrameFile(*file, fileName, how, nullptr, detail);
}

bool WriteBmpFile(const Bitmap24 &bitmap, const std::string &fileName, SaveDetail *detail)
{
    SaveDetail local;
    SaveDetail &d = detail ? *detail : local;
    d = {};
    const FilePtr file = writeBmp(bitmap, fileName, d);
    return file && PublishFrameFile(*file, fileName, Publish::Replace, nullptr, d);
}

bool WriteJpegFile(const Bitmap24 &bitmap, const std::string &fileName, const TJpegOptions &options, SaveDetail *detail)
{
    SaveDetail local;
    SaveDetail &d = detail ? *detail : local;
    d = {};
    const FilePtr file = writeJpeg(TJPEGImage(options), bitmap, fileName, d);
    return file && PublishFrameFile(*file, fileName, Publish::Replace, nullptr, d);
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
    if (exists && inputPicture && NameLeadsTo(fileName, *inputPicture))
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
    if (inputPicture)
        plan.keep = *inputPicture;
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
    const FilePtr file = writeFrame(bitmap, fileName, encoding, detail);
    if (file && PublishFrameFile(*file, fileName, plan.how, plan.keep ? &*plan.keep : nullptr, detail))
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
    return diskFull() || reason == SaveReason::JpegTooLarge || reason == SaveReason::InputPicture
        || (reason == SaveReason::System
            && (systemError == EROFS || systemError == EFBIG || systemError == EACCES || systemError == EPERM));
}
