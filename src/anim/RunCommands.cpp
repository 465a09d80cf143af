#include "anim/RunCommands.h"

#include "anim/RunContext.h"
#include "anim/RunEndText.h"
#include "anim/RunFeedback.h"
#include "anim/SettingsPanel.h"
#include "anim/StatusLine.h"
#include "common/OrderedPipeline.h"
#include "common/TextFormat.h"
#include "jpeg/JpegOptions.h"
#include "options/AviOptions.h"
#include "options/VideoOptions.h"
#include "output/EnsureFolder.h"
#include "output/SaveFailureText.h"
#include "platform/BusyCursor.h"
#include "platform/WindowServices.h"
#include "video/AviCompression.h"

#include <cmath>
#include <filesystem>
#include <system_error>
#include <utility>

namespace {

// The compression dialog of an AVI run, pre-set from the settings: false when
// it was cancelled; else the settings hold the choice made.
bool ChooseAviCompression(WindowServices &services, VideoOutputSettings &outputSettings)
{
    AviCompression choice;
    choice.compressor = outputSettings.aviCompressor;
    choice.quality = std::uint32_t(std::lround(outputSettings.quality * 100));
    choice.keyFrameEvery = std::uint32_t(std::max(0, outputSettings.keyInterval));
    if (!services.aviSaveOptions(choice))
        return false;
    outputSettings.aviCompressor = choice.compressor;
    outputSettings.quality = choice.quality <= 10000 ? choice.quality / 100.0 : -1;
    outputSettings.keyInterval = int(choice.keyFrameEvery);
    outputSettings.bytesPerSecond = choice.bytesPerSecond;
    return true;
}

// The refusal of output settings, as the error box says it; empty when it can be
// written. AVI keeps its writer's sentences ("Failed to set AVI stream
// format", the cause on the next line) but for a frame rate of 0, refused
// as always in a sentence of its own; the others say it in the output's words.
std::string SettingsRefusal(const VideoOutputSettings &outputSettings)
{
    const std::optional<VideoError> refusal = RefuseVideoOutput(outputSettings);
    if (!refusal)
        return {};
    if (outputSettings.container != VideoContainer::Avi || outputSettings.rate.num == 0)
        return refusal->cause();
    return VideoFailureText(outputSettings.container, *refusal);
}

} // namespace

VideoOutputSettings VideoSettingsFromOptions(const TVideoOptions &options)
{
    // What a greyed field holds is left out, as the window shows.
    const VideoFieldUse use = FieldsUsedBy(options);
    VideoOutputSettings outputSettings;
    outputSettings.container = options.Container;
    outputSettings.codec = options.Codec;
    outputSettings.rate = { std::uint32_t(std::max(0, options.Rate)), 1 };
    outputSettings.quality = options.Quality;
    outputSettings.keyInterval = use.keyInterval ? options.KeyInterval : 0;
    outputSettings.preset = use.preset ? options.Preset : std::string();
    outputSettings.lossless = use.lossless && options.Lossless;
    return outputSettings;
}

VideoOutputSettings AviSettingsFromOptions(const TAviOptions &options)
{
    VideoOutputSettings outputSettings;
    outputSettings.container = VideoContainer::Avi;
    outputSettings.aviCompressor = options.CodecHandler;
    outputSettings.rate = { options.Rate, 1 };
    outputSettings.quality = options.Quality / 100.0;
    outputSettings.keyInterval = 1; // every frame a key frame
    return outputSettings;
}

std::optional<std::int32_t> PauseAtRate(std::int64_t rate)
{
    if (rate < 1)
        return std::nullopt;
    return std::int32_t(1000 / rate);
}

RunCommands::RunCommands(SettingsPanel &panel, WindowServices &services, RunContext &run, Options options,
    RunFeedback &feedback, StatusLine &status)
    : m_panel(panel)
    , m_services(services)
    , m_run(run)
    , m_options(options)
    , m_feedback(feedback)
    , m_status(status)
{
}

std::optional<RunRequest> RunCommands::readRequest(RunKind kind, const std::optional<VideoOutputSettings> &video)
{
    RunRequest request;
    request.kind = kind;
    std::string refusal;
    const auto checkFrames = [&](const tanimprm &prm) {
        if (!video)
            return true;
        VideoOutputSettings outputSettings = *video;
        outputSettings.width = prm.FrameWidth;
        outputSettings.height = prm.FrameHeight;
        if (!prm.Camera.AudioFile.empty())
            outputSettings.audioFile = prm.Camera.AudioFile; // an unreadable music file refused before anything is made
        refusal = SettingsRefusal(outputSettings);
        return refusal.empty();
    };
    const bool read = m_panel.ReadSettings(request.settings, request.names, checkFrames);
    m_panel.stateChanged();
    if (!refusal.empty())
        throw std::runtime_error(refusal); // before anything was made on disk
    if (!read)
        return std::nullopt;
    // The camera's seconds are those of the file the output makes, or would make.
    request.settings.Camera.Rate
        = m_panel.state().RadioGroupFormat == FormatAvi ? double(m_options.avi.Rate) : double(m_options.video.Rate);
    if (video)
        request.video = *video;
    return request;
}

