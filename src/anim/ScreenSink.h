#pragma once

#include "anim/FrameSink.h"

#include <cstdint>
#include <string>

// The sink of a test run: frames are only shown, each labelled with the
// base name and its number ("TestFrame-12"), with the pause after each.
class ScreenSink : public FrameSink {
public:
    ScreenSink(std::string baseName, std::int32_t firstNumber);

    bool prepare(std::int64_t) override { return true; }
    std::string statusText(std::int64_t index, std::int64_t total) const override;
    bool take(const Bitmap24 &) override { return true; }
    bool pausesAfterFrames() const override { return true; }

private:
    std::string m_baseName;
    std::int32_t m_firstNumber;
};
