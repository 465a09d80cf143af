#pragma once

#include "common/InputFile.h"
#include "picture/LoadSize.h"
#include "picture/PictureError.h"
#include "picture/PictureSource.h"

#include <cstddef>
#include <cstdint>
#include <string>

class Bitmap24;
class BusyCursors;
struct TJpegOptions;

// Reads one picture file into a 24-bit bitmap: the decoder is found by the
// file's extension in the format registry; JPEG files decode with the
// reading half of the given settings. Only regular files are read, and their
// size is bounded before anything is read. Any failure (no decoder for the
// extension, missing, unreadable, corrupt or oversized picture) gives false,
// without a message, and leaves target as it was: the picture is decoded
// aside and moved into target only on success (a caller that wants the old
// picture gone during the load clears it first).
bool LoadPictureFile(const std::string &fileName, Bitmap24 &target, const TJpegOptions &jpegOptions);
// The same, telling why a load failed, which file was read and which
// decoder read it (result may be null); cancelled is asked now and then,
// true ends the load as PictureError::Interrupted; progress hears the part
// decoded (from the decoders that know it: TIFF and PNG). A picture whose
// rows do not fit in the memory available is refused before they are
// allocated (PictureError::OutOfMemory, with the amounts). The decoder that
// read the file is logged.
bool LoadPictureFile(const std::string &fileName, Bitmap24 &target, const TJpegOptions &jpegOptions,
    PictureLoadResult *result, const CancelCheck &cancelled = {}, const LoadProgress &progress = {});

// What a load is asked besides the file: the cancel check and the progress
// (as above), and the size to keep the picture at.
struct LoadRequest {
    CancelCheck cancelled;
    LoadProgress progress;
    // Asked with the size the file announces (as a full load would give
    // it, JPEG reading settings applied): a smaller size gives the picture
    // at exactly that size; nothing, or a size larger on either side, the
    // whole picture (a load never enlarges). See LoadSize.h.
    LoadSizeChoice size;
};

// The same, keeping the picture at the size request.size asks. The picture
// at its full size is never held where the decoder can reduce it as it
// decodes: JPEG (libjpeg's scaled decoding, then a PanoramaScaler to the
// exact size, the file read a piece at a time), TIFF (band by band) and
// PNG that is not interlaced (row by row). The other decoders (BMP, Qt,
// FFmpeg, interlaced PNG) decode the whole picture, which is then scaled
// (ScaleBitmap). The memory check counts what the load holds that way: a
// picture too large to load whole may load smaller, and a refusal gives the
// amounts of the reduced load. result->width and height give the size the
// file announces, target has the size kept.
bool LoadPictureFile(const std::string &fileName, Bitmap24 &target, const TJpegOptions &jpegOptions,
    PictureLoadResult *result, const LoadRequest &request);

// Decodes a picture held in memory as a file of that extension would be
// ("bmp", "png"...): the same decoders and checks, without the file.
bool LoadPictureBytes(const std::uint8_t *data, std::size_t size, const std::string &extension, Bitmap24 &target,
    const TJpegOptions &jpegOptions, PictureLoadResult *result = nullptr);

// The program's picture load, for the window and the viewer: the hourglass
// for the whole application while the file is read, then LoadPictureFile.
bool LoadPicture(Bitmap24 &target, const std::string &fileName, BusyCursors &cursors, const TJpegOptions &jpegOptions,
    PictureLoadResult *result = nullptr);