void RunCommands::Test(const Bitmap24 &panorama)
{
    if (loading())
        return;
    m_panel.state().CheckBoxVisu = true;
    std::optional<RunRequest> request = readRequest(RunKind::Test, std::nullopt);
    if (!request)
        return;
    // A video file plays at its rate: the test shows the animation as it will run.
    const std::int32_t format = m_panel.state().RadioGroupFormat;
    if (format == FormatAvi)
        request->framePause = PauseAtRate(m_options.avi.Rate);
    else if (format == FormatVideo)
        request->framePause = PauseAtRate(m_options.video.Rate);
    RunAnimation(panorama, *request, m_feedback, m_run.StopRequested);
}

void RunCommands::Create(const Bitmap24 &panorama, const std::optional<FileIdentity> &inputPicture)
{
    if (loading())
        return;
    try {
        create(panorama, inputPicture);
    } catch (const TargetIsInputPicture &e) {
        m_services.errorBox(e.FileName + " est l'image en cours de lecture : rien n'a été écrit");
    }
}

void RunCommands::create(const Bitmap24 &panorama, const std::optional<FileIdentity> &inputPicture)
{
    m_panel.state().CheckBoxVisu = false;
    const std::int32_t format = m_panel.state().RadioGroupFormat;
    if (format == FormatAvi || format == FormatVideo) {
        m_status.setText({}); // a run that fails before its first frame shows no earlier result
        const VideoOutputSettings outputSettings
            = format == FormatAvi ? AviSettingsFromOptions(m_options.avi) : VideoSettingsFromOptions(m_options.video);
        std::optional<RunRequest> request = readRequest(RunKind::VideoFile, outputSettings);
        if (request) {
            request->inputPicture = inputPicture;
            createFile(panorama, std::move(*request));
        }
        return;
    }
    std::optional<RunRequest> request = readRequest(RunKind::Series, std::nullopt);
    if (!request)
        return;
    request->threads = OrderedPipeline::defaultWorkers();
    const TJpegOptions &jpeg = m_options.jpeg;
    request->encoding = [&jpeg] {
        FrameEncoding encoding;
        encoding.jpeg = jpeg; // the options window is not modal: the settings as they stand now
        return encoding;
    };
    request->inputPicture = inputPicture;
    const RunOutcome outcome = RunAnimation(panorama, *request, m_feedback, m_run.StopRequested);
    if (outcome.series.written > 0) {
        m_panel.setMadeSeries({ request->names.FileName, format }); // "Vérifier" plays it
        m_panel.stateChanged();
    }
    // A failed frame stops the run only when no later frame could be
    // written, but the status line always says so.
    std::string status = m_status.text();
    if (outcome.stopped)
        status += StoppedRunText(outcome.series.written);
    if (outcome.series.failed > 0)
        status += formatText(" - %d image(s) non enregistrée(s)", { outcome.series.failed });
    m_status.setText(status);
    if (outcome.seriesStoppedBy)
        ShowError(m_services, SaveFailureText(outcome.seriesStoppedBy->fileName, outcome.seriesStoppedBy->detail));
}

void RunCommands::createFile(const Bitmap24 &panorama, RunRequest request)
{
    if (request.video.container == VideoContainer::Avi) {
        // The compressor is confirmed in the compression dialog, pre-set
        // from the AVI options.
        if (!ChooseAviCompression(m_services, request.video))
            throw std::runtime_error("Failed to get AVI Compression Options");
        VideoOutputSettings chosen = request.video;
        chosen.width = request.settings.FrameWidth;
        chosen.height = request.settings.FrameHeight;
        if (const std::string refusal = SettingsRefusal(chosen); !refusal.empty())
            throw std::runtime_error(refusal);
    }
    const ScopedBusyCursor busy(m_services, BusyCursors::Cursor::AppStart);
    const RunOutcome outcome = RunAnimation(panorama, request, m_feedback, m_run.StopRequested);
    if (!outcome.file.name.empty()) {
        m_panel.setMadeVideoFile(outcome.file.name); // "Vérifier" plays it
        m_panel.stateChanged();
    }
    if (!outcome.file.name.empty() || outcome.keptOldFile)
        m_status.setText(m_status.text() + FileRunEndText(outcome.stopped, outcome.file.frames));
    else if (outcome.stopped)
        m_status.setText(m_status.text() + StoppedRunText(0));
}

void RunCommands::ShowFirstFileName()
{
    tanimprm prm;
    OutputNames names;
    {
        // The names "Créer" writes, whichever run came last: the mode indicator
        // of a test run would give its "TestFrame-" label.
        struct Indicator {
            bool &testMode;
            const bool shown;
            ~Indicator() { testMode = shown; }
        } indicator { m_panel.state().CheckBoxVisu, std::exchange(m_panel.state().CheckBoxVisu, false) };
        m_panel.ReadSettings(prm, names);
    }
    m_panel.stateChanged();
    m_status.setText(names.FileName);
}

void RunCommands::OpenMadeFolder()
{
    const std::string &folder = m_panel.MadeFolder();
    if (folder.empty())
        return;
    std::error_code ec;
    if (!std::filesystem::is_directory(std::filesystem::u8path(folder), ec)) {
        ShowError(m_services, "Le dossier " + folder + " n'existe plus");
        return;
    }
    if (!m_services.openFolder(folder))
        ShowError(m_services, "Impossible d'ouvrir le dossier " + folder + " dans le gestionnaire de fichiers");
}
