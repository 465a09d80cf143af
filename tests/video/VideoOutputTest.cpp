#include "video/VideoOutput.h"

#include "MediaTools.h"
#include "TestUtils.h"
#include "WebpDecode.h"
#include "common/Bitmap24.h"
#include "video/FourCC.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// count frames of a pan across the test panorama, 13 pixels a frame; frames
// 2 and 3 are the same picture (an animation encoder would merge them).
std::vector<Bitmap24> panFrames(int width, int height, int count)
{
    const Bitmap24 pano = makeTestPanorama(width + 13 * count, height);
    std::vector<Bitmap24> frames;
    for (int k = 0; k < count; ++k) {
        Bitmap24 frame;
        frame.resize(width, height);
        frame.copyRect(pano, (k == 3 ? 2 : k) * 13, 0, width, height, 0, 0);
        frames.push_back(std::move(frame));
    }
    return frames;
}

struct OutputCase {
    const char *label;
    VideoContainer container;
    VideoCodec codec = VideoCodec::Default;
    const char *aviCompressor = ""; // AVI: the compressor's code; empty: uncompressed
    bool lossless = false;
    int size = 64; // frames are size x size
};

std::ostream &operator<<(std::ostream &os, const OutputCase &c)
{
    return os << c.label;
}

VideoOutputSettings outputSettingsOf(const OutputCase &c, const Bitmap24 &palette)
{
    VideoOutputSettings outputSettings;
    outputSettings.container = c.container;
    outputSettings.codec = c.codec;
    outputSettings.aviCompressor = *c.aviCompressor ? fourccFromText(c.aviCompressor) : 0;
    outputSettings.width = outputSettings.height = c.size;
    outputSettings.rate = { 25, 1 };
    outputSettings.lossless = c.lossless;
    outputSettings.paletteSources = { WholePicture(palette) };
    return outputSettings;
}

std::string fileOf(const TempDir &dir, const OutputCase &c, const char *stem = "ANIM0000")
{
    return (dir / (std::string(stem) + ContainerExtension(c.container))).string();
}

// The frames the file holds, as read back: packets, or WebP frames.
long framesIn(const fs::path &file)
{
    if (file.extension() == ".WEBP")
        return long(decodeWebp(file).frames.size());
    return probeVideo(file).packets;
}

VideoPublishing publishAt(const std::string &file, bool replace = false)
{
    VideoPublishing publishing;
    publishing.target = file;
    publishing.replace = replace;
    publishing.nextName = [file](int attempt) { return file + "." + std::to_string(attempt); };
    return publishing;
}

std::size_t entries(const TempDir &dir)
{
    return std::size_t(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()));
}

class EveryContainer : public testing::TestWithParam<OutputCase> {
protected:
    TempDir dir;
    Bitmap24 palette = makeTestPanorama(200, 64);
};

// Frames in, frames in the file: each frame kept (also two alike), a clean
// decode, the rate as asked; nothing visible before finish.
TEST_P(EveryContainer, holdsEveryFrameWrittenAtTheRateAsked)
{
    const OutputCase &c = GetParam();
    const std::string file = fileOf(dir, c);
    const std::vector<Bitmap24> frames = panFrames(c.size, c.size, 6);
    const std::unique_ptr<VideoOutput> output = OpenVideoOutput(file, outputSettingsOf(c, palette));
    for (const Bitmap24 &frame : frames)
        output->writeFrame(FrameRows::of(frame));
    EXPECT_EQ(entries(dir), 0u) << "visible before it is finished";
    const PublishedVideo published = output->finish(publishAt(file));
    EXPECT_EQ(published.name, file);
    EXPECT_EQ(published.frames, 6);
    EXPECT_EQ(output->framesInFile(), 6);
    EXPECT_EQ(framesIn(file), 6);
    EXPECT_EQ(entries(dir), 1u) << "scratch file left";
    if (c.container == VideoContainer::Webp) {
        const DecodedWebp webp = decodeWebp(file);
        EXPECT_EQ(webp.loopCount, 0u);
        if (c.lossless)
            for (std::size_t k = 0; k < frames.size(); ++k) {
                std::vector<std::uint8_t> want;
                for (int y = 0; y < c.size; ++y)
                    want.insert(want.end(), frames[k].scanLine(y), frames[k].scanLine(y) + c.size * 3);
                EXPECT_TRUE(webp.frames[k] == want) << "frame " << k;
            }
        return;
    }
    EXPECT_EQ(decodeVideo(file).errors, "");
    if (c.container != VideoContainer::Gif) {
        EXPECT_EQ(probeVideo(file).frameRate, "25/1");
    }
}

