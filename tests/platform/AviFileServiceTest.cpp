#include "platform/AviFileService.h"

#include "MediaTools.h"
#include "TestUtils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sys/resource.h>

namespace {

constexpr std::uint32_t kFFV1 = mmioFOURCC('F', 'F', 'V', '1');

std::uint32_t le32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::vector<std::uint8_t> bitmapInfoHeader(int width, int height, int bits = 24, std::uint32_t compression = BI_RGB)
{
    std::vector<std::uint8_t> h(40, 0);
    const auto put = [&](std::size_t at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            h[at + i] = std::uint8_t(v >> (8 * i));
    };
    put(0, 40, 4);
    put(4, std::uint32_t(width), 4);
    put(8, std::uint32_t(height), 4);
    put(12, 1, 2);
    put(14, std::uint32_t(bits), 2);
    put(16, compression, 4);
    return h;
}

// Frame i of a scroll over the test panorama.
Bitmap24 frameAt(int i, int width, int height)
{
    static const Bitmap24 panorama = makeTestPanorama(1200, 800);
    Bitmap24 frame;
    frame.resize(width, height);
    frame.copyRect(panorama, 7 * i, 3 * i, width, height, 0, 0);
    return frame;
}

// The service's frame layout: rows bottom first, padded to 4 bytes.
std::vector<std::uint8_t> bottomUp(const Bitmap24 &frame)
{
    std::vector<std::uint8_t> rows;
    for (int y = frame.height() - 1; y >= 0; --y)
        rows.insert(rows.end(), frame.scanLine(y), frame.scanLine(y) + frame.stride());
    return rows;
}

// What ffmpeg decodes to: rows top first, not padded.
std::vector<std::uint8_t> topDown(const Bitmap24 &frame)
{
    std::vector<std::uint8_t> rows;
    for (int y = 0; y < frame.height(); ++y)
        rows.insert(rows.end(), frame.scanLine(y), frame.scanLine(y) + 3 * frame.width());
    return rows;
}

// One run through the service in its call order, step by step.
struct ServiceRun {
    explicit ServiceRun(std::string fileName)
        : path(std::move(fileName))
    {
    }

    int open(unsigned mode = OF_CREATE | OF_SHARE_EXCLUSIVE | OF_WRITE)
    {
        PAVIFILE f = nullptr;
        const int ret = AVIFileOpen(&f, path, mode);
        file.reset(f);
        return ret;
    }
    int createStream(std::uint32_t rate = 10, std::uint32_t scale = 1, std::uint32_t type = streamtypeVIDEO)
    {
        AVISTREAMINFO info;
        info.fccType = type;
        info.dwScale = scale;
        info.dwRate = rate;
        PAVISTREAM s = nullptr;
        const int ret = AVIFileCreateStream(file.get(), &s, info);
        stream.reset(s);
        return ret;
    }
    int compress(std::uint32_t handler, std::uint32_t quality = 10000, std::uint32_t keyFrameEvery = 1,
        std::uint32_t bytesPerSecond = 0)
    {
        AVICOMPRESSOPTIONS options;
        options.fccType = handler ? mmioFOURCC('v', 'i', 'd', 'c') : 0;
        options.fccHandler = handler;
        options.dwKeyFrameEvery = keyFrameEvery;
        options.dwQuality = quality;
        options.dwBytesPerSecond = bytesPerSecond;
        options.dwFlags = AVICOMPRESSF_VALID | AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_DATARATE;
        PAVISTREAM s = nullptr;
        const int ret = AVIMakeCompressedStream(&s, stream.get(), options);
        compressed.reset(s);
        return ret;
    }
    int setFormat(const std::vector<std::uint8_t> &header, long pos = 0)
    {
        return AVIStreamSetFormat(compressed.get(), pos, header.data(), long(header.size()));
    }
    int write(long start, const std::vector<std::uint8_t> &rows)
    {
        long scratch = 0;
        return AVIStreamWrite(
            compressed.get(), start, 1, rows.data(), long(rows.size()), AVIIF_KEYFRAME, &scratch, &scratch);
    }
    // The usual steps up to a set format for frames of that size.
    int prepare(int width, int height, std::uint32_t handler = 0)
    {
        int ret = open();
        ret = ret ? ret : createStream();
        ret = ret ? ret : compress(handler);
        return ret ? ret : setFormat(bitmapInfoHeader(width, height));
    }
    enum class Stage { Nothing, Opened, Streamed, Compressed, Formatted };
    // The usual steps up to a stage, for 4 x 2 frames; false when one fails.
    bool reach(Stage stage, std::uint32_t handler = 0)
    {
        return stage == Stage::Nothing
            || (open() == AVIERR_OK && (stage == Stage::Opened || createStream() == AVIERR_OK)
                && (stage <= Stage::Streamed || compress(handler) == AVIERR_OK)
                && (stage <= Stage::Compressed || setFormat(bitmapInfoHeader(4, 2)) == AVIERR_OK));
    }
    // Releases in the run's order: compressed stream, stream, file.
    void release()
    {
        compressed.reset();
        stream.reset();
        file.reset();
    }

