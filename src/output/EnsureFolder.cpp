#include "output/EnsureFolder.h"

#include "common/TextFormat.h"
#include "platform/ModalQuestions.h"

#include <filesystem>
#include <system_error>

bool EnsureFolder(std::string &folder, const std::string &programFolder, const FolderQuestion &askCreate,
    const ErrorReport &reportError)
{
    if (folder.empty())
        folder = programFolder;
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec))
        return true;
    if (!askCreate(folder))
        return false;
    std::filesystem::create_directories(folder, ec);
    // The result of create_directories is not enough: a trailing "/" makes it
    // report false after success on some library versions.
    if (!std::filesystem::is_directory(folder, ec)) {
        reportError(formatText("Impossible de créer Le Dossier: '%s'", { folder }));
        return false;
    }
    return true;
}

bool EnsureFolder(std::string &folder, ModalQuestions &questions, const std::string &programFolder)
{
    return EnsureFolder(
        folder, programFolder,
        [&questions](const std::string &path) {
            return questions.messageBox(path, "Création du Répertoire?", ModalQuestions::Buttons::YesNo)
                == ModalQuestions::IdYes;
        },
        [&questions](const std::string &text) { ShowError(questions, text); });
}

void ShowError(ModalQuestions &questions, const std::string &text)
{
    questions.messageBox(text, "Erreur", ModalQuestions::Buttons::Ok);
}