// Abandoned, or destroyed without finish: nothing appears, nothing is replaced.
TEST_P(EveryContainer, abandonLeavesNothing)
{
    const OutputCase &c = GetParam();
    const std::string file = fileOf(dir, c);
    writeFileBytes(file, { 'o', 'l', 'd' });
    for (const bool abandon : { true, false }) {
        std::unique_ptr<VideoOutput> output = OpenVideoOutput(file, outputSettingsOf(c, palette));
        output->writeFrame(FrameRows::of(panFrames(c.size, c.size, 1)[0]));
        if (abandon)
            output->abandon();
    }
    EXPECT_EQ(entries(dir), 1u);
    EXPECT_EQ(readFileBytes(file), (std::vector<std::uint8_t> { 'o', 'l', 'd' }));
}

// Without consent a name taken meanwhile gives the next; with consent the
// old file is replaced, but only by a file with a frame: no frame, no file.
TEST_P(EveryContainer, publishesOnlyWithConsentAndOnlyAFrame)
{
    const OutputCase &c = GetParam();
    const std::string file = fileOf(dir, c);
    const Bitmap24 frame = panFrames(c.size, c.size, 1)[0];
    const auto write = [&](int frames, bool replace) {
        const std::unique_ptr<VideoOutput> output = OpenVideoOutput(file, outputSettingsOf(c, palette));
        for (int i = 0; i < frames; ++i)
            output->writeFrame(FrameRows::of(frame));
        return output->finish(publishAt(file, replace));
    };
    writeFileBytes(file, { 'o', 'l', 'd' });
    EXPECT_EQ(write(1, false).name, file + ".1") << "taken meanwhile";
    EXPECT_EQ(framesIn(file + ".1"), 1);
    const PublishedVideo none = write(0, true);
    EXPECT_EQ(std::tie(none.name, none.frames), std::tuple("", 0));
    EXPECT_EQ(readFileBytes(file), (std::vector<std::uint8_t> { 'o', 'l', 'd' }));
    EXPECT_EQ(write(0, false).name, "");
    EXPECT_EQ(entries(dir), 2u) << "no frame, no file";
    EXPECT_EQ(write(2, true).name, file);
    EXPECT_EQ(framesIn(file), 2);
}

// The size of the hidden file an output writes in dir, by its descriptor.
std::int64_t hiddenFileSize(const TempDir &dir)
{
    for (const auto &fd : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const fs::path target = fs::read_symlink(fd.path(), error);
        struct stat info { };
        if (!error && target.string().starts_with(dir.str() + "/") && ::stat(fd.path().c_str(), &info) == 0
            && S_ISREG(info.st_mode))
            return info.st_size;
    }
    return -1;
}

