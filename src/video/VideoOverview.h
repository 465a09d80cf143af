#pragma once

// The video layer: everything between a rendered frame and a video file,
// and back from the file to frames for the player.
// It sits above platform and below options; nothing here knows a window
// except AviCompressionDialog (built into the window target).
//
// A frame's road, from the AVI run (anim/AviAnimationRun) to the file:
//
// 1. The run renders the frame into its 24-bit bitmap (rows top first, each
//    padded to 4 bytes); FillAviFrameHeader (AviFrame.h) describes it once
//    as the BITMAPINFOHEADER the AVIFile service takes.
// 2. AVIStreamWriteRows (AviFileService.h) hands the bitmap's rows where
//    they lie, bottom row first by a negative pitch, to the file's writer,
//    a VideoFileWriter (VideoFileWriter.h): here AviWriter (AviWriter.h).
// 3. Uncompressed, the muxer gets a stand-in for the rows and the rows go
//    to the file from the bitmap by pwritev: the system's write is the one
//    copy. Compressed, they go to the VideoEncoder (VideoEncoder.h) of the
//    compressor named by its four-character code (VideoCompressors.h,
//    FourCC.h): libswscale reads them top row first (no flip) into a
//    libavcodec encoder, or, for MJPEG, the JpegFramePipeline
//    (JpegFramePipeline.h), whose workers (common/OrderedPipeline.h) make
//    one JPEG per frame with libjpeg-turbo. Packets come back in frame order.
// 4. The muxer (libavformat) writes through a custom I/O context into a
//    ReservedFile (ReservedFile.h): an unnamed file in the target's folder,
//    with disk space reserved ahead of the data and of the index.
// 5. finish() is the one step that completes the file: the encoder's queued
//    frames, the trailer and index, the rate fixed in the stream header, the
//    close, and the publishing (never over an existing file without consent,
//    never over the picture being read; a name taken meanwhile goes to the
//    next free number). Without consent the unnamed file is linked straight
//    to its name. Its failure is the run's. A writer destroyed without
//    finish() leaves nothing behind.
//
// Failures carry their cause in words (the system's error text and the
// path, or the compressor's refusal), for the second line of the messages.
// FFmpeg objects are held by the owners of FFmpegObjects.h, which also keep
// the differences between FFmpeg versions in one place.
//
// MP4, WebM, Matroska, GIF and WebP files are AnimationWriters
// (AnimationWriter.h), driven by anim/VideoAnimationRun: the same lifecycle,
// queued frames, finish and publishing, with failures thrown in words. The
// FFmpeg ones (MuxedVideoWriter.h, GifWriter.h) share one muxer set-up,
// FFmpegOutputFile.h: libavformat writing into an AtomicFile, with a second
// view for the MP4 index moved to the front. 4:2:0 frames are converted by
// Yuv420Conversion.h; GIF frames are dithered (PaletteDither.h) on
// OrderedPipeline workers and coded in frame order.
//
// Reading back, for the player: OpenVideoFile (VideoFrameSource.h) gives a
// VideoFrameSource, frames in showing order with the rate and the exact
// count. FFmpegVideoReader.h reads what FFmpeg decodes (AVI, MP4, WebM,
// Matroska, GIF), counting the packets once at open, refusing a file cut
// short, seeking from the key frame before; WebpAnimationReader.h reads
// animated WebP through libwebp, which FFmpeg 5.1 cannot.
