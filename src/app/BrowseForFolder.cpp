#include "app/BrowseForFolder.h"

#include "common/ProgramInfo.h"
#include "common/TextFormat.h"
#include "platform/FileDialogs.h"
#include "platform/ModalQuestions.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool isFolder(const std::string &path)
{
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}

} // namespace

bool AskCreateFolder(std::string &path, ModalQuestions &questions)
{
    if (isFolder(path))
        return true;
    if (!questions.inputQuery("Création de Dossier", "Nouveau Dossier:", path) || path.empty())
        return false;
    if (isFolder(path)) {
        questions.errorMessage("Le Dossier Existe déjà");
        return true;
    }
    std::error_code ec;
    fs::create_directories(path, ec);
    // Checked by the result, not by create_directories' return value, which
    // may be false after success for a path ending with "/".
    if (isFolder(path))
        return true;
    questions.messageBox(
        formatText("Impossible de créer Le Dossier: '%s'", { path }), kProgramName, ModalQuestions::Buttons::Ok);
    return false;
}

TBrowseForFolder::TBrowseForFolder(FileDialogs &dialogs, ModalQuestions &questions)
    : m_dialogs(dialogs)
    , m_questions(questions)
{
}

bool TBrowseForFolder::Execute()
{
    if (Path.empty() && UseCurrentDirWhenEmpty) {
        std::error_code ec;
        Path = fs::current_path(ec).string();
    }
    if (!Path.empty() && Path.back() == ':')
        Path += '/'; // a bare drive name
    // A starting folder just created needs no dialog; one refused still opens it.
    if (!isFolder(Path) && AskCreateFolder(Path, m_questions))
        return true;

    FolderBrowseRequest request;
    request.title = Title;
    request.path = Path;
    if (OnSelChanged)
        request.selectionChanged
            = [this](const std::string &path, bool &enableOk) { OnSelChanged(*this, path, enableOk); };
    if (OnSetPosition)
        request.setPosition
            = [this](int &left, int &top, int width, int height) { OnSetPosition(*this, left, top, width, height); };
    if (EditBox)
        request.askCreateFolder = [this](std::string &path) { return AskCreateFolder(path, m_questions); };
    const std::optional<std::string> chosen = m_dialogs.browseForFolder(request);
    if (!chosen)
        return false;
    Path = *chosen;
    return true;
}
