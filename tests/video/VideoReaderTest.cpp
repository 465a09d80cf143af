#include "video/AviCompressors.h"
#include "video/GifPalette.h"
#include "video/VideoFrameSource.h"
#include "video/VideoOutput.h"

#include "MediaTools.h"
#include "TestUtils.h"
#include "common/Bitmap24.h"
#include "video/FourCC.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 90; // rows of 270 bytes: padded, and no multiple of a vector
constexpr int kHeight = 64; // SVT-AV1's least
constexpr int kFrames = 12;

// A pan across the test panorama: every frame differs from the others.
std::vector<Bitmap24> panFrames(int count = kFrames, int width = kWidth)
{
    const Bitmap24 pano = makeTestPanorama(width + 29 * count, kHeight);
    std::vector<Bitmap24> frames;
    for (int k = 0; k < count; ++k) {
        Bitmap24 frame;
        frame.resize(width, kHeight);
        frame.copyRect(pano, 29 * k, 0, width, kHeight, 0, 0);
        frames.push_back(std::move(frame));
    }
    return frames;
}

double meanDifference(const Bitmap24 &a, const Bitmap24 &b)
{
    if (a.width() != b.width() || a.height() != b.height())
        return 255;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int i = 0; i < a.width() * 3; ++i)
            sum += std::abs(int(a.scanLine(y)[i]) - int(b.scanLine(y)[i]));
    return sum / (double(a.width()) * a.height() * 3);
}

// How a test file is made: by our writers, or by the ffmpeg tool from the
// same frames.
enum class Maker { Muxed, Gif, Webp, Avi, Tool };

struct ReadCase {
    const char *name;
    Maker maker;
    const char *what; // muxer:encoder, AVI handler ("" uncompressed), or the tool's output options
    const char *extension;
    int rate;
    double tolerance; // mean difference a sample from the frames written; 0: exactly them
};

std::ostream &operator<<(std::ostream &os, const ReadCase &c)
{
    return os << c.name;
}

std::vector<std::string> words(const std::string &text)
{
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string word; in >> word;)
        out.push_back(word);
    return out;
}

void writeWithTool(const fs::path &file, const std::vector<Bitmap24> &frames, int rate, const std::string &options)
{
    const fs::path raw = file.string() + ".bgr";
    {
        std::ofstream out(raw, std::ios::binary);
        for (const Bitmap24 &frame : frames)
            for (int y = 0; y < frame.height(); ++y)
                out.write(reinterpret_cast<const char *>(frame.scanLine(y)), std::streamsize(frame.width()) * 3);
    }
    std::vector<std::string> args = { "-nostdin", "-v", "error", "-f", "rawvideo", "-pix_fmt", "bgr24", "-s",
        std::to_string(frames[0].width()) + "x" + std::to_string(frames[0].height()), "-r", std::to_string(rate), "-i",
        raw.string() };
    for (const std::string &word : words(options))
        args.push_back(word);
    args.push_back(file.string());
    const ToolRun run = runTool("ffmpeg", args);
    fs::remove(raw);
    ASSERT_EQ(run.exitCode, 0) << run.err;
}

void writeFile(const ReadCase &c, const fs::path &file, const std::vector<Bitmap24> &frames)
{
    if (c.maker == Maker::Tool) {
        writeWithTool(file, frames, c.rate, c.what);
        return;
    }
    VideoOutputSettings outputSettings;
    outputSettings.width = frames[0].width();
    outputSettings.height = frames[0].height();
    outputSettings.rate = { std::uint32_t(c.rate), 1 };
    outputSettings.quality = 100;
    outputSettings.lossless = c.tolerance == 0;
    outputSettings.keyInterval = 5; // seeks land on a key frame before their frame
    const std::string what = c.what;
    switch (c.maker) {
    case Maker::Muxed: {
        // "container:encoder"
        const std::string encoder = what.substr(what.find(':') + 1);
        outputSettings.container = what.rfind("mp4", 0) == 0 ? VideoContainer::Mp4
            : what.rfind("webm", 0) == 0                     ? VideoContainer::Webm
                                                             : VideoContainer::Mkv;
        outputSettings.codec = encoder == "libx265" ? VideoCodec::H265
            : encoder == "libsvtav1"                ? VideoCodec::Av1
            : encoder == "libvpx-vp9"               ? VideoCodec::Vp9
            : encoder == "ffv1"                     ? VideoCodec::Ffv1
                                                    : VideoCodec::H264;
        break;
    }
    case Maker::Gif:
        outputSettings.container = VideoContainer::Gif;
        for (const Bitmap24 &frame : frames)
            outputSettings.paletteSources.push_back(WholePicture(frame));
        break;
    case Maker::Webp:
        outputSettings.container = VideoContainer::Webp;
        break;
    case Maker::Avi:
        outputSettings.container = VideoContainer::Avi;
        outputSettings.aviCompressor = what.empty() ? 0 : fourccFromText(what);
        break;
    case Maker::Tool:
        break;
    }
    const std::unique_ptr<VideoOutput> output = OpenVideoOutput(file.string(), outputSettings);
    for (const Bitmap24 &frame : frames)
        output->writeFrame(FrameRows::of(frame));
    VideoPublishing publishing;
    publishing.target = file.string();
    output->finish(publishing);
}

