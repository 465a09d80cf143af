#pragma once

#include "anim/FrameSink.h"

#include <cstdint>
#include <string>

// The sink of a test run: frames are only shown, each labelled with the
// base name and its number ("TestFrame-12"), with the pause after each: the
// given one, or the host's tempo.
class ScreenSink : public FrameSink {
public:
    ScreenSink(std::string baseName, std::int32_t firstNumber, std::optional<std::int32_t> pause = std::nullopt);

    bool prepare(std::int64_t) override { return true; }
    std::string statusText(std::int64_t index, std::int64_t total) const override;
    bool take(const Bitmap24 &) override { return true; }
    bool pausesAfterFrames() const override { return true; }
    std::optional<std::int32_t> framePause() const override { return m_pause; }

private:
    std::string m_baseName;
    std::int32_t m_firstNumber;
    std::optional<std::int32_t> m_pause;
};
