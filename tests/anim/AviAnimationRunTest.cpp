#include "anim/RunCommands.h"

#include "MediaTools.h"
#include "ScriptedServices.h"
#include "TestUtils.h"
#include "anim/RunContext.h"
#include "anim/RunFeedback.h"
#include "anim/SettingsPanel.h"
#include "anim/StatusLine.h"
#include "anim/VideoSink.h"
#include "options/AviOptions.h"
#include "options/JpegOptions.h"
#include "options/VideoOptions.h"
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
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

// What the window shows of an AVI run: the status line, the progress window
// (each call, with the status line as it stands) and the frames.
struct AviRunRecorder : RunFeedback, StatusLine {
    std::string status = "before";
    std::vector<std::string> log;
    bool looksAtFrames = true;
    bool dropQueued = false; // a second Ctrl-C
    std::int64_t queuedAtEnd = -1; // what the run said it was finishing
    std::function<void(int shown)> onShow;
    int shown = 0;
    std::vector<std::uint8_t> shownPixels;

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
    void progressShown(bool shown) override { log.push_back(shown ? "show" : "hide"); }
    void passStarting(std::int32_t frames) override { log.push_back("pass " + std::to_string(frames)); }
    void frameStarting(std::int32_t index, const std::string &text) override
    {
        log.push_back(std::to_string(index) + " " + text.substr(0, 17) + " | " + status);
    }
    void finishingQueuedFrames(std::int64_t count) override { queuedAtEnd = count; }
    bool dropQueuedFrames() override { return dropQueued; }

    void setText(const std::string &text) override { status = text; }
    std::string text() const override { return status; }
};

// "Créer" with the AVI format, as the window runs it: the panel holds
// 41 x 30 frames, step 1, centred, there and back, named dir/ANIM0000.AVI;
// the compression dialog is answered from the script.
class AviRunTest : public ::testing::Test {
public:
    TempDir dir;
    std::string file = (dir / "ANIM0000.AVI").string();
    Bitmap24 panorama = makeTestPanorama(45, 30); // with a 41-wide frame: 4 frames a pass
    TAviOptions options;
    TJpegOptions jpegOptions;
    TVideoOptions videoOptions;
    ScriptedServices services;
    SettingsPanel panel { services, dir.str() };
    RunContext context { services };
    bool &stop = context.StopRequested;
    AviRunRecorder host;
    fs::path savedCwd = fs::current_path();
    struct rlimit savedLimit { };

    AviRunTest()
    {
        PanelState &s = panel.state();
        s.EditFrameWidth = "41";
        s.EditFrameHeight = "30";
        s.EditStep = "1";
        s.CheckBoxCenter = s.CheckBoxScrollDirection = s.CheckBoxScrollBack = true;
        s.EditCopy = dir.str() + "/";
        s.CheckBoxSubDir = false;
        s.EditDstName = "ANIM";
        s.RadioGroupFormat = FormatAvi;
    }
    ~AviRunTest() override { fs::current_path(savedCwd); }

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

