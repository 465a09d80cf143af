#pragma once

#include <cstdint>
#include <string>

// A time as players show it, whole seconds cut down: "0:03", "12:40",
// "1:02:03" from an hour on.
std::string ClockText(double seconds);

// Where the frame shown starts and how long the file plays: "0:03 / 0:20".
std::string PlaybackTimeText(std::int64_t frame, std::int64_t frameCount, double frameRate);
