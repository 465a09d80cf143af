#include "anim/AviAnimationRun.h"

#include "MediaTools.h"
#include "ScriptedServices.h"
#include "TestUtils.h"
#include "options/AviOptions.h"
#include "output/AviProgress.h"
#include "video/FourCC.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Records what an AVI run asks of its host; the compression dialog is
// answered from the script.
struct AviHost : AviRunHost, AviProgress {
    AviHost(std::string fileName, int width)
        : file(std::move(fileName))
        , frameWidth(width)
    {
    }

    std::string file;
    int frameWidth;
    bool replaceExisting = false; // the user agreed to replace the first file
    bool dropQueued = false; // a second Ctrl-C
    std::int64_t queuedAtEnd = -1; // what the run said it was finishing
    ScriptedServices services;
    std::vector<std::string> log; // progress calls, with the status text
    std::string status = "before";
    std::function<void(int shown)> onShow;
    std::function<void(tanimprm &)> adjust; // settings changed after the defaults
    bool looksAtFrames = true;
    int shown = 0;
    std::vector<std::uint8_t> shownPixels;

    bool readSettings(tanimprm &prm) override
    {
        prm.FrameWidth = frameWidth, prm.FrameHeight = 30, prm.Step = 1, prm.Center = true;
        prm.ScrollDirection = true, prm.ScrollBack = true, prm.ScrollType = ScrollHorizontal;
        const fs::path path(file);
        prm.DstDir = path.parent_path().string(), prm.DstName = "ANIM", prm.Ext = ".AVI";
        prm.NameFormat = "%s/%s%4.4d%s";
        prm.NumStart = std::stoi(path.stem().string().substr(4));
        prm.FileName = file;
        prm.ReplaceExisting = replaceExisting;
        if (adjust)
            adjust(prm);
        return true;
    }
    bool showsFrames() const override { return looksAtFrames; }
    void showFrame(const Bitmap24 &frame) override
    {
        for (int y = 0; y < frame.height(); ++y) // as ffmpeg decodes it: rows top first, not padded
            shownPixels.insert(shownPixels.end(), frame.scanLine(y), frame.scanLine(y) + 3 * frame.width());
        if (onShow)
            onShow(shown);
        ++shown;
    }
    void setStatusText(const std::string &text) override { status = text; }
    void processMessages() override { }
    void waitTempo() override { }
    bool chooseCompression(AviCompression &options) override { return services.aviSaveOptions(options); }
    AviProgress &progress() override { return *this; }
    BusyCursors &cursors() override { return services; }
    std::string statusText() const override { return status; }
    void finishingQueuedFrames(std::int64_t count) override { queuedAtEnd = count; }
    bool dropQueuedFrames() override { return dropQueued; }

    void showProgress() override { log.push_back("show"); }
    void hideProgress() override { log.push_back("hide"); }
    void startPass(std::int32_t frames) override { log.push_back("pass " + std::to_string(frames)); }
    void frameStarting(std::int32_t index, const std::string &text) override
    {
        log.push_back(std::to_string(index) + " " + text.substr(0, 17) + " | " + status);
    }
};

class AviRunTest : public ::testing::Test {
public:
    TempDir dir;
    std::string file = (dir / "ANIM0000.AVI").string();
    bool stop = false;
    Bitmap24 panorama = makeTestPanorama(45, 30); // with a 41-wide frame: 4 frames a pass
    TAviOptions options;
    struct rlimit savedLimit { };

    void SetUp() override { ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &savedLimit), 0); }
    // A file-size limit just past the header refuses further frames as a
    // full disk would, also for root.
    void fillTheDisk()
    {
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit full {
            70000, savedLimit.rlim_max
        };
        EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
    }
    void TearDown() override
    {
        ::setrlimit(RLIMIT_FSIZE, &savedLimit);
        std::signal(SIGXFSZ, SIG_DFL);
    }
};

