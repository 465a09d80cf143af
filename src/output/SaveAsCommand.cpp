#include "output/SaveAsCommand.h"

#include "output/EnsureFolder.h"
#include "output/FrameFile.h"
#include "output/SaveAsTypes.h"
#include "output/SaveFailureText.h"
#include "platform/WindowServices.h"

bool SaveAsCommand(
    const Bitmap24 &picture, WindowServices &services, bool &stopRequested, const TJpegOptions &jpegOptions)
{
    stopRequested = true;
    const std::string filter = SaveAsDialogFilter();
    std::string chosenType = filter.substr(0, filter.find(";;"));
    const std::string typedName = services.savePictureFile("Enregistrer Image", filter, chosenType);
    if (typedName.empty())
        return false;
    // The file is written in the chosen type, and its name says so.
    const std::string fileName = SaveAsFileName(typedName, chosenType);
    bool confirmOverwrite = true;
    SaveDetail detail;
    const SaveOutcome outcome
        = SaveFrameFile(picture, fileName, confirmOverwrite, services, stopRequested, jpegOptions, nullptr, &detail);
    if (outcome == SaveOutcome::Failed)
        ShowError(services, SaveFailureText(fileName, detail));
    return outcome == SaveOutcome::Written;
}