    std::string path;
    AviFileHolder file;
    AviStreamHolder stream;
    AviStreamHolder compressed;
};

std::size_t filesIn(const std::filesystem::path &dir)
{
    std::size_t n = 0;
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(dir))
        ++n;
    return n;
}

double meanDifference(const std::vector<std::uint8_t> &a, const std::vector<std::uint8_t> &b)
{
    double sum = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        sum += std::abs(int(a[i]) - int(b[i]));
    return a.empty() ? 0 : sum / double(a.size());
}

struct RoundTrip {
    const char *name;
    std::uint32_t handler;
    int width, height, frames;
    std::uint32_t rate, scale;
    std::uint32_t keyFrameEvery;
    const char *tag;
    const char *frameRate;
    double tolerance; // mean difference per byte; 0: exact pixels
};

class AviRoundTrip : public testing::TestWithParam<RoundTrip> { };

TEST_P(AviRoundTrip, ffmpegReadsBackTheFramesWritten)
{
    const RoundTrip c = GetParam();
    TempDir dir;
    ServiceRun run((dir / "ANIM0000.AVI").string());
    ASSERT_EQ(run.open(), AVIERR_OK);
    ASSERT_EQ(run.createStream(c.rate, c.scale), AVIERR_OK);
    ASSERT_EQ(run.compress(c.handler, 10000, c.keyFrameEvery), AVIERR_OK);
    ASSERT_EQ(run.setFormat(bitmapInfoHeader(c.width, c.height)), AVIERR_OK);
    std::vector<std::uint8_t> expected;
    for (int i = 0; i < c.frames; ++i) {
        const Bitmap24 frame = frameAt(i, c.width, c.height);
        ASSERT_EQ(run.write(i, bottomUp(frame)), AVIERR_OK) << "frame " << i;
        const auto rows = topDown(frame);
        expected.insert(expected.end(), rows.begin(), rows.end());
    }
    run.release();

    const VideoStreamProbe probe = probeVideo(run.path);
    ASSERT_TRUE(probe.found);
    EXPECT_EQ(probe.codecTag, c.tag);
    EXPECT_EQ(probe.width, c.width);
    EXPECT_EQ(probe.height, c.height);
    EXPECT_EQ(probe.frameRate, c.frameRate);
    EXPECT_EQ(probe.packets, c.frames);
    ASSERT_EQ(probe.packetFlags.size(), std::size_t(c.frames));
    for (int i = 0; i < c.frames; ++i)
        EXPECT_EQ(probe.packetFlags[i][0] == 'K', i % c.keyFrameEvery == 0) << "packet " << i;
    const DecodedVideo video = decodeVideo(run.path);
    EXPECT_EQ(video.errors, "");
    const auto &decoded = video.bgr;
    ASSERT_EQ(decoded.size(), expected.size());
    if (c.tolerance == 0)
        EXPECT_TRUE(decoded == expected) << "mean difference " << meanDifference(decoded, expected);
    else
        EXPECT_LE(meanDifference(decoded, expected), c.tolerance);
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
        RoundTrip { "mpeg4KeyEvery3", mmioFOURCC('F', 'M', 'P', '4'), 64, 48, 7, 10, 1, 3, "FMP4", "10/1", 2.0 }),
    [](const auto &info) { return std::string(info.param.name); });

