#include "video/AviFileService.h"

#include "MediaTools.h"
#include "TestUtils.h"
#include "video/FourCC.h"
#include "video/VideoCompressors.h"

#include <QString>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

namespace {

constexpr std::uint32_t kFFV1 = mmioFOURCC('F', 'F', 'V', '1');

// A frame format: the 40-byte BITMAPINFOHEADER, little-endian, BI_RGB.
std::vector<std::uint8_t> bitmapInfoHeader(int width, int height, int bits = 24)
{
    std::vector<std::uint8_t> h(40, 0);
    for (auto [at, value] : { std::pair { 0, 40 }, { 4, width }, { 8, height }, { 12, 1 | bits << 16 } })
        for (int i = 0; i < 4; ++i)
            h[std::size_t(at + i)] = std::uint8_t(std::uint32_t(value) >> (8 * i));
    return h;
}

// The test panorama as the service takes a frame: rows bottom first, padded.
std::vector<std::uint8_t> frameBytes(int width, int height)
{
    const Bitmap24 frame = makeTestPanorama(width, height);
    std::vector<std::uint8_t> rows;
    for (int y = height - 1; y >= 0; --y)
        rows.insert(rows.end(), frame.scanLine(y), frame.scanLine(y) + frame.stride());
    return rows;
}

VideoPublishing publishAt(const std::string &path, bool replace = false)
{
    VideoPublishing publishing;
    publishing.target = path;
    publishing.replace = replace;
    return publishing;
}

// One run through the service in its call order, with the run's settings.
struct AviRun {
    explicit AviRun(const std::filesystem::path &file)
        : path(file.string())
    {
        info.fccType = streamtypeVIDEO, info.dwScale = 1, info.dwRate = 10;
        options.dwKeyFrameEvery = 1, options.dwQuality = 10000;
        options.dwFlags = AVICOMPRESSF_VALID | AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_DATARATE;
    }

    std::string path;
    AVISTREAMINFO info;
    AVICOMPRESSOPTIONS options;
    std::vector<std::uint8_t> header = bitmapInfoHeader(4, 2);
    AviFileHolder file;
    AviStreamHolder stream, compressed;

