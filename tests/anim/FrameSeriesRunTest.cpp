#include "anim/AnimationRun.h"

#include "ScriptedServices.h"
#include "TestUtils.h"
#include "anim/RunFeedback.h"
#include "common/AtomicFile.h"
#include "common/Bitmap24.h"
#include "output/FrameNames.h"

#include <QImage>

#include <gtest/gtest.h>

#include <tiffio.h>

#include <cerrno>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A creation run of 64 x 40 frames over a 300 x 40 panorama, step 7, one
// way: 33 frames named IMAGE0000... in its own folder, written by a chosen
// number of workers.
RunRequest seriesRequest(
    const std::string &dir, const std::string &ext, unsigned threads, const FrameEncoding &encoding)
{
    RunRequest request;
    request.kind = RunKind::Series;
    request.settings.FrameWidth = 64;
    request.settings.FrameHeight = 40;
    request.settings.Step = 7;
    request.settings.Center = true;
    request.settings.ScrollDirection = true;
    request.settings.ScrollBack = false;
    request.settings.ScrollType = ScrollHorizontal;
    request.names.NameFormat = kFormattedNamePattern;
    request.names.DstDir = dir;
    request.names.DstName = "IMAGE";
    request.names.Ext = ext;
    request.threads = threads;
    request.encoding = [encoding] { return encoding; };
    return request;
}

// What the run tells: frames shown and reports; overwrite questions go to
// scripted services.
class SeriesFeedback : public RunFeedback {
public:
    ScriptedServices services;
    std::function<void(int shown)> onShown;
    std::vector<FrameSeriesWriter::Report> reports;
    int shown = 0;

    void showFrame(const Bitmap24 &) override
    {
        ++shown;
        if (onShown)
            onShown(shown);
    }
    int askOverwrite(const std::string &fileName, const std::string &caption) override
    {
        return services.askOverwrite(fileName, caption);
    }
    void frameSaved(const FrameSeriesWriter::Report &report) override { reports.push_back(report); }
};

constexpr int kFrames = 33;

std::string frameName(int n, const std::string &ext)
{
    char name[32];
    std::snprintf(name, sizeof name, "IMAGE%04d%s", n, ext.c_str());
    return name;
}

std::map<std::string, std::vector<std::uint8_t>> filesIn(const fs::path &dir)
{
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const auto &entry : fs::directory_iterator(dir))
        if (entry.is_regular_file())
            files[entry.path().filename().string()] = readFileBytes(entry.path());
    return files;
}

struct SeriesRun {
    SeriesCounts summary;
    std::map<std::string, std::vector<std::uint8_t>> files;
};

SeriesRun runSeries(const Bitmap24 &panorama, const std::string &dir, const std::string &ext, unsigned threads,
    const FrameEncoding &encoding)
{
    bool stop = false;
    SeriesFeedback host;
    SeriesRun run;
    run.summary = RunAnimation(panorama, seriesRequest(dir, ext, threads, encoding), host, stop).series;
    run.files = filesIn(dir);
    return run;
}

// Pixel (x, y) of the frame file as decoded by an independent reader.
PixelBgr decodedPixel(const std::string &path, const std::string &ext, int x, int y)
{
    if (ext == ".TIF") {
        TIFF *tif = TIFFOpen(path.c_str(), "r");
        EXPECT_TRUE(tif);
        if (!tif)
            return {};
        std::vector<std::uint32_t> raster(64 * 40);
        EXPECT_TRUE(TIFFReadRGBAImageOriented(tif, 64, 40, raster.data(), ORIENTATION_TOPLEFT, 0));
        TIFFClose(tif);
        const std::uint32_t p = raster[std::size_t(y) * 64 + std::size_t(x)];
        return { std::uint8_t(TIFFGetB(p)), std::uint8_t(TIFFGetG(p)), std::uint8_t(TIFFGetR(p)) };
    }
    const QImage image(QString::fromStdString(path));
    EXPECT_FALSE(image.isNull()) << path;
    const QRgb p = image.pixel(x, y);
    return { std::uint8_t(qBlue(p)), std::uint8_t(qGreen(p)), std::uint8_t(qRed(p)) };
}

