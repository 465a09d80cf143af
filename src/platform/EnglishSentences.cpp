#include "platform/MessageSentences.h"

#include <QtGlobal>

// The engine's sentences that reach the window, as the engine writes them
// (the command line shows them so): the French ones are in
// translations/travelia_fr.ts, which the window alone loads. A library's own
// words inside them (libavcodec, libjpeg) stay as the library gives them.
std::span<const MessageSentence> EnglishSentences()
{
    static const MessageSentence sentences[] = {
        // Video and AVI files.
        { "VideoOutput", QT_TRANSLATE_NOOP("VideoOutput", "Cannot write the video file: %1") },
        { "VideoOutput", QT_TRANSLATE_NOOP("VideoOutput", "Cannot write the video file %1: %2") },
        { "VideoOutput", QT_TRANSLATE_NOOP("VideoOutput", "Cannot write the GIF file: %1") },
        { "VideoOutput", QT_TRANSLATE_NOOP("VideoOutput", "Cannot write the GIF file %1: %2") },
        { "VideoOutput", QT_TRANSLATE_NOOP("VideoOutput", "Cannot write the WebP file: %1") },
        { "VideoOutput", QT_TRANSLATE_NOOP("VideoOutput", "Cannot write the WebP file %1: %2") },
        { "VideoOutput", QT_TRANSLATE_NOOP("VideoOutput", "%1 frames kept in %2") },
        { "VideoOutput", QT_TRANSLATE_NOOP("VideoOutput", "Failed to set AVI stream format") },
        { "VideoOutput", QT_TRANSLATE_NOOP("VideoOutput", "Failed to create AVI Compressed stream") },
        { "VideoOutput", QT_TRANSLATE_NOOP("VideoOutput", "Failed to create AVI file") },
        { "VideoOutput", QT_TRANSLATE_NOOP("VideoOutput", "Failed to add frame to AVI") },
        { "VideoOutput", QT_TRANSLATE_NOOP("VideoOutput", "Cannot read the video file %1: %2") },
        { "VideoEncoder", QT_TRANSLATE_NOOP("VideoEncoder", "%1 needs an even width and height (4:2:0), not %2") },
        { "VideoEncoder", QT_TRANSLATE_NOOP("VideoEncoder", "%1 needs an even width and height") },
        { "VideoEncoder", QT_TRANSLATE_NOOP("VideoEncoder", "%1 failed: %2") },
        { "VideoEncoder", QT_TRANSLATE_NOOP("VideoEncoder", "the compressor '%1'") },
        { "VideoEncoder", QT_TRANSLATE_NOOP("VideoEncoder", "it is the picture being read") },
        { "GuiRunFeedback", QT_TRANSLATE_NOOP("GuiRunFeedback", "%1 - finishing %2 queued frames") },
        // Pictures that do not open.
        { "PictureError", QT_TRANSLATE_NOOP("PictureError", "unknown format") },
        { "PictureError", QT_TRANSLATE_NOOP("PictureError", "damaged data") },
        { "PictureError", QT_TRANSLATE_NOOP("PictureError", "damaged data (%1)") },
        { "PictureError", QT_TRANSLATE_NOOP("PictureError", "too large") },
        { "PictureError", QT_TRANSLATE_NOOP("PictureError", "too large (%1)") },
        { "PictureError", QT_TRANSLATE_NOOP("PictureError", "file too short for its announced size") },
        { "PictureError", QT_TRANSLATE_NOOP("PictureError", "file too short for its announced size (%1)") },
        { "PictureError", QT_TRANSLATE_NOOP("PictureError", "not enough memory") },
        { "PictureError", QT_TRANSLATE_NOOP("PictureError", "interrupted") },
        { "PictureError", QT_TRANSLATE_NOOP("PictureError", "unknown error") },
        { "InputFile", QT_TRANSLATE_NOOP("InputFile", "not found") },
        { "InputFile", QT_TRANSLATE_NOOP("InputFile", "not a regular file") },
        { "InputFile", QT_TRANSLATE_NOOP("InputFile", "file too large") },
        { "InputFile", QT_TRANSLATE_NOOP("InputFile", "the file changed while it was read") },
        { "InputFile", QT_TRANSLATE_NOOP("InputFile", "read error: %1") },
        { "InputFile", QT_TRANSLATE_NOOP("InputFile", "read error") },
        // Frame files.
        { "FrameFile", QT_TRANSLATE_NOOP("FrameFile", "not replaced") },
        { "FrameFile", QT_TRANSLATE_NOOP("FrameFile", "exists already") },
        { "FrameFile", QT_TRANSLATE_NOOP("FrameFile", "is the picture being read") },
        { "FrameFile", QT_TRANSLATE_NOOP("FrameFile", "JPEG is limited to 65,500 pixels a side") },
        { "FrameFile", QT_TRANSLATE_NOOP("FrameFile", "JPEG encoder error") },
        { "FrameFile", QT_TRANSLATE_NOOP("FrameFile", "write error") },
        // The system's error texts (strerror) that files meet most.
        { "SystemError", QT_TRANSLATE_NOOP("SystemError", "Permission denied") },
        { "SystemError", QT_TRANSLATE_NOOP("SystemError", "Operation not permitted") },
        { "SystemError", QT_TRANSLATE_NOOP("SystemError", "No space left on device") },
        { "SystemError", QT_TRANSLATE_NOOP("SystemError", "Disk quota exceeded") },
        { "SystemError", QT_TRANSLATE_NOOP("SystemError", "File too large") },
        { "SystemError", QT_TRANSLATE_NOOP("SystemError", "No such file or directory") },
        { "SystemError", QT_TRANSLATE_NOOP("SystemError", "File exists") },
        { "SystemError", QT_TRANSLATE_NOOP("SystemError", "Is a directory") },
        { "SystemError", QT_TRANSLATE_NOOP("SystemError", "Not a directory") },
        { "SystemError", QT_TRANSLATE_NOOP("SystemError", "Read-only file system") },
        { "SystemError", QT_TRANSLATE_NOOP("SystemError", "Input/output error") },
        { "SystemError", QT_TRANSLATE_NOOP("SystemError", "File name too long") },
        { "SystemError", QT_TRANSLATE_NOOP("SystemError", "Too many open files") },
        { "SystemError", QT_TRANSLATE_NOOP("SystemError", "Cannot allocate memory") },
    };
    return sentences;
}
