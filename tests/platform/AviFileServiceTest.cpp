#include "platform/AviFileService.h"

#include "AviTestRun.h"
#include "MediaTools.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <sys/resource.h>

namespace {

constexpr std::uint32_t kFFV1 = mmioFOURCC('F', 'F', 'V', '1');
constexpr std::uint32_t kFMP4 = mmioFOURCC('F', 'M', 'P', '4');

std::uint32_t le32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::size_t filesIn(const std::filesystem::path &dir)
{
    const auto entries = std::filesystem::directory_iterator(dir);
    return std::size_t(std::distance(begin(entries), end(entries)));
}

double meanDifference(const std::vector<std::uint8_t> &a, const std::vector<std::uint8_t> &b)
{
    double sum = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        sum += std::abs(int(a[i]) - int(b[i]));
    return a.empty() ? 0 : sum / double(a.size());
}

// Writes scroll frames 0..count-1 (with a run); returns them as ffmpeg decodes them.
std::vector<std::uint8_t> writeFrames(AviRun *run, int count, int width, int height)
{
    std::vector<std::uint8_t> expected;
    for (int i = 0; i < count; ++i) {
        const Bitmap24 frame = scrollFrame(i, width, height);
        if (run) {
            EXPECT_EQ(run->write(i, frameBytes(frame, true)), AVIERR_OK) << "frame " << i;
        }
        const auto rows = frameBytes(frame, false);
        expected.insert(expected.end(), rows.begin(), rows.end());
    }
    return expected;
}

struct RoundTrip {
    const char *name;
    std::uint32_t handler;
    int width, height, frames;
    std::uint32_t rate, scale, keyFrameEvery;
    const char *tag;
    const char *frameRate;
    double tolerance; // mean difference per byte; 0: exact pixels
};

class AviRoundTrip : public testing::TestWithParam<RoundTrip> { };

TEST_P(AviRoundTrip, ffmpegReadsBackTheFramesWritten)
{
    const RoundTrip c = GetParam();
    TempDir dir;
    AviRun run((dir / "ANIM0000.AVI").string());
    run.info.dwRate = c.rate, run.info.dwScale = c.scale, run.options.dwKeyFrameEvery = c.keyFrameEvery;
    ASSERT_EQ(run.prepare(c.width, c.height, c.handler), AVIERR_OK);
    const auto expected = writeFrames(&run, c.frames, c.width, c.height);
    run.release();

    const VideoStreamProbe probe = probeVideo(run.path);
    EXPECT_EQ(std::tie(probe.codecTag, probe.width, probe.height, probe.frameRate, probe.packets),
        std::tuple(c.tag, c.width, c.height, c.frameRate, long(c.frames)));
    ASSERT_EQ(probe.packetFlags.size(), std::size_t(c.frames));
    for (int i = 0; i < c.frames; ++i)
        EXPECT_EQ(probe.packetFlags[i][0] == 'K', i % c.keyFrameEvery == 0) << "packet " << i;
    const DecodedVideo video = decodeVideo(run.path);
    EXPECT_EQ(video.errors, "");
    ASSERT_EQ(video.bgr.size(), expected.size());
    EXPECT_LE(meanDifference(video.bgr, expected), c.tolerance);
    if (c.tolerance == 0) {
        EXPECT_TRUE(video.bgr == expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Compressors, AviRoundTrip,
    testing::Values(RoundTrip { "raw1x4", 0, 1, 4, 3, 10, 1, 1, "[0][0][0][0]", "10/1", 0 },
        RoundTrip { "raw3x5", comptypeDIB, 3, 5, 3, 25, 1, 1, "[0][0][0][0]", "25/1", 0 },
        RoundTrip { "raw5x3", 0, 5, 3, 2, 30000, 1001, 1, "[0][0][0][0]", "30000/1001", 0 },
        RoundTrip { "raw64x48", 0, 64, 48, 4, 10, 1, 1, "[0][0][0][0]", "10/1", 0 },
        RoundTrip { "ffv1", kFFV1, 33, 17, 4, 10, 1, 1, "FFV1", "10/1", 0 },
        RoundTrip { "huffyuv", mmioFOURCC('H', 'F', 'Y', 'U'), 34, 18, 3, 12, 1, 1, "HFYU", "12/1", 0 },
        RoundTrip { "utvideo", mmioFOURCC('U', 'L', 'R', 'G'), 31, 15, 3, 10, 1, 1, "ULRG", "10/1", 0 },
        RoundTrip { "mjpeg", mmioFOURCC('M', 'J', 'P', 'G'), 64, 48, 3, 10, 1, 1, "MJPG", "10/1", 2.0 },
        RoundTrip { "h264", mmioFOURCC('H', '2', '6', '4'), 64, 48, 3, 10, 1, 1, "H264", "10/1", 2.0 },
        RoundTrip { "h264OddSize", mmioFOURCC('h', '2', '6', '4'), 33, 17, 3, 10, 1, 1, "H264", "10/1", 2.0 },
        RoundTrip { "mpeg4KeyEvery3", kFMP4, 64, 48, 7, 10, 1, 3, "FMP4", "10/1", 2.0 }),
    [](const auto &info) { return std::string(info.param.name); });

struct QualityCase {
    const char *name;
    std::uint32_t handler, quality, bytesPerSecond;
    bool smallerThanBest; // false: the same size
};

class AviQuality : public testing::TestWithParam<QualityCase> { };

TEST_P(AviQuality, reachesTheCompressor)
{
    const QualityCase c = GetParam();
    TempDir dir;
    const auto sizeFor = [&](std::uint32_t quality, std::uint32_t bytesPerSecond) {
        AviRun run((dir / ("q" + std::to_string(quality) + ".avi")).string());
        run.options.dwQuality = quality, run.options.dwBytesPerSecond = bytesPerSecond;
        EXPECT_EQ(run.prepare(64, 48, c.handler), AVIERR_OK);
        writeFrames(&run, 5, 64, 48);
        run.release();
        return std::filesystem::file_size(run.path);
    };
    const auto best = sizeFor(10000, 0), other = sizeFor(c.quality, c.bytesPerSecond);
    EXPECT_EQ(other < best ? "smaller" : other == best ? "same" : "larger", c.smallerThanBest ? "smaller" : "same");
}

INSTANTIATE_TEST_SUITE_P(Compressors, AviQuality,
    testing::Values(QualityCase { "mjpeg", mmioFOURCC('M', 'J', 'P', 'G'), 0, 0, true },
        QualityCase { "mpeg4", kFMP4, 0, 0, true }, QualityCase { "h264", mmioFOURCC('H', '2', '6', '4'), 0, 0, true },
        QualityCase { "mpeg4DataRate", kFMP4, 10000, 2000, true },
        QualityCase { "losslessIgnoresIt", kFFV1, 0, 0, false }),
    [](const auto &info) { return std::string(info.param.name); });

class AviStreamFormatChunk : public testing::TestWithParam<int> { };

TEST_P(AviStreamFormatChunk, isA24BitBottomUpHeaderWithPaddedRows)
{
    const int width = GetParam(), height = 3;
    TempDir dir;
    AviRun run((dir / "a.avi").string());
    ASSERT_EQ(run.prepare(width, height), AVIERR_OK);
    writeFrames(&run, 1, width, height);
    run.release();

    const auto bytes = readFileBytes(run.path);
    const auto find = [&](const char *id) {
        return std::size_t(std::search(bytes.begin(), bytes.end(), id, id + 4) - bytes.begin());
    };
    const std::size_t strf = find("strf"), movi = find("movi");
    ASSERT_LT(movi, bytes.size());
    const std::uint8_t *h = bytes.data() + strf + 8;
    EXPECT_EQ(le32(h - 4), 40u) << "chunk size";
    EXPECT_EQ(le32(h), 40u) << "header size";
    EXPECT_EQ(std::int32_t(le32(h + 4)), width);
    EXPECT_EQ(std::int32_t(le32(h + 8)), height) << "positive: rows bottom first";
    EXPECT_EQ(h[14] | h[15] << 8, 24);
    EXPECT_EQ(le32(h + 16), BI_RGB);
    EXPECT_EQ(std::string(bytes.begin() + movi + 4, bytes.begin() + movi + 8), "00dc");
    EXPECT_EQ(le32(bytes.data() + movi + 8), std::uint32_t((width * 3 + 3) / 4 * 4 * height)) << "rows padded";
}

INSTANTIATE_TEST_SUITE_P(Widths, AviStreamFormatChunk, testing::Values(1, 2, 3, 5, 7));

struct Refusal {
    const char *name;
    void (*change)(AviRun &);
    int steps; // taken before the frames
    long start; // of the second frame, after one at 1
    std::size_t frameBytes;
    int expected;
};

class AviRefusal : public testing::TestWithParam<Refusal> { };

TEST_P(AviRefusal, givesItsErrorCode)
{
    const Refusal c = GetParam();
    TempDir dir;
    AviRun run((dir / "a.avi").string());
    c.change(run);
    int ret = run.steps(c.steps);
    ret = ret ? ret : run.write(1, std::vector<std::uint8_t>(24));
    EXPECT_EQ(ret ? ret : run.write(c.start, std::vector<std::uint8_t>(c.frameBytes)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Steps, AviRefusal,
    testing::Values(Refusal { "readMode", [](AviRun &r) { r.mode = OF_WRITE; }, 4, 2, 24, AVIERR_UNSUPPORTED },
        Refusal { "missingFolder", [](AviRun &r) { r.path += ".d/a.avi"; }, 4, 2, 24, AVIERR_FILEOPEN },
        Refusal { "folderName", [](AviRun &r) { r.path = std::filesystem::path(r.path).parent_path(); }, 4, 2, 24,
            AVIERR_FILEOPEN },
        Refusal { "rateZero", [](AviRun &r) { r.info.dwRate = 0; }, 4, 2, 24, AVIERR_BADPARAM },
        Refusal {
            "audio", [](AviRun &r) { r.info.fccType = mmioFOURCC('a', 'u', 'd', 's'); }, 4, 2, 24, AVIERR_UNSUPPORTED },
        Refusal { "unknownCompressor", [](AviRun &r) { r.options.fccHandler = mmioFOURCC('Z', 'Z', 'Z', 'Z'); }, 4, 2,
            24, AVIERR_NOCOMPRESSOR },
        Refusal { "32Bits", [](AviRun &r) { r.header = bitmapInfoHeader(4, 2, 32); }, 4, 2, 24, AVIERR_BADFORMAT },
        Refusal { "rle8", [](AviRun &r) { r.header = bitmapInfoHeader(4, 2, 24, 1); }, 4, 2, 24, AVIERR_BADFORMAT },
        Refusal { "widthZero", [](AviRun &r) { r.header = bitmapInfoHeader(0, 2); }, 4, 2, 24, AVIERR_BADFORMAT },
        Refusal { "topDown", [](AviRun &r) { r.header = bitmapInfoHeader(4, -2); }, 4, 2, 24, AVIERR_BADFORMAT },
        Refusal { "writeBeforeFormat", [](AviRun &) {}, 3, 2, 24, AVIERR_BADFORMAT },
        Refusal { "wrongFrameSize", [](AviRun &) {}, 4, 2, 20, AVIERR_BADSIZE },
        Refusal { "startGoingBack", [](AviRun &) {}, 4, 0, 24, AVIERR_BADPARAM }),
    [](const auto &info) { return std::string(info.param.name); });

struct CommitCase {
    const char *name;
    int steps; // of the run's first four
    std::uint32_t handler;
    int bits; // 32: the format is refused
    bool committed;
};

class AviCommit : public testing::TestWithParam<CommitCase> { };

TEST_P(AviCommit, replacesTheTargetOnlyOnceTheFormatIsSet)
{
    const CommitCase c = GetParam();
    TempDir dir;
    AviRun run((dir / "ANIM0000.AVI").string());
    writeFileBytes(run.path, { 'o', 'l', 'd' });
    run.options.fccHandler = c.handler;
    run.header = bitmapInfoHeader(4, 2, c.bits);
    run.steps(c.steps);
    run.release();

    EXPECT_EQ(filesIn(dir.path()), 1u) << "temporary file left behind";
    if (c.committed) {
        EXPECT_EQ(probeVideo(run.path).packets, 0);
    } else {
        EXPECT_EQ(readFileBytes(run.path), (std::vector<std::uint8_t> { 'o', 'l', 'd' }));
    }
}

INSTANTIATE_TEST_SUITE_P(Stages, AviCommit,
    testing::Values(CommitCase { "opened", 1, 0, 24, false }, CommitCase { "dialogCancelled", 2, 0, 24, false },
        CommitCase { "compressorChosen", 3, kFFV1, 24, false }, CommitCase { "formatRefused", 4, kFFV1, 32, false },
        CommitCase { "noFrame", 4, 0, 24, true }, CommitCase { "noCompressedFrame", 4, kFFV1, 24, true }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(AviRelease, completesTheFileWhenTheLastHandleGoesInAnyOrder)
{
    TempDir dir;
    AviRun run((dir / "a.avi").string());
    ASSERT_EQ(run.prepare(8, 4, mmioFOURCC('F', 'F', 'V', '1')), AVIERR_OK);
    writeFrames(&run, 2, 8, 4);
    run.file.reset();
    run.compressed.reset();
    EXPECT_FALSE(std::filesystem::exists(run.path)) << "completed while a handle is left";
    run.stream.reset();
    EXPECT_EQ(probeVideo(run.path).packets, 2);
    EXPECT_EQ(decodeVideo(run.path).errors, "");
}

class AviFullDisk : public testing::TestWithParam<std::uint32_t> { };

TEST_P(AviFullDisk, refusesTheFrameThatDoesNotFitAndKeepsTheOthers)
{
    // A file-size limit refuses writes as a full disk would, also for root.
    TempDir dir;
    AviRun run((dir / "a.avi").string());
    ASSERT_EQ(run.prepare(64, 48, GetParam()), AVIERR_OK);
    struct rlimit saved { };
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    const struct rlimit small {
        100 * 1024, saved.rlim_max
    };
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    int written = 0;
    while (written < 500 && run.write(written, frameBytes(scrollFrame(written, 64, 48), true)) == AVIERR_OK)
        ++written;
    const int failure = run.write(written, frameBytes(scrollFrame(written, 64, 48), true));
    run.release();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(failure, AVIERR_FILEWRITE);
    ASSERT_GT(written, 0);
    EXPECT_EQ(probeVideo(run.path).packets, written);
    const DecodedVideo video = decodeVideo(run.path);
    EXPECT_EQ(video.errors, "");
    EXPECT_TRUE(video.bgr == writeFrames(nullptr, written, 64, 48));
}

INSTANTIATE_TEST_SUITE_P(Compressors, AviFullDisk, testing::Values(0u, kFFV1));

// Over 1 GB the file goes on in OpenDML parts. Writes 1.1 GB: run it with
// TRAVELIA_BIG_AVI_TEST=1.
TEST(AviOpenDml, fileAboveOneGigabyteIsReadWhole)
{
    if (!std::getenv("TRAVELIA_BIG_AVI_TEST"))
        GTEST_SKIP() << "set TRAVELIA_BIG_AVI_TEST=1 to write 1.1 GB";
    constexpr int frames = 480;
    TempDir dir;
    AviRun run((dir / "big.avi").string());
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(run.prepare(1024, 768), AVIERR_OK);
    const auto rows = frameBytes(scrollFrame(0, 1024, 768), true);
    for (int i = 0; i < frames; ++i)
        ASSERT_EQ(run.write(i, rows), AVIERR_OK) << "frame " << i;
    run.release();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto size = std::filesystem::file_size(run.path);
    const VideoStreamProbe probe = probeVideo(run.path);
    std::cout << "OpenDML file: " << size << " bytes, " << probe.packets << " frames, written in " << seconds << " s\n";

    std::uint8_t first[12] = {}, second[12] = {};
    std::ifstream in(run.path, std::ios::binary);
    in.read(reinterpret_cast<char *>(first), 12).seekg(8 + le32(first + 4)).read(reinterpret_cast<char *>(second), 12);
    EXPECT_EQ(std::string(second, second + 4) + std::string(second + 8, second + 12), "RIFFAVIX");
    EXPECT_GT(size, std::uintmax_t(1) << 30);
    EXPECT_EQ(probe.packets, frames);
    EXPECT_EQ(runTool("ffmpeg", { "-nostdin", "-v", "error", "-i", run.path, "-f", "null", "-" }).err, "");
}

} // namespace
