#include "app/cli/CliRun.h"

#include "anim/AnimationRun.h"
#include "anim/CameraPath.h"
#include "anim/RunFeedback.h"
#include "anim/VideoSink.h"
#include "app/cli/CliOptions.h"
#include "app/cli/CliSphere.h"
#include "common/Bitmap24.h"
#include "common/Log.h"
#include "common/OrderedPipeline.h"
#include "common/ProgramInfo.h"
#include "common/TextFormat.h"
#include "options/AviOptions.h"
#include "options/CodecCatalogue.h"
#include "output/EnsureFolder.h"
#include "output/FrameFile.h"
#include "output/FrameNames.h"
#include "output/OutputNaming.h"
#include "picture/PictureLoader.h"
#include "picture/sphere/XmpPacket.h"
#include "platform/ModalQuestions.h"
#include "video/AviCompression.h"
#include "video/AviCompressors.h"
#include "video/EncoderDescription.h"
#include "video/FourCC.h"
#include "video/VideoOutput.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

enum ExitCode { ExitOk = 0, ExitSettings = 1, ExitPicture = 2, ExitFrameFailed = 3, ExitInterrupted = 130 };

// The program's log goes to err while the command runs, prefixed like our
// own messages; quiet unless --verbose.
class LogToStream {
public:
    LogToStream(std::ostream &err, bool verbose)
        : m_wasVerbose(LogVerbose())
    {
        SetLogVerbose(verbose);
        SetLogSink([&err](const std::string &line) { err << "travelia-cli: " << line << '\n'; });
    }
    ~LogToStream()
    {
        SetLogSink({});
        SetLogVerbose(m_wasVerbose);
    }
    LogToStream(const LogToStream &) = delete;
    LogToStream &operator=(const LogToStream &) = delete;

private:
    bool m_wasVerbose;
};

using Clock = std::chrono::steady_clock;

// Seconds with one decimal: "3.2".
std::string secondsText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds);
    return text;
}

// The command line's side of a run: no window, a progress bar on a
// terminal, answers from the flags, Ctrl-C as the stop request.
class CliFeedback : public RunFeedback {
public:
    CliFeedback(const CliOptions &options, std::ostream &err, CliEnvironment env, bool &stopRequested)
        : m_options(options)
        , m_err(err)
        , m_env(env)
        , m_stop(stopRequested)
        , m_rate(RateOf(options))
    {
    }

    void runStarting(const RunPlan &plan) override
    {
        m_total = plan.total();
        // A pan that crosses a frame width too fast judders: said, not refused.
        if (const std::optional<JudderAdvice> advice = AdviseOnJudder(plan, m_rate); advice && !m_options.quiet)
            m_err << formatText("travelia-cli: a pass crosses one frame width in %s s; at %d frames per second a pan "
                                "looks smooth from about 7 s a frame width: --duration %d would be smooth\n",
                { secondsText(advice->crossingSeconds), std::int64_t(m_rate), std::int64_t(advice->smoothDuration) });
        m_started = Clock::now();
    }
    void showFrame(const Bitmap24 &) override
    {
        ++m_shown;
        progress(false);
    }
    bool showsFrames() const override { return false; }
    void processMessages() override
    {
        if (m_env.interrupted && *m_env.interrupted)
            m_stop = true;
    }
    // Existing files are replaced only with --overwrite.
    int askOverwrite(const std::string &, const std::string &) override
    {
        return m_options.overwrite ? ModalQuestions::OverwriteYes : ModalQuestions::OverwriteNo;
    }
    void frameSaved(const FrameSeriesWriter::Report &report) override
    {
        // The run counts the outcomes and stops; here is what the user is told.
        const SaveDetail &detail = report.detail;
        if (report.outcome == SaveOutcome::Skipped && detail.reason == SaveReason::InputPicture)
            m_err << "travelia-cli: not replaced: " << report.fileName << ' ' << detail.text() << '\n';
        if (report.outcome == SaveOutcome::Failed && m_reportedFailures++ < 5)
            m_err << "travelia-cli: cannot write " << report.fileName << ": " << detail.text() << '\n';
    }
    // The first Ctrl-C stopped the frames; a second one gives up the queue.
    void finishingQueuedFrames(std::int64_t count) override
    {
        if (!m_options.quiet)
            m_err << "\ntravelia-cli: finishing " << count << " queued frames (Ctrl-C again to drop them)\n";
    }
    bool dropQueuedFrames() override { return m_env.interrupted && *m_env.interrupted >= 2; }

