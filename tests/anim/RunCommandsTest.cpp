#include "anim/RunCommands.h"

#include "ScriptedServices.h"
#include "TestUtils.h"
#include "anim/RunContext.h"
#include "anim/RunFeedback.h"
#include "anim/SettingsPanel.h"
#include "anim/StatusLine.h"
#include "options/AviOptions.h"
#include "options/JpegOptions.h"
#include "options/VideoOptions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The window's side of a run, reduced to what it was told.
struct CommandRecorder : RunFeedback, StatusLine {
    std::string status = "before";
    std::vector<std::string> events;

    void runStarting(const RunPlan &plan) override { events.push_back("start " + std::to_string(plan.total())); }
    void showFrame(const Bitmap24 &) override { events.push_back("show"); }
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

} // namespace
