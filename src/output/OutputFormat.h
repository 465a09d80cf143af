#pragma once

#include <cstdint>

// Item index of the format radio group; TIFF is offered on the command line only.
enum TOutputFormat : std::int32_t {
    FormatBmp = 0,
    FormatJpg = 1,
    FormatAvi = 2,
    FormatPng = 3,
    FormatVideo = 4,
    FormatTiff = 5
};

// One file for the whole animation (AVI or "Vidéo"): base name ANIM, no viewer.
inline bool IsVideoFile(std::int32_t format)
{
    return format == FormatAvi || format == FormatVideo;
}
