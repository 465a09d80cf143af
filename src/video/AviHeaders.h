#pragma once

#include "video/VideoFormats.h"

#include <cstddef>
#include <string>

class MuxerFile;

// What libavformat's AVI muxer leaves for us to write after its trailer,
// found in the header list of the finished file: the rate asked for in the
// video stream header (dwScale / dwRate: every rate exactly, where the muxer
// stores 1/600 above 1000 frames per second), the main header's
// microseconds per frame and the video properties' rate; for uncompressed
// frames, the image size with the rows' padding; in an OpenDML file, the
// main header's frame count of the first part (the muxer counts the frame
// that opens the second part in it). imageSize 0: frames compressed.
// Returns the failure in words, empty on success.
std::string FixAviHeaders(MuxerFile &file, VideoRate rate, std::size_t imageSize);
