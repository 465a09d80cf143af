#include "options/JpegPreview.h"
#include "options/VideoOptions.h"

#include "TestUtils.h"

#include <gtest/gtest.h>

namespace {

struct TypedQualityCase {
    const char *typed;
    int expected; // with 70 as the current quality
};

class TypedJpegQualityTest : public ::testing::TestWithParam<TypedQualityCase> { };

TEST_P(TypedJpegQualityTest, IsHeldWithinFiveToHundred)
{
    EXPECT_EQ(TypedJpegQuality(GetParam().typed, 70), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, TypedJpegQualityTest,
    ::testing::Values(TypedQualityCase { "85", 85 }, TypedQualityCase { "5", 5 }, TypedQualityCase { "100", 100 },
        TypedQualityCase { "3", 5 }, TypedQualityCase { "0", 5 }, TypedQualityCase { "250", 100 },
        TypedQualityCase { "-40", 5 }, TypedQualityCase { "", 70 }, TypedQualityCase { "bon", 70 },
        TypedQualityCase { "$50", 80 }),
    [](const auto &info) { return "typed_" + testNameFrom(info.param.typed); });

struct FieldUseCase {
    const char *name;
    VideoContainer container;
    VideoCodec codec;
    bool lossless;
    VideoFieldUse expected;
};

class VideoFieldUseTest : public ::testing::TestWithParam<FieldUseCase> { };

TEST_P(VideoFieldUseTest, GreysWhatTheFileIgnores)
{
    const FieldUseCase &c = GetParam();
    TVideoOptions options;
    options.Container = c.container;
    options.Codec = c.codec;
    options.Lossless = c.lossless;
    const VideoFieldUse use = FieldsUsedBy(options);
    EXPECT_EQ(use.quality, c.expected.quality);
    EXPECT_EQ(use.keyInterval, c.expected.keyInterval);
    EXPECT_EQ(use.preset, c.expected.preset);
    EXPECT_EQ(use.lossless, c.expected.lossless);
    EXPECT_EQ(use.qualityIsEffort, c.expected.qualityIsEffort);
}

//                                  quality keyframes preset lossless effort
constexpr VideoFieldUse kAll { true, true, true, false, false };
INSTANTIATE_TEST_SUITE_P(Files, VideoFieldUseTest,
    ::testing::Values(FieldUseCase { "mp4", VideoContainer::Mp4, VideoCodec::Default, false, kAll },
        FieldUseCase { "webmAv1", VideoContainer::Webm, VideoCodec::Av1, false, kAll },
        FieldUseCase {
            "mkvFfv1ByDefault", VideoContainer::Mkv, VideoCodec::Default, false, { false, true, false, false, false } },
        FieldUseCase { "mkvFfv1", VideoContainer::Mkv, VideoCodec::Ffv1, false, { false, true, false, false, false } },
        FieldUseCase { "mkvH264", VideoContainer::Mkv, VideoCodec::H264, false, kAll },
        FieldUseCase { "gif", VideoContainer::Gif, VideoCodec::Default, false, { true, false, false, false, false } },
        FieldUseCase {
            "webpLossy", VideoContainer::Webp, VideoCodec::Default, false, { true, true, false, true, false } },
        FieldUseCase {
            "webpLossless", VideoContainer::Webp, VideoCodec::Default, true, { true, true, false, true, true } }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(VideoOptions, ThirtyFramesPerSecondByDefault)
{
    EXPECT_EQ(TVideoOptions {}.Rate, 30);
}

} // namespace
