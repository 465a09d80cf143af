#include "video/AviFrame.h"

#include "common/Bitmap24.h"

#include <algorithm>

namespace {

constexpr std::uint32_t kInfoHeaderSize = 40;

void put32(std::uint8_t *p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(v >> (8 * i));
}

} // namespace

AviFrameSizes GetAviFrameSizes(const Bitmap24 &frame)
{
    if (frame.isEmpty())
        return {};
    return { kInfoHeaderSize, std::uint32_t(frame.byteCount()) };
}

bool FillAviFrameHeader(const Bitmap24 &frame, std::span<std::uint8_t> header)
{
    const AviFrameSizes sizes = GetAviFrameSizes(frame);
    if (sizes.HeaderSize == 0 || header.size() != sizes.HeaderSize)
        return false;
    std::fill(header.begin(), header.end(), 0);
    put32(&header[0], kInfoHeaderSize);
    put32(&header[4], std::uint32_t(frame.width()));
    put32(&header[8], std::uint32_t(frame.height())); // positive: rows bottom first
    header[12] = 1; // planes
    header[14] = 24; // bits per pixel; compression 0 = BI_RGB
    put32(&header[20], sizes.ImageSize);
    return true;
}
