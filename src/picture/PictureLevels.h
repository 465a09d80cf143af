#pragma once

#include "common/Bitmap24.h"

#include <atomic>
#include <vector>

// Reduced copies of a picture, for showing it small without reading all of
// it: a fifth of its size each way, then each half the one before, the last
// one the first whose longer side is at most kSmallestLevelSide. A picture
// whose longer side is that or less needs none. Made with the panorama
// scaler, so each copy is the picture filtered down, not sampled. The first
// copy is a 25th of the picture, all of them together a 19th: the window
// holding a picture stays within 1.1 times its size.
inline constexpr int kFirstLevelDivisor = 5;
inline constexpr int kSmallestLevelSide = 512;

// The copies, largest first; none when the picture needs none, when
// cancelled turned true meanwhile (it is read between bands of rows) or when
// the memory is short.
std::vector<Bitmap24> MakePictureLevels(const Bitmap24 &picture, const std::atomic<bool> &cancelled);
