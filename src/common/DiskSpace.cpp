#include "common/DiskSpace.h"

#include <sys/statvfs.h>

std::int64_t FreeDiskBytes(const std::string &path)
{
    struct statvfs fs {};
    if (path.empty() || statvfs(path.c_str(), &fs) != 0)
        return -1;
    return std::int64_t(fs.f_bavail) * std::int64_t(fs.f_frsize);
}
