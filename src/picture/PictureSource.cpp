#include "picture/PictureSource.h"

#include <cstring>

bool MemorySource::readAt(std::uint64_t offset, void *out, std::size_t n)
{
    if (offset > m_size || n > m_size - offset) {
        m_error = FileError::Changed; // asked past the end: the data are cut
        return false;
    }
    if (n)
        std::memcpy(out, m_data + offset, n);
    return true;
}

bool DecodeControl::step(std::int64_t done, std::int64_t total)
{
    if (m_cancelled && m_cancelled())
        return true;
    if (m_progress && total > 0) {
        const int percent = int(done * 100 / total);
        if (percent != m_percent) {
            m_percent = percent;
            m_progress(percent);
        }
    }
    return false;
}