    void finishProgress()
    {
        if (m_barShown)
            progress(true);
    }

private:
    void progress(bool final)
    {
        if (!m_env.progressTerminal || m_options.quiet || m_total <= 0)
            return;
        const auto now = Clock::now();
        if (!final && m_barShown && now - m_lastBar < std::chrono::milliseconds(100))
            return;
        m_lastBar = now;
        m_barShown = true;
        const double seconds = std::chrono::duration<double>(now - m_started).count();
        const double fps = seconds > 0 ? m_shown / seconds : 0;
        const int width = 30;
        const int filled = int(std::min<std::int64_t>(width, m_shown * width / m_total));
        std::string bar(std::size_t(filled), '#');
        bar.append(std::size_t(width - filled), '.');
        char line[160];
        if (fps > 0) {
            const long left = long((m_total - m_shown) / fps + 0.5);
            std::snprintf(line, sizeof line, "\r[%s] %lld/%lld  %.1f frames/s  %ld:%02ld left ", bar.c_str(),
                static_cast<long long>(m_shown), static_cast<long long>(m_total), fps, left / 60, left % 60);
        } else {
            std::snprintf(line, sizeof line, "\r[%s] %lld/%lld ", bar.c_str(), static_cast<long long>(m_shown),
                static_cast<long long>(m_total));
        }
        m_err << line;
        if (final)
            m_err << '\n';
        m_err.flush();
    }

    const CliOptions &m_options;
    std::ostream &m_err;
    CliEnvironment m_env;
    bool &m_stop;
    std::uint16_t m_rate;
    std::int64_t m_total = 0;
    std::int64_t m_shown = 0;
    Clock::time_point m_started = Clock::now();
    Clock::time_point m_lastBar;
    bool m_barShown = false;
    int m_reportedFailures = 0;
};

// The compressor of --codec by its handler code (any letter case, trailing
// blanks optional); 0 for none. False, with the known codes, for a code no
// compressor of this machine has.
bool aviCompressorFrom(const CliOptions &options, std::uint32_t &compressor, std::string &error)
{
    compressor = 0;
    std::string wanted = options.codec;
    while (!wanted.empty() && wanted.back() == ' ')
        wanted.pop_back();
    std::string lower = wanted;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (lower == "none")
        return true; // no need to try every compressor of the machine
    // Only the chosen compressor is opened, by the run: the list is made
    // only to say which codes there are.
    const std::vector<EncoderDescription> encoders = AviEncodersFor(fourccFromText(wanted));
    if (!encoders.empty()) {
        compressor = encoders.front().aviCode;
        return true;
    }
    std::string known = "none";
    for (const AviCompressor &c : AviCompressors())
        known += ", " + fourccText(c.code);
    error = "unknown compressor '" + options.codec + "'; known: " + known;
    return false;
}

// For a frame larger than H.264 plays everywhere (players and phones take
// up to 4096 pixels a side), what would do.
std::string largeFrameAdvice(const RunRequest &request)
{
    const VideoOutputSettings &v = request.video;
    const bool h264
        = (v.container == VideoContainer::Mp4 && (v.codec == VideoCodec::Default || v.codec == VideoCodec::H264))
        || (v.container == VideoContainer::Avi && fourccUpper(v.aviCompressor) == fourccFromText("H264"));
    if (!h264 || (request.settings.FrameWidth <= 4096 && request.settings.FrameHeight <= 4096))
        return {};
    return " (use --size to make the frames smaller, e.g. --size 1080p, or --video-codec h265 or av1)";
}

