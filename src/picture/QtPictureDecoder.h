#pragma once

#include <string>

class Bitmap24;

// Decodes a picture file through a Qt image plug-in, forcing the given format
// instead of trusting the content. The size announced by the file is checked
// against Bitmap24's limit before any pixel is read; the first picture of a
// multi-picture file is taken; alpha is composited on black.
// Returns false (target empty) on any failure.
bool decodeWithQt(const std::string &fileName, const char *format, Bitmap24 &target);