struct QualityCase {
    const char *name;
    std::uint32_t handler;
    std::uint32_t quality;
    std::uint32_t bytesPerSecond;
    bool smallerThanBest; // false: the same size
};

class AviQuality : public testing::TestWithParam<QualityCase> { };

TEST_P(AviQuality, reachesTheCompressor)
{
    const QualityCase c = GetParam();
    TempDir dir;
    const auto sizeFor = [&](std::uint32_t quality, std::uint32_t bytesPerSecond) {
        ServiceRun run((dir / ("q" + std::to_string(quality) + ".avi")).string());
        EXPECT_EQ(run.open(), AVIERR_OK);
        EXPECT_EQ(run.createStream(), AVIERR_OK);
        EXPECT_EQ(run.compress(c.handler, quality, 1, bytesPerSecond), AVIERR_OK);
        EXPECT_EQ(run.setFormat(bitmapInfoHeader(64, 48)), AVIERR_OK);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(run.write(i, bottomUp(frameAt(i, 64, 48))), AVIERR_OK);
        run.release();
        return std::filesystem::file_size(run.path);
    };
    const auto best = sizeFor(10000, 0), other = sizeFor(c.quality, c.bytesPerSecond);
    if (c.smallerThanBest)
        EXPECT_LT(other, best);
    else
        EXPECT_EQ(other, best);
}

INSTANTIATE_TEST_SUITE_P(Compressors, AviQuality,
    testing::Values(QualityCase { "mjpeg", mmioFOURCC('M', 'J', 'P', 'G'), 0, 0, true },
        QualityCase { "mpeg4", mmioFOURCC('F', 'M', 'P', '4'), 0, 0, true },
        QualityCase { "h264", mmioFOURCC('H', '2', '6', '4'), 0, 0, true },
        QualityCase { "mpeg4DataRate", mmioFOURCC('F', 'M', 'P', '4'), 10000, 2000, true },
        QualityCase { "losslessIgnoresIt", kFFV1, 0, 0, false }),
    [](const auto &info) { return std::string(info.param.name); });

class AviStreamFormatChunk : public testing::TestWithParam<int> { };

TEST_P(AviStreamFormatChunk, isA24BitBottomUpHeaderWithPaddedRows)
{
    const int width = GetParam(), height = 3;
    TempDir dir;
    ServiceRun run((dir / "a.avi").string());
    ASSERT_EQ(run.prepare(width, height), AVIERR_OK);
    ASSERT_EQ(run.write(0, bottomUp(frameAt(0, width, height))), AVIERR_OK);
    run.release();

    const auto bytes = readFileBytes(run.path);
    const auto find = [&](const char *id) {
        const auto it = std::search(bytes.begin(), bytes.end(), id, id + 4);
        return it == bytes.end() ? std::size_t(0) : std::size_t(it - bytes.begin());
    };
    const std::size_t strf = find("strf");
    ASSERT_NE(strf, 0u);
    const std::uint8_t *h = bytes.data() + strf + 8;
    EXPECT_EQ(le32(bytes.data() + strf + 4), 40u) << "chunk size";
    EXPECT_EQ(le32(h), 40u);
    EXPECT_EQ(std::int32_t(le32(h + 4)), width);
    EXPECT_EQ(std::int32_t(le32(h + 8)), height) << "positive: rows bottom first";
    EXPECT_EQ(h[14] | h[15] << 8, 24);
    EXPECT_EQ(le32(h + 16), BI_RGB);
    const std::size_t movi = find("movi");
    ASSERT_NE(movi, 0u);
    EXPECT_EQ(std::string(bytes.begin() + movi + 4, bytes.begin() + movi + 8), "00dc");
    EXPECT_EQ(le32(bytes.data() + movi + 8), std::uint32_t((width * 3 + 3) / 4 * 4 * height)) << "rows padded";
}