// A disk that fills while frames are written (a file-size limit, which
// refuses root too): the system's reason with the path. AVI keeps the frames
// in the file, which closes with its index (the limit leaves room for that
// and no more frame); the others leave nothing.
TEST_P(EveryContainer, diskFullSaysWhyAndKeepsOnlyWhatTheContainerCan)
{
    const OutputCase &c = GetParam();
    const std::string file = fileOf(dir, c);
    const std::vector<Bitmap24> frames = panFrames(c.size, c.size, 60);
    const bool avi = c.container == VideoContainer::Avi;
    struct rlimit saved { };
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    std::optional<VideoError> failure;
    PublishedVideo published;
    std::int64_t written = 0;
    {
        const std::unique_ptr<VideoOutput> output = OpenVideoOutput(file, outputSettingsOf(c, palette));
        try {
            for (const Bitmap24 &frame : frames) {
                if (written == (avi ? 50 : 2)) { // past an encoder's look-ahead
                    const rlim_t bytes = avi ? rlim_t(hiddenFileSize(dir) + 64 * 1024 + 200) : 2000;
                    const struct rlimit full {
                        bytes, saved.rlim_max
                    };
                    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
                }
                output->writeFrame(FrameRows::of(frame));
                ++written;
            }
            published = output->finish(publishAt(file));
        } catch (const VideoError &e) {
            failure = e;
            if (output->keepsFramesOnFailure()) {
                try {
                    output->finish(publishAt(file));
                } catch (const VideoError &kept) {
                    published = { kept.keptName(), kept.keptFrames() };
                }
            }
        }
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    ASSERT_TRUE(failure) << "no room for the frames";
    EXPECT_NE(failure->cause().find("File too large: " + file), std::string::npos) << failure->cause();
    if (avi) {
        EXPECT_EQ(published.name, file);
        EXPECT_GT(published.frames, 0);
        EXPECT_LE(published.frames, written);
        EXPECT_EQ(framesIn(file), published.frames);
        EXPECT_EQ(decodeVideo(file).errors, "");
    } else {
        EXPECT_EQ(entries(dir), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, EveryContainer,
    testing::Values(OutputCase { "aviUncompressed", VideoContainer::Avi },
        OutputCase { "aviFfv1", VideoContainer::Avi, VideoCodec::Default, "FFV1" },
        OutputCase { "aviMjpeg", VideoContainer::Avi, VideoCodec::Default, "MJPG" },
        OutputCase { "aviH264", VideoContainer::Avi, VideoCodec::Default, "H264" },
        OutputCase { "mp4H264", VideoContainer::Mp4 }, OutputCase { "mp4H265", VideoContainer::Mp4, VideoCodec::H265 },
        OutputCase { "webmVp9", VideoContainer::Webm }, OutputCase { "mkvFfv1", VideoContainer::Mkv },
        OutputCase { "gif", VideoContainer::Gif }, OutputCase { "webpLossy", VideoContainer::Webp },
        OutputCase { "webpLossless", VideoContainer::Webp, VideoCodec::Default, "", true }),
    [](const auto &info) { return std::string(info.param.label); });

struct RefusalCase {
    const char *label;
    VideoContainer container;
    VideoCodec codec;
    int width, height;
    VideoRate rate;
    const char *preset;
    const char *aviCompressor;
    const char *cause; // the start of the refusal
};

std::ostream &operator<<(std::ostream &os, const RefusalCase &c)
{
    return os << c.label;
}

class Refusals : public testing::TestWithParam<RefusalCase> { };

// What cannot be written is said before any file exists, naming the limit.
TEST_P(Refusals, areKnownBeforeAnyFile)
{
    const RefusalCase &c = GetParam();
    TempDir dir;
    VideoOutputSettings outputSettings;
    outputSettings.container = c.container;
    outputSettings.codec = c.codec;
    outputSettings.width = c.width;
    outputSettings.height = c.height;
    outputSettings.rate = c.rate;
    outputSettings.preset = c.preset;
    outputSettings.aviCompressor = *c.aviCompressor ? fourccFromText(c.aviCompressor) : 0;
    const std::string refusal = CheckVideoOutput(outputSettings);
    EXPECT_TRUE(refusal.starts_with(c.cause)) << refusal;
    try {
        OpenVideoOutput((dir / "ANIM0000").string(), outputSettings);
        ADD_FAILURE() << "opened";
    } catch (const VideoError &e) {
        EXPECT_EQ(e.cause(), refusal);
        EXPECT_NE(e.reason(), VideoError::Reason::File);
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

INSTANTIATE_TEST_SUITE_P(Limits, Refusals,
    testing::Values(RefusalCase { "h264OddWidth", VideoContainer::Mp4, VideoCodec::Default, 101, 100, { 25, 1 }, "", "",
                        "libx264 needs an even width and height (4:2:0), not 101 x 100" },
        RefusalCase { "h264TooWide", VideoContainer::Mp4, VideoCodec::H264, 16896, 64, { 25, 1 }, "", "",
            "libx264 frames play on phones and hardware players only up to 4096 pixels a side, not 16896 x 64" },
        RefusalCase { "vp9TooTall", VideoContainer::Webm, VideoCodec::Vp9, 64, 16400, { 25, 1 }, "", "",
            "libvpx-vp9 takes frames of at most 16384 x 16384 pixels" },
        RefusalCase { "av1TooSmall", VideoContainer::Mp4, VideoCodec::Av1, 32, 32, { 25, 1 }, "", "",
            "libsvtav1 takes frames of at least 64 x 64 pixels" },
        RefusalCase { "badPreset", VideoContainer::Mp4, VideoCodec::Default, 64, 64, { 25, 1 }, "warp", "",
            "libx264 has no speed preset 'warp' (ultrafast, superfast" },
        RefusalCase { "vp9PresetOutOfRange", VideoContainer::Webm, VideoCodec::Default, 64, 64, { 25, 1 }, "9", "",
            "libvpx-vp9 has no speed preset '9' (0 to 8)" },
        RefusalCase { "gifPreset", VideoContainer::Gif, VideoCodec::Default, 64, 64, { 25, 1 }, "fast", "",
            "GIF frames have no speed preset" },
        RefusalCase { "webpPreset", VideoContainer::Webp, VideoCodec::Default, 64, 64, { 25, 1 }, "fast", "",
            "WebP frames have no speed preset" },
        RefusalCase { "webpTooLarge", VideoContainer::Webp, VideoCodec::Default, 16384, 64, { 25, 1 }, "", "",
            "a WebP frame is 1 to 16383 pixels each way, not 16384 x 64" },
        RefusalCase { "gifTooLarge", VideoContainer::Gif, VideoCodec::Default, 65536, 2, { 25, 1 }, "", "",
            "a GIF frame is 1 to 65535 pixels each way" },
        RefusalCase { "webm1001", VideoContainer::Webm, VideoCodec::Default, 64, 64, { 1001, 1 }, "", "",
            "WebM times frames in milliseconds: at most 1000 frames per second, not 1001" },
        RefusalCase { "mkv65535", VideoContainer::Mkv, VideoCodec::Default, 64, 64, { 65535, 1 }, "", "",
            "Matroska times frames in milliseconds: at most 1000 frames per second, not 65535" },
        RefusalCase { "aviRateAbove", VideoContainer::Avi, VideoCodec::Default, 64, 64, { 65536, 1 }, "", "",
            "an AVI file stores 1 to 65535 frames per second, not 65536" },
        RefusalCase { "aviTooWide", VideoContainer::Avi, VideoCodec::Default, 65536, 2, { 25, 1 }, "", "",
            "an AVI frame is 1 to 65535 pixels each way" },
        RefusalCase { "rateZero", VideoContainer::Mp4, VideoCodec::Default, 64, 64, { 0, 1 }, "", "",
            "the frame rate must be at least 1 frame per second" },
        RefusalCase { "codecInGif", VideoContainer::Gif, VideoCodec::H264, 64, 64, { 25, 1 }, "", "",
            "a gif file cannot hold h264 video" },
        RefusalCase { "unknownCompressor", VideoContainer::Avi, VideoCodec::Default, 64, 64, { 25, 1 }, "", "ZZZZ",
            "no compressor 'ZZZZ' on this machine" },
        RefusalCase { "compressorRefusesTheRate", VideoContainer::Avi, VideoCodec::Default, 64, 64, { 10, 1 }, "",
            "mpg1", "the compressor 'mpg1' refuses 64 x 64 at 10 frames per second: " },
        RefusalCase { "compressorWidthMultiple", VideoContainer::Avi, VideoCodec::Default, 40, 64, { 25, 1 }, "",
            "SHQ0", "the compressor 'SHQ0' needs a width that is a multiple of 16" }),
    [](const auto &info) { return std::string(info.param.label); });

// Rows handed where they lie (bottom row first by a negative pitch, or the
// right edge of a wider picture without row padding) make the same file,
// byte for byte, as a bitmap's own rows, with no copy of ours.
TEST(AviRows, rowsWhereverTheyLieMakeTheSameFile)
{
    const Bitmap24 frame = makeTestPanorama(41, 7); // odd: the rows are padded
    Bitmap24 wider;
    ASSERT_TRUE(wider.resize(48, 7));
    wider.fill(0x55, 0x66, 0x77);
    wider.copyRect(frame, 0, 0, 41, 7, 7, 0);
    std::vector<std::uint8_t> bottomUp;
    for (int y = 6; y >= 0; --y)
        bottomUp.insert(bottomUp.end(), frame.scanLine(y), frame.scanLine(y) + frame.stride());
    const FrameRows ways[]
        = { FrameRows::of(frame), { bottomUp.data() + 6 * frame.stride(), -std::ptrdiff_t(frame.stride()), 41, 7 },
              { wider.scanLine(0) + 7 * 3, std::ptrdiff_t(wider.stride()), 41, 7 } };
    TempDir dir;
    std::vector<std::vector<std::uint8_t>> files;
    VideoOutputSettings outputSettings;
    outputSettings.container = VideoContainer::Avi;
    outputSettings.width = 41, outputSettings.height = 7;
    for (const FrameRows &rows : ways) {
        const std::string file = (dir / ("rows" + std::to_string(files.size()))).string();
        const std::unique_ptr<VideoOutput> output = OpenVideoOutput(file, outputSettings);
        EXPECT_TRUE(output->storesRowsAsTheyCome());
        for (int i = 0; i < 3; ++i)
            output->writeFrame(rows);
        output->finish(publishAt(file));
        files.push_back(readFileBytes(file));
    }
    EXPECT_TRUE(files[1] == files[0]);
    EXPECT_TRUE(files[2] == files[0]);
}

// GIF delays are at least 2 hundredths: above 50 frames per second frames
// are dropped evenly, the run is told so, and the count is the file's.
TEST(GifRates, aboveFiftyFramesASecondEveryNthFrameIsKept)
{
    struct {
        std::uint32_t rate;
        long kept; // of 12 frames
        const char *note;
    } const cases[]
        = { { 50, 12, "" }, { 60, 6, "GIF shows at most 50 frames per second: one frame in 2 is kept (60 -> 30 fps)" },
              { 110, 4, "GIF shows at most 50 frames per second: one frame in 3 is kept (110 -> 36.67 fps)" },
              { 2000, 1, "GIF shows at most 50 frames per second: one frame in 40 is kept (2000 -> 50 fps)" } };
    const Bitmap24 palette = makeTestPanorama(200, 16);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.rate);
        EXPECT_EQ(GifFrameRateNote({ c.rate, 1 }), c.note);
        TempDir dir;
        const std::string file = (dir / "ANIM0000.GIF").string();
        VideoOutputSettings outputSettings;
        outputSettings.container = VideoContainer::Gif;
        outputSettings.width = outputSettings.height = 16;
        outputSettings.rate = { c.rate, 1 };
        outputSettings.paletteSources = { WholePicture(palette) };
        const std::unique_ptr<VideoOutput> output = OpenVideoOutput(file, outputSettings);
        for (const Bitmap24 &frame : panFrames(16, 16, 12))
            output->writeFrame(FrameRows::of(frame));
        EXPECT_EQ(output->finish(publishAt(file)).frames, c.kept);
        EXPECT_EQ(probeVideo(file).packets, c.kept);
        EXPECT_EQ(decodeVideo(file).errors, "");
        // Each delay (Graphic Control Extension, bytes 4-5) is 2 hundredths
        // or more; one frame alone is a still picture.
        const std::vector<std::uint8_t> bytes = readFileBytes(file);
        for (std::size_t at = 0; c.kept > 1 && at + 6 < bytes.size(); ++at)
            if (bytes[at] == 0x21 && bytes[at + 1] == 0xF9 && bytes[at + 2] == 4) {
                EXPECT_GE(bytes[at + 4] | bytes[at + 5] << 8, 2) << "at " << at;
            }
    }
}

// H.265 in MP4 goes as hvc1, which Apple's players take; 4:2:0 is tagged
// with its chroma siting in every container, AVI's H.264 too.
TEST(VideoTags, hevcIsHvc1AndChromaIsCentred)
{
    TempDir dir;
    const Bitmap24 frame = panFrames(64, 64, 1)[0];
    for (const auto &[container, codec, compressor] : { std::tuple { VideoContainer::Mp4, VideoCodec::H265, "" },
             { VideoContainer::Avi, VideoCodec::Default, "H264" }, { VideoContainer::Webm, VideoCodec::Vp9, "" } }) {
        const std::string file = (dir / (std::string("a") + ContainerExtension(container))).string();
        VideoOutputSettings outputSettings;
        outputSettings.container = container;
        outputSettings.codec = codec;
        outputSettings.aviCompressor = *compressor ? fourccFromText(compressor) : 0;
        outputSettings.width = outputSettings.height = 64;
        const std::unique_ptr<VideoOutput> output = OpenVideoOutput(file, outputSettings);
        output->writeFrame(FrameRows::of(frame));
        output->finish(publishAt(file));
        const std::string probe = runTool("ffprobe",
            { "-v", "error", "-select_streams", "v:0", "-show_entries", "stream=codec_tag_string,chroma_location",
                "-of", "default=noprint_wrappers=1", file })
                                      .out;
        EXPECT_NE(probe.find("chroma_location=center"), std::string::npos) << file << "\n" << probe;
        if (codec == VideoCodec::H265) {
            EXPECT_NE(probe.find("codec_tag_string=hvc1"), std::string::npos) << probe;
        }
    }
}

// SVT-AV1 prints with its own printf: it is told to keep quiet (its log
// level), so that nothing reaches standard error unless the log is verbose.
TEST(LibraryOutput, svtAv1PrintsNothingOnStandardError)
{
    TempDir dir;
    const std::string file = (dir / "a.mp4").string();
    std::fflush(stderr);
    const int saved = ::dup(2);
    FILE *captured = std::tmpfile();
    ASSERT_TRUE(saved >= 0 && captured);
    ::dup2(::fileno(captured), 2);
    {
        VideoOutputSettings outputSettings;
        outputSettings.container = VideoContainer::Mp4;
        outputSettings.codec = VideoCodec::Av1;
        outputSettings.width = outputSettings.height = 64;
        outputSettings.preset = "12";
        const std::unique_ptr<VideoOutput> output = OpenVideoOutput(file, outputSettings);
        for (const Bitmap24 &frame : panFrames(64, 64, 3))
            output->writeFrame(FrameRows::of(frame));
        output->finish(publishAt(file));
    }
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    std::string said(4096, '\0');
    std::rewind(captured);
    said.resize(std::fread(said.data(), 1, said.size(), captured));
    std::fclose(captured);
    EXPECT_EQ(said, "");
    EXPECT_EQ(probeVideo(file).packets, 3);
}

// Over 1 GB an AVI file goes on in OpenDML parts, the main header counting
// the first part's frames. Writes 1.1 GB: run it with TRAVELIA_BIG_AVI_TEST=1.
TEST(AviOpenDml, fileAboveOneGigabyteIsReadWhole)
{
    if (!std::getenv("TRAVELIA_BIG_AVI_TEST"))
        GTEST_SKIP() << "set TRAVELIA_BIG_AVI_TEST=1 to write 1.1 GB";
    constexpr int frames = 480;
    TempDir dir;
    const std::string file = (dir / "big.avi").string();
    VideoOutputSettings outputSettings;
    outputSettings.container = VideoContainer::Avi;
    outputSettings.width = 1024, outputSettings.height = 768;
    const Bitmap24 frame = makeTestPanorama(1024, 768);
    {
        const std::unique_ptr<VideoOutput> output = OpenVideoOutput(file, outputSettings);
        for (int i = 0; i < frames; ++i)
            output->writeFrame(FrameRows::of(frame));
        output->finish(publishAt(file));
    }
    EXPECT_GT(fs::file_size(file), std::uintmax_t(1) << 30);
    EXPECT_EQ(probeVideo(file).packets, frames);
    EXPECT_EQ(runTool("ffmpeg", { "-nostdin", "-v", "error", "-i", file, "-f", "null", "-" }).err, "");
    std::ifstream in(file, std::ios::binary);
    std::string head(16384, '\0');
    in.read(head.data(), std::streamsize(head.size()));
    const auto le32 = [&](std::size_t at) {
        const auto *p = reinterpret_cast<const std::uint8_t *>(head.data() + at);
        return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
    };
    EXPECT_LT(le32(48), std::uint32_t(frames)) << "the main header counts the first part";
    EXPECT_EQ(le32(head.find("dmlh") + 8), std::uint32_t(frames)) << "the OpenDML header counts them all";
    char next[4] = {};
    in.seekg(8 + le32(4)).read(next, 4);
    EXPECT_EQ(std::string(next, 4), "RIFF") << "a second part";
}

} // namespace
