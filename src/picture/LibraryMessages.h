#pragma once

// What FFmpeg and Qt's image plug-ins print on their own (with memory
// addresses, "[psd @ 0x…] Invalid rle char.") goes to the program's log
// instead of standard error. Installed once, at the first decode: FFmpeg's
// log callback, and a Qt message handler chained to the one before it that
// takes the image plug-ins' messages and passes every other on.
void RouteLibraryMessages();

// While one lives, every Qt message counts as an image plug-in's, and what
// the libraries under the plug-ins print straight to standard error (libpng's
// and libtiff's default handlers) is caught and logged when it ends.
class DecodingScope {
public:
    DecodingScope();
    ~DecodingScope();
    DecodingScope(const DecodingScope &) = delete;
    DecodingScope &operator=(const DecodingScope &) = delete;

private:
    int m_capture = -1; // where standard error goes meanwhile
    int m_saved = -1; // the real standard error
};

// On by default. Off where a crash report written during a decode must reach
// the terminal (fuzzing).
void SetStderrCapture(bool on);
