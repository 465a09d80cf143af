#include "app/BrowseForFolder.h"

#include "common/ProgramInfo.h"
#include "output/EnsureFolder.h"
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
    // The answer was the question: create without asking again.
    return EnsureFolder(
        path, {}, [](const std::string &) { return true; },
        [&questions](
            const std::string &text) { questions.messageBox(text, kProgramName, ModalQuestions::Buttons::Ok); });
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
