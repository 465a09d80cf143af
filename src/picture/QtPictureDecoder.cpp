#include "picture/QtPictureDecoder.h"

#include "common/Bitmap24.h"
#include "common/DecodeBudget.h"
#include "common/MemoryBudget.h"
#include "picture/LibraryMessages.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

// Rows converted at a time, about 1 MB of 32-bit pixels.
int bandRows(int width)
{
    return std::max(1, int((std::int64_t(1) << 20) / (std::int64_t(width) * 4)));
}

void copyRows(const QImage &from, int fromRow, Bitmap24 &to, int toRow, int count)
{
    const int width = from.width();
    for (int i = 0; i < count; ++i) {
        const QRgb *src = reinterpret_cast<const QRgb *>(from.constScanLine(fromRow + i));
        std::uint8_t *dst = to.scanLine(toRow + i);
        for (int x = 0; x < width; ++x) {
            dst[3 * x] = std::uint8_t(qBlue(src[x]));
            dst[3 * x + 1] = std::uint8_t(qGreen(src[x]));
            dst[3 * x + 2] = std::uint8_t(qRed(src[x]));
        }
    }
}

// The bytes the file needs for a picture of that size, unpacked, and the
// best packing of the format (0: no bound worth checking).
void packingOf(const char *format, const std::uint8_t *data, std::size_t size, DecodePlan &plan)
{
    const std::uint64_t pixels = std::uint64_t(plan.width) * std::uint64_t(plan.height);
    plan.mostUnpacked = 0;
    if (std::strcmp(format, "gif") == 0) {
        plan.unpackedBytes = pixels;
        plan.mostUnpacked = 4096; // LZW: a 4096-pixel string from a code
    } else if (std::strcmp(format, "png") == 0) {
        plan.unpackedBytes = pixels;
        plan.mostUnpacked = 1032; // deflate
    } else if ((std::strcmp(format, "ppm") == 0 || std::strcmp(format, "pgm") == 0 || std::strcmp(format, "pbm") == 0)
        && size >= 2 && data[0] == 'P') {
        // Unpacked: a byte a sample at least (a digit for the plain kinds).
        const std::uint64_t samples = data[1] == '3' || data[1] == '6' ? 3 * pixels : pixels;
        plan.unpackedBytes
            = data[1] == '4' ? (std::uint64_t(plan.width) + 7) / 8 * std::uint64_t(plan.height) : samples;
        plan.mostUnpacked = data[1] >= '1' && data[1] <= '6' ? 1 : 0;
    }
}

bool fail(PictureLoadResult &result, Bitmap24 &target, PictureError error, const QString &detail = {})
{
    target.clear();
    result.error = error;
    if (!detail.isEmpty())
        result.detail = detail.toStdString();
    return false;
}

} // namespace

bool decodeWithQt(const std::uint8_t *data, std::size_t size, const char *format, Bitmap24 &target,
    PictureLoadResult &result, const CancelCheck &cancelled, const LoadSizeChoice &keep)
{
    target.clear();
    RouteLibraryMessages();
    const DecodingScope decoding; // plug-in warnings go to our log
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return fail(result, target, PictureError::Damaged);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(false);
    // Qt's own cap on one picture, in MB: the memory there is now, or the
    // picture announced (a larger one hidden behind is refused by Qt).
    std::uint64_t limitBytes = AvailableMemory();
    const QSize announced = reader.size();
    if (announced.isValid()) {
        result.width = announced.width();
        result.height = announced.height();
        if (!Bitmap24::sizeAllowed(announced.width(), announced.height()))
            return fail(result, target, PictureError::TooLarge);
        // Qt's whole decoded image and our rows live together for a moment.
        const int depth = QImage::toPixelFormat(reader.imageFormat()).bitsPerPixel();
        DecodePlan plan;
        plan.width = announced.width();
        plan.height = announced.height();
        packingOf(format, data, size, plan);
        const std::uint64_t image
            = std::uint64_t(plan.width) * std::uint64_t(plan.height) * std::uint64_t(std::max(depth, 32) / 8);
        plan.workBytes = image + (std::uint64_t(1) << 20) + std::uint64_t(plan.width) * 8;
        if (!AcceptPlan(plan, size, result, keep)) {
            target.clear();
            return false;
        }
        limitBytes = std::min(limitBytes, image + (std::uint64_t(1) << 20));
    }
    const int limitMb = int(std::min<std::uint64_t>((limitBytes >> 20) + 1, INT_MAX));
    if (QImageReader::allocationLimit() != limitMb)
        QImageReader::setAllocationLimit(limitMb);

    QImage image;
    if (!reader.read(&image) || image.isNull())
        return fail(result, target, PictureError::Damaged, reader.errorString());
    result.width = image.width();
    result.height = image.height();
    if (!Bitmap24::sizeAllowed(image.width(), image.height()))
        return fail(result, target, PictureError::TooLarge);
    if (!target.resize(image.width(), image.height()))
        return fail(result, target, PictureError::OutOfMemory);

    const QImage::Format f = image.format();
    if (f == QImage::Format_RGB32 || f == QImage::Format_ARGB32_Premultiplied) {
        // Opaque, or already composited on black: read as it stands.
        copyRows(image, 0, target, 0, image.height());
        return true;
    }
    // Premultiplied ARGB is the picture composited on black.
    const QImage::Format wanted = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    const int band = bandRows(image.width());
    for (int y = 0; y < image.height(); y += band) {
        if (cancelled && cancelled())
            return fail(result, target, PictureError::Interrupted);
        const int count = std::min(band, image.height() - y);
        const QImage part = image.copy(0, y, image.width(), count).convertToFormat(wanted);
        if (part.isNull())
            return fail(result, target, PictureError::OutOfMemory);
        copyRows(part, 0, target, y, count);
    }
    return true;
}

bool decodeWithQt(const std::string &fileName, const char *format, Bitmap24 &target)
{
    const FileBytes bytes(fileName);
    PictureLoadResult result;
    return bytes.isOpen() && decodeWithQt(bytes.data(), bytes.size(), format, target, result);
}
