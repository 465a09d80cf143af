#pragma once

#include "common/Bitmap24.h"

#include <string>

struct TJpegOptions;

// The source square of the JPEG options preview: black, side x side, with the
// picture's top-left corner drawn at (x, y); positive values move the picture
// right and down. Throws std::bad_alloc when the square cannot be allocated.
Bitmap24 PreviewSource(const Bitmap24 &picture, int side, int x, int y);

// The picture after a JPEG round trip with the given settings: compressed and
// decoded again in memory, so no file is ever written. Throws JpegError.
Bitmap24 JpegPreview(const Bitmap24 &source, const TJpegOptions &options);

// The quality after a press on "+" (up) or "-": a step of 1 with the left
// button, else 5; "+" stops at 100 and "-" at 5.
int QualityAfterPress(int quality, bool up, bool leftButton);

// The quality typed in the field: a whole number held within 5..100; a text
// that is no number gives back the current quality.
int TypedJpegQuality(const std::string &text, int current);
