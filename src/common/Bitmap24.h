#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// The program's one in-memory picture type: 24 bits per pixel, three bytes per
// pixel in blue, green, red order, rows top first, each row padded to a
// multiple of 4 bytes (the layout of a BMP row, so rows can be written as they
// stand). A 0 x 0 bitmap is the "no picture" state.
//
// Allocation is bounded: a size above kMaxPixels, or negative, is refused
// (resize returns false and the bitmap keeps its previous content), so a
// hostile header can never ask for a huge block.
class Bitmap24 {
public:
    static constexpr std::int64_t kMaxPixels = std::int64_t(1) << 29; // 512 Mpx, 1.5 GB

    Bitmap24() = default;
    Bitmap24(const Bitmap24 &other);
    Bitmap24 &operator=(const Bitmap24 &other);
    Bitmap24(Bitmap24 &&other) noexcept;
    Bitmap24 &operator=(Bitmap24 &&other) noexcept;
    ~Bitmap24() = default;

    static bool sizeAllowed(std::int64_t width, std::int64_t height);
    static std::size_t strideFor(int width) { return (std::size_t(width) * 3 + 3) & ~std::size_t(3); }

    // New size; content undefined (not cleared) except for the row padding,
    // which is always zero. Returns false, changing nothing, when the size is
    // negative, above the limit or cannot be allocated.
    bool resize(int width, int height);
    void clear(); // back to 0 x 0, memory released

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool isEmpty() const { return m_width == 0 || m_height == 0; }
    std::size_t stride() const { return m_stride; }
    std::size_t byteCount() const { return m_stride * std::size_t(m_height); }

    std::uint8_t *bits() { return m_data.get(); }
    const std::uint8_t *bits() const { return m_data.get(); }
    std::uint8_t *scanLine(int y) { return m_data.get() + std::size_t(y) * m_stride; }
    const std::uint8_t *scanLine(int y) const { return m_data.get() + std::size_t(y) * m_stride; }

    void fill(std::uint8_t blue, std::uint8_t green, std::uint8_t red);

    // Copies the source rectangle (sx, sy, w, h) to (dx, dy), clipped to both
    // bitmaps: pixels outside either are neither read nor written.
    void copyRect(const Bitmap24 &src, int sx, int sy, int w, int h, int dx, int dy);

    bool operator==(const Bitmap24 &other) const;

private:
    int m_width = 0;
    int m_height = 0;
    std::size_t m_stride = 0;
    std::unique_ptr<std::uint8_t[]> m_data;
};
