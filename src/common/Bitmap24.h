#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

// The program's one in-memory picture type: 24 bits per pixel, three bytes per
// pixel in blue, green, red order, rows top first, each row padded to a
// multiple of 4 bytes (the layout of a BMP row, so rows can be written as they
// stand). A 0 x 0 bitmap is the "no picture" state.
//
// Allocation is bounded: a side above kMaxSide, a negative one, or a size
// whose rows do not fit in the memory available now is refused (resize
// returns false and the bitmap keeps its previous content), so a hostile
// header can never ask for a huge block.
//
// Copies are deep. share() makes a bitmap use another's pixels until either
// is written to: every non-const access to the pixels (bits, scanLine) first
// gives the bitmap its own copy if the pixels are shared. Not thread-safe.
class Bitmap24 {
public:
    // Each side; 3 bytes a pixel times this still fits an int stride.
    static constexpr std::int64_t kMaxSide = std::int64_t(1) << 24;

    Bitmap24() = default;
    Bitmap24(const Bitmap24 &other);
    Bitmap24 &operator=(const Bitmap24 &other);
    Bitmap24(Bitmap24 &&other) noexcept;
    Bitmap24 &operator=(Bitmap24 &&other) noexcept;
    ~Bitmap24() = default;

    // Sides within 0..kMaxSide (no memory check).
    static bool sizeAllowed(std::int64_t width, std::int64_t height);
    // The bytes of the rows of a picture of that size.
    static std::uint64_t bytesFor(std::int64_t width, std::int64_t height);
    static std::size_t strideFor(int width) { return (std::size_t(width) * 3 + 3) & ~std::size_t(3); }

    // New size; content undefined (not cleared) except for the row padding,
    // which is always zero. Returns false, changing nothing, when the size is
    // negative, above the limit or cannot be allocated. Shared pixels are
    // let go, not copied.
    bool resize(int width, int height);
    void clear(); // back to 0 x 0, memory released

    // Uses other's pixels, copy on write; they are freed with the last user.
    void share(const Bitmap24 &other);
    bool sharesWith(const Bitmap24 &other) const { return m_data && m_data == other.m_data; }

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool isEmpty() const { return m_width == 0 || m_height == 0; }
    std::size_t stride() const { return m_stride; }
    std::size_t byteCount() const { return m_stride * std::size_t(m_height); }

    std::uint8_t *bits()
    {
        detach();
        return m_data.get();
    }
    const std::uint8_t *bits() const { return m_data.get(); }
    std::uint8_t *scanLine(int y)
    {
        detach();
        return m_data.get() + std::size_t(y) * m_stride;
    }
    const std::uint8_t *scanLine(int y) const { return m_data.get() + std::size_t(y) * m_stride; }

    void fill(std::uint8_t blue, std::uint8_t green, std::uint8_t red);

    // Copies the source rectangle (sx, sy, w, h) to (dx, dy), clipped to both
    // bitmaps: pixels outside either are neither read nor written.
    void copyRect(const Bitmap24 &src, int sx, int sy, int w, int h, int dx, int dy);

    bool operator==(const Bitmap24 &other) const;

private:
    // Own copy of shared pixels before a write; throws std::bad_alloc.
    void detach()
    {
        if (isShared())
            makeOwnCopy();
    }
    // Another user (possibly on another thread) still holds the pixels. When
    // not, the fence orders its last reads before our writes.
    bool isShared() const
    {
        if (!m_data)
            return false;
        if (m_data.use_count() > 1)
            return true;
        std::atomic_thread_fence(std::memory_order_acquire);
        return false;
    }
    void makeOwnCopy();

    int m_width = 0;
    int m_height = 0;
    std::size_t m_stride = 0;
    std::shared_ptr<std::uint8_t[]> m_data;
};
