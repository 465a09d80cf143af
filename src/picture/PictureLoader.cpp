#include "picture/PictureLoader.h"

#include "common/Bitmap24.h"
#include "options/JpegImage.h"
#include "picture/BmpReader.h"
#include "picture/FFmpegPictureDecoder.h"
#include "picture/PictureRegistry.h"
#include "picture/QtPictureDecoder.h"
#include "platform/BusyCursor.h"

#include <utility>

namespace {

bool decodeFile(
    const PictureFormat &format, const std::string &fileName, Bitmap24 &target, const TJpegOptions &jpegOptions)
{
    switch (format.decoder) {
    case PictureDecoder::Bitmap:
        return BmpReader().loadFromFile(fileName, target);
    case PictureDecoder::Jpeg:
        // The picture object takes the JPEG options in force now.
        TJPEGImage(jpegOptions).loadFromFile(fileName, target);
        return true;
    case PictureDecoder::Qt:
        return decodeWithQt(fileName, format.codec.c_str(), target);
    case PictureDecoder::FFmpeg:
        return decodeWithFFmpeg(fileName, format.codec.c_str(), target);
    case PictureDecoder::None:
        break;
    }
    return false;
}

} // namespace

bool LoadPictureFile(const std::string &fileName, Bitmap24 &target, const TJpegOptions &jpegOptions)
{
    // Decoded aside: a failed load leaves the target as it was.
    try {
        Bitmap24 picture;
        const PictureFormat *format = PictureRegistry::instance().find(pictureExtension(fileName));
        if (format && decodeFile(*format, fileName, picture, jpegOptions)) {
            target = std::move(picture);
            return true;
        }
    } catch (...) {
        // Every decoder failure ends the same way: no picture, no message.
    }
    return false;
}

bool LoadPicture(Bitmap24 &target, const std::string &fileName, BusyCursors &cursors, const TJpegOptions &jpegOptions)
{
    const ScopedBusyCursor busy(cursors, BusyCursors::Cursor::HourGlass);
    return LoadPictureFile(fileName, target, jpegOptions);
}
