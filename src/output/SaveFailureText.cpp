#include "output/SaveFailureText.h"

#include "common/TextFormat.h"
#include "output/FrameFile.h"

#include <cstring>

std::string SaveFailureText(const std::string &fileName, const SaveDetail &detail)
{
    // The system's own words, as other windows of the program show them.
    const std::string cause = detail.reason == SaveReason::System && detail.systemError
        ? std::string(std::strerror(detail.systemError))
        : detail.text();
    return formatText("Impossible d'enregistrer '%s'\n%s", { fileName, cause });
}