// What the run is: frames only rendered, a frame series or one file.
RunKind kindOf(const CliOptions &options)
{
    if (options.test)
        return RunKind::Test;
    return options.format == FormatAvi || options.format == FormatVideo ? RunKind::VideoFile : RunKind::Series;
}

// The frames' settings of the options (after ResolveDefaults); false, after
// the message, for a size the panel would refuse.
bool frameSettingsFrom(const CliOptions &o, tanimprm &prm, std::ostream &err)
{
    prm.FrameWidth = *o.width;
    prm.FrameHeight = *o.height;
    if (prm.FrameWidth <= 0 || prm.FrameHeight <= 0) {
        err << "travelia-cli: "
            << (prm.FrameWidth <= 0 ? "Valeur de Largeur Incorrecte" : "Valeur de Hauteur Incorrecte") << '\n';
        return false;
    }
    prm.Step = o.step;
    prm.Center = o.center;
    prm.ScrollDirection = !o.reverse;
    prm.ScrollBack = !o.oneWay;
    prm.ScrollType = *o.scrollType;
    prm.Loop360 = o.loop360;
    prm.Camera = o.camera;
    return true;
}

// The names of the options; nothing, after the message, when the folder
// cannot be made or the first file exists without --overwrite or --next-free.
std::optional<OutputNames> namesFrom(const CliOptions &o, std::ostream &err)
{
    OutputFields fields;
    fields.BaseFolder = *o.folder;
    fields.UseSubDir = o.useSubDir;
    fields.SubDir = o.subDir;
    fields.BaseNameSource = *o.name;
    fields.NumStart = std::to_string(o.start);
    fields.FormattedNumbers = o.formattedNumbers;
    fields.Format = o.format;
    fields.VideoExt = ContainerExtension(o.video.Container);
    fields.TestMode = o.test;
    NamingQuestions questions;
    questions.ensureFolder = [&](std::string &folder) {
        if (o.test)
            return true; // a test run writes nothing, not even the folder
        return EnsureFolder(
            folder, *o.folder, [](const std::string &) { return true; },
            [&err](const std::string &text) { err << "travelia-cli: " << text << '\n'; });
    };
    questions.firstFileExists = [&](const std::string &firstFileName) {
        if (o.nextFree)
            return ExistingFirstFile::SearchFreeNumber;
        if (o.overwrite)
            return ExistingFirstFile::KeepNumber;
        err << "travelia-cli: " << AbsolutePath(firstFileName) << " exists already (use --overwrite or --next-free)\n";
        return ExistingFirstFile::Refuse;
    };
    questions.seriesBusy = [&err](const std::string &pattern, const std::string &folder) {
        err << "travelia-cli: another run is writing " << pattern << " in " << folder << '\n';
    };
    return ReadOutputNames(fields, questions);
}

// With an output size, the picture is kept at the size the camera sees it
// (CameraPanoramaSize): a large file is reduced as it is read, never held
// whole, and the run finds it already at that size.
// Whether the picture may be seen as a sphere: views sample it whole, so it
// is not reduced as it loads.
bool maySeeASphere(const CliOptions &options)
{
    if (options.view || options.fov || options.pitch || options.planetIntro)
        return true;
    if (options.inputProjection)
        return *options.inputProjection != SphereProjection::Flat;
    return FindXmpPacketInFile(options.panorama).packet.find("GPano") != std::string::npos;
}

LoadSizeChoice cameraLoadSize(const CliOptions &options)
{
    if (!options.camera.Scales() || maySeeASphere(options))
        return {};
    return [&options](int width, int height) -> std::optional<PictureSize> {
        CliOptions resolved = options;
        ResolveDefaults(resolved, width, height);
        tanimprm prm;
        prm.ScrollType = *resolved.scrollType;
        prm.Camera = resolved.camera;
        return CameraPanoramaSize(prm, width, height);
    };
}

} // namespace

