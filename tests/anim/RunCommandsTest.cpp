#include "anim/RunCommands.h"

#include "ScriptedServices.h"
#include "TestUtils.h"
#include "anim/RunContext.h"
#include "anim/RunFeedback.h"
#include "anim/SettingsPanel.h"
#include "anim/StatusLine.h"
#include "jpeg/JpegOptions.h"
#include "options/AviOptions.h"
#include "options/VideoOptions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The window's side of a run, reduced to what it was told.
struct CommandRecorder : RunFeedback, StatusLine {
    std::string status = "before";
    std::vector<std::string> events;
    std::vector<std::optional<std::int32_t>> pauses; // after each frame of a test run; none: the tempo

    void runStarting(const RunPlan &plan) override { events.push_back("start " + std::to_string(plan.total())); }
    void showFrame(const Bitmap24 &) override { events.push_back("show"); }
    void waitTempo(std::optional<std::int32_t> pause) override { pauses.push_back(pause); }
    void setText(const std::string &text) override { status = text; }
    std::string text() const override { return status; }
};

// The window's run commands over a 45 x 30 panorama; the panel writes into
// dir/anim, which does not exist yet.
class RunCommandsTest : public ::testing::Test {
protected:
    RunCommandsTest()
    {
        PanelState &s = panel.state();
        s.EditFrameWidth = "41";
        s.EditFrameHeight = "30";
        s.EditCopy = dir.str() + "/";
    }
    ~RunCommandsTest() override { fs::current_path(savedCwd); }

    RunCommands commands()
    {
        return { panel, services, context, { jpegOptions, aviOptions, videoOptions }, host, host };
    }

    TempDir dir;
    fs::path savedCwd = fs::current_path();
    Bitmap24 panorama = makeTestPanorama(45, 30);
    TJpegOptions jpegOptions;
    TAviOptions aviOptions;
    TVideoOptions videoOptions;
    ScriptedServices services;
    SettingsPanel panel { services, dir.str() };
    RunContext context { services };
    CommandRecorder host;
};

struct RefusedFrameCase {
    const char *label;
    bool test; // "Tester"; else "Créer"
    std::int32_t format;
    const char *status; // the status line afterwards
};

class RefusedFrames : public RunCommandsTest, public ::testing::WithParamInterface<RefusedFrameCase> { };

