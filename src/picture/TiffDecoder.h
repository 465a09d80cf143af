#pragma once

#include "picture/PictureError.h"
#include "picture/PictureSource.h"

class Bitmap24;

// Reads the first page of a TIFF file with libtiff, through the source (no
// path, no mapping), straight into the 24-bit rows: one strip or tile at a
// time, never a whole intermediate image. Reads 1, 2, 4, 8 and 16 bits a
// sample of grey, palette and RGB pictures with or without alpha (composited
// on black), contiguous or separate planes, striped or tiled, with every
// compression libtiff was built with, BigTIFF included; 16 bits are rounded
// to 8. Other kinds (CMYK, floating point, 32 bits...) are Unhandled, left to
// the general decoders. The picture's rows and the decoder's buffers are
// checked against the memory available before they are allocated. A
// picture to be kept smaller (keep, LoadSize.h) is reduced band by band as
// it decodes: each thread decodes its band aside, and the bands go through
// the scaler in order.
DecodeOutcome decodeWithLibtiff(PictureSource &source, Bitmap24 &target, PictureLoadResult &result,
    DecodeControl &control, const LoadSizeChoice &keep = {});
