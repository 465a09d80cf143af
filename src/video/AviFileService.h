#pragma once

#include "common/TRect.h"
#include "video/FourCC.h"
#include "video/VideoFileWriter.h"

#include <cstdint>
#include <memory>
#include <string>

// AVI files in the shape of the Video for Windows AVIFile service, over the
// AviWriter of AviWriter.h: one video stream of 24-bit frames, stored as
// they come ("DIB ", uncompressed) or through one of the installed
// compressors of VideoCompressors.h.
//
// A run calls, in this order: AVIFileInit, AVIFileOpen, AVIFileCreateStream,
// AVIMakeCompressedStream, AVIStreamSetFormat, AVIStreamWrite (or AVIStreamWriteRows)
// for each frame,
// AVIStreamRelease (the compressed stream, then the stream), AVIFileFinish,
// AVIFileRelease, AVIFileExit. Results are error codes: AVIERR_OK (0) on
// success; AVIFileError gives the cause of the last failure in words.
//
// The file has no visible name until AVIFileFinish completes it (encoder
// flushed, trailer and index written, closed) and puts it in place, as its
// publishing rules say. Releasing the handles without AVIFileFinish gives
// the file up: nothing is published and no old file is touched.
//
// Disk space is reserved ahead of every frame (and the process's file-size
// limit checked), so that a full disk refuses a frame before the muxer sees
// it: AVIStreamWrite then fails with AVIERR_FILEWRITE, and AVIFileFinish
// still completes the file with its index and the frames written so far.
//
// All calls stay on the caller's thread; compressors may run threads of their own.

inline constexpr int AVIERR_OK = 0;
inline constexpr int AVIERR_UNSUPPORTED = int(0x80044065u);
inline constexpr int AVIERR_BADFORMAT = int(0x80044066u);
inline constexpr int AVIERR_MEMORY = int(0x80044067u);
inline constexpr int AVIERR_BADPARAM = int(0x8004406Au);
inline constexpr int AVIERR_BADSIZE = int(0x8004406Bu);
inline constexpr int AVIERR_BADHANDLE = int(0x8004406Cu);
inline constexpr int AVIERR_FILEWRITE = int(0x8004406Eu);
inline constexpr int AVIERR_FILEOPEN = int(0x8004406Fu);
inline constexpr int AVIERR_COMPRESSOR = int(0x80044070u);
inline constexpr int AVIERR_NOCOMPRESSOR = int(0x80044071u);

// Open modes: a new file is the only one supported.
inline constexpr unsigned OF_WRITE = 0x0001;
inline constexpr unsigned OF_SHARE_EXCLUSIVE = 0x0010;
inline constexpr unsigned OF_CREATE = 0x1000;

inline constexpr std::uint32_t streamtypeVIDEO = mmioFOURCC('v', 'i', 'd', 's');
inline constexpr std::uint32_t comptypeDIB = mmioFOURCC('D', 'I', 'B', ' '); // no compression

inline constexpr unsigned AVIIF_KEYFRAME = 0x10;

inline constexpr std::uint32_t AVICOMPRESSF_DATARATE = 0x2;
inline constexpr std::uint32_t AVICOMPRESSF_KEYFRAMES = 0x4;
inline constexpr std::uint32_t AVICOMPRESSF_VALID = 0x8;

// The frame format given to AVIStreamSetFormat: a 40-byte BITMAPINFOHEADER,
// little-endian, 24 bits per pixel, BI_RGB, positive width and height (rows
// bottom first).
inline constexpr std::uint32_t kBitmapInfoHeaderSize = 40;
inline constexpr std::uint32_t BI_RGB = 0;

// The stream header (its single-byte-character form, 140 bytes). Only fccType
// (streamtypeVIDEO), dwScale, dwRate (frames per second = dwRate / dwScale,
// neither 0) and szName are read; the muxer writes the rest from the frames.
struct AVISTREAMINFO {
    std::uint32_t fccType = 0;
    std::uint32_t fccHandler = 0;
    std::uint32_t dwFlags = 0;
    std::uint32_t dwCaps = 0;
    std::uint16_t wPriority = 0;
    std::uint16_t wLanguage = 0;
    std::uint32_t dwScale = 0;
    std::uint32_t dwRate = 0;
    std::uint32_t dwStart = 0;
    std::uint32_t dwLength = 0;
    std::uint32_t dwInitialFrames = 0;
    std::uint32_t dwSuggestedBufferSize = 0;
    std::uint32_t dwQuality = 0;
    std::uint32_t dwSampleSize = 0;
    TRect rcFrame;
    std::uint32_t dwEditCount = 0;
    std::uint32_t dwFormatChangeCount = 0;
    char szName[64] = {};
};
static_assert(sizeof(AVISTREAMINFO) == 140);

