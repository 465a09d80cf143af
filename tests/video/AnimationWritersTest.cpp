#include "video/GifPalette.h"
#include "video/GifWriter.h"
#include "video/MuxedVideoWriter.h"
#include "video/WebpWriter.h"

#include "MediaTools.h"
#include "TestUtils.h"
#include "WebpDecode.h"
#include "common/Bitmap24.h"

#include <gtest/gtest.h>

#include <ostream>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace fs = std::filesystem;

namespace {

// Frames of a small pan across the test panorama.
std::vector<Bitmap24> panFrames(const Bitmap24 &pano, int w, int h, int count, int step)
{
    std::vector<Bitmap24> frames;
    for (int k = 0; k < count; ++k) {
        Bitmap24 frame;
        frame.resize(w, h);
        frame.fill(0, 0, 0);
        frame.copyRect(pano, k * step, 0, w, h, 0, 0);
        frames.push_back(std::move(frame));
    }
    return frames;
}

// Rows top first, unpadded, as decoders give them.
std::vector<std::uint8_t> packed(const Bitmap24 &frame)
{
    std::vector<std::uint8_t> out;
    for (int y = 0; y < frame.height(); ++y)
        out.insert(out.end(), frame.scanLine(y), frame.scanLine(y) + std::size_t(frame.width()) * 3);
    return out;
}

double meanDifference(const std::vector<std::uint8_t> &a, const std::uint8_t *b)
{
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        sum += std::abs(int(a[i]) - int(b[i]));
    return a.empty() ? 0 : sum / double(a.size());
}

std::unique_ptr<AnimationWriter> makeWriter(
    const std::string &kind, const fs::path &file, const AnimationParams &params, const Bitmap24 &pano)
{
    if (kind == "gif")
        return std::make_unique<GifWriter>(
            file.string(), params, MakeGifPalette({ WholePicture(pano) }, params.quality, 4));
    if (kind == "mp4")
        return std::make_unique<MuxedVideoWriter>(file.string(), params, MuxedVideoFormat {});
    return std::make_unique<WebpWriter>(file.string(), params);
}

VideoPublishing publishAt(const fs::path &file)
{
    VideoPublishing publishing;
    publishing.target = file.string();
    return publishing;
}

struct WriterCase {
    const char *label;
    const char *kind; // gif, webp
    bool lossless;
    int quality;
    double tolerance; // mean difference per byte; 0: exactly the frames
};

std::ostream &operator<<(std::ostream &os, const WriterCase &c)
{
    return os << c.label;
}

class AnimationWriters : public testing::TestWithParam<WriterCase> { };

TEST_P(AnimationWriters, decodeToTheFramesAndLoopForEver)
{
    const WriterCase &c = GetParam();
    TempDir dir;
    const Bitmap24 pano = makeTestPanorama(300, 40);
    const std::vector<Bitmap24> frames = panFrames(pano, 64, 40, 6, 13);
    AnimationParams params;
    params.width = 64;
    params.height = 40;
    params.rate = 10;
    params.quality = c.quality;
    params.lossless = c.lossless;
    const fs::path file = dir / (std::string("ANIM0000.") + c.kind);
    {
        const auto writer = makeWriter(c.kind, file, params, pano);
        for (const Bitmap24 &frame : frames)
            writer->addFrame(frame);
        EXPECT_FALSE(fs::exists(file)) << "visible before it is finished";
        writer->finish(publishAt(file));
        EXPECT_EQ(writer->framesWritten(), 6);
    }
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1) << "scratch file left";

