#include "picture/PictureLevels.h"

#include "picture/PanoramaScaler.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace {

// Rows pushed between two looks at the cancel flag.
constexpr int kRowsPerBand = 64;

int Reduced(int length, int divisor)
{
    return std::max(1, (length + divisor / 2) / divisor);
}

bool ScaleCancellably(const Bitmap24 &src, int width, int height, Bitmap24 &dst, const std::atomic<bool> &cancelled)
{
    if (!dst.resize(width, height))
        return false;
    const std::size_t rowBytes = std::size_t(width) * 3;
    try {
        PanoramaScaler scaler(
            src.width(), src.height(), width, height, [&dst, rowBytes](int row, const std::uint8_t *pixels) {
                std::memcpy(dst.scanLine(row), pixels, rowBytes);
            });
        for (int y = 0; y < src.height(); y += kRowsPerBand) {
            if (cancelled.load(std::memory_order_relaxed))
                return false;
            scaler.pushRows(src.scanLine(y), src.stride(), std::min(kRowsPerBand, src.height() - y));
        }
    } catch (const std::bad_alloc &) {
        return false;
    } catch (const std::invalid_argument &) {
        return false;
    }
    return true;
}

} // namespace

std::vector<Bitmap24> MakePictureLevels(const Bitmap24 &picture, const std::atomic<bool> &cancelled)
{
    std::vector<Bitmap24> levels;
    if (std::max(picture.width(), picture.height()) <= kSmallestLevelSide)
        return levels;
    for (;;) {
        // The first copy from the picture, each next one half the last.
        const Bitmap24 &from = levels.empty() ? picture : levels.back();
        const int divisor = levels.empty() ? kFirstLevelDivisor : 2;
        Bitmap24 level;
        if (!ScaleCancellably(from, Reduced(from.width(), divisor), Reduced(from.height(), divisor), level, cancelled))
            return {};
        const bool last = std::max(level.width(), level.height()) <= kSmallestLevelSide;
        levels.push_back(std::move(level));
        if (last)
            return levels;
    }
}
