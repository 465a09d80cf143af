#include "picture/QtPictureDecoder.h"

#include "common/Bitmap24.h"

#include <QImage>
#include <QImageReader>

#include <cstring>

bool decodeWithQt(const std::string &fileName, const char *format, Bitmap24 &target)
{
    target.clear();
    // Qt's own cap, in MB: a 32-bit image of Bitmap24's largest size.
    const int limitMb = int((Bitmap24::kMaxPixels * 4) >> 20);
    if (QImageReader::allocationLimit() != limitMb)
        QImageReader::setAllocationLimit(limitMb);

    QImageReader reader(QString::fromStdString(fileName), format);
    reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(false);
    const QSize announced = reader.size();
    if (announced.isValid() && !Bitmap24::sizeAllowed(announced.width(), announced.height()))
        return false;

    QImage image;
    if (!reader.read(&image) || image.isNull())
        return false;
    if (!Bitmap24::sizeAllowed(image.width(), image.height()))
        return false;

    // Premultiplied ARGB is the picture composited on black; both targets are
    // 32-bit, so Qt converts 32-bit sources in place.
    image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull() || !target.resize(image.width(), image.height()))
        return false;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *src = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        std::uint8_t *dst = target.scanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            dst[3 * x] = std::uint8_t(qBlue(src[x]));
            dst[3 * x + 1] = std::uint8_t(qGreen(src[x]));
            dst[3 * x + 2] = std::uint8_t(qRed(src[x]));
        }
    }
    return true;
}
