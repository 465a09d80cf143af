#include "app/cli/CliRun.h"

#include "anim/AnimationRun.h"
#include "anim/AviAnimationRun.h"
#include "anim/FrameSequence.h"
#include "anim/VideoAnimationRun.h"
#include "app/cli/CliOptions.h"
#include "common/Bitmap24.h"
#include "common/Log.h"
#include "common/OrderedPipeline.h"
#include "common/ProgramInfo.h"
#include "common/TextFormat.h"
#include "options/AviOptions.h"
#include "options/CodecCatalogue.h"
#include "output/AviProgress.h"
#include "output/EnsureFolder.h"
#include "output/FrameFile.h"
#include "output/FrameNames.h"
#include "output/OutputNaming.h"
#include "picture/PictureLoader.h"
#include "platform/BusyCursor.h"
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

// Busy cursors and the progress window have no place on a terminal.
class NoAviWindows : public BusyCursors, public AviProgress {
public:
    void pushCursor(Cursor) override { }
    void popCursor() override { }
    void showProgress() override { }
    void hideProgress() override { }
    void startPass(std::int32_t) override { }
    void frameStarting(std::int32_t, const std::string &) override { }
};

class CliHost : public AviRunHost {
public:
    CliHost(const CliOptions &options, const Bitmap24 &panorama, const FileIdentity &input, std::ostream &err,
        CliEnvironment env, bool &stopRequested)
        : m_options(options)
        , m_panorama(panorama)
        , m_input(input)
        , m_err(err)
        , m_env(env)
        , m_stop(stopRequested)
    {
    }

    int settingsError = ExitOk;
    int shown = 0;
    std::int64_t total = 0;
    SaveDetail diskFull; // why the run stopped early (disk full, read-only, frame too large)

    bool readSettings(tanimprm &prm) override
    {
        const CliOptions &o = m_options;
        prm.FrameWidth = *o.width;
        prm.FrameHeight = *o.height;
        if (prm.FrameWidth <= 0)
            return refuse("Valeur de Largeur Incorrecte");
        if (prm.FrameHeight <= 0)
            return refuse("Valeur de Hauteur Incorrecte");
        prm.Step = o.step;
        prm.Center = o.center;

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
        questions.ensureFolder = [this](std::string &folder) {
            if (m_options.test)
                return true; // a test run writes nothing, not even the folder
            return EnsureFolder(
                folder, *m_options.folder, [](const std::string &) { return true; },
                [this](const std::string &text) { m_err << "travelia-cli: " << text << '\n'; });
        };
        questions.firstFileExists = [this](const std::string &firstFileName) {
            if (m_options.nextFree)
                return ExistingFirstFile::SearchFreeNumber;
            if (m_options.overwrite)
                return ExistingFirstFile::KeepNumber;
            m_err << "travelia-cli: " << AbsolutePath(firstFileName)
                  << " exists already (use --overwrite or --next-free)\n";
            return ExistingFirstFile::Refuse;
        };
        const std::optional<OutputNames> names = ReadOutputNames(fields, questions);
        if (!names)
            return refuse({});
        SetOutputNames(prm, *names);
        prm.ScrollDirection = !o.reverse;
        prm.ScrollBack = !o.oneWay;
        prm.ScrollType = *o.scrollType;
        prm.Loop360 = o.loop360;

        // The frame count, for the progress bar; the engine computes the same.
        Bitmap24 scratch;
        tanimprm copy = prm;
        copy.FrameBitmap = &scratch;
        try {
            const PassPlan plan = PrepareFrames(copy, m_panorama.width(), m_panorama.height());
            total = RunFrameCount(plan, prm);
        } catch (const std::exception &) {
            total = 0; // the engine reports it
        }
        m_started = Clock::now();
        return true;
    }

    FrameFilePlan planFrame(const std::string &fileName, bool &confirmOverwrite, FrameEncoding &encoding) override
    {
        // Existing files are replaced only with --overwrite, and the picture
        // being read never.
        const bool overwrite = m_options.overwrite;
        encoding = m_options.frames;
        encoding.jpeg = m_options.jpeg;
        return PlanFrameFile(
            fileName, confirmOverwrite,
            [overwrite](const std::string &, const std::string &) {
                return overwrite ? ModalQuestions::OverwriteYes : ModalQuestions::OverwriteNo;
            },
            m_stop, &m_input);
    }

