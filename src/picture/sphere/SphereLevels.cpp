#include "picture/sphere/SphereLevels.h"

#include "common/Bitmap24.h"
#include "common/MemoryBudget.h"
#include "picture/ResampleFilters.h"
#include "picture/ResampleRows.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>

namespace {

// Lanczos3 weights of one axis reduced from inLength to outLength samples,
// taps past either end taken from the other (a full turn). The row the
// weights read starts `margin` pixels before sample 0.
AxisWeights WrappedWeights(int inLength, int outLength, int margin)
{
    const double inPerOut = double(inLength) / outLength;
    const double widen = std::max(1.0, inPerOut), radius = 3.0 * widen;
    AxisWeights table;
    table.first.resize(std::size_t(outLength));
    table.count.resize(std::size_t(outLength));
    std::vector<std::vector<double>> all { std::size_t(outLength) };
    for (int u = 0; u < outLength; ++u) {
        const double centre = (u + 0.5) * inPerOut - 0.5;
        const int lo = int(std::floor(centre - radius)) + 1, hi = int(std::ceil(centre + radius)) - 1;
        double sum = 0.0;
        for (int i = lo; i <= hi; ++i) {
            all[std::size_t(u)].push_back(Lanczos3((i - centre) / widen));
            sum += all[std::size_t(u)].back();
        }
        for (double &w : all[std::size_t(u)])
            w /= sum;
        table.first[std::size_t(u)] = lo + margin;
        table.count[std::size_t(u)] = hi - lo + 1;
        table.taps = std::max(table.taps, hi - lo + 1);
    }
    table.taps += table.taps % 2;
    table.weights.assign(std::size_t(outLength) * std::size_t(table.taps), 0.0f);
    for (int u = 0; u < outLength; ++u)
        for (std::size_t k = 0; k < all[std::size_t(u)].size(); ++k)
            table.weights[std::size_t(u) * std::size_t(table.taps) + k] = float(all[std::size_t(u)][k]);
    return table;
}

// Pixels on either side of a wrapped row: past the widest reach of its taps.
int WrapMargin(int inLength, int outLength)
{
    return int(std::ceil(3.0 * std::max(1.0, double(inLength) / outLength))) + 2;
}

AxisWeights DownWeights(int inLength, int outLength)
{
    return ScalingWeights(inLength, outLength, double(inLength) / outLength);
}

std::size_t StrideFor(int width)
{
    return (std::size_t(width) * 3 + 3) & ~std::size_t(3);
}

} // namespace

void RowBand::include(int from, int to)
{
    if (from > to)
        return;
    if (empty()) {
        first = from;
        last = to;
        return;
    }
    first = std::min(first, from);
    last = std::max(last, to);
}

int SphereLevels::levelSide(int side, int level)
{
    for (int k = 0; k < level; ++k)
        side = (side + 1) / 2;
    return side;
}

int SphereLevels::levelCount(int width, int height)
{
    int count = 1;
    while (count < 31 && levelSide(width, count) >= kSmallestSide && levelSide(height, count) >= kSmallestSide)
        ++count;
    return count;
}

SphereLevels::SphereLevels(const Bitmap24 &picture, const std::vector<RowBand> &bands, bool wraps)
    : m_width(picture.width())
    , m_height(picture.height())
{
    const int count = int(bands.size());
    if (count <= 1)
        return;
    if (count > levelCount(m_width, m_height))
        throw std::invalid_argument("SphereLevels: more levels than the picture has");
    m_levels.resize(std::size_t(count));
    for (int k = 0; k < count; ++k) {
        m_levels[std::size_t(k)].width = levelSide(m_width, k);
        m_levels[std::size_t(k)].height = levelSide(m_height, k);
    }
    // From the top level down: each level's band and the rows the next one is made from.
    std::uint64_t bytes = 0;
    for (int k = count - 1; k >= 1; --k) {
        Level &level = m_levels[std::size_t(k)];
        level.band.include(
            std::max(bands[std::size_t(k)].first, 0), std::min(bands[std::size_t(k)].last, level.height - 1));
        if (k + 1 < count && !m_levels[std::size_t(k) + 1].band.empty()) {
            const Level &next = m_levels[std::size_t(k) + 1];
            const AxisWeights down = DownWeights(level.height, next.height);
            const auto lastRow = std::size_t(next.band.last);
            level.band.include(down.first[std::size_t(next.band.first)], down.first[lastRow] + down.count[lastRow] - 1);
        }
        level.stride = StrideFor(level.width);
        if (!level.band.empty())
            bytes += std::uint64_t(level.band.last - level.band.first + 1) * level.stride;
    }
    MemoryShortage shortage;
    if (!MemoryFits(bytes, shortage))
        throw std::bad_alloc();
    RemapLevel source { picture.bits(), picture.stride(), 0, m_width, m_height, 0, 0 };
    for (int k = 1; k < count; ++k) {
        Level &level = m_levels[std::size_t(k)];
        if (!level.band.empty())
            build(source, level, wraps);
        source = this->level(k);
    }
}

