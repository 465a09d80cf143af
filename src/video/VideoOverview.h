#pragma once

// The video layer: everything between a rendered frame and a video file,
// and back from the file to frames for the player.
// It sits above platform and below options; nothing here knows a window
// except ui/AviCompressionDialog (built into the window target).
//
// One interface for every file, VideoOutput.h: AVI, MP4, WebM, Matroska,
// GIF and animated WebP. CheckVideoOutput refuses, before any folder or
// file exists, what a container or an encoder cannot write (sizes, rates,
// codec and container, presets, an unknown compressor, an encoder that
// refuses when opened), naming the limit. OpenVideoOutput opens the encoder,
// then the hidden file; writeFrame takes 24-bit rows where they lie
// (FrameRows); finish completes the file in one step (the encoder's queued
// frames, trailer, index, close, publishing) and returns the count the
// file holds; abandon, or an output destroyed without finish, leaves
// nothing. Every failure is a VideoError: a reason, and a cause in words
// (the library's refusal, or the system's error text with the path);
// VideoFailureText makes the run's message from it.
//
// A frame's road:
//
// 1. The output: MuxedVideoOutput.h for the libavformat containers, one
//    class whose differences are data (ContainerLayout: the muxer, MP4's
//    index first, AVI's reserved space, rows without a copy and headers
//    fixed after the trailer by AviHeaders.h, GIF's frame durations and the
//    frames its delays cannot show); WebpOutput.h for WebP (each frame
//    coded by libwebp on the worker threads, the animation assembled by
//    WebPMux: every frame kept).
// 2. The encoder: VideoEncoder.h, one libavcodec set-up, from an
//    EncoderDescription (EncoderDescription.h) resolved once from the
//    encoder's name: its pixel route (our BT.709 4:2:0 conversion,
//    Yuv420Conversion.h, tagged and centre-sited, wherever 4:2:0 is
//    written; libswscale into exact RGB for lossless codecs; MJPEG made by
//    libjpeg-turbo on worker threads, JpegFramePipeline.h; GIF frames
//    dithered onto one palette on worker threads, PaletteFrames.h), its
//    quality setting (the one scale of QualityScale.h), presets, parameters
//    and size rules. Its queued frames are finished on a thread the caller
//    can leave (QueuedFrames.h).
// 3. The file: MuxerFile.h, the muxer's custom I/O into an AtomicFile (an
//    unnamed file in the target's folder): disk space reserved ahead where
//    the container keeps its frames on failure (AVI), uncompressed rows
//    written from where they lie by pwritev in place of a stand-in, and a
//    read-back view for MP4's second pass. PublishVideoFile.h puts it in
//    place: never over an existing file without consent, never a file
//    without a frame, the next free name when the target was taken meanwhile.
//
// Music (VideoOutputSettings::audioFile, MP4, WebM and Matroska only):
// AudioTrack.h reads any sound file FFmpeg decodes, resamples it
// (libswresample) and encodes AAC or Opus as the second stream, cut to the
// video's length with a fade-out. The file is checked before the run; the
// muxer takes its packets a second behind the frames', since the fade
// begins a second before an end known only when the video ends.
//
// AVI compressors are chosen by their four-character code (FourCC.h). A run
// opens only the compressor chosen, found through the AVI muxer's table
// (AviEncodersFor); the list the windows and --list-codecs show
// (AviCompressors.h) tries every encoder once, each in a child process
// (ContainedProbes.h), so that one that crashes costs only its own line.
//
// FFmpeg objects are held by the owners of FFmpegObjects.h, which also keep
// the differences between FFmpeg versions and route FFmpeg's messages to
// the program's log.
//
// Reading back, for the player: OpenVideoFile (VideoFrameSource.h) gives a
// VideoFrameSource, frames in showing order with the rate and the exact
// count. FFmpegVideoReader.h reads what FFmpeg decodes (AVI, MP4, WebM,
// Matroska, GIF), counting the packets once at open, refusing a file cut
// short, seeking from the key frame before; WebpAnimationReader.h reads
// animated WebP through libwebp, which FFmpeg 5.1 cannot.
