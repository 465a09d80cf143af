#include "picture/Panorama.h"

#include "picture/PictureLoader.h"
#include "platform/BusyCursor.h"

bool Panorama::Open(const std::string &fileName, BusyCursors &cursors, const TJpegOptions &jpegOptions,
    PictureLoadResult *resultOut, const CancelCheck &cancelled, const LoadProgress &progress,
    const std::function<void()> &makeRoom)
{
    return Open(fileName, cursors, jpegOptions, resultOut, LoadRequest { cancelled, progress, {} }, makeRoom);
}

bool Panorama::Open(const std::string &fileName, BusyCursors &cursors, const TJpegOptions &jpegOptions,
    PictureLoadResult *resultOut, const LoadRequest &request, const std::function<void()> &makeRoom)
{
    PictureLoadResult local;
    PictureLoadResult &result = resultOut ? *resultOut : local;
    result = {};
    if (fileName.empty())
        return false;
    const ScopedBusyCursor busy(cursors, BusyCursors::Cursor::HourGlass);
    Bitmap24 picture;
    bool ok = LoadPictureFile(fileName, picture, jpegOptions, &result, request);
    if (!ok && result.error == PictureError::OutOfMemory && !Picture.isEmpty()) {
        // Two large pictures do not fit together: the previous one goes.
        if (makeRoom)
            makeRoom();
        Wipe();
        ok = LoadPictureFile(fileName, picture, jpegOptions, &result, request);
    }
    if (!ok)
        return false;
    Picture = std::move(picture);
    File = result.file;
    return true;
}

void Panorama::Wipe()
{
    Picture.clear();
    File.reset();
}
