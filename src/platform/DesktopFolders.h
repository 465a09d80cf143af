#pragma once

#include <string>

// The desktop's file manager, for showing what a run made.
class DesktopFolders {
public:
    virtual ~DesktopFolders() = default;

    // Opens folder (a UTF-8 path) in the file manager; false when the
    // desktop could not (no file manager, the request refused).
    virtual bool openFolder(const std::string &folder) = 0;
};