class VideoReading : public ::testing::TestWithParam<ReadCase> { };

// Every frame comes back, in order, at the file's size and rate; a seek to
// frame k, forward or back, gives exactly frame k as decoding in order did.
TEST_P(VideoReading, givesTheFramesInOrderAndSeeksToAnyOne)
{
    const ReadCase &c = GetParam();
    TempDir dir;
    const fs::path file = dir / (std::string("ANIM0000.") + c.extension);
    const std::vector<Bitmap24> frames = panFrames();
    ASSERT_NO_FATAL_FAILURE(writeFile(c, file, frames));

    const std::unique_ptr<VideoFrameSource> video = OpenVideoFile(file.string());
    EXPECT_EQ(video->path(), file.string());
    EXPECT_EQ(video->width(), kWidth);
    EXPECT_EQ(video->height(), kHeight);
    EXPECT_EQ(video->frameCount(), kFrames);
    EXPECT_NEAR(video->frameRate(), c.rate, 1e-9);
    EXPECT_NEAR(video->durationSeconds(), double(kFrames) / c.rate, 1e-9);

    std::vector<Bitmap24> decoded;
    for (int k = 0; k < kFrames; ++k) {
        EXPECT_EQ(video->nextFrame(), k);
        Bitmap24 frame;
        ASSERT_TRUE(video->readFrame(frame)) << "frame " << k;
        if (c.tolerance == 0)
            EXPECT_TRUE(frame == frames[std::size_t(k)]) << "frame " << k;
        else
            EXPECT_LT(meanDifference(frame, frames[std::size_t(k)]), c.tolerance) << "frame " << k;
        decoded.push_back(std::move(frame));
    }
    Bitmap24 after = decoded.back();
    EXPECT_FALSE(video->readFrame(after)) << "a frame past the last";
    EXPECT_TRUE(after == decoded.back()) << "the bitmap is left as it was";

    for (const int k : { 7, 2, 11, 0, 5, 6, 9, 9 }) {
        video->seekFrame(k);
        EXPECT_EQ(video->nextFrame(), k);
        Bitmap24 frame;
        ASSERT_TRUE(video->readFrame(frame)) << "frame " << k;
        EXPECT_TRUE(frame == decoded[std::size_t(k)]) << "seek to frame " << k;
        EXPECT_EQ(video->nextFrame(), k + 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, VideoReading,
    ::testing::Values(ReadCase { "Mp4H264", Maker::Muxed, "mp4:libx264", "MP4", 10, 3 },
        ReadCase { "Mp4H265", Maker::Muxed, "mp4:libx265", "MP4", 10, 3 },
        ReadCase { "Mp4Av1", Maker::Muxed, "mp4:libsvtav1", "MP4", 10, 3 },
        ReadCase { "WebmVp9", Maker::Muxed, "webm:libvpx-vp9", "WEBM", 10, 3 },
        ReadCase { "WebmAv1", Maker::Muxed, "webm:libsvtav1", "WEBM", 10, 3 },
        ReadCase { "MkvFfv1", Maker::Muxed, "matroska:ffv1", "MKV", 10, 0 },
        ReadCase { "Gif", Maker::Gif, "", "GIF", 25, 3 }, ReadCase { "WebpLossy", Maker::Webp, "", "WEBP", 10, 3 },
        ReadCase { "WebpLossless", Maker::Webp, "", "WEBP", 10, 0 },
        ReadCase { "AviUncompressed", Maker::Avi, "", "AVI", 25, 0 },
        ReadCase { "AviFfv1", Maker::Avi, "FFV1", "AVI", 25, 0 },
        ReadCase { "AviMjpeg", Maker::Avi, "MJPG", "AVI", 25, 3 },
        ReadCase { "AviH264", Maker::Avi, "H264", "AVI", 25, 3 },
        ReadCase { "ToolMp4H264WithBFrames", Maker::Tool,
            "-vf scale=out_color_matrix=bt709:out_range=tv -c:v libx264 -crf 10 -g 4 -bf 2 -pix_fmt yuv420p "
            "-colorspace bt709 -color_range tv",
            "mp4", 10, 3 },
        ReadCase { "ToolWebmVp9", Maker::Tool, "-c:v libvpx-vp9 -crf 10 -b:v 0 -g 4 -pix_fmt yuv420p", "webm", 30, 3 },
        ReadCase { "ToolMkvFfv1", Maker::Tool, "-c:v ffv1 -pix_fmt bgr0", "mkv", 10, 0 },
        ReadCase { "ToolAviMjpegFullRange", Maker::Tool, "-c:v mjpeg -q:v 1 -pix_fmt yuvj444p", "avi", 10, 3 },
        ReadCase { "ToolGif", Maker::Tool, "-filter_complex split[a][b];[a]palettegen[p];[b][p]paletteuse -c:v gif",
            "gif", 10, 3 },
        ReadCase { "ToolWebpLossless", Maker::Tool, "-c:v libwebp_anim -lossless 1 -loop 0", "webp", 10, 0 }),
    [](const ::testing::TestParamInfo<ReadCase> &info) { return std::string(info.param.name); });

// A file replaced under the reader fails each step with the cause; put
// back, it reads again from where it was asked to.
TEST(VideoReadingAgain, afterTheFileCameBack)
{
    for (const ReadCase &c :
        { ReadCase { "", Maker::Avi, "", "", 10, 0 }, ReadCase { "", Maker::Muxed, "matroska:ffv1", "", 10, 0 } }) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const fs::path file = dir / "ANIM0000";
        const std::vector<Bitmap24> frames = panFrames();
        ASSERT_NO_FATAL_FAILURE(writeFile(c, file, frames));
        const std::unique_ptr<VideoFrameSource> video = OpenVideoFile(file.string());
        Bitmap24 frame;
        ASSERT_TRUE(video->readFrame(frame));
        const std::vector<std::uint8_t> bytes = readFileBytes(file);
        writeFileBytes(file, { 'x' });
        const std::string cause = "Cannot read the video file " + file.string() + ": Invalid data found";
        for (const int k : { 0, 6, 6 }) {
            try {
                video->seekFrame(k);
                FAIL() << "read a file that is no longer there";
            } catch (const VideoReadError &e) {
                EXPECT_EQ(std::string(e.what()).substr(0, cause.size()), cause);
            }
        }
        EXPECT_THROW(video->readFrame(frame), VideoReadError);
        writeFileBytes(file, bytes);
        video->seekFrame(6);
        ASSERT_TRUE(video->readFrame(frame));
        EXPECT_TRUE(frame == frames[6]);
    }
}

// The frames as the ffmpeg tool decodes them, its own conversion to BGR.
std::vector<Bitmap24> decodedByTool(const fs::path &file, int width)
{
    const DecodedVideo video = decodeVideo(file);
    EXPECT_EQ(video.errors, "");
    std::vector<Bitmap24> frames;
    const std::size_t rowBytes = std::size_t(width) * 3;
    for (std::size_t at = 0; at + rowBytes * kHeight <= video.bgr.size(); at += rowBytes * kHeight) {
        Bitmap24 frame;
        frame.resize(width, kHeight);
        for (int y = 0; y < kHeight; ++y)
            std::copy_n(video.bgr.data() + at + rowBytes * std::size_t(y), rowBytes, frame.scanLine(y));
        frames.push_back(std::move(frame));
    }
    return frames;
}

// Every compressor the AVI options offer makes a file the player reads
// whole, at its rate, as the ffmpeg tool does (some are far from lossless:
// RPZA, Cinepak, Dirac); the seek back to the start gives the first frame
// again.
TEST(VideoReadingAvi, everyListedCompressor)
{
    int compressors = 0;
    const std::vector<Bitmap24> frames = panFrames(3, 64); // some need a multiple of 16
    for (const AviCompressor &compressor : AviCompressors()) {
        const std::string code = fourccText(compressor.code);
        SCOPED_TRACE(code);
        TempDir dir;
        const fs::path file = dir / "ANIM0000.AVI";
        ASSERT_NO_FATAL_FAILURE(writeFile({ "", Maker::Avi, code.c_str(), "", 25, 3 }, file, frames));
        const std::unique_ptr<VideoFrameSource> video = OpenVideoFile(file.string());
        EXPECT_EQ(video->frameCount(), 3);
        EXPECT_NEAR(video->frameRate(), 25, 1e-9);
        const std::vector<Bitmap24> byTool = decodedByTool(file, 64);
        ASSERT_EQ(byTool.size(), 3u);
        std::vector<Bitmap24> decoded(3);
        for (std::size_t k = 0; k < 3; ++k) {
            ASSERT_TRUE(video->readFrame(decoded[k]));
            EXPECT_LT(meanDifference(decoded[k], byTool[k]), 1.5) << "frame " << k;
        }
        video->seekFrame(0);
        Bitmap24 first;
        ASSERT_TRUE(video->readFrame(first));
        EXPECT_TRUE(first == decoded[0]);
        ++compressors;
    }
    EXPECT_GT(compressors, 10);
}

// Four flat blocks of strong colours: a wrong matrix or range moves them by
// ten levels and more, 4:2:0 sampling not at all.
std::vector<Bitmap24> colourBlocks()
{
    const std::uint8_t colours[4][3] = { { 40, 40, 200 }, { 40, 180, 40 }, { 200, 60, 40 }, { 128, 128, 128 } };
    Bitmap24 frame;
    frame.resize(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const std::uint8_t *c = colours[(y < kHeight / 2 ? 0 : 2) + (x < kWidth / 2 ? 0 : 1)];
            std::copy(c, c + 3, frame.scanLine(y) + 3 * x);
        }
    return { frame, frame, frame };
}

class VideoColours : public ::testing::TestWithParam<ReadCase> { };

// 4:2:0 frames come back in their colours: the matrix and range the file is
// tagged with (BT.709 limited for ours), BT.601 when it says nothing.
TEST_P(VideoColours, comeBackWithinAFewLevels)
{
    const ReadCase &c = GetParam();
    TempDir dir;
    const fs::path file = dir / (std::string("ANIM0000.") + c.extension);
    const std::vector<Bitmap24> frames = colourBlocks();
    ASSERT_NO_FATAL_FAILURE(writeFile(c, file, frames));
    const std::unique_ptr<VideoFrameSource> video = OpenVideoFile(file.string());
    Bitmap24 frame;
    ASSERT_TRUE(video->readFrame(frame));
    for (const auto &[x, y] : { std::pair { 20, 16 }, { 70, 16 }, { 20, 48 }, { 70, 48 } })
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(frame.scanLine(y)[3 * x + i], frames[0].scanLine(y)[3 * x + i], c.tolerance)
                << "at " << x << ", " << y << " sample " << i;
}

INSTANTIATE_TEST_SUITE_P(Files, VideoColours,
    ::testing::Values(ReadCase { "Mp4H264", Maker::Muxed, "mp4:libx264", "MP4", 10, 3 },
        ReadCase { "WebmVp9", Maker::Muxed, "webm:libvpx-vp9", "WEBM", 10, 3 },
        ReadCase { "AviH264", Maker::Avi, "H264", "AVI", 10, 3 },
        ReadCase { "AviMjpegFullRange", Maker::Avi, "MJPG", "AVI", 10, 3 },
        // The tool's own fast conversion would be 3 levels off before any decoding.
        ReadCase { "ToolMp4Bt601Untagged", Maker::Tool,
            "-vf scale=flags=accurate_rnd+full_chroma_int -c:v libx264 -crf 1 -pix_fmt yuv420p", "mp4", 10, 3 },
        ReadCase { "ToolMp4Bt709Full", Maker::Tool,
            "-vf scale=out_color_matrix=bt709:out_range=pc -c:v libx264 -crf 1 -pix_fmt yuv420p -colorspace bt709 "
            "-color_range pc",
            "mp4", 10, 3 }),
    [](const ::testing::TestParamInfo<ReadCase> &info) { return std::string(info.param.name); });

// What opening says, with the path, for files that are no video to play.
struct FailureCase {
    const char *name;
    std::function<void(const fs::path &)> make; // nothing: the file does not exist
    const char *cause; // how the message goes on after the path
};

std::ostream &operator<<(std::ostream &os, const FailureCase &c)
{
    return os << c.name;
}

class VideoOpenFailures : public ::testing::TestWithParam<FailureCase> { };

TEST_P(VideoOpenFailures, sayWhyWithThePath)
{
    const FailureCase &c = GetParam();
    TempDir dir;
    const fs::path file = dir / "ANIM0000.MP4";
    if (c.make) {
        ASSERT_NO_FATAL_FAILURE(c.make(file));
    }
    try {
        OpenVideoFile(file.string());
        FAIL() << "opened";
    } catch (const VideoReadError &e) {
        const std::string start = "Cannot read the video file " + file.string() + ": " + c.cause;
        EXPECT_EQ(std::string(e.what()).substr(0, start.size()), start) << e.what();
    }
}

// Our own file of that kind, cut to 60 % of its length.
std::function<void(const fs::path &)> cutShort(ReadCase kind)
{
    return [kind](const fs::path &file) {
        const fs::path whole = file.string() + ".whole";
        ASSERT_NO_FATAL_FAILURE(writeFile(kind, whole, panFrames()));
        std::vector<std::uint8_t> bytes = readFileBytes(whole);
        bytes.resize(bytes.size() * 6 / 10);
        writeFileBytes(file, bytes);
    };
}

INSTANTIATE_TEST_SUITE_P(Files, VideoOpenFailures,
    ::testing::Values(FailureCase { "Missing", {}, "not found" },
        FailureCase { "Folder", [](const fs::path &f) { fs::create_directory(f); }, "not a regular file" },
        FailureCase { "Pipe", [](const fs::path &f) { ASSERT_EQ(mkfifo(f.c_str(), 0600), 0); }, "not a regular file" },
        FailureCase {
            "Empty", [](const fs::path &f) { writeFileBytes(f, {}); }, "Invalid data found when processing input" },
        FailureCase { "Text", [](const fs::path &f) { std::ofstream(f) << "Travelia\n"; },
            "Invalid data found when processing input" },
        FailureCase { "SoundOnly",
            [](const fs::path &f) {
                const ToolRun run = runTool("ffmpeg",
                    { "-nostdin", "-v", "error", "-f", "lavfi", "-i", "sine=duration=1", "-f", "wav", f.string() });
                ASSERT_EQ(run.exitCode, 0) << run.err;
            },
            "the file holds no video" },
        FailureCase { "CutMp4", cutShort({ "", Maker::Muxed, "mp4:libx264", "", 10, 0 }), "the file is cut short" },
        FailureCase { "CutMkv", cutShort({ "", Maker::Muxed, "matroska:ffv1", "", 10, 0 }), "the file is cut short" },
        FailureCase {
            "CutWebm", cutShort({ "", Maker::Muxed, "webm:libvpx-vp9", "", 10, 0 }), "the file is cut short" },
        FailureCase { "CutAvi", cutShort({ "", Maker::Avi, "", "", 10, 0 }), "the file is cut short" },
        FailureCase { "CutAviMjpeg", cutShort({ "", Maker::Avi, "MJPG", "", 10, 0 }), "the file is cut short" },
        FailureCase { "CutGif", cutShort({ "", Maker::Gif, "", "", 10, 3 }), "the file is cut short" },
        FailureCase { "CutWebp", cutShort({ "", Maker::Webp, "", "", 10, 3 }), "the file is cut short" }),
    [](const ::testing::TestParamInfo<FailureCase> &info) { return std::string(info.param.name); });

} // namespace
