#pragma once

#include "platform/WindowServices.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// WindowServices for headless tests: every question is answered from a queue
// of expected answers. A question nobody expected, or of another kind than
// the next expected one, fails the running test; answers left unused when the
// object dies fail it too.
class ScriptedServices : public WindowServices {
public:
    enum class Kind {
        MessageBox,
        ErrorBox,
        ErrorMessage,
        InputBox,
        InputQuery,
        OpenPicture,
        SavePicture,
        ChooseFolder,
        AskOverwrite,
        AviSaveOptions
    };

    struct Question {
        Kind kind;
        std::string text; // message text, prompt, file name or title
        std::string caption; // caption or dialog title
    };

    ~ScriptedServices() override;

    // Queue answers, in the order the questions will come. A question that
    // fails the test answers as Escape would.
    void answerMessageBox(int result) { push(Kind::MessageBox, result, {}); }
    // Escape or the close box on the next message box: IdCancel for a Yes/No
    // box, IdOk for an OK box.
    void answerMessageBoxClosed() { push(Kind::MessageBox, IdCancel, {}); }
    void answerErrorBox() { push(Kind::ErrorBox, IdOk, {}); }
    void answerErrorMessage() { push(Kind::ErrorMessage, IdOk, {}); }
    void answerInputBox(std::optional<std::string> text)
    {
        push(Kind::InputBox, text ? IdOk : IdCancel, text.value_or(""));
    }
    void answerInputQuery(std::optional<std::string> text)
    {
        push(Kind::InputQuery, text ? IdOk : IdCancel, text.value_or(""));
    }
    void answerOpenPicture(std::string path) { push(Kind::OpenPicture, IdOk, std::move(path)); }
    // The save dialog: the name typed, and the filter chosen (empty: the one
    // shown first).
    void answerSavePicture(std::string path, std::string filter = {})
    {
        push(Kind::SavePicture, IdOk, std::move(path), std::move(filter));
    }
    // The folder dialog: the chosen folder, or nothing to cancel it.
    void answerBrowseForFolder(std::optional<std::string> path)
    {
        push(Kind::ChooseFolder, path ? IdOk : IdCancel, path.value_or(""));
    }
    void answerOverwrite(int modalResult) { push(Kind::AskOverwrite, modalResult, {}); }
    // Escape or the close box on the overwrite dialog.
    void answerOverwriteClosed() { push(Kind::AskOverwrite, OverwriteClosed, {}); }
    // Confirms the compression dialog with a compressor's handler code ("" for
    // none), or cancels it.
    void answerAviSaveOptions(std::optional<std::string> handler)
    {
        push(Kind::AviSaveOptions, handler ? IdOk : IdCancel, handler.value_or(""));
    }

    std::size_t pendingAnswers() const { return m_answers.size(); }
    // Everything asked so far, in order.
    const std::vector<Question> &asked() const { return m_asked; }
    int processMessagesCalls() const { return m_processCalls; }
    // The busy cursors shown now, innermost last.
    const std::vector<Cursor> &cursors() const { return m_cursors; }
    // Runs on every processMessages(), e.g. to press Stop in the middle of a run.
    std::function<void()> onProcessMessages;

    int messageBox(const std::string &text, const std::string &caption, Buttons buttons) override;
    void errorBox(const std::string &text) override;
    void errorMessage(const std::string &text) override;
    std::string inputBox(
        const std::string &caption, const std::string &prompt, const std::string &defaultText) override;
    bool inputQuery(const std::string &caption, const std::string &prompt, std::string &text) override;
    void processMessages() override;
    void waitForMessages() override { processMessages(); }
    void pushCursor(Cursor cursor) override { m_cursors.push_back(cursor); }
    void popCursor() override;
    std::string openPictureFile(const std::string &title, const std::string &filter) override;
    // Asked with the filter list as its text.
    std::string savePictureFile(
        const std::string &title, const std::string &filter, std::string &selectedFilter) override;
    // The filter shown first by the last save dialog.
    const std::string &firstSaveFilter() const { return m_firstSaveFilter; }
    // Asked with the start folder as its text and the title as its caption.
    std::optional<std::string> browseForFolder(const FolderBrowseRequest &request) override;
    int askOverwrite(const std::string &fileName, const std::string &caption) override;
    // Asked with the pre-set handler code as its text.
    bool aviSaveOptions(AviCompression &options) override;
    // Recorded, not asked: the folders the file manager was asked to open,
    // in order. Each request gets openFolderResult.
    bool openFolder(const std::string &folder) override
    {
        m_openedFolders.push_back(folder);
        return openFolderResult;
    }
    const std::vector<std::string> &openedFolders() const { return m_openedFolders; }
    bool openFolderResult = true;

private:
    struct Answer {
        Kind kind;
        int result;
        std::string text;
        std::string choice; // the save dialog's filter
    };
    void push(Kind kind, int result, std::string text, std::string choice = {})
    {
        m_answers.push_back({ kind, result, std::move(text), std::move(choice) });
    }
    std::optional<Answer> take(Kind kind, const std::string &text, const std::string &caption);

    std::deque<Answer> m_answers;
    std::vector<Question> m_asked;
    int m_processCalls = 0;
    std::string m_firstSaveFilter;
    std::vector<Cursor> m_cursors;
    std::vector<std::string> m_openedFolders;
};

const char *toString(ScriptedServices::Kind kind);
