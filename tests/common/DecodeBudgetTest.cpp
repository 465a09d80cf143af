// The decoders' common check of what a file announces.
#include "common/DecodeBudget.h"
#include "common/Bitmap24.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

struct PlanCase {
    const char *name;
    DecodePlan plan;
    std::uint64_t fileBytes;
    PlanVerdict verdict;
};

std::ostream &operator<<(std::ostream &out, const PlanCase &c)
{
    return out << c.name;
}

constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();

class DecodePlanCheck : public ::testing::TestWithParam<PlanCase> { };

TEST_P(DecodePlanCheck, GivesItsVerdict)
{
    const PlanCase &c = GetParam();
    MemoryShortage shortage;
    EXPECT_EQ(CheckDecodePlan(c.plan, c.fileBytes, shortage), c.verdict);
    if (c.verdict == PlanVerdict::TooLittleMemory) {
        EXPECT_EQ(shortage.needed, PlanMemory(c.plan));
        EXPECT_GT(shortage.needed, shortage.available);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, DecodePlanCheck,
    ::testing::Values(PlanCase { "raw_exactly_held", { 100, 10, 3000, 1, 0, 0 }, 3000, PlanVerdict::Fits },
        PlanCase { "raw_one_byte_short", { 100, 10, 3000, 1, 0, 0 }, 2999, PlanVerdict::FileTooShort },
        PlanCase { "deflate_at_its_best", { 1000, 1000, 1032000, 1032, 0, 0 }, 1000, PlanVerdict::Fits },
        PlanCase { "deflate_beyond_its_best", { 1000, 1000, 1032001, 1032, 0, 0 }, 1000, PlanVerdict::FileTooShort },
        PlanCase { "slack_for_tables", { 100, 100, 8 * 1000, 8, 900, 0 }, 100, PlanVerdict::Fits },
        PlanCase { "no_bound", { 100, 100, kMost, 0, 0, 0 }, 1, PlanVerdict::Fits },
        PlanCase { "huge_product_capped", { 100, 100, kMost, kMost, 0, 0 }, 2, PlanVerdict::Fits },
        PlanCase { "empty_file", { 1, 1, 3, 1, 0, 0 }, 0, PlanVerdict::FileTooShort },
        PlanCase { "work_beyond_any_memory", { 100, 10, 3000, 1, 0, kMost / 2 }, 3000, PlanVerdict::TooLittleMemory },
        PlanCase { "file_checked_first", { 100, 10, 3000, 1, 0, kMost / 2 }, 10, PlanVerdict::FileTooShort }),
    [](const auto &info) { return std::string(info.param.name); });

struct FrameCase {
    const char *name;
    std::int64_t width, height;
    std::int64_t frameWidth, frameHeight;
};

std::ostream &operator<<(std::ostream &out, const FrameCase &c)
{
    return out << c.name;
}

class DefaultFrame : public ::testing::TestWithParam<FrameCase> { };

// The panel's default: 4:3, as high as a wide picture, as wide as a tall one.
TEST_P(DefaultFrame, IsThePanelsFirstFrame)
{
    const FrameCase &c = GetParam();
    EXPECT_EQ(DefaultFrameBytes(c.width, c.height), Bitmap24::bytesFor(c.frameWidth, c.frameHeight));
}

INSTANTIATE_TEST_SUITE_P(Table, DefaultFrame,
    ::testing::Values(FrameCase { "wide", 3000, 500, 666, 500 }, FrameCase { "tall", 500, 3000, 500, 375 },
        FrameCase { "square", 100, 100, 100, 75 }, FrameCase { "none", 0, 0, 0, 0 }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(DecodePlanMemory, CountsRowsWorkAndFirstFrame)
{
    const DecodePlan plan { 3000, 500, 0, 0, 0, 12345 };
    EXPECT_EQ(PlanMemory(plan), Bitmap24::bytesFor(3000, 500) + 12345 + Bitmap24::bytesFor(666, 500));
    EXPECT_EQ(PlanMemory({ 3000, 500, 0, 0, 0, kMost }), kMost); // held, never wrapped
}

// A load kept at 600 x 100: reduced as it decodes, only the kept rows, the
// scaler and the kept size's frame beside the decoder's work; reduced
// after the decode, the whole rows too, with the larger of the decoder's
// work and the reduction.
TEST(DecodePlanMemory, CountsWhatAReducedLoadHolds)
{
    DecodePlan plan { 3000, 500, 0, 0, 0, 12345 };
    plan.keptWidth = 600;
    plan.keptHeight = 100;
    plan.reductionBytes = 777;
    const std::uint64_t kept = Bitmap24::bytesFor(600, 100) + 777;
    const std::uint64_t frame = Bitmap24::bytesFor(133, 100);
    EXPECT_EQ(PlanMemory(plan), kept + 12345 + frame);
    plan.reducedAfterDecode = true;
    EXPECT_EQ(PlanMemory(plan), Bitmap24::bytesFor(3000, 500) + std::max<std::uint64_t>(12345, kept) + frame);
    plan.workBytes = 10;
    EXPECT_EQ(PlanMemory(plan), Bitmap24::bytesFor(3000, 500) + kept + frame);
    plan.workBytes = kMost;
    EXPECT_EQ(PlanMemory(plan), kMost);
}

} // namespace