struct SameFilesCase {
    const char *label;
    const char *ext;
    std::function<void(FrameEncoding &)> set;
    bool lossless;
};

class SameFilesOnEveryCore : public testing::TestWithParam<SameFilesCase> { };

// Workers change when a file is written, never what it holds.
TEST_P(SameFilesOnEveryCore, givesTheFilesOfAOneThreadRun)
{
    const SameFilesCase &c = GetParam();
    FrameEncoding encoding;
    c.set(encoding);
    const Bitmap24 panorama = makeTestPanorama(300, 40);
    TempDir one, many;
    const SeriesRun single = runSeries(panorama, one.str(), c.ext, 1, encoding);
    const SeriesRun pooled = runSeries(panorama, many.str(), c.ext, 4, encoding);
    EXPECT_EQ(single.summary.written, kFrames);
    EXPECT_EQ(pooled.summary.written, kFrames);
    ASSERT_EQ(single.files.size(), std::size_t(kFrames));
    EXPECT_TRUE(single.files == pooled.files);
    // Frame 10 starts at x = 70 of the panorama.
    const std::string tenth = (one / frameName(10, c.ext)).string();
    if (c.lossless) {
        EXPECT_EQ(decodedPixel(tenth, c.ext, 0, 0), testPanoramaPixel(70, 0));
        EXPECT_EQ(decodedPixel(tenth, c.ext, 63, 39), testPanoramaPixel(133, 39));
    } else {
        EXPECT_FALSE(QImage(QString::fromStdString(tenth)).isNull());
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, SameFilesOnEveryCore,
    testing::Values(SameFilesCase { "bmp", ".BMP", [](FrameEncoding &) {}, true },
        SameFilesCase { "jpegDefault", ".JPG", [](FrameEncoding &) {}, false },
        SameFilesCase { "jpegQ40Subsampled", ".JPG",
            [](FrameEncoding &e) {
                e.jpeg.CompressionQuality = 40;
                e.jpeg.HorzSubSampling = e.jpeg.VertSubSampling = true;
            },
            false },
        SameFilesCase {
            "jpegHorizontalSubsampling", ".JPG", [](FrameEncoding &e) { e.jpeg.HorzSubSampling = true; }, false },
        SameFilesCase { "jpegProgressive", ".JPG", [](FrameEncoding &e) { e.jpeg.ProgressiveEncoding = true; }, false },
        SameFilesCase { "jpegGrey", ".JPG", [](FrameEncoding &e) { e.jpeg.Grayscale = true; }, false },
        SameFilesCase { "pngFast", ".PNG", [](FrameEncoding &) {}, true },
        SameFilesCase { "pngStored", ".PNG", [](FrameEncoding &e) { e.pngLevel = 0; }, true },
        SameFilesCase { "pngSmallest", ".PNG", [](FrameEncoding &e) { e.pngLevel = 9; }, true },
        SameFilesCase { "tiffDeflate", ".TIF", [](FrameEncoding &) {}, true },
        SameFilesCase { "tiffUncompressed", ".TIF", [](FrameEncoding &e) { e.tiff = TiffCompression::None; }, true }),
    [](const auto &info) { return std::string(info.param.label); });

bool noTemporaryFiles(const fs::path &dir)
{
    for (const auto &entry : fs::directory_iterator(dir))
        if (entry.path().filename().string().rfind(".travelia-", 0) == 0)
            return false;
    return true;
}

// Stop pressed while frames are under way: they are finished and counted,
// and no file is half-written.
TEST(FrameSeriesRun, stopLeavesExactlyTheCountedFiles)
{
    const Bitmap24 panorama = makeTestPanorama(300, 40);
    TempDir dir;
    bool stop = false;
    SeriesFeedback host;
    FrameEncoding encoding;
    encoding.pngLevel = 9;
    host.onShown = [&stop](int shown) {
        if (shown == 9)
            stop = true;
    };
    const RunOutcome outcome = RunAnimation(panorama, seriesRequest(dir.str(), ".PNG", 4, encoding), host, stop);
    EXPECT_EQ(outcome.produced, 9);
    EXPECT_EQ(outcome.series.written, 9);
    EXPECT_EQ(filesIn(dir.path()).size(), 9u);
    EXPECT_TRUE(noTemporaryFiles(dir.path()));
    ASSERT_EQ(host.reports.size(), 9u);
    EXPECT_EQ(host.reports.back().fileName, dir.str() + "/" + frameName(8, ".PNG"));
}

// A frame that cannot be put in place fails alone, with its reason, reported
// in its place; the others are written.
TEST(FrameSeriesRun, aFailingFrameIsThatFramesFailureWithItsReason)
{
    const Bitmap24 panorama = makeTestPanorama(300, 40);
    TempDir dir;
    fs::create_directory(dir / frameName(5, ".PNG")); // replacing it fails: it is a folder
    bool stop = false;
    SeriesFeedback host;
    host.services.answerOverwrite(ModalQuestions::OverwriteYes);
    const SeriesCounts summary = RunAnimation(panorama, seriesRequest(dir.str(), ".PNG", 4, {}), host, stop).series;
    EXPECT_EQ(summary.written, kFrames - 1);
    EXPECT_EQ(summary.failed, 1);
    EXPECT_EQ(filesIn(dir.path()).size(), std::size_t(kFrames - 1));
    EXPECT_TRUE(noTemporaryFiles(dir.path()));
    ASSERT_EQ(host.reports.size(), std::size_t(kFrames));
    for (int i = 0; i < kFrames; ++i)
        EXPECT_EQ(host.reports[std::size_t(i)].fileName, dir.str() + "/" + frameName(i, ".PNG"));
    EXPECT_EQ(host.reports[5].outcome, SaveOutcome::Failed);
    EXPECT_EQ(host.reports[5].detail.systemError, EISDIR);
}

// The questions come on the run's thread in frame order, before the frame
// is handed out, and each answer holds for its own file.
TEST(FrameSeriesRun, overwriteQuestionsComeInFrameOrder)
{
    const Bitmap24 panorama = makeTestPanorama(300, 40);
    TempDir dir;
    const std::vector<std::uint8_t> old { 'o', 'l', 'd' };
    for (const int n : { 3, 8, 12, 20 })
        writeFileBytes(dir / frameName(n, ".JPG"), old);
    bool stop = false;
    SeriesFeedback host;
    host.services.answerOverwrite(ModalQuestions::OverwriteYes); // 3
    host.services.answerOverwrite(ModalQuestions::OverwriteNo); // 8
    host.services.answerOverwrite(ModalQuestions::OverwriteYesToAll); // 12, and 20 without asking
    const SeriesCounts summary = RunAnimation(panorama, seriesRequest(dir.str(), ".JPG", 4, {}), host, stop).series;
    std::vector<std::string> asked;
    for (const auto &q : host.services.asked())
        asked.push_back(fs::path(q.text).filename().string());
    EXPECT_EQ(asked, (std::vector<std::string> { frameName(3, ".JPG"), frameName(8, ".JPG"), frameName(12, ".JPG") }));
    EXPECT_EQ(summary.written, kFrames - 1);
    EXPECT_EQ(summary.skipped, 1);
    EXPECT_NE(readFileBytes(dir / frameName(3, ".JPG")), old);
    EXPECT_EQ(readFileBytes(dir / frameName(8, ".JPG")), old);
    EXPECT_NE(readFileBytes(dir / frameName(20, ".JPG")), old);
    for (std::size_t i = 1; i < host.reports.size(); ++i)
        EXPECT_LT(host.reports[i - 1].fileName, host.reports[i].fileName);
}

// Closing the overwrite dialog abandons the run at once: the frames already
// handed out are still finished and counted.
TEST(FrameSeriesRun, closingTheOverwriteDialogFinishesWhatWasHandedOut)
{
    const Bitmap24 panorama = makeTestPanorama(300, 40);
    TempDir dir;
    writeFileBytes(dir / frameName(6, ".BMP"), { 'x' });
    bool stop = false;
    SeriesFeedback host;
    host.services.answerOverwrite(ModalQuestions::OverwriteClosed);
    const RunOutcome outcome = RunAnimation(panorama, seriesRequest(dir.str(), ".BMP", 4, {}), host, stop);
    EXPECT_EQ(outcome.produced, 6);
    EXPECT_EQ(outcome.series.written, 6);
    EXPECT_EQ(host.reports.size(), 6u);
    EXPECT_EQ(filesIn(dir.path()).size(), 7u); // the six and the old one
    EXPECT_EQ(readFileBytes(dir / frameName(6, ".BMP")), std::vector<std::uint8_t> { 'x' });
}

std::vector<std::string> frameNamesIn(const fs::path &dir)
{
    std::vector<std::string> names;
    for (const auto &[name, bytes] : filesIn(dir))
        names.push_back(name);
    return names;
}

std::vector<std::string> firstFrames(int count, const std::string &ext)
{
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back(frameName(i, ext));
    return names;
}

struct EndingCase {
    const char *label;
    const char *ext;
    unsigned workers;
    int error;
};

class SeriesEndsWhole : public testing::TestWithParam<EndingCase> { };

// A failure no later frame can escape ends the series where it happened:
// frames written after it by other workers are not put in place, so the
// folder holds the frames before it and nothing else, exactly as counted
// (before, frames 11 to 13 were there behind the missing frame 10).
TEST_P(SeriesEndsWhole, nothingAfterTheFirstEndingFailureIsPutInPlace)
{
    const EndingCase &c = GetParam();
    const std::string failing = frameName(10, c.ext);
    // Frame 10 fails only once the other workers have made files for the
    // frames after it, as when it alone did not fit on the disk.
    std::mutex mutex;
    std::condition_variable later;
    unsigned laterFiles = 0;
    AtomicFile::setFaultForTesting([&](const std::string &target) {
        const std::string name = fs::path(target).filename().string();
        std::unique_lock lock(mutex);
        if (name > failing) {
            ++laterFiles;
            later.notify_all();
        } else if (name == failing) {
            // A bound against a hang should the run change its ways.
            later.wait_for(lock, std::chrono::seconds(20), [&] { return laterFiles >= c.workers - 1; });
            return c.error;
        }
        return 0;
    });
    const Bitmap24 panorama = makeTestPanorama(300, 40);
    TempDir dir;
    bool stop = false;
    SeriesFeedback host;
    const RunOutcome outcome = RunAnimation(panorama, seriesRequest(dir.str(), c.ext, c.workers, {}), host, stop);
    AtomicFile::setFaultForTesting({});

    EXPECT_GE(laterFiles, c.workers - 1) << "the later frames were not under way: the case proves nothing";
    EXPECT_EQ(frameNamesIn(dir.path()), firstFrames(10, c.ext));
    EXPECT_TRUE(noTemporaryFiles(dir.path()));
    EXPECT_EQ(outcome.series.written, 10);
    EXPECT_EQ(outcome.series.failed, std::int64_t(host.reports.size()) - 10);
    EXPECT_LT(outcome.produced, kFrames) << "the run stopped";
    for (std::size_t i = 10; i < host.reports.size(); ++i) {
        EXPECT_EQ(host.reports[i].outcome, SaveOutcome::Failed) << host.reports[i].fileName;
        EXPECT_EQ(host.reports[i].detail.systemError, c.error) << host.reports[i].fileName;
    }
}

INSTANTIATE_TEST_SUITE_P(Failures, SeriesEndsWhole,
    testing::Values(EndingCase { "fullDiskPng", ".PNG", 4, ENOSPC },
        EndingCase { "readOnlyBmpTwoWorkers", ".BMP", 2, EROFS },
        EndingCase { "tooLargeJpegThreeWorkers", ".JPG", 3, EFBIG }),
    [](const auto &info) { return std::string(info.param.label); });

// A frame whose name leads to the picture being read when it is put in
// place (here made a link to it after the overwrite decision, while the
// frame is shown) does not replace it, and ends the series there.
TEST(FrameSeriesRun, aNameThatBecameThePictureMeanwhileIsNotReplaced)
{
    const Bitmap24 panorama = makeTestPanorama(300, 40);
    TempDir dir;
    const fs::path picture = dir / "pano.bmp";
    ASSERT_TRUE(WriteBmpFile(panorama, picture.string()));
    const std::vector<std::uint8_t> pictureBytes = readFileBytes(picture);
    struct stat st { };
    ASSERT_EQ(::stat(picture.c_str(), &st), 0);
    const fs::path frames = dir / "anim";
    fs::create_directory(frames);
    for (int i = 0; i < kFrames; ++i)
        writeFileBytes(frames / frameName(i, ".BMP"), { 'o', 'l', 'd' });
    bool stop = false;
    SeriesFeedback host;
    host.services.answerOverwrite(ModalQuestions::OverwriteYesToAll);
    const std::string sixth = (frames / frameName(5, ".BMP")).string();
    host.onShown = [&](int shown) {
        if (shown != 6)
            return;
        fs::remove(sixth);
        fs::create_hard_link(picture, sixth);
    };
    RunRequest request = seriesRequest(frames.string(), ".BMP", 4, {});
    request.inputPicture = IdentityOf(st);
    const RunOutcome outcome = RunAnimation(panorama, request, host, stop);
    EXPECT_EQ(readFileBytes(picture), pictureBytes);
    EXPECT_TRUE(fs::equivalent(picture, sixth));
    EXPECT_EQ(outcome.series.written, 5);
    ASSERT_GT(host.reports.size(), 5u);
    EXPECT_EQ(host.reports[5].outcome, SaveOutcome::Failed);
    EXPECT_EQ(host.reports[5].detail.reason, SaveReason::InputPicture);
    for (int i = 6; i < kFrames; ++i)
        EXPECT_EQ(readFileBytes(frames / frameName(i, ".BMP")), (std::vector<std::uint8_t> { 'o', 'l', 'd' }));
    EXPECT_TRUE(noTemporaryFiles(frames));
}

// A run whose names hold the picture being read is refused before any
// file is written, when the picture is one of the later names too.
TEST(FrameSeriesRun, thePictureAmongTheNamesRefusesTheRunBeforeAnyFile)
{
    const Bitmap24 panorama = makeTestPanorama(300, 40);
    TempDir dir;
    const std::string picture = (dir / frameName(30, ".PNG")).string();
    ASSERT_TRUE(WriteBmpFile(panorama, picture));
    struct stat st { };
    ASSERT_EQ(::stat(picture.c_str(), &st), 0);
    bool stop = false;
    SeriesFeedback host;
    RunRequest request = seriesRequest(dir.str(), ".PNG", 4, {});
    request.inputPicture = IdentityOf(st);
    try {
        RunAnimation(panorama, request, host, stop);
        ADD_FAILURE() << "not refused";
    } catch (const TargetIsInputPicture &e) {
        EXPECT_EQ(e.FileName, picture);
    }
    EXPECT_EQ(frameNamesIn(dir.path()), std::vector<std::string> { frameName(30, ".PNG") });
    EXPECT_EQ(host.shown, 0);
}

} // namespace