    std::vector<std::vector<std::uint8_t>> decoded;
    if (std::string(c.kind) == "gif") {
        const DecodedVideo video = decodeVideo(file);
        EXPECT_EQ(video.errors, "");
        const std::size_t frameBytes = 64 * 40 * 3;
        for (std::size_t at = 0; at + frameBytes <= video.bgr.size(); at += frameBytes)
            decoded.emplace_back(video.bgr.begin() + long(at), video.bgr.begin() + long(at + frameBytes));
        // The Netscape block with a loop count of 0: for ever.
        const std::vector<std::uint8_t> bytes = readFileBytes(file);
        const std::string text(bytes.begin(), bytes.end());
        const std::size_t block = text.find("NETSCAPE2.0");
        ASSERT_NE(block, std::string::npos);
        EXPECT_EQ(text.substr(block + 11, 4), std::string("\x03\x01\x00\x00", 4));
    } else {
        const DecodedWebp webp = decodeWebp(file);
        ASSERT_TRUE(webp.ok);
        EXPECT_EQ(webp.loopCount, 0u);
        decoded = webp.frames;
    }
    ASSERT_EQ(decoded.size(), frames.size());
    for (std::size_t k = 0; k < frames.size(); ++k) {
        const std::vector<std::uint8_t> want = packed(frames[k]);
        if (c.tolerance == 0)
            EXPECT_TRUE(decoded[k] == want) << "frame " << k;
        else
            EXPECT_LT(meanDifference(want, decoded[k].data()), c.tolerance) << "frame " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, AnimationWriters,
    testing::Values(WriterCase { "gif", "gif", false, 75, 4.0 }, WriterCase { "gifBest", "gif", false, 100, 3.0 },
        WriterCase { "webpLossy", "webp", false, 75, 4.0 }, WriterCase { "webpLossless", "webp", true, 75, 0 }),
    [](const testing::TestParamInfo<WriterCase> &info) { return std::string(info.param.label); });

// The one quality scale: a lower quality gives a smaller file, for each kind.
TEST(AnimationWriters, lowerQualityGivesSmallerFiles)
{
    TempDir dir;
    const Bitmap24 pano = makeTestPanorama(300, 40);
    const std::vector<Bitmap24> frames = panFrames(pano, 64, 40, 4, 13);
    for (const char *kind : { "gif", "webp" }) {
        std::uintmax_t sizes[2] = {};
        for (int i = 0; i < 2; ++i) {
            AnimationParams params;
            params.width = 64;
            params.height = 40;
            params.quality = i == 0 ? 10 : 100;
            const fs::path file = dir / (std::to_string(i) + "." + kind);
            const auto writer = makeWriter(kind, file, params, pano);
            for (const Bitmap24 &frame : frames)
                writer->addFrame(frame);
            writer->finish(publishAt(file));
            sizes[i] = fs::file_size(file);
        }
        EXPECT_LT(sizes[0], sizes[1]) << kind;
    }
}

class WriterFailures : public testing::TestWithParam<const char *> { };

// No replacing without consent, nothing left behind, and the reason given.
TEST_P(WriterFailures, existingFileIsKeptAndTheReasonGiven)
{
    TempDir dir;
    const Bitmap24 pano = makeTestPanorama(40, 8);
    AnimationParams params;
    params.width = 16;
    params.height = 8;
    const fs::path file = dir / (std::string("ANIM0000.") + GetParam());
    writeFileBytes(file, { 'o', 'l', 'd' });
    auto writer = makeWriter(GetParam(), file, params, pano);
    writer->addFrame(panFrames(pano, 16, 8, 1, 0)[0]);
    try {
        writer->finish(publishAt(file));
        FAIL() << "replaced";
    } catch (const AnimationError &e) {
        EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("File exists"), std::string::npos) << e.what();
    }
    EXPECT_THROW(writer->addFrame(panFrames(pano, 16, 8, 1, 0)[0]), AnimationError);
    writer.reset();
    EXPECT_EQ(readFileBytes(file), (std::vector<std::uint8_t> { 'o', 'l', 'd' }));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    // Taken meanwhile: the next free name, and the name used is returned.
    {
        const auto next = makeWriter(GetParam(), file, params, pano);
        next->addFrame(panFrames(pano, 16, 8, 1, 0)[0]);
        VideoPublishing publishing = publishAt(file);
        publishing.nextName = [&](int attempt) { return (dir / ("ANIM000" + std::to_string(attempt))).string(); };
        EXPECT_EQ(next->finish(publishing), (dir / "ANIM0001").string());
    }
    EXPECT_EQ(readFileBytes(file), (std::vector<std::uint8_t> { 'o', 'l', 'd' }));
    fs::remove(dir / "ANIM0001");

    // Abandoned: destroyed without finish, nothing appears.
    const fs::path other = dir / (std::string("ANIM0001.") + GetParam());
    makeWriter(GetParam(), other, params, pano)->addFrame(panFrames(pano, 16, 8, 1, 0)[0]);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    // A folder that does not exist: the system's reason.
    try {
        makeWriter(GetParam(), dir / "missing" / "a", params, pano);
        FAIL() << "no error";
    } catch (const AnimationError &e) {
        EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos) << e.what();
    }
    // A frame of another size is refused.
    EXPECT_THROW(makeWriter(GetParam(), dir / "b", params, pano)->addFrame(pano), AnimationError);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, WriterFailures, testing::Values("gif", "webp"), [](const auto &info) { return std::string(info.param); });

class FullDisk : public testing::TestWithParam<const char *> { };

// A disk that fills while frames are written (a file-size limit, which
// refuses root too): the system's reason with the path, and no file at all.
TEST_P(FullDisk, failsWithTheReasonAndLeavesNothing)
{
    TempDir dir;
    const Bitmap24 pano = makeTestPanorama(300, 40);
    AnimationParams params;
    params.width = 64;
    params.height = 40;
    params.quality = 100;
    const fs::path file = dir / (std::string("ANIM0000.") + GetParam());
    struct rlimit saved { };
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    const struct rlimit full {
        1500, saved.rlim_max
    };
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
    std::string failure;
    try {
        const auto writer = makeWriter(GetParam(), file, params, pano);
        for (const Bitmap24 &frame : panFrames(pano, 64, 40, 12, 13))
            writer->addFrame(frame);
        writer->finish(publishAt(file));
    } catch (const AnimationError &e) {
        failure = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_NE(failure.find(file.string()), std::string::npos) << failure;
    EXPECT_NE(failure.find("File too large"), std::string::npos) << failure;
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FullDisk, testing::Values("gif", "webp", "mp4"), [](const auto &info) { return std::string(info.param); });

} // namespace