    // Takes the first count steps: open, create the stream, make the
    // compressed stream, set the format. The first failure's code.
    int steps(int count = 4)
    {
        PAVIFILE f = nullptr;
        PAVISTREAM s = nullptr;
        int ret = AVIFileOpen(&f, path, OF_CREATE | OF_SHARE_EXCLUSIVE | OF_WRITE);
        file.reset(f);
        if (count >= 2 && ret == AVIERR_OK)
            ret = AVIFileCreateStream(file.get(), &s, info), stream.reset(s);
        if (count >= 3 && ret == AVIERR_OK)
            ret = AVIMakeCompressedStream(&s, stream.get(), options), compressed.reset(s);
        if (count >= 4 && ret == AVIERR_OK)
            ret = AVIStreamSetFormat(compressed.get(), 0, header.data(), long(header.size()));
        return ret;
    }
    int prepare(int width, int height, std::uint32_t handler)
    {
        header = bitmapInfoHeader(width, height);
        options.fccHandler = handler;
        return steps();
    }
    int write(long start, const std::vector<std::uint8_t> &rows)
    {
        long scratch = 0; // both counts aimed at one value, as the run does
        return AVIStreamWrite(
            compressed.get(), start, 1, rows.data(), long(rows.size()), AVIIF_KEYFRAME, &scratch, &scratch);
    }
    // In the run's order: compressed stream, stream, file.
    void release() { compressed.reset(), stream.reset(), file.reset(); }
};

// Only AVIFileFinish puts the file in place: handles released before it, at
// any step, leave the old file intact and nothing else behind (the file is
// unnamed while written).
TEST(AviCommit, replacesTheTargetOnlyWhenFinished)
{
    struct {
        int steps; // of the run's first four
        std::uint32_t handler; // "DIB ": uncompressed
        int bits; // 32: the format is refused
        int code;
        bool finish;
    } const cases[] = { { 1, 0, 24, AVIERR_OK, false }, { 3, kFFV1, 24, AVIERR_OK, false },
        { 4, kFFV1, 32, AVIERR_BADFORMAT, false }, { 4, comptypeDIB, 24, AVIERR_OK, false },
        { 4, comptypeDIB, 24, AVIERR_OK, true } };
    for (const auto &c : cases) {
        TempDir dir;
        AviRun run(dir / "ANIM0000.AVI");
        writeFileBytes(run.path, { 'o', 'l', 'd' });
        run.options.fccHandler = c.handler;
        run.header = bitmapInfoHeader(4, 2, c.bits);
        SCOPED_TRACE(c.steps);
        EXPECT_EQ(run.steps(c.steps), c.code);
        if (c.finish) {
            EXPECT_EQ(run.write(0, frameBytes(4, 2)), AVIERR_OK);
            EXPECT_EQ(AVIFileFinish(run.file.get(), publishAt(run.path, true)), AVIERR_OK);
        }
        run.release();
        const auto entries = std::filesystem::directory_iterator(dir.path());
        EXPECT_EQ(std::distance(begin(entries), end(entries)), 1) << "temporary file left behind";
        if (c.finish) {
            const VideoStreamProbe probe = probeVideo(run.path);
            EXPECT_EQ(std::tie(probe.codecTag, probe.packets), std::tuple("[0][0][0][0]", 1));
        } else {
            EXPECT_EQ(readFileBytes(run.path), (std::vector<std::uint8_t> { 'o', 'l', 'd' }));
        }
    }
}

// Each listed compressor, under its own code, at awkward sizes (not a
// multiple of 2, 4 or 16): a file that decodes cleanly to the frames
// written, or a refusal before any file is made, with the reason in words.
TEST(VideoCompressors, everyListedCompressorDecodesOrRefusesTheSize)
{
    std::set<QString> codes;
    ICINFO info;
    for (std::uint32_t index = 0; ICInfo(ICTYPE_VIDEO, index, &info); ++index) {
        const std::string code = fourccBytes(info.fccHandler);
        EXPECT_TRUE(codes.insert(QString::fromStdString(code).toUpper()).second) << code << " twice";
        for (const auto &[width, height] : { std::pair { 666, 500 }, { 667, 501 } }) {
            SCOPED_TRACE(code + " " + std::to_string(width));
            TempDir dir;
            AviRun run(dir / "ANIM0000.AVI");
            run.info.dwRate = 25;
            run.options.dwQuality = 7500;
            const int ret = run.prepare(width, height, info.fccHandler);
            if (ret != AVIERR_OK) {
                EXPECT_EQ(ret, AVIERR_COMPRESSOR);
                EXPECT_TRUE(AVIFileError(run.file.get()).starts_with("the compressor '" + fourccText(info.fccHandler)))
                    << AVIFileError(run.file.get());
                run.release();
                EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
                continue;
            }
            const auto rows = frameBytes(width, height);
            for (int i = 0; i < 2; ++i)
                EXPECT_EQ(run.write(i, rows), AVIERR_OK);
            EXPECT_EQ(AVIFileFinish(run.file.get(), publishAt(run.path)), AVIERR_OK);
            run.release();
            EXPECT_EQ(probeVideo(run.path).codecTag.substr(0, 3), code.substr(0, 3));
            const DecodedVideo video = decodeVideo(run.path);
            EXPECT_EQ(video.errors, "");
            EXPECT_EQ(video.bgr.size(), std::size_t(width) * height * 3 * 2);
        }
    }
    EXPECT_FALSE(codes.empty());
}

// Frames handed where they lie (a bitmap stored top row first, by a negative
// pitch) make the same file, byte for byte, as their rows copied bottom row
// first; a pitch that is not the padded row, or a sample out of turn, is
// refused and writes nothing. Uncompressed, the rows may also be the right
// edge of a wider picture whose rows have no padding: only their pixels are
// read, the padding is written as zeros.
TEST(AviRows, inPlaceRowsMakeTheSameFileAsCopiedOnes)
{
    const Bitmap24 frame = makeTestPanorama(41, 7); // odd: the rows are padded
    Bitmap24 wider;
    ASSERT_TRUE(wider.resize(48, 7));
    wider.fill(0x55, 0x66, 0x77);
    wider.copyRect(frame, 0, 0, 41, 7, 7, 0);
    for (const std::uint32_t handler : { comptypeDIB, kFFV1 }) {
        SCOPED_TRACE(fourccText(handler));
        TempDir dir;
        AviRun copied(dir / "copied.avi"), inPlace(dir / "in-place.avi"), edge(dir / "edge.avi");
        ASSERT_EQ(copied.prepare(41, 7, handler), AVIERR_OK);
        ASSERT_EQ(inPlace.prepare(41, 7, handler), AVIERR_OK);
        ASSERT_EQ(edge.prepare(41, 7, handler), AVIERR_OK);
        const std::uint8_t *bottom = frame.scanLine(6);
        const auto pitch = -std::ptrdiff_t(frame.stride());
        const std::uint8_t *edgeBottom = wider.scanLine(6) + 7 * 3;
        const auto edgePitch = -std::ptrdiff_t(wider.stride());
        const bool compressed = handler != comptypeDIB;
        EXPECT_EQ(AVIStreamWriteRows(inPlace.compressed.get(), 0, bottom, compressed ? pitch + 4 : -41 * 3 + 1),
            AVIERR_BADSIZE);
        EXPECT_EQ(AVIStreamWriteRows(inPlace.compressed.get(), 1, bottom, pitch), AVIERR_BADPARAM);
        EXPECT_EQ(AVIStreamWriteRows(edge.compressed.get(), 0, edgeBottom, edgePitch),
            compressed ? AVIERR_BADSIZE : AVIERR_OK);
        for (long i = 0; i < 3; ++i) {
            ASSERT_EQ(copied.write(i, frameBytes(41, 7)), AVIERR_OK);
            ASSERT_EQ(AVIStreamWriteRows(inPlace.compressed.get(), i, bottom, pitch), AVIERR_OK);
            if (!compressed && i > 0) {
                ASSERT_EQ(AVIStreamWriteRows(edge.compressed.get(), i, edgeBottom, edgePitch), AVIERR_OK);
            }
        }
        for (AviRun *run : { &copied, &inPlace }) {
            ASSERT_EQ(AVIFileFinish(run->file.get(), publishAt(run->path)), AVIERR_OK);
            run->release();
        }
        EXPECT_EQ(readFileBytes(inPlace.path), readFileBytes(copied.path));
        if (!compressed) {
            ASSERT_EQ(AVIFileFinish(edge.file.get(), publishAt(edge.path)), AVIERR_OK);
            edge.release();
            EXPECT_EQ(readFileBytes(edge.path), readFileBytes(copied.path));
        }
    }
}

// Over 1 GB the file goes on in OpenDML parts. Writes 1.1 GB: run it with
// TRAVELIA_BIG_AVI_TEST=1.
TEST(AviOpenDml, fileAboveOneGigabyteIsReadWhole)
{
    if (!std::getenv("TRAVELIA_BIG_AVI_TEST"))
        GTEST_SKIP() << "set TRAVELIA_BIG_AVI_TEST=1 to write 1.1 GB";
    constexpr int frames = 480;
    TempDir dir;
    AviRun run(dir / "big.avi");
    ASSERT_EQ(run.prepare(1024, 768, 0), AVIERR_OK);
    const auto rows = frameBytes(1024, 768);
    for (int i = 0; i < frames; ++i)
        ASSERT_EQ(run.write(i, rows), AVIERR_OK) << "frame " << i;
    ASSERT_EQ(AVIFileFinish(run.file.get(), publishAt(run.path)), AVIERR_OK);
    run.release();
    const auto size = std::filesystem::file_size(run.path);
    const VideoStreamProbe probe = probeVideo(run.path);
    char riff[12] = {}, next[12] = {};
    std::uint32_t riffSize = 0; // little-endian, as this machine
    std::ifstream in(run.path, std::ios::binary);
    in.read(riff, 12), std::memcpy(&riffSize, riff + 4, 4), in.seekg(8 + riffSize).read(next, 12);
    EXPECT_EQ(std::string(next, next + 4) + std::string(next + 8, next + 12), "RIFFAVIX");
    EXPECT_GT(size, std::uintmax_t(1) << 30);
    EXPECT_EQ(probe.packets, frames);
    EXPECT_EQ(runTool("ffmpeg", { "-nostdin", "-v", "error", "-i", run.path, "-f", "null", "-" }).err, "");
    // The main header counts the frames of the first part, the OpenDML
    // header all of them.
    const std::string positions = runTool("ffprobe",
        { "-v", "error", "-select_streams", "v:0", "-show_entries", "packet=pos", "-of", "csv=p=0", run.path })
                                      .out;
    std::istringstream lines(positions);
    std::uint32_t inFirstPart = 0;
    for (std::string line; std::getline(lines, line);)
        inFirstPart += std::stoll(line) < 8 + std::int64_t(riffSize);
    char head[16384] = {};
    in.clear(), in.seekg(0).read(head, sizeof head);
    const char *dmlh = static_cast<const char *>(memmem(head, sizeof head, "dmlh", 4));
    ASSERT_NE(dmlh, nullptr);
    std::uint32_t mainCount = 0, allCount = 0;
    std::memcpy(&mainCount, head + 48, 4), std::memcpy(&allCount, dmlh + 8, 4);
    EXPECT_EQ(std::pair(mainCount, allCount), std::pair(inFirstPart, std::uint32_t(frames)));
    EXPECT_LT(inFirstPart, std::uint32_t(frames));
}

} // namespace
