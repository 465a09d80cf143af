#include "picture/PictureLoader.h"

#include "common/Bitmap24.h"
#include "common/Log.h"
#include "common/MemoryBudget.h"
#include "options/JpegImage.h"
#include "picture/BmpReader.h"
#include "picture/FFmpegPictureDecoder.h"
#include "picture/JpegFileDecoder.h"
#include "picture/PanoramaScaler.h"
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
    const TJpegOptions &jpegOptions, PictureLoadResult &result, const CancelCheck &cancelled,
    const LoadSizeChoice &keep = {})
{
    try {
        switch (format.decoder) {
        case PictureDecoder::Bitmap: {
            BmpReader reader;
            const bool ok = reader.decode(data, size, target, keep);
            const FileIdentity file = result.file;
            result = reader.result();
            result.file = file;
            result.decoder = "BMP reader";
            return ok;
        }
        case PictureDecoder::Jpeg:
            result.decoder = "libjpeg";
            // The picture object takes the JPEG options in force now.
            return RunJpegDecode([&] { TJPEGImage(jpegOptions).decode(data, size, target, cancelled); }, result);
        case PictureDecoder::Qt:
        case PictureDecoder::Tiff: // what libtiff left to the plug-in
        case PictureDecoder::Png:
            result.decoder = "Qt " + format.codec;
            return decodeWithQt(data, size, format.codec.c_str(), target, result, cancelled, keep);
        case PictureDecoder::FFmpeg:
            result.decoder = "FFmpeg " + format.codec;
            return decodeWithFFmpeg(data, size, format.codec.c_str(), target, result, cancelled, keep);
        case PictureDecoder::None:
            break;
        }
        return failed(result, PictureError::UnknownFormat);
    } catch (const std::bad_alloc &) {
        return failed(result, PictureError::OutOfMemory);
    } catch (const std::exception &e) {
        return failed(result, PictureError::Damaged, e.what());
    }
}

// JPEG streams when it is to be kept smaller; read whole otherwise, as it
// always was.
bool streams(const PictureFormat &format, const LoadSizeChoice &keep)
{
    return format.decoder == PictureDecoder::Tiff || format.decoder == PictureDecoder::Png
        || (format.decoder == PictureDecoder::Jpeg && keep);
}

// The streaming decoders: Unhandled when the general ones are to try.
DecodeOutcome decodeStream(const PictureFormat &format, PictureSource &source, Bitmap24 &target,
    PictureLoadResult &result, const LoadRequest &request, const TJpegOptions &jpegOptions)
{
    DecodeControl control(request.cancelled, request.progress);
    try {
        if (format.decoder == PictureDecoder::Tiff)
            return decodeWithLibtiff(source, target, result, control, request.size);
        if (format.decoder == PictureDecoder::Jpeg)
            return decodeJpegRows(source, jpegOptions, request.size, target, result, control, request.cancelled);
        return decodeWithSpng(source, target, result, control, request.size);
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
void explainMemory(PictureLoadResult &result, const LoadSizeChoice &keep)
{
    if (result.error == PictureError::OutOfMemory && result.memoryNeeded == 0 && result.width > 0 && result.height > 0
        && Bitmap24::sizeAllowed(result.width, result.height))
        ExplainLateShortage(PlanMemory(ReducedAfterDecode({ result.width, result.height }, keep)), result);
}

bool finish(const std::string &name, bool ok, Bitmap24 &picture, Bitmap24 &target, PictureLoadResult &result,
    const LoadSizeChoice &keep = {})
{
    if (!ok || picture.isEmpty()) {
        if (result.error == PictureError::None)
            result.error = PictureError::Damaged;
        explainMemory(result, keep);
        return false;
    }
    if (result.width <= 0 || result.height <= 0) {
        result.width = picture.width();
        result.height = picture.height();
    }
    // A decoder that could not reduce as it decoded (the picture has the
    // size the file announces): the whole picture is scaled now.
    const bool whole = picture.width() == result.width && picture.height() == result.height;
    if (const std::optional<PictureSize> kept
        = whole ? ReducedSize(keep, picture.width(), picture.height()) : std::nullopt) {
        Bitmap24 reduced;
        if (!ScaleBitmap(picture, kept->width, kept->height, reduced)) {
            result.error = PictureError::OutOfMemory;
            ExplainLateShortage(PlanMemory(ReducedAfterDecode({ picture.width(), picture.height() }, keep)), result);
            return false;
        }
        picture = std::move(reduced);
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
    return LoadPictureFile(fileName, target, jpegOptions, resultOut, LoadRequest { cancelled, progress, {} });
}

bool LoadPictureFile(const std::string &fileName, Bitmap24 &target, const TJpegOptions &jpegOptions,
    PictureLoadResult *resultOut, const LoadRequest &request)
{
    const CancelCheck &cancelled = request.cancelled;
    const LoadSizeChoice &keep = request.size;
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
        ok = reader.load(file, picture, cancelled, keep);
        result = reader.result();
        result.file = file.identity();
        result.decoder = "BMP reader";
        return finish(fileName, ok, picture, target, result, keep);
    }
    if (streams(*format, keep)) {
        FileSource source(file);
        const DecodeOutcome outcome = decodeStream(*format, source, picture, result, request, jpegOptions);
        if (outcome != DecodeOutcome::Unhandled)
            return finish(fileName, outcome == DecodeOutcome::Decoded, picture, target, result, keep);
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
    ok = decodeBytes(*format, bytes.data(), bytes.size(), picture, jpegOptions, result, cancelled, keep);
    return finish(fileName, ok, picture, target, result, keep);
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
    if (streams(*format, {})) {
        MemorySource source(padded.data(), size);
        const DecodeOutcome outcome = decodeStream(*format, source, picture, result, {}, jpegOptions);
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
