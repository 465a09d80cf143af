#pragma once

#include <cstdint>
#include <string>

// Bytes free for an unprivileged user on the file system that holds the
// path (a file or a folder), or -1 when it cannot be queried.
std::int64_t FreeDiskBytes(const std::string &path);
