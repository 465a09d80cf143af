#include "common/Bitmap24.h"

#include "common/MemoryBudget.h"

#include <algorithm>
#include <cstring>
#include <new>

Bitmap24::Bitmap24(const Bitmap24 &other)
{
    *this = other;
}

Bitmap24 &Bitmap24::operator=(const Bitmap24 &other)
{
    if (this == &other)
        return *this;
    if (!resize(other.m_width, other.m_height))
        throw std::bad_alloc();
    if (other.byteCount())
        std::memcpy(m_data.get(), other.m_data.get(), other.byteCount());
    return *this;
}

Bitmap24::Bitmap24(Bitmap24 &&other) noexcept
    : m_width(other.m_width)
    , m_height(other.m_height)
    , m_stride(other.m_stride)
    , m_data(std::move(other.m_data))
{
    other.m_width = other.m_height = 0;
    other.m_stride = 0;
}

Bitmap24 &Bitmap24::operator=(Bitmap24 &&other) noexcept
{
    if (this != &other) {
        m_width = other.m_width;
        m_height = other.m_height;
        m_stride = other.m_stride;
        m_data = std::move(other.m_data);
        other.m_width = other.m_height = 0;
        other.m_stride = 0;
    }
    return *this;
}

namespace {

// Below this a block is taken without asking the system what is free.
constexpr std::size_t kCheckedAllocation = std::size_t(64) << 20;

std::shared_ptr<std::uint8_t[]> allocate(std::size_t bytes)
{
    MemoryShortage shortage;
    if (bytes >= kCheckedAllocation && !MemoryFits(bytes, shortage))
        return {};
    std::unique_ptr<std::uint8_t[]> data(new (std::nothrow) std::uint8_t[bytes]);
    if (!data)
        return {};
    return std::shared_ptr<std::uint8_t[]>(std::move(data));
}

} // namespace

bool Bitmap24::sizeAllowed(std::int64_t width, std::int64_t height)
{
    return width >= 0 && height >= 0 && width <= kMaxSide && height <= kMaxSide;
}

std::uint64_t Bitmap24::bytesFor(std::int64_t width, std::int64_t height)
{
    if (!sizeAllowed(width, height))
        return 0;
    return std::uint64_t(strideFor(int(width))) * std::uint64_t(height);
}

bool Bitmap24::resize(int width, int height)
{
    if (!sizeAllowed(width, height))
        return false;
    const std::size_t stride = strideFor(width);
    const std::size_t bytes = stride * std::size_t(height);
    const bool shared = isShared();
    if (width == m_width && height == m_height && !shared)
        return true;
    if (bytes == 0) {
        m_data.reset();
    } else if (bytes != byteCount() || shared) {
        // Shared pixels stay alive with their other user: nothing is freed
        // by letting them go first.
        std::shared_ptr<std::uint8_t[]> data = allocate(bytes);
        if (!data)
            return false;
        m_data = std::move(data);
    }
    m_width = width;
    m_height = height;
    m_stride = stride;
    const std::size_t pad = stride - std::size_t(width) * 3;
    if (pad)
        for (int y = 0; y < height; ++y)
            std::memset(scanLine(y) + std::size_t(width) * 3, 0, pad);
    return true;
}

void Bitmap24::share(const Bitmap24 &other)
{
    if (this == &other)
        return;
    m_width = other.m_width;
    m_height = other.m_height;
    m_stride = other.m_stride;
    m_data = other.m_data;
}

void Bitmap24::makeOwnCopy()
{
    std::shared_ptr<std::uint8_t[]> data = allocate(byteCount());
    if (!data)
        throw std::bad_alloc();
    std::memcpy(data.get(), m_data.get(), byteCount());
    m_data = std::move(data);
}

void Bitmap24::clear()
{
    m_data.reset();
    m_width = m_height = 0;
    m_stride = 0;
}

void Bitmap24::fill(std::uint8_t blue, std::uint8_t green, std::uint8_t red)
{
    if (isEmpty())
        return;
    const std::size_t rowBytes = std::size_t(m_width) * 3;
    if (blue == green && green == red) {
        for (int y = 0; y < m_height; ++y)
            std::memset(scanLine(y), blue, rowBytes);
        return;
    }
    std::uint8_t *first = scanLine(0);
    for (int x = 0; x < m_width; ++x) {
        first[3 * x] = blue;
        first[3 * x + 1] = green;
        first[3 * x + 2] = red;
    }
    for (int y = 1; y < m_height; ++y)
        std::memcpy(scanLine(y), first, rowBytes);
}

void Bitmap24::copyRect(const Bitmap24 &src, int sx, int sy, int w, int h, int dx, int dy)
{
    // Work in 64 bits so that extreme coordinates cannot overflow.
    std::int64_t x0 = sx, y0 = sy, x1 = std::int64_t(sx) + w, y1 = std::int64_t(sy) + h;
    const std::int64_t shiftX = std::int64_t(dx) - sx, shiftY = std::int64_t(dy) - sy;
    x0 = std::max<std::int64_t>({ x0, 0, -shiftX });
    y0 = std::max<std::int64_t>({ y0, 0, -shiftY });
    x1 = std::min<std::int64_t>({ x1, src.m_width, m_width - shiftX });
    y1 = std::min<std::int64_t>({ y1, src.m_height, m_height - shiftY });
    if (x0 >= x1 || y0 >= y1)
        return;
    const std::size_t bytes = std::size_t(x1 - x0) * 3;
    for (std::int64_t y = y0; y < y1; ++y)
        std::memcpy(scanLine(int(y + shiftY)) + std::size_t(x0 + shiftX) * 3,
            src.scanLine(int(y)) + std::size_t(x0) * 3, bytes);
}

bool Bitmap24::operator==(const Bitmap24 &other) const
{
    if (m_width != other.m_width || m_height != other.m_height)
        return false;
    for (int y = 0; y < m_height; ++y)
        if (std::memcmp(scanLine(y), other.scanLine(y), std::size_t(m_width) * 3) != 0)
            return false;
    return true;
}
