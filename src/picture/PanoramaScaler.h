#pragma once

#include "picture/ResampleFilters.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class Bitmap24;

// Scales a picture to any size (see Resample.h), fed one source row at a
// time, top first, as a decoder delivers them. Each output row goes to the
// sink as soon as the source rows it depends on are in.
//
// Each source row is added to a box sum (large reductions) or taken as it
// is, filtered across into a row of the output's width, and kept in a ring
// of as many such rows as the vertical filter spans; an output row blends
// the ring. Besides that band the scaler holds one source row of sums and
// one row of the box-shrunk width, never the source picture.
class PanoramaScaler {
public:
    // Output row `row` (0 first), outputWidth pixels of blue, green, red.
    using RowSink = std::function<void(int row, const std::uint8_t *pixels)>;

    // Every side at least 1 (std::invalid_argument otherwise). Allocates all
    // it needs now; std::bad_alloc, before any allocation, when bytesNeeded
    // does not fit in the memory available (common/MemoryBudget.h).
    PanoramaScaler(int sourceWidth, int sourceHeight, int outputWidth, int outputHeight, RowSink sink);

    // What a scaler of these sides holds at most, tables included.
    static std::uint64_t bytesNeeded(int sourceWidth, int sourceHeight, int outputWidth, int outputHeight);

    // The next source row: sourceWidth pixels of blue, green, red. A row past
    // the last is refused (std::logic_error).
    void pushRow(const std::uint8_t *pixels);
    void pushRows(const std::uint8_t *top, std::size_t stride, int count);

    int rowsPushed() const { return m_rowsIn; }
    int rowsDelivered() const { return m_rowsOut; }
    bool finished() const { return m_rowsOut == m_outHeight; }

    // The integer box pre-shrink on each axis (1: none).
    int boxShrinkX() const { return m_shrinkX; }
    int boxShrinkY() const { return m_shrinkY; }
    // The band: rows held in the ring, each bandRowFloats() floats long
    // (three per output pixel).
    int bandRows() const { return int(m_ring.size()); }
    std::size_t bandRowFloats() const { return std::size_t(m_outWidth) * 3; }
    // Every byte of pixel data the scaler holds, band included.
    std::size_t heldBytes() const;

private:
    void takeShrunkRow(); // m_shrunk holds the next box-shrunk row
    void deliverReadyRows();

    int m_srcWidth, m_srcHeight, m_outWidth, m_outHeight;
    RowSink m_sink;
    int m_shrinkX, m_shrinkY;
    int m_shrunkWidth, m_shrunkHeight;
    AxisWeights m_across, m_down;

    std::vector<std::uint16_t> m_boxSums; // one source row of sums over m_shrinkY rows
    int m_boxRows = 0; // rows added to m_boxSums so far
    std::vector<float> m_shrunk; // a box-shrunk row, four floats a pixel, padded
    std::vector<std::vector<float>> m_ring; // filtered rows, shrunk row j at j % size
    std::vector<const float *> m_taps;
    std::vector<std::uint8_t> m_outRow;

    int m_rowsIn = 0;
    int m_shrunkRowsIn = 0;
    int m_rowsOut = 0;
};

// The whole picture through a PanoramaScaler: dst becomes width x height.
// False, dst left as it was, when src is empty, a side is below 1, or the
// new picture or the scaler does not fit in memory.
bool ScaleBitmap(const Bitmap24 &src, int width, int height, Bitmap24 &dst);
