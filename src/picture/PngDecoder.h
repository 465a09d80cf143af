#pragma once

#include "picture/PictureError.h"
#include "picture/PictureSource.h"

class Bitmap24;

// Reads a PNG file with libspng, through the source, a row at a time
// straight into the 24-bit rows: every colour type and bit depth, interlaced
// included; transparency composited on black; 16 bits rounded to 8; gamma
// and colour profiles ignored. The rows are checked against the memory
// available before they are allocated. A picture to be kept smaller (keep,
// LoadSize.h) is reduced row by row as it decodes; an interlaced one is
// decoded whole and left for the loader to reduce.
DecodeOutcome decodeWithSpng(PictureSource &source, Bitmap24 &target, PictureLoadResult &result, DecodeControl &control,
    const LoadSizeChoice &keep = {});
