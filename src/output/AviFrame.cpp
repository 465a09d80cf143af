#include "output/AviFrame.h"

#include "common/Bitmap24.h"
#include "output/BmpWriter.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::size_t kFileHeaderSize = kBmpHeaderSize - kInfoHeaderSize;

} // namespace

AviFrameSizes GetAviFrameSizes(const Bitmap24 &frame)
{
    if (frame.isEmpty())
        return {};
    return { kInfoHeaderSize, std::uint32_t(frame.byteCount()) };
}

bool ConvertAviFrame(const Bitmap24 &frame, std::span<std::uint8_t> header, std::span<std::uint8_t> pixels)
{
    const AviFrameSizes sizes = GetAviFrameSizes(frame);
    if (sizes.HeaderSize == 0 || header.size() != sizes.HeaderSize || pixels.size() != sizes.ImageSize)
        return false;
    // A BMP file's information header is that very header.
    const auto bmp = BmpHeaders(frame);
    std::copy(bmp.begin() + kFileHeaderSize, bmp.end(), header.begin());
    // The bitmap's rows are already padded as wanted: copy them in reverse order.
    std::uint8_t *row = pixels.data();
    for (int y = frame.height() - 1; y >= 0; --y, row += frame.stride())
        std::memcpy(row, frame.scanLine(y), frame.stride());
    return true;
}
