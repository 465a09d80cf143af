#include "picture/PictureLoader.h"

#include "common/Bitmap24.h"
#include "common/Log.h"
#include "common/MemoryBudget.h"
#include "options/JpegImage.h"
#include "picture/BmpReader.h"
#include "picture/FFmpegPictureDecoder.h"
#include "picture/PictureRegistry.h"
#include "picture/PictureSource.h"
#include "picture/PngDecoder.h"
#include "picture/QtPictureDecoder.h"
#include "picture/TiffDecoder.h"
#include "platform/BusyCursor.h"

#include <utility>

#include <cstring>
#include <exception>
#include <new>
#include <vector>

namespace {

bool failed(PictureLoadResult &result, PictureError error, std::string detail = {})
{
    result.error = error;
    if (!detail.empty())
        result.detail = std::move(detail);
    return false;
}

// Decodes bytes held in memory, followed by FileBytes::kPadding zero bytes.
bool decodeBytes(const PictureFormat &format, const std::uint8_t *data, std::size_t size, Bitmap24 &target,
    const TJpegOptions &jpegOptions, PictureLoadResult &result, const CancelCheck &cancelled)
{
    try {
        switch (format.decoder) {
        case PictureDecoder::Bitmap: {
            BmpReader reader;
            const bool ok = reader.decode(data, size, target);
            const FileIdentity file = result.file;
            result = reader.result();
            result.file = file;
            result.decoder = "BMP reader";
            return ok;
        }
        case PictureDecoder::Jpeg:
            result.decoder = "libjpeg";
            // The picture object takes the JPEG options in force now.
            TJPEGImage(jpegOptions).decode(data, size, target, cancelled);
            return true;
        case PictureDecoder::Qt:
        case PictureDecoder::Tiff: // what libtiff left to the plug-in
        case PictureDecoder::Png:
            result.decoder = "Qt " + format.codec;
            return decodeWithQt(data, size, format.codec.c_str(), target, result, cancelled);
        case PictureDecoder::FFmpeg:
            result.decoder = "FFmpeg " + format.codec;
            return decodeWithFFmpeg(data, size, format.codec.c_str(), target, result, cancelled);
        case PictureDecoder::None:
            break;
        }
        return failed(result, PictureError::UnknownFormat);
    } catch (const JpegRefused &e) {
        result.width = e.width();
        result.height = e.height();
        result.memoryNeeded = e.shortage().needed;
        result.memoryAvailable = e.shortage().available;
        return failed(result,
            e.reason() == JpegRefused::Memory             ? PictureError::OutOfMemory
                : e.reason() == JpegRefused::FileTooShort ? PictureError::FileTooShort
                                                          : PictureError::TooLarge);
    } catch (const JpegError &e) {
        if (e.kind() == JpegError::Interrupted)
            return failed(result, PictureError::Interrupted);
        if (e.kind() == JpegError::TooMuchWork)
            return failed(result, PictureError::Damaged, "too many scans for its size");
        return failed(result, PictureError::Damaged, e.libraryText().empty() ? e.what() : e.libraryText());
    } catch (const std::bad_alloc &) {
        return failed(result, PictureError::OutOfMemory);
    } catch (const std::exception &e) {
        return failed(result, PictureError::Damaged, e.what());
    }
}

bool streams(const PictureFormat &format)
{
    return format.decoder == PictureDecoder::Tiff || format.decoder == PictureDecoder::Png;
}

// The streaming decoders: Unhandled when the general ones are to try.
DecodeOutcome decodeStream(const PictureFormat &format, PictureSource &source, Bitmap24 &target,
    PictureLoadResult &result, const CancelCheck &cancelled, const LoadProgress &progress)
{
    DecodeControl control(cancelled, progress);
    try {
        if (format.decoder == PictureDecoder::Tiff)
            return decodeWithLibtiff(source, target, result, control);
        return decodeWithSpng(source, target, result, control);
    } catch (const std::bad_alloc &) {
        target.clear();
        result.error = PictureError::OutOfMemory;
        return DecodeOutcome::Failed;
    }
}

// What the general decoder is told of a variant the streaming one leaves.
void noteFallback(PictureLoadResult &result)
{
    LogLine("picture", result.decoder + ": " + result.detail);
    const FileIdentity file = result.file;
    result = {};
    result.file = file;
}

// A decoder that ran out of memory after the picture's size was known: say
// how much its rows and the first frame need, when that shows the shortage.
void explainMemory(PictureLoadResult &result)
{
    if (result.error == PictureError::OutOfMemory && result.memoryNeeded == 0 && result.width > 0 && result.height > 0
        && Bitmap24::sizeAllowed(result.width, result.height))
        ExplainLateShortage(PlanMemory({ result.width, result.height }), result);
}

bool finish(const std::string &name, bool ok, Bitmap24 &picture, Bitmap24 &target, PictureLoadResult &result)
{
    if (!ok || picture.isEmpty()) {
        if (result.error == PictureError::None)
            result.error = PictureError::Damaged;
        explainMemory(result);
        return false;
    }
    LogLine("picture",
        name + ": " + std::to_string(picture.width()) + " × " + std::to_string(picture.height()) + ", read by "
            + result.decoder);
    target = std::move(picture);
    return true;
}

} // namespace