// Every frame of both passes goes into the file as a key frame, numbered on
// from the outward pass into the return pass; the texts show each number
// before it is advanced, with the run's total. The file decodes to the frames
// shown, exactly when uncompressed or lossless; uncompressed, it holds a
// 40-byte 24-bit bottom-up format and rows padded to 4 bytes.
TEST_F(AviRunTest, writesEveryFrameOfBothPassesAsKeyFramesInOrder)
{
    struct {
        const char *compressor, *tag;
        double tolerance; // the mean difference per byte from the frames shown; 0: the same pixels
    } const cases[] = { { "", "[0][0][0][0]", 0 }, { "FFV1", "FFV1", 0 }, { "MJPG", "MJPG", 2.0 } };
    for (const auto &[compressor, tag, tolerance] : cases) {
        SCOPED_TRACE(compressor);
        fs::remove(file);
        AviHost host(file, 41); // odd
        host.services.answerAviSaveOptions(compressor);
        const AviRunResult result = RunAviAnimation(panorama, options, host, stop);
        EXPECT_TRUE(result.FileWritten);
        EXPECT_EQ(result.FramesWritten, 8);
        EXPECT_EQ(host.status, file + " - Frame0007 / 0008-OK!");
        std::vector<std::string> expectedLog { "show" };
        for (int i = 0; i < 8; ++i) {
            const std::string number = "000" + std::to_string(i) + " / 0008";
            if (i % 4 == 0)
                expectedLog.push_back("pass 4");
            expectedLog.push_back(std::to_string(i % 4) + " Frame " + number + " | " + file + " - Frame" + number);
        }
        expectedLog.push_back("hide");
        EXPECT_EQ(host.log, expectedLog);

        const VideoStreamProbe probe = probeVideo(file);
        EXPECT_EQ(
            std::tie(probe.codecTag, probe.width, probe.height, probe.frameRate), std::tuple(tag, 41, 30, "10/1"));
        EXPECT_EQ(probe.packetFlags, std::vector<std::string>(8, "K_"));
        const DecodedVideo video = decodeVideo(file);
        EXPECT_EQ(video.errors, "");
        ASSERT_EQ(video.bgr.size(), host.shownPixels.size());
        double difference = 0; // per byte, from the frames shown
        for (std::size_t i = 0; i < video.bgr.size(); ++i)
            difference += std::abs(video.bgr[i] - host.shownPixels[i]) / double(video.bgr.size());
        EXPECT_LE(difference, tolerance);
        if (*compressor == 0) {
            const auto bytes = readFileBytes(file);
            const auto find = [&](const char *id) { return std::search(bytes.begin(), bytes.end(), id, id + 4); };
            const auto le32 = [](auto p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; };
            const auto strf = find("strf"), movi = find("movi");
            ASSERT_NE(movi, bytes.end());
            EXPECT_EQ(std::tuple(le32(strf + 4), le32(strf + 8), le32(strf + 12), le32(strf + 16), le32(strf + 20),
                          le32(strf + 24)),
                std::tuple(40u, 40u, 41u, 30u, 1u | 24u << 16, 0u))
                << "chunk and header size, width, positive height, 1 plane of 24 bits, BI_RGB";
            EXPECT_EQ(le32(strf + 28), 124u * 30) << "image size with the rows' padding";
            EXPECT_EQ(std::string(movi + 4, movi + 8), "00dc");
            EXPECT_EQ(le32(movi + 8), 124u * 30) << "rows padded";
        }
    }
}

// A stop in either pass finishes the frame in progress and keeps the file (a
// stop in the outward pass skips the return pass). A frame wider than the
// panorama by more than a step gives a negative frame count: no frame, no
// file, no range error.
TEST_F(AviRunTest, aStopOrANegativeFrameCountKeepsTheFramesWrittenInAFile)
{
    for (auto [width, stopAtShown, written] : { std::tuple { 41, 1, 2 }, { 41, 5, 6 }, { 60, -1, 0 } }) {
        fs::remove(file);
        AviHost host(file, width);
        host.onShow = [&, stopAtShown](int shown) { stop = stop || shown == stopAtShown; };
        host.services.answerAviSaveOptions("");
        EXPECT_EQ(RunAviAnimation(panorama, options, host, stop).FramesWritten, written);
        EXPECT_EQ(probeVideo(file).packets, written);
        EXPECT_TRUE(host.status.ends_with("-OK!"));
        if (written == 0) {
            EXPECT_EQ(host.log, std::vector<std::string>({ "show", "pass -15", "pass -15", "hide" }));
            EXPECT_EQ(host.status, "before-OK!");
            EXPECT_FALSE(fs::exists(file));
        }
    }
}