    void frameSaved(const FrameSeriesWriter::Report &report) override
    {
        // The run counts the outcomes; here is what the user is told.
        const SaveDetail &detail = report.detail;
        if (report.outcome == SaveOutcome::Skipped && detail.reason == SaveReason::InputPicture)
            m_err << "travelia-cli: not replaced: " << report.fileName << ' ' << detail.text() << '\n';
        if (report.outcome == SaveOutcome::Failed) {
            if (m_reportedFailures++ < 5)
                m_err << "travelia-cli: cannot write " << report.fileName << ": " << detail.text() << '\n';
            if (detail.endsSeries() && diskFull.reason == SaveReason::None) {
                diskFull = detail; // no later frame can be written
                m_stop = true;
            }
        }
    }

    unsigned frameThreads() const override
    {
        return m_options.threads ? m_options.threads : OrderedPipeline::defaultWorkers();
    }

    void showFrame(const Bitmap24 &) override
    {
        ++shown;
        progress(false);
    }
    bool showsFrames() const override { return false; }
    void setStatusText(const std::string &) override { }
    void processMessages() override
    {
        if (m_env.interrupted && *m_env.interrupted)
            m_stop = true;
    }
    void waitTempo() override { }
    // The compressor comes from --codec: no dialog.
    bool chooseCompression(AviCompression &) override { return true; }
    AviProgress &progress() override { return m_noWindows; }
    BusyCursors &cursors() override { return m_noWindows; }
    std::string statusText() const override { return {}; }
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
    bool refuse(const std::string &message)
    {
        if (!message.empty())
            m_err << "travelia-cli: " << message << '\n';
        settingsError = ExitSettings;
        return false;
    }

    void progress(bool final)
    {
        if (!m_env.progressTerminal || m_options.quiet || total <= 0)
            return;
        const auto now = Clock::now();
        if (!final && m_barShown && now - m_lastBar < std::chrono::milliseconds(100))
            return;
        m_lastBar = now;
        m_barShown = true;
        const double seconds = std::chrono::duration<double>(now - m_started).count();
        const double fps = seconds > 0 ? shown / seconds : 0;
        const int width = 30;
        const int filled = int(std::min<std::int64_t>(width, shown * width / total));
        std::string bar(std::size_t(filled), '#');
        bar.append(std::size_t(width - filled), '.');
        char line[160];
        if (fps > 0) {
            const long left = long((total - shown) / fps + 0.5);
            std::snprintf(line, sizeof line, "\r[%s] %d/%lld  %.1f frames/s  %ld:%02ld left ", bar.c_str(), shown,
                static_cast<long long>(total), fps, left / 60, left % 60);
        } else {
            std::snprintf(line, sizeof line, "\r[%s] %d/%lld ", bar.c_str(), shown, static_cast<long long>(total));
        }
        m_err << line;
        if (final)
            m_err << '\n';
        m_err.flush();
    }

    const CliOptions &m_options;
    const Bitmap24 &m_panorama;
    const FileIdentity &m_input;
    std::ostream &m_err;
    CliEnvironment m_env;
    bool &m_stop;
    Clock::time_point m_started = Clock::now();
    Clock::time_point m_lastBar;
    bool m_barShown = false;
    int m_reportedFailures = 0;
    NoAviWindows m_noWindows;
};

