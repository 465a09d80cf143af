#include "common/DecodeBudget.h"

#include "common/Bitmap24.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();

} // namespace

std::uint64_t AddCapped(std::uint64_t a, std::uint64_t b)
{
    return a > kMost - b ? kMost : a + b;
}

std::uint64_t MultiplyCapped(std::uint64_t a, std::uint64_t b)
{
    return b != 0 && a > kMost / b ? kMost : a * b;
}

std::uint64_t DefaultFrameBytes(std::int64_t width, std::int64_t height)
{
    if (width <= 0 || height <= 0)
        return 0;
    if (width > height)
        return Bitmap24::bytesFor(std::min<std::int64_t>(height * 4 / 3, Bitmap24::kMaxSide), height);
    return Bitmap24::bytesFor(width, std::min<std::int64_t>(width * 3 / 4, Bitmap24::kMaxSide));
}

std::uint64_t PlanMemory(const DecodePlan &plan)
{
    const std::uint64_t rows = Bitmap24::bytesFor(plan.width, plan.height);
    if (!plan.reduced())
        return AddCapped(AddCapped(rows, plan.workBytes), DefaultFrameBytes(plan.width, plan.height));
    const std::uint64_t kept = AddCapped(Bitmap24::bytesFor(plan.keptWidth, plan.keptHeight), plan.reductionBytes);
    const std::uint64_t frame = DefaultFrameBytes(plan.keptWidth, plan.keptHeight);
    if (plan.reducedAfterDecode)
        return AddCapped(AddCapped(rows, std::max(plan.workBytes, kept)), frame);
    return AddCapped(AddCapped(kept, plan.workBytes), frame);
}

PlanVerdict CheckDecodePlan(const DecodePlan &plan, std::uint64_t fileBytes, MemoryShortage &shortage)
{
    if (plan.mostUnpacked != 0
        && plan.unpackedBytes > MultiplyCapped(AddCapped(fileBytes, plan.fileSlack), plan.mostUnpacked))
        return PlanVerdict::FileTooShort;
    if (!MemoryFits(PlanMemory(plan), shortage))
        return PlanVerdict::TooLittleMemory;
    return PlanVerdict::Fits;
}
