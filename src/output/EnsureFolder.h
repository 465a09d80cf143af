#pragma once

#include <functional>
#include <string>

class ModalQuestions;

// The question before a folder is created (true: create it) and the report of
// an error.
using FolderQuestion = std::function<bool(const std::string &folder)>;
using ErrorReport = std::function<void(const std::string &text)>;

// Makes sure the folder exists, asking before creating it with its missing
// parents. An empty path becomes the program's folder. Returns false when the
// question is answered no, or after reporting
// "Impossible de créer Le Dossier: '<path>'" when creation fails.
bool EnsureFolder(std::string &folder, const std::string &programFolder, const FolderQuestion &askCreate,
    const ErrorReport &reportError);

// The same with the program's own boxes: the Yes/No question
// "Création du Répertoire?" (only "Oui" creates; Escape and the close box
// end like "Non") and the error box of ShowError.
bool EnsureFolder(std::string &folder, ModalQuestions &questions, const std::string &programFolder);

// Error box of the program: caption "Erreur", OK button.
void ShowError(ModalQuestions &questions, const std::string &text);
