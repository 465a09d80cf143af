#pragma once

#include "platform/WindowServices.h"

#include <functional>

class QWidget;

// The program's window-system services, on Qt Widgets. Dialogs are parented
// to the main window given by setParentWindow.
class QtWindowServices : public WindowServices {
public:
    using OverwriteDialog = std::function<int(const std::string &fileName, const std::string &caption)>;
    using PictureDialog = std::function<std::string(const std::string &title, const std::string &filter)>;
    using CompressionDialog = std::function<bool(AviCompression &options)>;

    void setParentWindow(QWidget *parent) { m_parent = parent; }
    // The per-file overwrite question is a window of the program's own.
    void setOverwriteDialog(OverwriteDialog dialog) { m_overwriteDialog = std::move(dialog); }
    // The open dialog with a picture preview, when the program has one.
    void setOpenPictureDialog(PictureDialog dialog) { m_openPictureDialog = std::move(dialog); }
    // The compression dialog of AVI runs; without one, runs are refused.
    void setCompressionDialog(CompressionDialog dialog) { m_compressionDialog = std::move(dialog); }

    int messageBox(const std::string &text, const std::string &caption, Buttons buttons) override;
    void errorBox(const std::string &text) override;
    void errorMessage(const std::string &text) override;
    std::string inputBox(
        const std::string &caption, const std::string &prompt, const std::string &defaultText) override;
    bool inputQuery(const std::string &caption, const std::string &prompt, std::string &text) override;
    void processMessages() override;
    void waitForMessages() override;
    void pushCursor(Cursor cursor) override;
    void popCursor() override;
    std::string openPictureFile(const std::string &title, const std::string &filter) override;
    std::string savePictureFile(
        const std::string &title, const std::string &filter, std::string &selectedFilter) override;
    // Qt's own folder dialog (not the platform's): it can report its
    // selection and position and ask before creating a typed folder.
    std::optional<std::string> browseForFolder(const FolderBrowseRequest &request) override;
    int askOverwrite(const std::string &fileName, const std::string &caption) override;
    bool aviSaveOptions(AviCompression &options) override;
    bool openFolder(const std::string &folder) override;

private:
    QWidget *m_parent = nullptr;
    OverwriteDialog m_overwriteDialog;
    PictureDialog m_openPictureDialog;
    CompressionDialog m_compressionDialog;
};
