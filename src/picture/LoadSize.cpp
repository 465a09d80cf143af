#include "picture/LoadSize.h"

#include "common/Bitmap24.h"
#include "picture/PanoramaScaler.h"

#include <cstring>
#include <new>

std::optional<PictureSize> ReducedSize(const LoadSizeChoice &choice, int width, int height)
{
    if (!choice || width < 1 || height < 1)
        return std::nullopt;
    const std::optional<PictureSize> wanted = choice(width, height);
    if (!wanted || wanted->width < 1 || wanted->height < 1 || wanted->width > width || wanted->height > height
        || (wanted->width == width && wanted->height == height))
        return std::nullopt;
    return wanted;
}

DecodePlan ReducedAfterDecode(DecodePlan plan, const LoadSizeChoice &choice)
{
    if (plan.width > Bitmap24::kMaxSide || plan.height > Bitmap24::kMaxSide)
        return plan;
    const std::optional<PictureSize> kept = ReducedSize(choice, int(plan.width), int(plan.height));
    if (!kept)
        return plan;
    plan.keptWidth = kept->width;
    plan.keptHeight = kept->height;
    plan.reductionBytes = RowGatherer::workBytes({ int(plan.width), int(plan.height) }, *kept);
    plan.reducedAfterDecode = true;
    return plan;
}

RowGatherer::RowGatherer(Bitmap24 &target)
    : m_target(target)
{
}

RowGatherer::~RowGatherer() = default;

std::uint64_t RowGatherer::workBytes(PictureSize decoded, PictureSize kept)
{
    if (decoded == kept)
        return 0;
    return PanoramaScaler::bytesNeeded(decoded.width, decoded.height, kept.width, kept.height);
}

void RowGatherer::start(PictureSize decoded, PictureSize kept)
{
    m_scaler.reset();
    m_rows = 0;
    m_decoded = decoded;
    if (!m_target.resize(kept.width, kept.height)) {
        m_target.clear();
        throw std::bad_alloc();
    }
    if (decoded == kept)
        return;
    const std::size_t rowBytes = std::size_t(kept.width) * 3;
    try {
        m_scaler = std::make_unique<PanoramaScaler>(decoded.width, decoded.height, kept.width, kept.height,
            [this, rowBytes](
                int row, const std::uint8_t *pixels) { std::memcpy(m_target.scanLine(row), pixels, rowBytes); });
    } catch (...) {
        m_target.clear();
        throw;
    }
}

void RowGatherer::pushRow(const std::uint8_t *pixels)
{
    if (m_scaler)
        m_scaler->pushRow(pixels);
    else if (m_rows < m_target.height())
        std::memcpy(m_target.scanLine(m_rows), pixels, std::size_t(m_decoded.width) * 3);
    ++m_rows;
}

bool RowGatherer::finished() const
{
    return m_rows == m_decoded.height && (!m_scaler || m_scaler->finished());
}