void SphereLevels::build(const RemapLevel &source, Level &target, bool wraps)
{
    const int margin = wraps ? WrapMargin(source.width, target.width) : 0;
    const AxisWeights across
        = wraps ? WrappedWeights(source.width, target.width, margin) : DownWeights(source.width, target.width);
    const AxisWeights down = DownWeights(source.height, target.height);
    const std::size_t rowFloats = std::size_t(target.width) * 3;
    const int ringSize = std::max(1, down.taps);
    std::vector<float> padded(
        (std::size_t(source.width) + 2 * std::size_t(margin) + std::size_t(across.taps)) * 4, 0.0f);
    std::vector<std::vector<float>> ring(std::size_t(ringSize), std::vector<float>(rowFloats, 0.0f));
    std::vector<int> ringRow(std::size_t(ringSize), -1);
    std::vector<const float *> taps(std::size_t(down.taps));
    target.pixels.assign(std::size_t(target.band.last - target.band.first + 1) * target.stride, 0);

    const auto filtered = [&](int row) -> const float * {
        std::vector<float> &slot = ring[std::size_t(row % ringSize)];
        if (ringRow[std::size_t(row % ringSize)] == row)
            return slot.data();
        const std::uint8_t *line = source.rows + std::size_t(row - source.firstRow) * source.stride;
        const int padEnd = wraps ? source.width + 2 * margin + across.taps : source.width;
        for (int i = 0; i < padEnd; ++i) {
            int column = i - margin;
            if (wraps)
                column = ((column % source.width) + source.width) % source.width;
            float *to = padded.data() + std::size_t(i) * 4;
            to[0] = line[std::size_t(column) * 3];
            to[1] = line[std::size_t(column) * 3 + 1];
            to[2] = line[std::size_t(column) * 3 + 2];
        }
        ResampleRows::FilterRow(padded.data(), across, slot.data());
        ringRow[std::size_t(row % ringSize)] = row;
        return slot.data();
    };
    for (int r = target.band.first; r <= target.band.last; ++r) {
        const int first = down.first[std::size_t(r)], count = down.count[std::size_t(r)];
        for (int k = 0; k < count; ++k)
            taps[std::size_t(k)] = filtered(first + k);
        ResampleRows::BlendRowsToBytes(taps.data(), down.of(r), count,
            target.pixels.data() + std::size_t(r - target.band.first) * target.stride, rowFloats);
    }
}

RemapLevel SphereLevels::shape(int width, int height, int level)
{
    RemapLevel out;
    out.width = levelSide(width, level);
    out.height = levelSide(height, level);
    if (level > 0) {
        out.scaleX = std::uint32_t(std::llround(std::ldexp(double(out.width) / width, 32)));
        out.scaleY = std::uint32_t(std::llround(std::ldexp(double(out.height) / height, 32)));
    }
    return out;
}

RemapLevel SphereLevels::level(int k) const
{
    const Level &l = m_levels.at(std::size_t(k));
    RemapLevel out = shape(m_width, m_height, k);
    out.rows = l.pixels.data();
    out.stride = l.stride;
    out.firstRow = l.band.first;
    return out;
}

std::size_t SphereLevels::heldBytes() const
{
    std::size_t bytes = 0;
    for (const Level &l : m_levels)
        bytes += l.pixels.capacity();
    return bytes;
}