// The AVI settings of the command line: --codec chooses the compressor of
// that handler code (any letter case, trailing blanks optional).
bool aviOptionsFrom(const CliOptions &options, TAviOptions &avi, std::string &error)
{
    avi.Rate = options.rate;
    avi.Quality = options.aviQuality;
    avi.CodecIndex = 0;
    avi.CodecHandler = 0;
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
        avi.CodecHandler = encoders.front().aviCode;
        return true;
    }
    std::string known = "none";
    for (const AviCompressor &c : AviCompressors())
        known += ", " + fourccText(c.code);
    error = "unknown compressor '" + options.codec + "'; known: " + known;
    return false;
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
    TAviOptions avi;
    if (options.format == FormatAvi && !aviOptionsFrom(options, avi, error)) {
        err << "travelia-cli: " << error << "\nTry 'travelia-cli --list-codecs'.\n";
        return ExitSettings;
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
    const bool pictureRead
        = LoadPictureFile(options.panorama, panorama, options.jpeg, &loaded, interrupted, loadProgress);
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
    ResolveDefaults(options, panorama.width(), panorama.height());

    if (options.format == FormatVideo && !options.test) {
        // Refused before the folder is made.
        TVideoOptions video = options.video;
        video.Rate = options.rate;
        const std::string refusal = options.rate == 0 || *options.width <= 0 || *options.height <= 0
            ? std::string() // said by the run as before
            : CheckVideoOutput(VideoSpec(video, *options.width, *options.height));
        if (!refusal.empty()) {
            err << "travelia-cli: " << refusal << '\n';
            return ExitSettings;
        }
        if (const std::string note = GifFrameRateNote({ options.rate, 1 });
            video.Container == VideoContainer::Gif && !note.empty() && !options.quiet)
            err << "travelia-cli: " << note << '\n';
    }
    bool stopRequested = false;
    CliHost host(options, panorama, loaded.file, err, env, stopRequested);
    const auto started = Clock::now();
    RunSummary summary;
    AviRunResult aviResult;
    const bool aviRun = options.format == FormatAvi && !options.test;
    const bool videoRun = options.format == FormatVideo && !options.test;
    VideoRunResult videoResult;
    try {
        if (aviRun) {
            aviResult = RunAviAnimation(panorama, avi, host, stopRequested);
        } else if (videoRun) {
            TVideoOptions video = options.video;
            video.Rate = options.rate;
            videoResult = RunVideoAnimation(panorama, video, host, host.progress(), stopRequested);
        } else {
            RunAnimation(panorama, options.test, host, stopRequested, &summary);
        }
    } catch (const AviSettingsError &e) {
        err << "travelia-cli: " << errorBoxText(e.what()) << '\n';
        return ExitSettings;
    } catch (const VideoSettingsError &e) {
        err << "travelia-cli: " << e.what() << '\n';
        return ExitSettings;
    } catch (const VideoRunError &e) {
        host.finishProgress();
        err << "travelia-cli: " << e.what() << '\n';
        return ExitFrameFailed;
    } catch (const std::exception &e) {
        host.finishProgress();
        err << "travelia-cli: " << errorBoxText(e.what()) << '\n';
        // The AVI writer's failures, and a frame that cannot be made (too
        // large), are the output's, whatever the format.
        return options.test ? ExitSettings : ExitFrameFailed;
    }
    if (host.settingsError != ExitOk)
        return host.settingsError;
    host.finishProgress();
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    if (aviRun && aviResult.KeptOldFile) {
        out << formatText("0 frames written, %s left as it was, in ", { aviResult.FileName });
    } else if (aviRun && aviResult.FileWritten) {
        out << formatText("%d frames written to %s in ", { std::int64_t(aviResult.FramesWritten), aviResult.FileName });
    } else if (aviRun) {
        out << "no frame to write, no file made in ";
    } else if (videoRun) {
        if (videoResult.FileWritten)
            out << formatText(
                "%d frames written to %s in ", { std::int64_t(videoResult.FramesWritten), videoResult.FileName });
        else
            out << "no frame to write, no file made in ";
    } else if (options.test) {
        out << formatText("%d frames rendered in ", { std::int64_t(summary.produced) });
    } else {
        out << formatText("%d frames written, %d skipped, %d failed in ",
            { std::int64_t(summary.written), std::int64_t(summary.skipped), std::int64_t(summary.failed) });
    }
    char secondsText[32];
    std::snprintf(secondsText, sizeof secondsText, "%.2f s", seconds);
    out << secondsText << '\n';
    if (host.diskFull.reason != SaveReason::None)
        err << "travelia-cli: stopped: " << host.diskFull.text() << '\n';
    if (interrupted()) {
        err << "travelia-cli: interrupted\n";
        return ExitInterrupted;
    }
    return summary.failed > 0 ? ExitFrameFailed : ExitOk;
}
