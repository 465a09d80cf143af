#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct CameraMove;
struct TAviOptions;
struct TVideoOptions;

// The frames per second a run's length is told at: the camera's rate when
// it counts the frames in seconds (a duration or a hold), otherwise the
// file's rate for AVI and "Vidéo", one frame a pause (1000 / tempo) for a
// series of files. Nothing when there is no such rate (no pause, a rate of 0).
std::optional<double> PreviewRate(const CameraMove &camera, std::int32_t format, const TAviOptions &avi,
    const TVideoOptions &video, std::int32_t tempoMs);

// What the panel says of a run: "925 images, 0:37 à 25 i/s"; the count
// alone without a rate; "aucune image" for none.
std::string RunLengthText(std::int64_t frames, std::optional<double> rate);