bool LoadPictureFile(const std::string &fileName, Bitmap24 &target, const TJpegOptions &jpegOptions)
{
    return LoadPictureFile(fileName, target, jpegOptions, nullptr);
}

bool LoadPictureFile(const std::string &fileName, Bitmap24 &target, const TJpegOptions &jpegOptions,
    PictureLoadResult *resultOut, const CancelCheck &cancelled, const LoadProgress &progress)
{
    PictureLoadResult local;
    PictureLoadResult &result = resultOut ? *resultOut : local;
    result = {};
    InputFile file(fileName);
    if (!file.isOpen()) {
        result.fileError = file.error();
        result.systemError = file.systemError();
        return failed(result, PictureError::File);
    }
    result.file = file.identity();
    const PictureFormat *format = PictureRegistry::instance().find(pictureExtension(fileName));
    if (!format || format->decoder == PictureDecoder::None)
        return failed(result, PictureError::UnknownFormat);

    Bitmap24 picture;
    bool ok = false;
    if (format->decoder == PictureDecoder::Bitmap) {
        // Read row by row: an uncompressed picture is never held twice.
        BmpReader reader;
        ok = reader.load(file, picture, cancelled);
        result = reader.result();
        result.file = file.identity();
        result.decoder = "BMP reader";
        return finish(fileName, ok, picture, target, result);
    }
    if (streams(*format)) {
        FileSource source(file);
        const DecodeOutcome outcome = decodeStream(*format, source, picture, result, cancelled, progress);
        if (outcome != DecodeOutcome::Unhandled)
            return finish(fileName, outcome == DecodeOutcome::Decoded, picture, target, result);
        noteFallback(result);
    }
    const FileBytes bytes(file, FileBytes::kMaxBytes, cancelled);
    if (!bytes.isOpen()) {
        if (bytes.error() == FileError::Interrupted)
            return failed(result, PictureError::Interrupted);
        if (bytes.error() == FileError::TooLarge) {
            // Not the file's fault: the memory's.
            ExplainLateShortage(file.size() + FileBytes::kPadding, result);
            return false;
        }
        result.fileError = bytes.error();
        result.systemError = bytes.systemError();
        return failed(result, PictureError::File);
    }
    ok = decodeBytes(*format, bytes.data(), bytes.size(), picture, jpegOptions, result, cancelled);
    return finish(fileName, ok, picture, target, result);
}

bool LoadPictureBytes(const std::uint8_t *data, std::size_t size, const std::string &extension, Bitmap24 &target,
    const TJpegOptions &jpegOptions, PictureLoadResult *resultOut)
{
    PictureLoadResult local;
    PictureLoadResult &result = resultOut ? *resultOut : local;
    result = {};
    const PictureFormat *format = PictureRegistry::instance().find(extension);
    if (!format || format->decoder == PictureDecoder::None)
        return failed(result, PictureError::UnknownFormat);
    // The decoders may read a little past the end: give them zeroed padding.
    std::vector<std::uint8_t> padded;
    try {
        padded.assign(size + FileBytes::kPadding, 0);
    } catch (const std::bad_alloc &) {
        return failed(result, PictureError::OutOfMemory);
    }
    if (size)
        std::memcpy(padded.data(), data, size);
    Bitmap24 picture;
    if (streams(*format)) {
        MemorySource source(padded.data(), size);
        const DecodeOutcome outcome = decodeStream(*format, source, picture, result, {}, {});
        if (outcome != DecodeOutcome::Unhandled)
            return finish("picture", outcome == DecodeOutcome::Decoded, picture, target, result);
        noteFallback(result);
    }
    const bool ok = decodeBytes(*format, padded.data(), size, picture, jpegOptions, result, {});
    return finish("picture", ok, picture, target, result);
}

bool LoadPicture(Bitmap24 &target, const std::string &fileName, BusyCursors &cursors, const TJpegOptions &jpegOptions,
    PictureLoadResult *result)
{
    const ScopedBusyCursor busy(cursors, BusyCursors::Cursor::HourGlass);
    return LoadPictureFile(fileName, target, jpegOptions, result);
}
