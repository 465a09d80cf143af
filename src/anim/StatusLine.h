#pragma once

#include <string>

// The main window's status line, as the run commands write and read it.
class StatusLine {
public:
    virtual ~StatusLine() = default;
    virtual void setText(const std::string &text) = 0;
    virtual std::string text() const = 0;
};
