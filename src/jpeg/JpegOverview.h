#pragma once

// The JPEG layer: the program's one JPEG codec, on libjpeg-turbo, above
// common and platform and below everything that reads or writes JPEG.
//
// JpegOptions.h   the settings (quality, grey, progressive, subsampling, the
//                 reading method) shared by the options window, the frame
//                 files, the MJPEG AVI pipeline and the picture reader.
// JpegImage.h     TJPEGImage: a whole picture to and from a file or memory,
//                 and rows decoded at a reduced scale for large panoramas;
//                 every failure names the library's reason.
// JpegCompressor.h CompressJpeg: rows of pixels to a JFIF stream, for the
//                 picture object and the MJPEG video compressor.
// JpegPreview.h   the options window's in-memory preview and quality steps.
