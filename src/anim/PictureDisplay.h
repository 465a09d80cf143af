#pragma once

class Bitmap24;

// Where the program shows its current picture: the main window's drawing
// area. Runs show each frame there, the viewer each replayed picture.
class PictureDisplay {
public:
    virtual ~PictureDisplay() = default;

    // The picture shown (24 bits, BGR); the JPEG options preview reads it.
    virtual Bitmap24 &DisplayBitmap() = 0;
    // Makes the shown picture a copy of the bitmap; does not repaint.
    virtual void ShowFrame(const Bitmap24 &bitmap) = 0;
    // Repaints at once: the paint has happened when this returns.
    virtual void RepaintNow() = 0;
};
