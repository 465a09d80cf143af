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
