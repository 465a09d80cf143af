#pragma once

#include <QFile>

#include <cstddef>
#include <cstdint>
#include <string>

// A whole file's bytes, read-only, mapped into memory when the system allows
// (so a large picture file is not copied before it is decoded), read into a
// buffer otherwise. Not copyable; the bytes live as long as the object.
class MappedFile {
public:
    explicit MappedFile(const std::string &fileName);
    MappedFile(const MappedFile &) = delete;
    MappedFile &operator=(const MappedFile &) = delete;

    // False when the file could not be opened or read; an empty file is open.
    bool isOpen() const { return m_open; }
    const std::uint8_t *data() const { return m_data; }
    std::size_t size() const { return m_size; }

private:
    QFile m_file;
    QByteArray m_buffer;
    const std::uint8_t *m_data = nullptr;
    std::size_t m_size = 0;
    bool m_open = false;
};
