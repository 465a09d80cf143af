#include "picture/PictureLoader.h"

#include "common/Bitmap24.h"
#include "options/JpegImage.h"
#include "picture/BmpReader.h"
#include "picture/FFmpegPictureDecoder.h"
#include "picture/PictureRegistry.h"
#include "picture/QtPictureDecoder.h"
#include "platform/BusyCursor.h"

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
    // Dropped first, so the old picture and the new one never coexist.
    target.clear();
    try {
        const PictureFormat *format = PictureRegistry::instance().find(pictureExtension(fileName));
        if (format && decodeFile(*format, fileName, target, jpegOptions))
            return true;
    } catch (...) {
        // Every decoder failure ends the same way: no picture, no message.
    }
    target.clear();
    return false;
}

bool LoadPicture(Bitmap24 &target, const std::string &fileName, BusyCursors &cursors, const TJpegOptions &jpegOptions)
{
    const ScopedBusyCursor busy(cursors, BusyCursors::Cursor::HourGlass);
    return LoadPictureFile(fileName, target, jpegOptions);
}
