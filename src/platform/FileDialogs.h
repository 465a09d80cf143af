#pragma once

#include <string>

// The file and folder dialogs. Each returns the chosen path, or an empty
// text when cancelled. Filters are in Qt's "Label (*.a *.b);;Label2 (*.c)"
// form.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;

    virtual std::string openPictureFile(const std::string &title, const std::string &filter) = 0;
    virtual std::string savePictureFile(const std::string &title, const std::string &filter) = 0;
    virtual std::string chooseFolder(const std::string &title, const std::string &startFolder) = 0;
};
