#include "anim/RunEndText.h"

#include "common/TextFormat.h"

std::string StoppedRunText(std::int64_t framesOnDisk)
{
    return formatText(" - arrêté : %d image(s) enregistrée(s)", { framesOnDisk });
}

std::string FileRunEndText(bool stopped, std::int64_t framesInFile)
{
    return stopped ? StoppedRunText(framesInFile) : std::string("-OK!");
}
