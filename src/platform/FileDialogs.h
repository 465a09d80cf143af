#pragma once

#include <functional>
#include <optional>
#include <string>

// What the folder dialog is asked for. The dialog calls back as the user
// moves in it; every callback may be left empty.
struct FolderBrowseRequest {
    std::string title; // above the folders; the dialog's own when empty
    std::string path; // folder to start in; none when empty
    // The selection moved to path (empty: not a folder on disk). Setting
    // enableOk false greys out OK for that selection.
    std::function<void(const std::string &path, bool &enableOk)> selectionChanged;
    // Once, as the dialog opens, with its screen rectangle: may move it.
    std::function<void(int &left, int &top, int width, int height)> setPosition;
    // A typed folder that does not exist: may create it (and edit the path);
    // true when the path now names a folder to accept.
    std::function<bool(std::string &path)> askCreateFolder;
};

// The file and folder dialogs. The file dialogs return the chosen path, or an
// empty text when cancelled. Filters are in Qt's "Label (*.a *.b);;Label2
// (*.c)" form.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;

    virtual std::string openPictureFile(const std::string &title, const std::string &filter) = 0;
    // selectedFilter: the filter shown first, and on return the one the
    // user chose (one of filter's, as written there).
    virtual std::string savePictureFile(
        const std::string &title, const std::string &filter, std::string &selectedFilter)
        = 0;
    // Modal folder dialog: the chosen folder (empty for a choice that is not a
    // folder on disk), or nothing when cancelled.
    virtual std::optional<std::string> browseForFolder(const FolderBrowseRequest &request) = 0;
};
