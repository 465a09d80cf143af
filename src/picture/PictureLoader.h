#pragma once

#include <string>

class Bitmap24;
class BusyCursors;
struct TJpegOptions;

// Reads one picture file into a 24-bit bitmap: the decoder is found by the
// file's extension in the format registry; JPEG files decode with the
// reading half of the given settings. Any failure (no decoder for the
// extension, missing, unreadable, corrupt or oversized picture) gives false,
// without a message; target is then left as it was. Callers that must not
// hold two large pictures at once clear the target first.
bool LoadPictureFile(const std::string &fileName, Bitmap24 &target, const TJpegOptions &jpegOptions);

// The program's picture load, for the window and the viewer: the hourglass
// for the whole application while the file is read, then LoadPictureFile.
bool LoadPicture(Bitmap24 &target, const std::string &fileName, BusyCursors &cursors, const TJpegOptions &jpegOptions);
