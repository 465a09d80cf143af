#include "picture/FrameSampler.h"

#include "common/Bitmap24.h"
#include "picture/ResampleRows.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace {

constexpr std::int64_t kPhaseOne = std::int64_t(1) << kPhaseBits;

// Frame cells [begin, end) whose panorama cell first + cell lies in [0, length).
void Clip(std::int64_t first, std::int64_t length, std::int64_t frameLength, std::int64_t &begin, std::int64_t &end)
{
    begin = std::clamp<std::int64_t>(-first, 0, frameLength);
    end = std::clamp<std::int64_t>(length - first, begin, frameLength);
}

// Black everywhere in frame row `row` but its pixels [begin, end).
void BlackAround(Bitmap24 &frame, int row, std::int64_t begin, std::int64_t end)
{
    std::uint8_t *line = frame.scanLine(row);
    if (begin >= end) {
        std::memset(line, 0, std::size_t(frame.width()) * 3);
        return;
    }
    std::memset(line, 0, std::size_t(begin) * 3);
    std::memset(line + std::size_t(end) * 3, 0, std::size_t(frame.width() - end) * 3);
}

} // namespace

FrameSampler::FrameSampler(const FrameLayout &layout)
    : m_layout(layout)
{
}

FrameSampler::Along FrameSampler::planAlong(double position, int panoramaLength, int frameLength)
{
    if (!std::isfinite(position))
        throw std::invalid_argument("FrameSampler: position is not a number");
    Along along;
    // Far beyond any panorama either way; keeps the sums below in 64 bits.
    position = std::clamp(position, -4.0e15, 4.0e15);
    const double whole = std::floor(position);
    std::int64_t base = std::int64_t(whole);
    std::int64_t phase = std::llround((position - whole) * double(kPhaseOne));
    if (phase == kPhaseOne) {
        ++base;
        phase = 0;
    }
    along.weights = FractionalShiftWeights(m_layout.kernel, double(phase) / double(kPhaseOne));
    if (along.weights.identity) {
        along.weights.taps = 1;
        along.weights.firstOffset = 0;
    }
    const std::int64_t length = panoramaLength;
    if (m_layout.wrap) {
        along.begin = 0;
        along.end = frameLength;
    } else {
        // The nearest panorama cell of frame cell c: base + c, one more past half a pixel.
        Clip(base + (phase >= kPhaseOne / 2 ? 1 : 0), length, frameLength, along.begin, along.end);
    }
    if (along.begin >= along.end)
        return along;
    const int taps = along.weights.taps;
    const std::int64_t first = base + along.begin + along.weights.firstOffset;
    const std::int64_t count = along.end - along.begin + taps - 1;
    along.direct = !m_layout.wrap && first >= 0 && first + count <= length;
    if (along.direct) {
        along.source = { int(first) };
        return along;
    }
    along.source.resize(std::size_t(count));
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int64_t cell = first + i;
        along.source[std::size_t(i)]
            = int(m_layout.wrap ? ((cell % length) + length) % length : std::clamp<std::int64_t>(cell, 0, length - 1));
    }
    return along;
}

bool FrameSampler::render(const Bitmap24 &panorama, double position, Bitmap24 &frame)
{
    if (!frame.resize(m_layout.width, m_layout.height))
        return false;
    if (frame.isEmpty())
        return true;
    if (panorama.isEmpty()) {
        std::memset(frame.bits(), 0, frame.byteCount());
        return true;
    }
    if (m_layout.travel == TravelAxis::Horizontal)
        renderHorizontal(panorama, planAlong(position, panorama.width(), frame.width()), frame);
    else
        renderVertical(panorama, planAlong(position, panorama.height(), frame.height()), frame);
    return true;
}

void FrameSampler::renderHorizontal(const Bitmap24 &panorama, const Along &along, Bitmap24 &frame)
{
    std::int64_t rowBegin = 0, rowEnd = 0;
    Clip(m_layout.across, panorama.height(), frame.height(), rowBegin, rowEnd);
    for (int r = 0; r < frame.height(); ++r)
        BlackAround(
            frame, r, r >= rowBegin && r < rowEnd ? along.begin : 0, r >= rowBegin && r < rowEnd ? along.end : 0);
    if (along.begin >= along.end)
        return;
    const PhaseWeights &w = along.weights;
    const std::size_t bytes = std::size_t(along.end - along.begin) * 3;
    // Runs of consecutive panorama columns among the taps, copied whole.
    struct Run {
        std::size_t to = 0, from = 0, count = 0;
    };
    std::vector<Run> runs;
    if (!along.direct) {
        for (std::size_t i = 0; i < along.source.size(); ++i) {
            const std::size_t from = std::size_t(along.source[i]);
            if (!runs.empty() && runs.back().from + runs.back().count == from)
                ++runs.back().count;
            else
                runs.push_back({ i, from, 1 });
        }
        m_scratch.resize(along.source.size() * 3);
    }
    for (std::int64_t r = rowBegin; r < rowEnd; ++r) {
        const std::uint8_t *row = panorama.scanLine(int(r + m_layout.across));
        const std::uint8_t *taps = row + std::size_t(along.direct ? along.source.front() : 0) * 3;
        if (!along.direct) {
            for (const Run &run : runs)
                std::memcpy(m_scratch.data() + run.to * 3, row + run.from * 3, run.count * 3);
            taps = m_scratch.data();
        }
        std::uint8_t *out = frame.scanLine(int(r)) + std::size_t(along.begin) * 3;
        if (w.taps == 1) {
            std::memcpy(out, taps, bytes);
            continue;
        }
        const std::uint8_t *tapRows[kMaxPhaseTaps];
        for (int k = 0; k < w.taps; ++k)
            tapRows[k] = taps + std::size_t(k) * 3;
        ResampleRows::BlendByteRows(tapRows, w.w.data(), w.taps, out, bytes);
    }
}

void FrameSampler::renderVertical(const Bitmap24 &panorama, const Along &along, Bitmap24 &frame)
{
    std::int64_t columnBegin = 0, columnEnd = 0;
    Clip(m_layout.across, panorama.width(), frame.width(), columnBegin, columnEnd);
    for (int r = 0; r < frame.height(); ++r)
        BlackAround(frame, r, r >= along.begin && r < along.end ? columnBegin : 0,
            r >= along.begin && r < along.end ? columnEnd : 0);
    if (columnBegin >= columnEnd || along.begin >= along.end)
        return;
    const PhaseWeights &w = along.weights;
    const std::size_t offset = std::size_t(columnBegin + m_layout.across) * 3;
    const std::size_t bytes = std::size_t(columnEnd - columnBegin) * 3;
    for (std::int64_t r = along.begin; r < along.end; ++r) {
        const std::size_t i = std::size_t(r - along.begin);
        const auto source = [&](int k) {
            const int row = along.direct ? along.source.front() + int(i) + k : along.source[i + std::size_t(k)];
            return panorama.scanLine(row) + offset;
        };
        std::uint8_t *out = frame.scanLine(int(r)) + std::size_t(columnBegin) * 3;
        if (w.taps == 1) {
            std::memcpy(out, source(0), bytes);
            continue;
        }
        const std::uint8_t *tapRows[kMaxPhaseTaps];
        for (int k = 0; k < w.taps; ++k)
            tapRows[k] = source(k);
        ResampleRows::BlendByteRows(tapRows, w.w.data(), w.taps, out, bytes);
    }
}