    void setFrameWidth(int width) { panel.state().EditFrameWidth = std::to_string(width); }
    // "Créer": the panel read, the compression dialog, the run; a failure is
    // thrown with the text of the error box.
    void create(AviRunRecorder &recorder) { create(recorder, panorama); }
    void create(AviRunRecorder &recorder, const Bitmap24 &picture)
    {
        RunCommands commands(panel, services, context, { jpegOptions, options, videoOptions }, recorder, recorder);
        commands.Create(picture, std::nullopt);
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
        AviRunRecorder host; // 41 wide: odd
        services.answerAviSaveOptions(compressor);
        create(host);
        EXPECT_EQ(host.shown, 8);
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
// stop in the outward pass skips the return pass); the status line then
// says it was stopped, with the frames in the file. A frame wider than the
// panorama by more than a step gives a negative frame count: no frame, no
// range error, and no file (a run with no frame leaves none).
TEST_F(AviRunTest, aStopKeepsTheFramesWrittenInAFileAndANegativeFrameCountMakesNone)
{
    for (auto [width, stopAtShown, written] : { std::tuple { 41, 1, 2 }, { 41, 5, 6 }, { 60, -1, 0 } }) {
        SCOPED_TRACE(width);
        fs::remove(file);
        AviRunRecorder host;
        setFrameWidth(width);
        host.onShow = [&, stopAtShown](int shown) { stop = stop || shown == stopAtShown; };
        services.answerAviSaveOptions("");
        create(host);
        EXPECT_EQ(host.shown, written);
        if (written == 0) {
            EXPECT_EQ(host.log, std::vector<std::string>({ "show", "pass -15", "pass -15", "hide" }));
            EXPECT_EQ(host.status, "") << "no earlier result, no OK";
            EXPECT_TRUE(fs::is_empty(dir.path()));
        } else {
            EXPECT_EQ(probeVideo(file).packets, written);
            EXPECT_EQ(host.status,
                file + " - Frame000" + std::to_string(written - 1) + " / 0008 - arrêté : " + std::to_string(written)
                    + " image(s) enregistrée(s)");
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
        std::function<void(PanelState &)> adjust;
        const char *compressor = "";
    } const cases[] = {
        { "inside, padded rows", 45, 41, 30, {} },
        { "loop, right edge without padding", 48, 41, 30, [](PanelState &p) { p.CheckBoxLoop360 = true; } },
        { "vertical loop, backwards", 45, 41, 10,
            [](PanelState &p) {
                p.RadioGroupScrollType = ScrollVertical, p.CheckBoxLoop360 = true, p.EditStep = "-3";
            } },
        { "vertical, there and back", 45, 41, 10,
            [](PanelState &p) { p.RadioGroupScrollType = ScrollVertical, p.CheckBoxScrollDirection = false; } },
        { "wider than the panorama, centred", 45, 50, 10,
            [](PanelState &p) { p.RadioGroupScrollType = ScrollVertical; } },
        { "taller than the panorama, not centred", 45, 41, 33, [](PanelState &p) { p.CheckBoxCenter = false; } },
        { "compressed", 45, 41, 30, {}, "FFV1" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const Bitmap24 source = makeTestPanorama(c.panoramaWidth, 30);
        std::vector<std::uint8_t> files[2];
        std::vector<std::string> logs[2];
        for (const bool looks : { true, false }) {
            fs::remove(file);
            AviRunRecorder host;
            host.looksAtFrames = looks;
            const PanelState before = panel.state();
            setFrameWidth(c.frameWidth);
            panel.state().EditFrameHeight = std::to_string(c.frameHeight);
            if (c.adjust)
                c.adjust(panel.state());
            services.answerAviSaveOptions(c.compressor);
            create(host, source);
            panel.state() = before;
            EXPECT_EQ(probeVideo(file).packets, host.shown);
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
    // Also plants what the folder holds at the start, and queues the answers
    // of the panel's questions that come before the compression dialog.
    std::function<void(AviRunTest &)> arrange;
    std::string message; // empty: the run succeeds; else the start of the error's text
    std::string cause; // found in the error's text
    // Frames the run reports: in its error, or in the file the status line
    // names; -1: as many as that file holds.
    std::int32_t reported;
    std::map<std::string, long> files; // name -> frames; -1: the old file, as it was; -3: a folder
    std::string frameRate = "10/1";
    // The compression dialog's answer (nullopt: cancelled; "none": not asked).
    std::optional<std::string> compressor = "";
    int shown = -1; // frames shown before the run ended; -1: not checked
};

void PrintTo(const FaultCase &c, std::ostream *out)
{
    *out << c.name;
}

class AviFaultTest : public AviRunTest, public ::testing::WithParamInterface<FaultCase> { };

TEST_P(AviFaultTest, leavesAFileHoldingWhatItReportsOrSaysWhy)
{
    const FaultCase &c = GetParam();
    c.arrange(*this);
    if (c.compressor != "none")
        services.answerAviSaveOptions(c.compressor);
    std::string message;
    std::int64_t reported = -2;
    std::string reportedName;
    bool succeeded = false;
    try {
        create(host);
        succeeded = true;
        // The cases named "stop..." press Stop: the status line says so; a run
        // without a frame makes no file and says nothing.
        const bool stopped = std::string_view(c.name).starts_with("stop");
        if (host.shown > 0) {
            EXPECT_NE(host.status.find(stopped ? " - arrêté : " : "-OK!"), std::string::npos) << host.status;
        }
        // "NAME - Frame0007 / 0008-OK!"; no name when no file was written.
        const std::size_t named = host.status.find(" - Frame");
        if (named != std::string::npos)
            reportedName = host.status.substr(0, named);
    } catch (const VideoRunError &e) {
        message = e.what();
        reported = e.FramesInFile;
        reportedName = e.FileName;
        EXPECT_FALSE(host.status.ends_with("-OK!"));
    } catch (const std::runtime_error &e) {
        message = e.what();
        reported = 0;
    }
    TearDown(); // the file-size limit off, for the checks
    if (succeeded)
        reported = reportedName.empty() ? 0 : probeVideo(reportedName).packets;
    if (c.message.empty()) {
        EXPECT_EQ(message, "");
    } else {
        EXPECT_TRUE(message.starts_with(c.message) && message.find(c.cause) != std::string::npos) << message;
    }
    EXPECT_TRUE(services.cursors().empty());
    if (c.shown >= 0) {
        EXPECT_EQ(host.shown, c.shown);
    }
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
            frames = long(reported);
        if (frames >= 0 && found.count(name)) {
            EXPECT_EQ(decodeVideo(dir / name).errors, "") << name;
            EXPECT_EQ(probeVideo(dir / name).frameRate, c.frameRate) << name;
        }
    }
    EXPECT_EQ(found, expected);
    EXPECT_EQ(reported, c.reported >= 0 ? c.reported : reported);
    if (!reportedName.empty()) {
        EXPECT_EQ(fs::path(reportedName).parent_path(), dir.path()) << reportedName;
        EXPECT_EQ(found[fs::path(reportedName).filename().string()], reported) << "the file holds what is reported";
    }
}

const auto diskFullAt = [](int shownFrame) {
    return [shownFrame](AviRunTest &t) {
        t.host.onShow = [&t, shownFrame](int shown) {
            if (shown == shownFrame)
                t.fillTheDisk();
        };
    };
};

// An old ANIM0000.AVI, and "Ecraser" at the panel's question about it: the
// user agrees to replace it.
void oldFileWithConsent(AviRunTest &t)
{
    writeFileBytes(t.file, kOld);
    t.services.answerMessageBox(WindowServices::IdNo);
}

INSTANTIATE_TEST_SUITE_P(Faults, AviFaultTest,
    ::testing::Values(
        FaultCase { "nameTakenMeanwhile",
            [](AviRunTest &t) {
                t.host.onShow = [&t](int shown) {
                    if (shown == 2)
                        writeFileBytes(t.file, kOld);
                };
            },
            "", "", 8, { { "ANIM0000.AVI", -1 }, { "ANIM0001.AVI", 8 } } },
        FaultCase { "twoRunsAtOnce",
            [](AviRunTest &t) {
                t.host.onShow = [&t](int shown) {
                    if (shown != 2)
                        return;
                    // Another "Créer" into the same folder, with the same panel:
                    // refused, the first run's file being under way.
                    ScriptedServices services;
                    SettingsPanel panel(services, t.dir.str());
                    panel.state() = t.panel.state();
                    RunContext context(services);
                    AviRunRecorder inner;
                    services.answerMessageBox(WindowServices::IdOk);
                    RunCommands(panel, services, context, { t.jpegOptions, t.options, t.videoOptions }, inner, inner)
                        .Create(t.panorama, std::nullopt);
                    EXPECT_EQ(services.asked().back().text,
                        "Une autre création écrit déjà ANIM*.AVI dans " + t.dir.str() + "/");
                    EXPECT_EQ(inner.shown, 0);
                };
            },
            "", "", 8, { { "ANIM0000.AVI", 8 } } },
        FaultCase { "firstFrameFailsWithConsentToReplace",
            [](AviRunTest &t) {
                oldFileWithConsent(t);
                diskFullAt(0)(t);
            },
            "Failed to add frame to AVI\nFile too large: ", "ANIM0000.AVI", 0, { { "ANIM0000.AVI", -1 } } },
        FaultCase { "firstFrameFailsWithoutConsent", diskFullAt(0), "Failed to add frame to AVI\nFile too large: ",
            "ANIM0000.AVI", 0, {} },
        FaultCase { "noFrameWithoutConsent", [](AviRunTest &t) { t.setFrameWidth(60); }, "", "", 0, {} },
        FaultCase { "noFrameWithConsentToReplace",
            [](AviRunTest &t) {
                oldFileWithConsent(t);
                t.setFrameWidth(60); // wider than the panorama: no frame
            },
            "", "", 0, { { "ANIM0000.AVI", -1 } } },
        FaultCase { "replacedOnlyWhenComplete",
            [](AviRunTest &t) {
                oldFileWithConsent(t);
                t.host.onShow = [&t](int) { EXPECT_EQ(readFileBytes(t.file), kOld); };
            },
            "", "", 8, { { "ANIM0000.AVI", 8 } } },
        FaultCase { "folderAppearsAtTheNameWithConsent",
            [](AviRunTest &t) {
                oldFileWithConsent(t);
                t.host.onShow = [&t](int shown) {
                    if (shown == 2)
                        fs::remove(t.file), fs::create_directory(t.file);
                };
            },
            "Failed to create AVI file\nIs a directory: ", "8 frames kept in", 8,
            { { "ANIM0000.AVI", -3 }, { "ANIM0001.AVI", 8 } } },
        FaultCase { "nameTooLong",
            [](AviRunTest &t) { t.panel.state().EditDstName = "ANIM0000" + std::string(250, 'x'); },
            "Failed to create AVI file\nFile name too long: ", "xxx0000.AVI", 0, {}, "10/1", "", 0 },
        FaultCase { "nameIsAFolder",
            [](AviRunTest &t) {
                fs::create_directory(t.file);
                t.services.answerMessageBox(WindowServices::IdNo); // the name exists: keep it
            },
            "Failed to create AVI file\nIs a directory: ", "ANIM0000.AVI", 0, { { "ANIM0000.AVI", -3 } }, "10/1", "",
            0 },
        FaultCase { "diskFullUncompressed", diskFullAt(3), "Failed to add frame to AVI\nFile too large: ",
            "3 frames kept in", 3, { { "ANIM0000.AVI", 3 } } },
        FaultCase { "diskFullWithQueuedFrames", // x264 holds frames back for its look-ahead
            [](AviRunTest &t) {
                t.setFrameWidth(40);
                diskFullAt(4)(t);
            },
            "Failed to add frame to AVI\nFile too large: ", "frames kept in", -1, { { "ANIM0000.AVI", -2 } }, "10/1",
            "H264" },
        FaultCase { "stopThenDropTheQueuedFrames", // Ctrl-C twice: the file closes with what it holds
            [](AviRunTest &t) {
                t.setFrameWidth(40);
                t.host.dropQueued = true;
                t.host.onShow = [&t](int shown) {
                    t.stop = t.stop || shown == 3;
                    EXPECT_EQ(t.host.queuedAtEnd, -1);
                };
            },
            "", "", -1, { { "ANIM0000.AVI", -2 } }, "10/1", "H264" },
        FaultCase { "stopFinishesTheQueuedFrames",
            [](AviRunTest &t) {
                t.setFrameWidth(40);
                t.host.onShow = [&t](int shown) { t.stop = t.stop || shown == 3; };
            },
            "", "", 4, { { "ANIM0000.AVI", 4 } }, "10/1", "H264" },
        FaultCase { "rate1001", [](AviRunTest &t) { t.options.Rate = 1001; }, "", "", 8, { { "ANIM0000.AVI", 8 } },
            "1001/1" },
        FaultCase { "rate65535", [](AviRunTest &t) { t.options.Rate = 65535; }, "", "", 8,
            { { "ANIM0000.AVI", 8 } }, "65535/1" },
        FaultCase { "compressorRefusesTheSize", oldFileWithConsent, // 41 wide cannot be 4:2:0
            "Failed to set AVI stream format\nthe compressor 'H264' needs an even width and height", "", 0,
            { { "ANIM0000.AVI", -1 } }, "10/1", "H264", 0 },
        FaultCase { "compressorRefusesTheRate", oldFileWithConsent, // MPEG-1 takes no rate of 10
            "Failed to set AVI stream format\nthe compressor 'mpg1' refuses 41 x 30 at 10 frames per second: ", "",
            0, { { "ANIM0000.AVI", -1 } }, "10/1", "mpg1", 0 },
        FaultCase { "errorInTheFrameLoop",
            [](AviRunTest &t) {
                t.host.onShow = [](int shown) {
                    if (shown == 3)
                        throw std::runtime_error("no memory for the frame");
                };
            },
            "Failed to add frame to AVI\nno memory for the frame", "3 frames kept in", 3, { { "ANIM0000.AVI", 3 } } },
        FaultCase { "rateZero", // refused before the names are read: nothing asked
            [](AviRunTest &t) {
                writeFileBytes(t.file, kOld);
                t.options.Rate = 0;
            },
            "AVI frame rate must be at least 1 frame per second", "", 0, { { "ANIM0000.AVI", -1 } }, "10/1", "none",
            0 },
        FaultCase { "dialogCancelled", oldFileWithConsent, "Failed to get AVI Compression Options", "", 0,
            { { "ANIM0000.AVI", -1 } }, "10/1", std::nullopt, 0 },
        FaultCase { "unknownCompressor", // refused before the names are read: nothing asked
            [](AviRunTest &t) {
                writeFileBytes(t.file, kOld);
                t.options.CodecHandler = mmioFOURCC('Z', 'Z', 'Z', 'Z');
            },
            "Failed to create AVI Compressed stream\nno compressor 'ZZZZ'", "", 0, { { "ANIM0000.AVI", -1 } },
            "10/1", "none", 0 }), // refused before the dialog
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
