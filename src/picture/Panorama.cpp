#include "picture/Panorama.h"

#include "picture/PictureLoader.h"

bool Panorama::Open(const std::string &fileName, BusyCursors &cursors, const TJpegOptions &jpegOptions)
{
    Wipe();
    PictureLoadResult loaded;
    if (fileName.empty() || !LoadPicture(Picture, fileName, cursors, jpegOptions, &loaded))
        return false;
    File = loaded.file;
    return true;
}

void Panorama::Wipe()
{
    Picture.clear();
    File.reset();
}
