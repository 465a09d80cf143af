#include "common/MappedFile.h"

MappedFile::MappedFile(const std::string &fileName)
    : m_file(QString::fromStdString(fileName))
{
    if (!m_file.open(QIODevice::ReadOnly))
        return;
    const qint64 size = m_file.size();
    if (size > 0) {
        if (uchar *mapped = m_file.map(0, size)) {
            m_data = mapped;
            m_size = std::size_t(size);
            m_open = true;
            return;
        }
    }
    // Not mappable (empty, special file, or a file system without mmap).
    m_buffer = m_file.readAll();
    if (m_file.error() != QFileDevice::NoError)
        return;
    m_data = reinterpret_cast<const std::uint8_t *>(m_buffer.constData());
    m_size = std::size_t(m_buffer.size());
    m_open = true;
}
