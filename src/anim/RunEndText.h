#pragma once

#include <cstdint>
#include <string>

// What the status line adds when a creation run stopped before its last
// frame (Stop, "Stop !!!", a closed overwrite dialog, a disk that refuses
// the frames): " - arrêté : N image(s) enregistrée(s)", N the frames on disk.
std::string StoppedRunText(std::int64_t framesOnDisk);

// The end of the status line after a run that writes one file: "-OK!" when
// every frame of the run is in the file, else StoppedRunText.
std::string FileRunEndText(bool stopped, std::int64_t framesInFile);