INSTANTIATE_TEST_SUITE_P(Widths, AviStreamFormatChunk, testing::Values(1, 2, 3, 5, 7));

struct Refusal {
    const char *name;
    ServiceRun::Stage before;
    std::function<int(ServiceRun &, const TempDir &)> lastStep;
    int expected;
};

class AviRefusal : public testing::TestWithParam<Refusal> { };

TEST_P(AviRefusal, givesItsErrorCode)
{
    TempDir dir;
    ServiceRun run((dir / "a.avi").string());
    ASSERT_TRUE(run.reach(GetParam().before));
    EXPECT_EQ(GetParam().lastStep(run, dir), GetParam().expected);
}

using Stage = ServiceRun::Stage;
const std::vector<std::uint8_t> kFrame4x2(12 * 2, 0x55);

INSTANTIATE_TEST_SUITE_P(Steps, AviRefusal,
    testing::Values(
        Refusal { "readMode", Stage::Nothing, [](ServiceRun &r, auto &) { return r.open(0); }, AVIERR_UNSUPPORTED },
        Refusal { "missingFolder", Stage::Nothing,
            [](ServiceRun &r, const TempDir &d) {
                r.path = (d / "no" / "a.avi").string();
                return r.open();
            },
            AVIERR_FILEOPEN },
        Refusal { "nameOfAFolder", Stage::Nothing,
            [](ServiceRun &r, const TempDir &d) {
                r.path = d.str();
                return r.open();
            },
            AVIERR_FILEOPEN },
        Refusal { "rateZero", Stage::Opened, [](ServiceRun &r, auto &) { return r.createStream(0); }, AVIERR_BADPARAM },
        Refusal {
            "scaleZero", Stage::Opened, [](ServiceRun &r, auto &) { return r.createStream(10, 0); }, AVIERR_BADPARAM },
        Refusal { "audio", Stage::Opened,
            [](ServiceRun &r, auto &) { return r.createStream(10, 1, mmioFOURCC('a', 'u', 'd', 's')); },
            AVIERR_UNSUPPORTED },
        Refusal { "secondStream", Stage::Streamed, [](ServiceRun &r, auto &) { return r.createStream(); },
            AVIERR_UNSUPPORTED },
        Refusal { "unknownCompressor", Stage::Streamed,
            [](ServiceRun &r, auto &) { return r.compress(mmioFOURCC('Z', 'Z', 'Z', 'Z')); }, AVIERR_NOCOMPRESSOR },
        Refusal { "32Bits", Stage::Compressed,
            [](ServiceRun &r, auto &) { return r.setFormat(bitmapInfoHeader(4, 2, 32)); }, AVIERR_BADFORMAT },
        Refusal { "rle8", Stage::Compressed,
            [](ServiceRun &r, auto &) { return r.setFormat(bitmapInfoHeader(4, 2, 24, 1)); }, AVIERR_BADFORMAT },
        Refusal { "widthZero", Stage::Compressed,
            [](ServiceRun &r, auto &) { return r.setFormat(bitmapInfoHeader(0, 2)); }, AVIERR_BADFORMAT },
        Refusal { "heightZero", Stage::Compressed,
            [](ServiceRun &r, auto &) { return r.setFormat(bitmapInfoHeader(4, 0)); }, AVIERR_BADFORMAT },
        Refusal { "topDown", Stage::Compressed,
            [](ServiceRun &r, auto &) { return r.setFormat(bitmapInfoHeader(4, -2)); }, AVIERR_BADFORMAT },
        Refusal { "shortHeader", Stage::Compressed,
            [](ServiceRun &r, auto &) {
                auto h = bitmapInfoHeader(4, 2);
                h.pop_back();
                return r.setFormat(h);
            },
            AVIERR_BADFORMAT },
        Refusal { "notAtZero", Stage::Compressed,
            [](ServiceRun &r, auto &) { return r.setFormat(bitmapInfoHeader(4, 2), 1); }, AVIERR_UNSUPPORTED },
        Refusal { "formatTwice", Stage::Formatted,
            [](ServiceRun &r, auto &) { return r.setFormat(bitmapInfoHeader(4, 2)); }, AVIERR_UNSUPPORTED },
        Refusal { "writeBeforeFormat", Stage::Compressed, [](ServiceRun &r, auto &) { return r.write(0, kFrame4x2); },
            AVIERR_BADFORMAT },
        Refusal { "wrongFrameSize", Stage::Formatted,
            [](ServiceRun &r, auto &) { return r.write(0, std::vector<std::uint8_t>(kFrame4x2.size() - 4)); },
            AVIERR_BADSIZE },
        Refusal { "startGoingBack", Stage::Formatted,
            [](ServiceRun &r, auto &) {
                EXPECT_EQ(r.write(1, kFrame4x2), AVIERR_OK);
                return r.write(0, kFrame4x2);
            },
            AVIERR_BADPARAM }),
    [](const auto &info) { return std::string(info.param.name); });

