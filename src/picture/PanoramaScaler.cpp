#include "picture/PanoramaScaler.h"

#include "common/Bitmap24.h"
#include "common/MemoryBudget.h"
#include "picture/ResampleRows.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>

namespace {

// Inputs per output sample after the box pre-shrink, and the most taps a
// weight table of that axis may have (ScalingWeights: all taps within
// 3 * max(1, factor) of the centre, rounded up to a pair).
double FilterFactor(int in, int out, int shrink)
{
    return double(in) / (double(out) * shrink);
}
std::uint64_t MostTaps(double factor)
{
    return std::uint64_t(2.0 * std::ceil(3.0 * std::max(1.0, factor))) + 2;
}

} // namespace

std::uint64_t PanoramaScaler::bytesNeeded(int sourceWidth, int sourceHeight, int outputWidth, int outputHeight)
{
    const std::uint64_t sw = std::uint64_t(std::max(sourceWidth, 1)), sh = std::uint64_t(std::max(sourceHeight, 1));
    const std::uint64_t ow = std::uint64_t(std::max(outputWidth, 1)), oh = std::uint64_t(std::max(outputHeight, 1));
    const int shrinkX = BoxShrinkFor(double(sw) / double(ow)), shrinkY = BoxShrinkFor(double(sh) / double(oh));
    const std::uint64_t tapsX = MostTaps(FilterFactor(int(sw), int(ow), shrinkX));
    const std::uint64_t tapsY = MostTaps(FilterFactor(int(sh), int(oh), shrinkY));
    // A table: its floats, first and count, and the doubles it is built from.
    const auto table = [](std::uint64_t out, std::uint64_t taps) { return out * taps * (4 + 8) + out * 8; };
    const std::uint64_t shrunkWidth = (sw + std::uint64_t(shrinkX) - 1) / std::uint64_t(shrinkX);
    const std::uint64_t shrunkHeight = (sh + std::uint64_t(shrinkY) - 1) / std::uint64_t(shrinkY);
    return table(ow, tapsX) + table(oh, tapsY) + (shrinkX > 1 || shrinkY > 1 ? sw * 3 * 2 : 0)
        + (shrunkWidth + tapsX) * 4 * 4 + std::min(tapsY, shrunkHeight) * ow * 3 * 4 + ow * 3;
}

PanoramaScaler::PanoramaScaler(int sourceWidth, int sourceHeight, int outputWidth, int outputHeight, RowSink sink)
    : m_srcWidth(sourceWidth)
    , m_srcHeight(sourceHeight)
    , m_outWidth(outputWidth)
    , m_outHeight(outputHeight)
    , m_sink(std::move(sink))
{
    if (sourceWidth < 1 || sourceHeight < 1 || outputWidth < 1 || outputHeight < 1)
        throw std::invalid_argument("PanoramaScaler: a side below 1 pixel");
    // Refused before anything is allocated: a huge size must not abort the program.
    MemoryShortage shortage;
    if (!MemoryFits(bytesNeeded(sourceWidth, sourceHeight, outputWidth, outputHeight), shortage))
        throw std::bad_alloc();
    m_shrinkX = BoxShrinkFor(double(sourceWidth) / outputWidth);
    m_shrinkY = BoxShrinkFor(double(sourceHeight) / outputHeight);
    // The last box of a side that is no multiple of the shrink is narrower.
    m_shrunkWidth = (sourceWidth + m_shrinkX - 1) / m_shrinkX;
    m_shrunkHeight = (sourceHeight + m_shrinkY - 1) / m_shrinkY;
    m_across = ScalingWeights(m_shrunkWidth, outputWidth, FilterFactor(sourceWidth, outputWidth, m_shrinkX));
    m_down = ScalingWeights(m_shrunkHeight, outputHeight, FilterFactor(sourceHeight, outputHeight, m_shrinkY));

    if (m_shrinkX > 1 || m_shrinkY > 1)
        m_boxSums.assign(std::size_t(sourceWidth) * 3, 0);
    // FilterRow reads up to `taps` pixels past a row's first tap: zeros.
    m_shrunk.assign((std::size_t(m_shrunkWidth) + std::size_t(m_across.taps)) * 4, 0.0f);
    m_ring.resize(std::size_t(std::min(m_down.taps, m_shrunkHeight)));
    for (std::vector<float> &row : m_ring)
        row.resize(bandRowFloats());
    m_taps.resize(std::size_t(m_down.taps));
    m_outRow.resize(std::size_t(outputWidth) * 3);
}