// A host that does not look at the frames gets the same file, byte for
// byte, as one that shows them, whether the frames are written from the
// panorama's rows or rendered: rows needing padding (41 wide), the right edge
// of a panorama whose rows have no padding, centring margins, 360° loops
// that wrap, vertical scrolling both ways. Also the texts and counts.
TEST_F(AviRunTest, aHostThatDoesNotShowFramesGetsTheSameFile)
{
    struct {
        const char *name;
        int panoramaWidth, frameWidth, frameHeight;
        std::function<void(tanimprm &)> adjust;
        const char *compressor = "";
    } const cases[] = {
        { "inside, padded rows", 45, 41, 30, {} },
        { "loop, right edge without padding", 48, 41, 30, [](tanimprm &p) { p.Loop360 = true; } },
        { "vertical loop, backwards", 45, 41, 10,
            [](tanimprm &p) { p.ScrollType = ScrollVertical, p.Loop360 = true, p.Step = -3; } },
        { "vertical, there and back", 45, 41, 10,
            [](tanimprm &p) { p.ScrollType = ScrollVertical, p.ScrollDirection = false; } },
        { "wider than the panorama, centred", 45, 50, 10, [](tanimprm &p) { p.ScrollType = ScrollVertical; } },
        { "taller than the panorama, not centred", 45, 41, 33, [](tanimprm &p) { p.Center = false; } },
        { "compressed", 45, 41, 30, {}, "FFV1" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const Bitmap24 source = makeTestPanorama(c.panoramaWidth, 30);
        std::vector<std::uint8_t> files[2];
        std::vector<std::string> logs[2];
        for (const bool looks : { true, false }) {
            fs::remove(file);
            AviHost host(file, c.frameWidth);
            host.looksAtFrames = looks;
            host.adjust = [&](tanimprm &p) {
                p.FrameHeight = c.frameHeight;
                if (c.adjust)
                    c.adjust(p);
            };
            host.services.answerAviSaveOptions(c.compressor);
            const AviRunResult result = RunAviAnimation(source, options, host, stop);
            EXPECT_EQ(result.FramesWritten, host.shown);
            EXPECT_GT(host.shown, 0);
            files[looks] = readFileBytes(file);
            logs[looks] = host.log;
            logs[looks].push_back(host.status);
        }
        EXPECT_EQ(logs[false], logs[true]);
        ASSERT_EQ(files[false].size(), files[true].size());
        EXPECT_TRUE(files[false] == files[true]);
    }
}

const std::vector<std::uint8_t> kOld { 'o', 'l', 'd' };

// One row per fault: what is done to the run, and what must follow: the
// message (its sentence, then the cause), the frames the run reports, and
// every file left in the folder with the frames it holds.
struct FaultCase {
    const char *name;
    std::function<void(AviRunTest &, AviHost &)> arrange;
    std::string message; // empty: the run succeeds; else the start of the error's text
    std::string cause; // found in the error's text
    std::int32_t reported; // frames the run reports (result or error); -1: as many as the file holds
    std::map<std::string, long> files; // name -> frames; -1: the old file, as it was
    std::string frameRate = "10/1";
    // The compression dialog's answer (nullopt: cancelled; "none": not asked).
    std::optional<std::string> compressor = "";
};

void PrintTo(const FaultCase &c, std::ostream *out)
{
    *out << c.name;
}

class AviFaultTest : public AviRunTest, public ::testing::WithParamInterface<FaultCase> { };

TEST_P(AviFaultTest, leavesAFileHoldingWhatItReportsOrSaysWhy)
{
    const FaultCase &c = GetParam();
    if (c.files.count("ANIM0000.AVI") && c.files.at("ANIM0000.AVI") == -1)
        writeFileBytes(file, kOld);
    AviHost host(file, 41);
    if (c.compressor != "none")
        host.services.answerAviSaveOptions(c.compressor);
    c.arrange(*this, host);
    std::string message;
    std::int32_t reported = -2;
    std::string reportedName;
    try {
        const AviRunResult result = RunAviAnimation(panorama, options, host, stop);
        reported = result.FramesWritten;
        reportedName = result.FileName;
        EXPECT_TRUE(host.status.ends_with("-OK!")) << host.status;
        EXPECT_TRUE(reported == 0 || host.status.starts_with(reportedName + " - Frame")) << "the name written";
    } catch (const AviRunError &e) {
        message = e.what();
        reported = e.FramesInFile;
        reportedName = e.FileName;
        EXPECT_FALSE(host.status.ends_with("-OK!"));
    } catch (const std::runtime_error &e) {
        message = e.what();
        reported = 0;
    }
    TearDown(); // the file-size limit off, for the checks
    if (c.message.empty()) {
        EXPECT_EQ(message, "");
    } else {
        EXPECT_TRUE(message.starts_with(c.message) && message.find(c.cause) != std::string::npos) << message;
    }
    EXPECT_TRUE(host.services.cursors().empty());
    std::map<std::string, long> found;
    for (const auto &entry : fs::directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && readFileBytes(entry.path()) == kOld)
            found[name] = -1;
        else if (entry.is_regular_file())
            found[name] = probeVideo(entry.path()).packets;
        else
            found[name] = -3; // a folder
    }
    std::map<std::string, long> expected = c.files;
    for (auto &[name, frames] : expected) {
        if (frames == -2) // as many as reported
            frames = reported;
        if (frames >= 0 && found.count(name)) {
            EXPECT_EQ(decodeVideo(dir / name).errors, "") << name;
            EXPECT_EQ(probeVideo(dir / name).frameRate, c.frameRate) << name;
        }
    }
    EXPECT_EQ(found, expected);
    EXPECT_EQ(reported, c.reported >= 0 ? c.reported : reported);
    if (reported > 0 && !reportedName.empty()) {
        EXPECT_EQ(found[fs::path(reportedName).filename().string()], reported) << "the file holds what is reported";
    }
}