struct CommitCase {
    const char *name;
    Stage stage;
    std::uint32_t handler;
    bool refusedFormat; // then a set-format that fails
    bool committed;
};

class AviCommit : public testing::TestWithParam<CommitCase> { };

TEST_P(AviCommit, replacesTheTargetOnlyOnceTheFormatIsSet)
{
    const CommitCase c = GetParam();
    TempDir dir;
    const auto target = dir / "ANIM0000.AVI";
    writeFileBytes(target, { 'o', 'l', 'd' });
    ServiceRun run(target.string());
    ASSERT_TRUE(run.reach(c.stage, c.handler));
    if (c.refusedFormat) {
        EXPECT_NE(run.setFormat(bitmapInfoHeader(4, 2, 32)), AVIERR_OK);
    }
    run.release();

    EXPECT_EQ(filesIn(dir.path()), 1u) << "temporary file left behind";
    if (!c.committed) {
        EXPECT_EQ(readFileBytes(target), (std::vector<std::uint8_t> { 'o', 'l', 'd' }));
        return;
    }
    const VideoStreamProbe probe = probeVideo(target);
    EXPECT_TRUE(probe.found);
    EXPECT_EQ(probe.packets, 0);
}

INSTANTIATE_TEST_SUITE_P(Stages, AviCommit,
    testing::Values(CommitCase { "opened", Stage::Opened, 0, false, false },
        CommitCase { "dialogCancelled", Stage::Streamed, 0, false, false },
        CommitCase { "compressorChosen", Stage::Compressed, kFFV1, false, false },
        CommitCase { "formatRefused", Stage::Compressed, kFFV1, true, false },
        CommitCase { "noFrame", Stage::Formatted, 0, false, true },
        CommitCase { "noCompressedFrame", Stage::Formatted, kFFV1, false, true }),
    [](const auto &info) { return std::string(info.param.name); });

struct ReleaseOrder {
    const char *name;
    int first, second, third; // 0 file, 1 stream, 2 compressed stream
};

class AviReleaseOrder : public testing::TestWithParam<ReleaseOrder> { };

TEST_P(AviReleaseOrder, completesTheFileWhenTheLastHandleGoes)
{
    TempDir dir;
    ServiceRun run((dir / "a.avi").string());
    ASSERT_EQ(run.prepare(8, 4, kFFV1), AVIERR_OK);
    ASSERT_EQ(run.write(0, bottomUp(frameAt(0, 8, 4))), AVIERR_OK);
    ASSERT_EQ(run.write(1, bottomUp(frameAt(1, 8, 4))), AVIERR_OK);
    const auto drop = [&](int which) {
        which == 0 ? run.file.reset() : which == 1 ? run.stream.reset() : run.compressed.reset();
    };
    drop(GetParam().first);
    drop(GetParam().second);
    EXPECT_FALSE(std::filesystem::exists(run.path)) << "completed while a handle is left";
    drop(GetParam().third);
    EXPECT_EQ(probeVideo(run.path).packets, 2);
    EXPECT_EQ(decodeVideo(run.path).errors, "");
}

