#include "platform/ModalQuestions.h"

#include <algorithm>

std::string errorBoxText(const std::string &text)
{
    // The full stop ends the message's first line; a cause on the lines
    // after it (a path, a library's words) is shown as it is.
    const std::size_t end = std::min(text.find('\n'), text.size());
    if (end > 0 && static_cast<unsigned char>(text[end - 1]) > '.')
        return text.substr(0, end) + '.' + text.substr(end);
    return text;
}