const auto diskFullAt = [](int shownFrame) {
    return [shownFrame](AviRunTest &t, AviHost &h) {
        h.onShow = [&t, shownFrame](int shown) {
            if (shown == shownFrame)
                t.fillTheDisk();
        };
    };
};

INSTANTIATE_TEST_SUITE_P(Faults, AviFaultTest,
    ::testing::Values(
        FaultCase { "nameTakenMeanwhile",
            [](AviRunTest &t, AviHost &h) {
                h.onShow = [&t](int shown) {
                    if (shown == 2)
                        writeFileBytes(t.file, kOld);
                };
            },
            "", "", 8, { { "ANIM0000.AVI", -1 }, { "ANIM0001.AVI", 8 } } },
        FaultCase { "twoRunsAtOnce",
            [](AviRunTest &t, AviHost &h) {
                h.onShow = [&t](int shown) {
                    if (shown != 2)
                        return;
                    AviHost inner(t.file, 41);
                    inner.services.answerAviSaveOptions("");
                    bool innerStop = false;
                    EXPECT_EQ(RunAviAnimation(t.panorama, t.options, inner, innerStop).FileName, t.file);
                };
            },
            "", "", 8, { { "ANIM0000.AVI", 8 }, { "ANIM0001.AVI", 8 } } },
        FaultCase { "firstFrameFailsWithConsentToReplace",
            [](AviRunTest &t, AviHost &h) {
                h.replaceExisting = true;
                diskFullAt(0)(t, h);
            },
            "Failed to add frame to AVI\nFile too large: ", "ANIM0000.AVI", 0, { { "ANIM0000.AVI", -1 } } },
        FaultCase { "firstFrameFailsWithoutConsent", diskFullAt(0), "Failed to add frame to AVI\nFile too large: ",
            "ANIM0000.AVI", 0, {} },
        FaultCase { "noFrameWithoutConsent", [](AviRunTest &, AviHost &h) { h.frameWidth = 60; }, "", "", 0, {} },
        FaultCase { "noFrameWithConsentToReplace",
            [](AviRunTest &, AviHost &h) {
                h.replaceExisting = true;
                h.frameWidth = 60; // wider than the panorama: no frame
            },
            "", "", 0, { { "ANIM0000.AVI", -1 } } },
        FaultCase { "replacedOnlyWhenComplete",
            [](AviRunTest &t, AviHost &h) {
                h.replaceExisting = true;
                writeFileBytes(t.file, kOld);
                h.onShow = [&t](int) { EXPECT_EQ(readFileBytes(t.file), kOld); };
            },
            "", "", 8, { { "ANIM0000.AVI", 8 } } },
        FaultCase { "folderAppearsAtTheNameWithConsent",
            [](AviRunTest &t, AviHost &h) {
                h.replaceExisting = true;
                h.onShow = [&t](int shown) {
                    if (shown == 2)
                        fs::remove(t.file), fs::create_directory(t.file);
                };
            },
            "Failed to create AVI file\nIs a directory: ", "8 frames kept in", 8,
            { { "ANIM0000.AVI", -3 }, { "ANIM0001.AVI", 8 } } },
        FaultCase { "nameTooLong",
            [](AviRunTest &t, AviHost &h) { h.file = (t.dir / ("ANIM0000" + std::string(250, 'x') + ".AVI")).string(); },
            "Failed to create AVI file\nFile name too long: ", "xxx.AVI", 0, {}, "10/1", "none" },
        FaultCase { "nameIsAFolder", [](AviRunTest &t, AviHost &) { fs::create_directory(t.file); },
            "Failed to create AVI file\nIs a directory: ", "ANIM0000.AVI", 0, { { "ANIM0000.AVI", -3 } }, "10/1",
            "none" },
        FaultCase { "diskFullUncompressed", diskFullAt(3), "Failed to add frame to AVI\nFile too large: ",
            "3 frames kept in", 3, { { "ANIM0000.AVI", 3 } } },
        FaultCase { "diskFullWithQueuedFrames", // x264 holds frames back for its look-ahead
            [](AviRunTest &t, AviHost &h) {
                h.frameWidth = 40;
                diskFullAt(4)(t, h);
            },
            "Failed to add frame to AVI\nFile too large: ", "frames kept in", -1, { { "ANIM0000.AVI", -2 } }, "10/1",
            "H264" },
        FaultCase { "stopThenDropTheQueuedFrames", // Ctrl-C twice: the file closes with what it holds
            [](AviRunTest &t, AviHost &h) {
                h.frameWidth = 40;
                h.dropQueued = true;
                h.onShow = [&t, &h](int shown) {
                    t.stop = t.stop || shown == 3;
                    EXPECT_EQ(h.queuedAtEnd, -1);
                };
            },
            "", "", -1, { { "ANIM0000.AVI", -2 } }, "10/1", "H264" },
        FaultCase { "stopFinishesTheQueuedFrames",
            [](AviRunTest &t, AviHost &h) {
                h.frameWidth = 40;
                h.onShow = [&t](int shown) { t.stop = t.stop || shown == 3; };
            },
            "", "", 4, { { "ANIM0000.AVI", 4 } }, "10/1", "H264" },
        FaultCase { "rate1001", [](AviRunTest &t, AviHost &) { t.options.Rate = 1001; }, "", "", 8,
            { { "ANIM0000.AVI", 8 } }, "1001/1" },
        FaultCase { "rate65535", [](AviRunTest &t, AviHost &) { t.options.Rate = 65535; }, "", "", 8,
            { { "ANIM0000.AVI", 8 } }, "65535/1" },
        FaultCase { "compressorRefusesTheSize", [](AviRunTest &, AviHost &) {}, // 41 wide cannot be 4:2:0
            "Failed to set AVI stream format\nthe compressor 'H264' needs an even width and height", "", 0,
            { { "ANIM0000.AVI", -1 } }, "10/1", "H264" },
        FaultCase { "compressorRefusesTheRate", [](AviRunTest &, AviHost &) {}, // MPEG-1 takes no rate of 10
            "Failed to set AVI stream format\nthe compressor 'mpg1' refuses 41 x 30 at 10 frames per second: ", "",
            0, { { "ANIM0000.AVI", -1 } }, "10/1", "mpg1" },
        FaultCase { "errorInTheFrameLoop",
            [](AviRunTest &, AviHost &h) {
                h.onShow = [](int shown) {
                    if (shown == 3)
                        throw std::runtime_error("no memory for the frame");
                };
            },
            "Failed to add frame to AVI\nno memory for the frame", "3 frames kept in", 3, { { "ANIM0000.AVI", 3 } } },
        FaultCase { "rateZero", [](AviRunTest &t, AviHost &) { t.options.Rate = 0; },
            "AVI frame rate must be at least 1 frame per second", "", 0, { { "ANIM0000.AVI", -1 } }, "10/1",
            "none" },
        FaultCase { "dialogCancelled", [](AviRunTest &, AviHost &) {}, "Failed to get AVI Compression Options", "",
            0, { { "ANIM0000.AVI", -1 } }, "10/1", std::nullopt },
        FaultCase { "unknownCompressor",
            [](AviRunTest &t, AviHost &) { t.options.CodecHandler = mmioFOURCC('Z', 'Z', 'Z', 'Z'); },
            "Failed to create AVI Compressed stream\nno compressor 'ZZZZ'", "", 0, { { "ANIM0000.AVI", -1 } },
            "10/1", "ZZZZ" }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
