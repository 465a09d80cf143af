#include "output/EnsureFolder.h"

#include "common/TextFormat.h"
#include "platform/WindowServices.h"

#include <filesystem>
#include <system_error>

bool EnsureFolder(std::string &folder, WindowServices &services, const std::string &programFolder)
{
    if (folder.empty())
        folder = programFolder;
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec))
        return true;
    if (services.messageBox(folder, "Création du Répertoire?", WindowServices::Buttons::YesNo) != WindowServices::IdYes)
        return false;
    std::filesystem::create_directories(folder, ec);
    // The result of create_directories is not enough: a trailing "/" makes it
    // report false after success on some library versions.
    if (!std::filesystem::is_directory(folder, ec)) {
        ShowError(services, formatText("Impossible de créer Le Dossier: '%s'", { folder }));
        return false;
    }
    return true;
}

void ShowError(WindowServices &services, const std::string &text)
{
    services.messageBox(text, "Erreur", WindowServices::Buttons::Ok);
}
