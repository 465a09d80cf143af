#pragma once

// The video layer: everything between a rendered frame and a video file.
// It sits above platform and below options; nothing here knows a window
// except AviCompressionDialog (built into the window target).
//
// A frame's road, from the AVI run (anim/AviAnimationRun) to the file:
//
// 1. The run renders the frame into its 24-bit bitmap and converts it with
//    ConvertAviFrame (AviFrame.h) into the layout the AVIFile service takes:
//    a BITMAPINFOHEADER and the rows bottom first, each padded to 4 bytes.
// 2. AVIStreamWrite (AviFileService.h) hands the rows to the file's writer.
//    Uncompressed, they go to the muxer as they are; compressed, they go to
//    the VideoEncoder (VideoEncoder.h) of the compressor chosen by its
//    four-character code (VideoCompressors.h, FourCC.h).
// 3. VideoEncoder converts the rows for a libavcodec encoder (libswscale) or,
//    for MJPEG, hands them to the JpegFramePipeline (JpegFramePipeline.h),
//    whose worker threads make one JPEG per frame with libjpeg-turbo. Packets
//    come back in frame order.
// 4. The packets go to libavformat's AVI muxer, which writes through a
//    custom I/O context into a file reserved on disk ahead of the data.
// 5. Releasing the handles completes the file: encoder flushed, trailer and
//    index written, file closed and put in place under its name.
//
// FFmpeg objects are held by the owners of FFmpegObjects.h, which also keep
// the differences between FFmpeg versions in one place.