std::size_t PanoramaScaler::heldBytes() const
{
    std::size_t bytes = m_boxSums.size() * sizeof(std::uint16_t) + m_shrunk.size() * sizeof(float) + m_outRow.size();
    for (const std::vector<float> &row : m_ring)
        bytes += row.size() * sizeof(float);
    return bytes;
}

void PanoramaScaler::pushRows(const std::uint8_t *top, std::size_t stride, int count)
{
    for (int r = 0; r < count; ++r)
        pushRow(top + std::size_t(r) * stride);
}

void PanoramaScaler::pushRow(const std::uint8_t *pixels)
{
    if (m_rowsIn >= m_srcHeight)
        throw std::logic_error("PanoramaScaler: more rows than the source has");
    ++m_rowsIn;
    if (m_boxSums.empty()) {
        float *out = m_shrunk.data();
        for (int x = 0; x < m_srcWidth; ++x) {
            out[4 * x] = pixels[3 * x];
            out[4 * x + 1] = pixels[3 * x + 1];
            out[4 * x + 2] = pixels[3 * x + 2];
        }
        takeShrunkRow();
        return;
    }
    ResampleRows::AddBytes(m_boxSums.data(), pixels, m_boxSums.size());
    ++m_boxRows;
    if (m_boxRows < m_shrinkY && m_rowsIn < m_srcHeight)
        return;
    // Each box's mean: its sum over the rows and columns it really covers.
    float *out = m_shrunk.data();
    const std::uint16_t *sums = m_boxSums.data();
    for (int j = 0; j < m_shrunkWidth; ++j) {
        const int x0 = j * m_shrinkX, x1 = std::min(m_srcWidth, x0 + m_shrinkX);
        std::uint32_t b = 0, g = 0, r = 0;
        for (int x = x0; x < x1; ++x) {
            b += sums[3 * x];
            g += sums[3 * x + 1];
            r += sums[3 * x + 2];
        }
        const float scale = 1.0f / float((x1 - x0) * m_boxRows);
        out[4 * j] = float(b) * scale;
        out[4 * j + 1] = float(g) * scale;
        out[4 * j + 2] = float(r) * scale;
    }
    std::fill(m_boxSums.begin(), m_boxSums.end(), std::uint16_t(0));
    m_boxRows = 0;
    takeShrunkRow();
}

void PanoramaScaler::takeShrunkRow()
{
    std::vector<float> &slot = m_ring[std::size_t(m_shrunkRowsIn) % m_ring.size()];
    ResampleRows::FilterRow(m_shrunk.data(), m_across, slot.data());
    ++m_shrunkRowsIn;
    deliverReadyRows();
}

void PanoramaScaler::deliverReadyRows()
{
    while (m_rowsOut < m_outHeight) {
        const std::size_t v = std::size_t(m_rowsOut);
        const int first = m_down.first[v], count = m_down.count[v];
        if (first + count > m_shrunkRowsIn)
            return;
        for (int k = 0; k < count; ++k)
            m_taps[std::size_t(k)] = m_ring[std::size_t(first + k) % m_ring.size()].data();
        ResampleRows::BlendRowsToBytes(m_taps.data(), m_down.of(m_rowsOut), count, m_outRow.data(), m_outRow.size());
        m_sink(m_rowsOut, m_outRow.data());
        ++m_rowsOut;
    }
}

bool ScaleBitmap(const Bitmap24 &src, int width, int height, Bitmap24 &dst)
{
    Bitmap24 out;
    if (src.isEmpty() || width < 1 || height < 1 || !out.resize(width, height))
        return false;
    const std::size_t rowBytes = std::size_t(width) * 3;
    try {
        PanoramaScaler scaler(
            src.width(), src.height(), width, height, [&out, rowBytes](int row, const std::uint8_t *pixels) {
                std::memcpy(out.scanLine(row), pixels, rowBytes);
            });
        scaler.pushRows(src.bits(), src.stride(), src.height());
    } catch (const std::bad_alloc &) {
        return false;
    }
    dst = std::move(out);
    return true;
}
