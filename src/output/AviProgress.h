#pragma once

#include <cstdint>
#include <string>

// Where an AVI run reports its progress: the progress window in the
// program, a terminal line in the command line, nothing in tests.
class AviProgress {
public:
    virtual ~AviProgress() = default;

    virtual void showProgress() = 0;
    virtual void hideProgress() = 0;
    // At the start of each pass: the number of frames the pass will write.
    virtual void startPass(std::int32_t frames) = 0;
    // Before each frame: its index within the pass and the progress text.
    virtual void frameStarting(std::int32_t indexInPass, const std::string &text) = 0;
};
