#include "anim/ScreenSink.h"

#include "common/TextFormat.h"
#include "output/FrameNames.h"

ScreenSink::ScreenSink(std::string baseName, std::int32_t firstNumber, std::optional<std::int32_t> pause)
    : m_baseName(std::move(baseName))
    , m_firstNumber(firstNumber)
    , m_pause(pause)
{
}

std::string ScreenSink::statusText(std::int64_t index, std::int64_t total) const
{
    const std::string label = formatText("%s%d", { m_baseName, std::int64_t(FrameNumber(m_firstNumber, index)) });
    return formatText("%s / %4.4d", { label, total });
}
