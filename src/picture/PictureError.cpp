#include "picture/PictureError.h"

#include <string>

namespace {

std::string sizeText(const PictureLoadResult &result)
{
    return std::to_string(result.width) + " × " + std::to_string(result.height);
}

} // namespace

bool AcceptPlan(const DecodePlan &plan, std::uint64_t fileBytes, PictureLoadResult &result)
{
    result.width = plan.width;
    result.height = plan.height;
    MemoryShortage shortage;
    switch (CheckDecodePlan(plan, fileBytes, shortage)) {
    case PlanVerdict::Fits:
        return true;
    case PlanVerdict::FileTooShort:
        result.error = PictureError::FileTooShort;
        return false;
    case PlanVerdict::TooLittleMemory:
        result.error = PictureError::OutOfMemory;
        result.memoryNeeded = shortage.needed;
        result.memoryAvailable = shortage.available;
        return false;
    }
    return false;
}

bool AcceptPlan(const DecodePlan &plan, std::uint64_t fileBytes, PictureLoadResult &result, const LoadSizeChoice &keep)
{
    return AcceptPlan(ReducedAfterDecode(plan, keep), fileBytes, result);
}

void ExplainLateShortage(std::uint64_t planMemory, PictureLoadResult &result)
{
    result.error = PictureError::OutOfMemory;
    const std::uint64_t available = AvailableMemory();
    if (planMemory > available) {
        result.memoryNeeded = planMemory;
        result.memoryAvailable = available;
    }
}

std::string PictureErrorText(const PictureLoadResult &result)
{
    switch (result.error) {
    case PictureError::None:
        return "no error";
    case PictureError::File:
        return FileErrorText(result.fileError, result.systemError);
    case PictureError::UnknownFormat:
        return "unknown format";
    case PictureError::Damaged:
        return result.detail.empty() ? "damaged data" : "damaged data (" + result.detail + ")";
    case PictureError::TooLarge:
        if (result.width > 0 && result.height > 0)
            return "too large (" + sizeText(result) + ")";
        return "too large";
    case PictureError::FileTooShort:
        if (result.width > 0 && result.height > 0)
            return "file too short for its announced size (" + sizeText(result) + ")";
        return "file too short for its announced size";
    case PictureError::OutOfMemory:
        if (result.memoryNeeded > result.memoryAvailable)
            return MemoryShortageText({ result.memoryNeeded, result.memoryAvailable });
        return "not enough memory";
    case PictureError::Interrupted:
        return "interrupted";
    }
    return "unknown error";
}