// How frames are compressed. fccHandler 0 or comptypeDIB: stored uncompressed.
// Otherwise a handler code of VideoCompressors.h; dwQuality 0..10000 (above:
// the compressor's default); a key frame every dwKeyFrameEvery frames when
// AVICOMPRESSF_KEYFRAMES is set (1: every frame); a data rate of
// dwBytesPerSecond, instead of the quality, when AVICOMPRESSF_DATARATE is set
// and it is not 0. lpFormat, lpParms and dwInterleaveEvery are not used.
struct AVICOMPRESSOPTIONS {
    std::uint32_t fccType = 0;
    std::uint32_t fccHandler = 0;
    std::uint32_t dwKeyFrameEvery = 0;
    std::uint32_t dwQuality = 0;
    std::uint32_t dwBytesPerSecond = 0;
    std::uint32_t dwFlags = 0;
    void *lpFormat = nullptr;
    std::uint32_t cbFormat = 0;
    void *lpParms = nullptr;
    std::uint32_t cbParms = 0;
    std::uint32_t dwInterleaveEvery = 0;
};

struct AviFile;
struct AviStream;
using PAVIFILE = AviFile *;
using PAVISTREAM = AviStream *;

// Reference-counted; harmless when unbalanced.
int AVIFileInit();
void AVIFileExit();

// Prepares the file (mode must include OF_CREATE and OF_WRITE); AVIERR_FILEOPEN
// when the name is a folder. The file itself is made by AVIStreamSetFormat.
int AVIFileOpen(PAVIFILE *file, const std::string &fileName, unsigned mode);
// The file's one video stream.
int AVIFileCreateStream(PAVIFILE file, PAVISTREAM *stream, const AVISTREAMINFO &info);
// A stream that takes uncompressed frames and stores them compressed in
// stream; AVIERR_NOCOMPRESSOR for an unknown handler.
int AVIMakeCompressedStream(PAVISTREAM *compressed, PAVISTREAM stream, const AVICOMPRESSOPTIONS &options);
// Sets the frame format once, at position 0: opens the compressor for that
// frame size, creates the hidden file and writes its header. AVIERR_BADFORMAT
// for anything but the format above, AVIERR_COMPRESSOR when the compressor
// refuses the size or rate (before any file is made), AVIERR_FILEOPEN when
// the file cannot be made.
int AVIStreamSetFormat(PAVISTREAM stream, long pos, const void *format, long size);
// Writes samples frames from start on (start is the next frame); buffer holds
// them one after the other, each as its rows bottom first, 3 bytes a pixel in
// blue, green, red order, each row padded to a multiple of 4 bytes. The
// out-counts may be null. Uncompressed frames are all key frames; compressed
// ones follow the key-frame setting of the compression options.
int AVIStreamWrite(PAVISTREAM stream, long start, long samples, const void *buffer, long size, unsigned flags,
    long *samplesWritten, long *bytesWritten);
// One frame (sample start) where it lies: the bottom row, then each row above
// it pitch bytes on (negative for a bitmap stored top row first), |pitch|
// the row padded to 4 bytes. Nothing is copied or flipped on the way: rows
// go to the file by the system's write, or to the compressor as they are.
// A stream that stores rows as they come (AVIStreamStoresRowsAsTheyCome)
// also takes rows further apart (rows of a larger picture): only each row's
// pixels are read, the padding is written as zeros.
int AVIStreamWriteRows(PAVISTREAM stream, long start, const std::uint8_t *bottomRow, std::ptrdiff_t pitch);
// True when the stream's format is set and its frames are stored
// uncompressed.
bool AVIStreamStoresRowsAsTheyCome(PAVISTREAM stream);
// Completes the file and puts it in place (VideoFileWriter::finish):
// AVIERR_OK, or AVIERR_FILEWRITE with AVIFileError set; the file may still
// have been put in place with the frames it holds (AVIFileResult).
int AVIFileFinish(PAVIFILE file, const VideoPublishing &publishing);
// The cause of the file's last failure, in words; empty if none.
std::string AVIFileError(PAVIFILE file);
// Frames in the file, and the name it was put in place under (empty: none).
struct AviFileResult {
    std::int64_t frames = 0;
    std::string publishedName;
    std::int64_t queuedFrames = 0; // sent to the compressor, not yet in the file
};
AviFileResult AVIFileResult(PAVIFILE file);
// Releases a handle; null is ignored. The last handle of a file not
// finished gives the file up.
void AVIStreamRelease(PAVISTREAM stream);
void AVIFileRelease(PAVIFILE file);

// Owners that release on every way out.
struct AviFileReleaser {
    void operator()(AviFile *file) const { AVIFileRelease(file); }
};
struct AviStreamReleaser {
    void operator()(AviStream *stream) const { AVIStreamRelease(stream); }
};
using AviFileHolder = std::unique_ptr<AviFile, AviFileReleaser>;
using AviStreamHolder = std::unique_ptr<AviStream, AviStreamReleaser>;

// AVIFileInit for the life of the object, AVIFileExit after.
class AviFileLibrary {
public:
    AviFileLibrary() { AVIFileInit(); }
    ~AviFileLibrary() { AVIFileExit(); }
    AviFileLibrary(const AviFileLibrary &) = delete;
    AviFileLibrary &operator=(const AviFileLibrary &) = delete;
};