// The panel refuses the frames: its message, and no run at all: nothing is
// announced, shown or made on disk, and the stop request is left as it was
// (a run clears it when it starts).
TEST_P(RefusedFrames, produceNoFrame)
{
    const RefusedFrameCase &c = GetParam();
    panel.state().RadioGroupFormat = c.format;
    panel.state().EditFrameWidth = "0";
    context.StopRequested = true;
    services.answerMessageBox(WindowServices::IdOk);
    RunCommands run = commands();
    if (c.test)
        run.Test(panorama);
    else
        run.Create(panorama, std::nullopt);
    ASSERT_EQ(services.asked().size(), 1u);
    EXPECT_EQ(services.asked()[0].text, "Valeur de Largeur Incorrecte");
    EXPECT_TRUE(host.events.empty());
    EXPECT_EQ(host.status, c.status);
    EXPECT_TRUE(context.StopRequested);
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

INSTANTIATE_TEST_SUITE_P(Commands, RefusedFrames,
    ::testing::Values(RefusedFrameCase { "test", true, FormatBmp, "before" },
        RefusedFrameCase { "createSeries", false, FormatJpg, "before" },
        // A one-file run never shows an earlier result.
        RefusedFrameCase { "createAvi", false, FormatAvi, "" },
        RefusedFrameCase { "createVideo", false, FormatVideo, "" }),
    [](const auto &info) { return std::string(info.param.label); });

struct RefusedFileCase {
    const char *label;
    std::function<void(TAviOptions &, TVideoOptions &)> choose;
    std::int32_t format;
    const char *message;
};

class RefusedFile : public RunCommandsTest, public ::testing::WithParamInterface<RefusedFileCase> { };

// A file the chosen output cannot write is refused with the output's own
// words before anything is asked or made on disk.
TEST_P(RefusedFile, isRefusedBeforeTheFolderIsMade)
{
    const RefusedFileCase &c = GetParam();
    c.choose(aviOptions, videoOptions);
    panel.state().RadioGroupFormat = c.format;
    try {
        commands().Create(panorama, std::nullopt);
        ADD_FAILURE() << "not refused";
    } catch (const std::runtime_error &e) {
        EXPECT_EQ(std::string(e.what()), c.message);
    }
    EXPECT_TRUE(services.asked().empty());
    EXPECT_TRUE(host.events.empty());
    EXPECT_EQ(host.status, "");
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

INSTANTIATE_TEST_SUITE_P(Choices, RefusedFile,
    ::testing::Values(RefusedFileCase { "aviRateZero", [](TAviOptions &a, TVideoOptions &) { a.Rate = 0; }, FormatAvi,
                          "AVI frame rate must be at least 1 frame per second" },
        RefusedFileCase { "mp4RateZero", [](TAviOptions &, TVideoOptions &v) { v.Rate = 0; }, FormatVideo,
            "the frame rate must be at least 1 frame per second" },
        RefusedFileCase { "webmWithH264",
            [](TAviOptions &, TVideoOptions &v) {
                v.Container = VideoContainer::Webm;
                v.Codec = VideoCodec::H264;
            },
            FormatVideo, "a webm file cannot hold h264 video" }),
    [](const auto &info) { return std::string(info.param.label); });

struct RateCase {
    const char *label;
    std::int32_t format;
    std::optional<std::int32_t> pause; // after each frame; none: the tempo
};

class TestRunPace : public RunCommandsTest, public ::testing::WithParamInterface<RateCase> { };

// "Tester" shows a video file's animation at that file's rate (AVI: 10
// frames per second here, "Vidéo": 30); frame series keep the tempo.
TEST_P(TestRunPace, followsTheOutputsRate)
{
    const RateCase &c = GetParam();
    aviOptions.Rate = 10;
    panel.state().RadioGroupFormat = c.format;
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    commands().Test(panorama);
    ASSERT_EQ(host.pauses.size(), 8u) << "4 frames a pass, there and back";
    for (const std::optional<std::int32_t> &pause : host.pauses)
        EXPECT_EQ(pause, c.pause);
}

INSTANTIATE_TEST_SUITE_P(Formats, TestRunPace,
    ::testing::Values(RateCase { "bmpSeries", FormatBmp, std::nullopt },
        RateCase { "pngSeries", FormatPng, std::nullopt }, RateCase { "avi", FormatAvi, 100 },
        RateCase { "video", FormatVideo, 33 }),
    [](const auto &info) { return std::string(info.param.label); });

TEST(PauseAtRate, IsAThousandMillisecondsOverTheRate)
{
    const std::pair<std::int64_t, std::optional<std::int32_t>> cases[] = { { 30, 33 }, { 10, 100 }, { 1, 1000 },
        { 1000, 1 }, { 65535, 0 }, { 0, std::nullopt }, { -5, std::nullopt } };
    for (const auto &[rate, pause] : cases)
        EXPECT_EQ(PauseAtRate(rate), pause) << rate;
}

// "Tester" and "Créer" asked for while a picture loads do nothing at all:
// no question, no frame, the status line as it was.
TEST_F(RunCommandsTest, runsWaitForThePictureBeingLoaded)
{
    RunCommands run = commands();
    run.pictureLoading = [] { return true; };
    run.Test(panorama);
    run.Create(panorama, std::nullopt);
    EXPECT_TRUE(services.asked().empty());
    EXPECT_TRUE(host.events.empty());
    EXPECT_EQ(host.status, "before");
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

// After a frame series, "Vérifier" knows which series to play; a run
// refused by the panel makes none.
TEST_F(RunCommandsTest, seriesMadeIsRemembered)
{
    panel.state().EditFrameWidth = "0";
    services.answerMessageBox(WindowServices::IdOk);
    commands().Create(panorama, std::nullopt);
    EXPECT_FALSE(panel.LastMadeSeries());

    panel.state().EditFrameWidth = "41";
    panel.state().RadioGroupFormat = FormatPng;
    panel.state().EditDstName = "VUE";
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    commands().Create(panorama, std::nullopt);
    ASSERT_TRUE(panel.LastMadeSeries());
    EXPECT_EQ(panel.LastMadeSeries()->AnyFrame, dir.str() + "/anim/VUE0000.PNG");
    EXPECT_EQ(panel.LastMadeSeries()->Format, FormatPng);
    EXPECT_TRUE(fs::exists(panel.LastMadeSeries()->AnyFrame));
}

// "Ouvrir le dossier": nothing before a run made something; then the
// folder it wrote into, asked of the desktop.
TEST_F(RunCommandsTest, openFolderOpensWhereTheRunWrote)
{
    commands().OpenMadeFolder();
    EXPECT_TRUE(services.openedFolders().empty());
    EXPECT_FALSE(panel.state().SpeedButtonOpenFolderEnabled);
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    commands().Create(panorama, std::nullopt);
    EXPECT_TRUE(panel.state().SpeedButtonOpenFolderEnabled);
    commands().OpenMadeFolder();
    EXPECT_EQ(services.openedFolders(), std::vector<std::string> { dir.str() + "/anim" });
    EXPECT_EQ(services.asked().size(), 1u) << "no message when it opens";
}

// What can go wrong is said with the folder's path, and nothing is asked
// of the desktop for a folder that is gone.
struct OpenFolderFailure {
    const char *name;
    bool removeFolder;
    bool desktopOpens;
    const char *message; // after the path
    std::size_t requests;
};

class OpenFolderFailures : public RunCommandsTest, public ::testing::WithParamInterface<OpenFolderFailure> { };

TEST_P(OpenFolderFailures, SayWhichFolderAndWhy)
{
    const OpenFolderFailure &c = GetParam();
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    commands().Create(panorama, std::nullopt);
    if (c.removeFolder) {
        fs::current_path(savedCwd);
        fs::remove_all(dir.path() / "anim");
    }
    services.openFolderResult = c.desktopOpens;
    services.answerMessageBox(WindowServices::IdOk);
    commands().OpenMadeFolder();
    EXPECT_EQ(services.openedFolders().size(), c.requests);
    ASSERT_EQ(services.asked().size(), 2u);
    EXPECT_EQ(services.asked().back().caption, "Erreur");
    std::string expected = c.message;
    expected.replace(expected.find("%1"), 2, dir.str() + "/anim");
    EXPECT_EQ(services.asked().back().text, expected);
}

INSTANTIATE_TEST_SUITE_P(Failures, OpenFolderFailures,
    ::testing::Values(OpenFolderFailure { "folderGone", true, true, "Le dossier %1 n'existe plus", 0 },
        OpenFolderFailure { "folderGoneDesktopRefuses", true, false, "Le dossier %1 n'existe plus", 0 },
        OpenFolderFailure {
            "desktopRefuses", false, false, "Impossible d'ouvrir le dossier %1 dans le gestionnaire de fichiers", 1 }),
    [](const auto &info) { return std::string(info.param.name); });

// The name test once gave "/TestFrame-0000" after "Tester": it gives the
// name "Créer" writes, and leaves the run-mode indicator as it was.
TEST_F(RunCommandsTest, nameTestGivesWhatCreateWrites)
{
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    commands().Test(panorama);
    ASSERT_TRUE(panel.state().CheckBoxVisu);
    commands().ShowFirstFileName();
    EXPECT_EQ(host.status, dir.str() + "/anim/IMAGE0000.BMP");
    EXPECT_TRUE(panel.state().CheckBoxVisu);
    EXPECT_TRUE(fs::is_empty(dir / "anim")) << "a name test writes nothing";
}

// What a greyed field of "Options Vidéo" holds does not reach the file.
TEST(VideoSettingsFromOptions, leavesOutWhatTheFileIgnores)
{
    TVideoOptions options;
    options.Preset = "slow";
    options.KeyInterval = 5;
    options.Lossless = true;
    VideoOutputSettings outputSettings = VideoSettingsFromOptions(options); // MP4
    EXPECT_EQ(outputSettings.preset, "slow");
    EXPECT_EQ(outputSettings.keyInterval, 5);
    EXPECT_FALSE(outputSettings.lossless);
    options.Container = VideoContainer::Gif;
    outputSettings = VideoSettingsFromOptions(options);
    EXPECT_EQ(outputSettings.preset, "");
    EXPECT_EQ(outputSettings.keyInterval, 0);
    options.Container = VideoContainer::Webp;
    outputSettings = VideoSettingsFromOptions(options);
    EXPECT_EQ(outputSettings.preset, "");
    EXPECT_EQ(outputSettings.keyInterval, 5);
    EXPECT_TRUE(outputSettings.lossless);
    EXPECT_EQ(outputSettings.rate, (VideoRate { 30, 1 }));
}

} // namespace