int runCli(int argc, const char *const *argv, std::ostream &out, std::ostream &err, CliEnvironment env)
{
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::string error;
    std::optional<CliOptions> parsed = ParseCliOptions(args, error);
    if (!parsed) {
        err << "travelia-cli: " << error << "\nTry 'travelia-cli --help'.\n";
        return ExitSettings;
    }
    CliOptions &options = *parsed;
    if (options.help) {
        out << CliUsage();
        return ExitOk;
    }
    if (options.version) {
        out << VersionLine("travelia-cli") << '\n';
        return ExitOk;
    }
    if (options.listCodecs) {
        for (const std::string &line : CatalogueList())
            out << line << '\n';
        return ExitOk;
    }
    const RunKind kind = kindOf(options);
    RunRequest request;
    request.kind = kind;
    if (kind == RunKind::VideoFile) {
        VideoOutputSettings &outputSettings = request.video;
        if (options.format == FormatAvi) {
            outputSettings.container = VideoContainer::Avi;
            if (!aviCompressorFrom(options, outputSettings.aviCompressor, error)) {
                err << "travelia-cli: " << error << "\nTry 'travelia-cli --list-codecs'.\n";
                return ExitSettings;
            }
            outputSettings.quality = options.aviQuality / 100.0;
            outputSettings.keyInterval = 1; // every frame a key frame
        } else {
            outputSettings.container = options.video.Container;
            outputSettings.codec = options.video.Codec;
            outputSettings.quality = options.video.Quality;
            outputSettings.keyInterval = options.video.KeyInterval;
            outputSettings.preset = options.video.Preset;
            outputSettings.lossless = options.video.Lossless;
            outputSettings.maxBitsPerSecond = options.maxBitsPerSecond;
            outputSettings.audioFile = options.camera.AudioFile; // and the run's settings, through the camera
        }
        outputSettings.rate = { RateOf(options), 1 };
    }
    const LogToStream log(err, options.verbose);
    const auto interrupted = [&env] { return env.interrupted && *env.interrupted; };

    Bitmap24 panorama;
    PictureLoadResult loaded;
    // A load of more than half a second shows how far it is, on a terminal.
    const auto loadStarted = Clock::now();
    bool loadBarShown = false;
    const LoadProgress loadProgress = [&](int percent) {
        if (!env.progressTerminal || options.quiet || Clock::now() - loadStarted < std::chrono::milliseconds(500))
            return;
        loadBarShown = true;
        const std::size_t filled = std::size_t(std::clamp(percent, 0, 100) * 30 / 100);
        err << "\rreading [" << std::string(filled, '#') << std::string(30 - filled, '.') << "] " << percent << "% "
            << std::flush;
    };
    LoadRequest load;
    load.cancelled = interrupted;
    load.progress = loadProgress;
    load.size = cameraLoadSize(options);
    const bool pictureRead = LoadPictureFile(options.panorama, panorama, options.jpeg, &loaded, load);
    if (loadBarShown)
        err << '\n';
    if (!pictureRead) {
        if (loaded.error == PictureError::Interrupted || interrupted()) {
            err << "travelia-cli: interrupted\n";
            return ExitInterrupted;
        }
        err << "travelia-cli: cannot read the picture " << options.panorama << ": " << PictureErrorText(loaded) << '\n';
        return ExitPicture;
    }
    const bool sizeGiven = options.width || options.height || options.camera.Scales();
    // Everything that can be refused is refused before anything is made on disk.
    SphereView sphere;
    if (!SphereFromOptions(options, panorama, sphere, err))
        return ExitSettings;
    // The defaults follow the picture as its file announces it, whatever size it was kept at.
    const bool announced = loaded.width > 0 && loaded.height > 0;
    ResolveDefaults(options, announced ? int(loaded.width) : panorama.width(),
        announced ? int(loaded.height) : panorama.height(), sphere.Active());

    if (!frameSettingsFrom(options, request.settings, err))
        return ExitSettings;
    request.settings.Sphere = sphere;
    if (kind == RunKind::VideoFile) {
        std::optional<VideoError> refusal = RefuseVideoOutput(VideoSettingsFor(request, panorama));
        // A default frame of odd sides is made even where the encoder needs it (4:2:0).
        tanimprm &s = request.settings;
        if (refusal && !sizeGiven && (s.FrameWidth % 2 || s.FrameHeight % 2)) {
            RunRequest even = request;
            even.settings.FrameWidth -= s.FrameWidth % 2;
            even.settings.FrameHeight -= s.FrameHeight % 2;
            std::optional<VideoError> evenRefusal;
            if (even.settings.FrameWidth > 0 && even.settings.FrameHeight > 0)
                evenRefusal = RefuseVideoOutput(VideoSettingsFor(even, panorama));
            if (!evenRefusal && !options.quiet)
                err << formatText("travelia-cli: frames of %d x %d: the encoder needs even sides (the default was %d "
                                  "x %d)\n",
                    { std::int64_t(even.settings.FrameWidth), std::int64_t(even.settings.FrameHeight),
                        std::int64_t(s.FrameWidth), std::int64_t(s.FrameHeight) });
            if (even.settings.FrameWidth > 0 && even.settings.FrameHeight > 0) {
                s = even.settings; // what else it refuses, it refuses at the even size
                refusal = evenRefusal;
            }
        }
        if (refusal) {
            err << "travelia-cli: " << refusal->cause() << largeFrameAdvice(request) << '\n';
            return ExitSettings;
        }
    }
    if (kind == RunKind::VideoFile && request.video.container == VideoContainer::Gif && !options.quiet)
        if (const std::string note = GifFrameRateNote(request.video.rate); !note.empty())
            err << "travelia-cli: " << note << '\n';
    const std::optional<OutputNames> names = namesFrom(options, err);
    if (!names)
        return ExitSettings;
    request.names = *names;
    request.threads = options.threads ? options.threads : OrderedPipeline::defaultWorkers();
    request.encoding = [&options] {
        FrameEncoding encoding = options.frames;
        encoding.jpeg = options.jpeg;
        return encoding;
    };
    request.inputPicture = loaded.file;

    bool stopRequested = false;
    CliFeedback feedback(options, err, env, stopRequested);
    const auto started = Clock::now();
    RunOutcome outcome;
    try {
        outcome = RunAnimation(panorama, request, feedback, stopRequested);
    } catch (const TargetIsInputPicture &e) {
        err << "travelia-cli: " << e.what() << '\n';
        return ExitSettings;
    } catch (const VideoRunError &e) {
        feedback.finishProgress();
        err << "travelia-cli: " << errorBoxText(e.what()) << '\n';
        return ExitFrameFailed;
    } catch (const std::exception &e) {
        feedback.finishProgress();
        err << "travelia-cli: " << errorBoxText(e.what()) << '\n';
        // A frame that cannot be made (too large) is the output's, whatever the format.
        return options.test ? ExitSettings : ExitFrameFailed;
    }
    feedback.finishProgress();
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    if (kind == RunKind::VideoFile) {
        if (outcome.keptOldFile)
            out << formatText("0 frames written, %s left as it was, in ", { AbsolutePath(request.names.FileName) });
        else if (!outcome.file.name.empty())
            out << formatText("%d frames written to %s in ", { outcome.file.frames, outcome.file.name });
        else
            out << "no frame to write, no file made in ";
    } else if (kind == RunKind::Test) {
        out << formatText("%d frames rendered in ", { outcome.produced });
    } else {
        out << formatText("%d frames written, %d skipped, %d failed in ",
            { outcome.series.written, outcome.series.skipped, outcome.series.failed });
    }
    char secondsText[32];
    std::snprintf(secondsText, sizeof secondsText, "%.2f s", seconds);
    out << secondsText << '\n';
    if (outcome.seriesStoppedBy && outcome.seriesStoppedBy->detail.reason == SaveReason::InputPicture)
        err << "travelia-cli: stopped: " << outcome.seriesStoppedBy->fileName << ' '
            << outcome.seriesStoppedBy->detail.text() << '\n';
    else if (outcome.seriesStoppedBy)
        err << "travelia-cli: stopped: " << outcome.seriesStoppedBy->detail.text() << '\n';
    if (interrupted()) {
        err << "travelia-cli: interrupted\n";
        return ExitInterrupted;
    }
    return outcome.series.failed > 0 ? ExitFrameFailed : ExitOk;
}
