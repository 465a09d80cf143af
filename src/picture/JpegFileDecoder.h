#pragma once

#include "picture/LoadSize.h"
#include "picture/PictureError.h"
#include "picture/PictureSource.h"

#include <functional>

class Bitmap24;
struct TJpegOptions;

// Reads a JPEG file with libjpeg through the source, a piece at a time, into
// the picture kept: the size keep asks (LoadSize.h), or the whole picture.
// A smaller size is reached as the rows come: libjpeg decodes at the
// smallest scale of the file that still covers it (TJPEGImage::decodeRows),
// and a PanoramaScaler takes those rows to the exact size; neither the file
// nor the picture at a larger size is ever held. The reading settings apply
// as to any JPEG. Reports the rows decoded; the cancel check ends the load
// (PictureError::Interrupted).
DecodeOutcome decodeJpegRows(PictureSource &source, const TJpegOptions &options, const LoadSizeChoice &keep,
    Bitmap24 &target, PictureLoadResult &result, DecodeControl &control, const CancelCheck &cancelled);

// Runs a libjpeg decode and turns what it throws (JpegError, JpegRefused)
// into result's error: true when it ran through.
bool RunJpegDecode(const std::function<void()> &decode, PictureLoadResult &result);