INSTANTIATE_TEST_SUITE_P(Orders, AviReleaseOrder,
    testing::Values(ReleaseOrder { "compressedStreamFile", 2, 1, 0 }, ReleaseOrder { "fileFirst", 0, 1, 2 },
        ReleaseOrder { "streamFirst", 1, 0, 2 }),
    [](const auto &info) { return std::string(info.param.name); });

class AviFullDisk : public testing::TestWithParam<std::uint32_t> { };

TEST_P(AviFullDisk, refusesTheFrameThatDoesNotFitAndKeepsTheOthers)
{
    // A file-size limit refuses writes as a full disk would, also for root.
    TempDir dir;
    ServiceRun run((dir / "a.avi").string());
    ASSERT_EQ(run.prepare(64, 48, GetParam()), AVIERR_OK);
    struct rlimit saved { };
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 100 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    int written = 0, failure = AVIERR_OK;
    std::vector<std::uint8_t> expected;
    for (int i = 0; i < 500 && failure == AVIERR_OK; ++i) {
        const Bitmap24 frame = frameAt(i, 64, 48);
        failure = run.write(i, bottomUp(frame));
        if (failure == AVIERR_OK) {
            ++written;
            const auto rows = topDown(frame);
            expected.insert(expected.end(), rows.begin(), rows.end());
        }
    }
    const int next = run.write(written + 1, bottomUp(frameAt(0, 64, 48)));
    run.release();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(failure, AVIERR_FILEWRITE);
    EXPECT_EQ(next, AVIERR_FILEWRITE) << "a failed stream stays failed";
    EXPECT_GT(written, 0);
    EXPECT_EQ(probeVideo(run.path).packets, written);
    const DecodedVideo video = decodeVideo(run.path);
    EXPECT_EQ(video.errors, "");
    EXPECT_TRUE(video.bgr == expected);
}

INSTANTIATE_TEST_SUITE_P(Compressors, AviFullDisk, testing::Values(0u, kFFV1));

// Over 1 GB the file goes on in OpenDML parts. Writes 1.1 GB: run it with
// TRAVELIA_BIG_AVI_TEST=1.
TEST(AviOpenDml, fileAboveOneGigabyteIsReadWhole)
{
    if (!std::getenv("TRAVELIA_BIG_AVI_TEST"))
        GTEST_SKIP() << "set TRAVELIA_BIG_AVI_TEST=1 to write 1.1 GB";
    constexpr int frames = 480, width = 1024, height = 768;
    TempDir dir;
    ServiceRun run((dir / "big.avi").string());
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(run.prepare(width, height), AVIERR_OK);
    const auto rows = bottomUp(frameAt(0, width, height));
    for (int i = 0; i < frames; ++i)
        ASSERT_EQ(run.write(i, rows), AVIERR_OK) << "frame " << i;
    run.release();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const auto size = std::filesystem::file_size(run.path);
    std::ifstream in(run.path, std::ios::binary);
    std::uint8_t head[12] = {}, next[12] = {};
    in.read(reinterpret_cast<char *>(head), 12);
    in.seekg(8 + le32(head + 4));
    in.read(reinterpret_cast<char *>(next), 12);
    EXPECT_EQ(
        std::string(reinterpret_cast<char *>(next), 4) + std::string(reinterpret_cast<char *>(next) + 8, 4), "RIFFAVIX")
        << "a second RIFF part follows the first";
    const VideoStreamProbe probe = probeVideo(run.path);
    EXPECT_EQ(probe.packets, frames);
    EXPECT_EQ(probe.packetFlags.size(), std::size_t(frames));
    EXPECT_EQ(runTool("ffmpeg", { "-nostdin", "-v", "error", "-i", run.path, "-f", "null", "-" }).err, "");
    std::cout << "OpenDML file: " << size << " bytes, " << probe.packets << " frames, written in " << seconds << " s\n";
    EXPECT_GT(size, std::uintmax_t(1) << 30);
}

} // namespace
