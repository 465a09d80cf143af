#pragma once

#include <functional>
#include <string>

class FileDialogs;
class ModalQuestions;

// Makes sure path names a folder, asking first: an existing folder is
// accepted at once; otherwise the user may edit the path in the input query
// "Création de Dossier" and the folder is created with its parents. False
// when the query is cancelled or answered empty, or after the message
// "Impossible de créer Le Dossier: '<path>'" when creation fails. A path the
// user changes to an existing folder is accepted after the message "Le
// Dossier Existe déjà".
bool AskCreateFolder(std::string &path, ModalQuestions &questions);

// The folder picker: chooses a folder in the folder dialog, starting in Path,
// and offers to create a starting folder that does not exist. The dialog's
// status line and style of the original picker have no counterpart in the
// folder dialog used here.
class TBrowseForFolder {
public:
    using TOnSelChanged = std::function<void(TBrowseForFolder &sender, const std::string &path, bool &enableOk)>;
    using TOnSetPosition = std::function<void(TBrowseForFolder &sender, int &left, int &top, int width, int height)>;

    TBrowseForFolder(FileDialogs &dialogs, ModalQuestions &questions);

    // When set, Execute with an empty Path starts in the current folder.
    // One setting for the whole program, made by the main window at start.
    static inline bool UseCurrentDirWhenEmpty = false;

    std::string Path; // in: folder to start in; out: the chosen folder
    std::string Title; // instruction above the folders; none when empty
    bool EditBox = false; // a typed folder that does not exist may be created
    TOnSelChanged OnSelChanged; // the selection moved; may grey out OK
    TOnSetPosition OnSetPosition; // once as the dialog opens; may move it

    // True with the chosen (or just created) folder in Path; false when the
    // dialog was cancelled, Path then as it was (once normalised).
    bool Execute();

private:
    FileDialogs &m_dialogs;
    ModalQuestions &m_questions;
};
