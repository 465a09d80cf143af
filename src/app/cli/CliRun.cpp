#include "app/cli/CliRun.h"

#include "anim/AnimationRun.h"
#include "anim/FrameSequence.h"
#include "common/TextFormat.h"
#include "app/cli/CliOptions.h"
#include "options/JpegOptions.h"
#include "output/EnsureFolder.h"
#include "output/FrameFile.h"
#include "output/FrameNames.h"
#include "common/Bitmap24.h"
#include "picture/PictureLoader.h"
#include "platform/WindowServices.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace {

enum ExitCode { ExitOk = 0, ExitSettings = 1, ExitPicture = 2, ExitFrameFailed = 3 };

using Clock = std::chrono::steady_clock;

// The window services without a window: folder creation is always agreed,
// existing files are replaced only with --overwrite, error boxes print.
class CliServices : public WindowServices {
public:
    CliServices(std::ostream &err, bool overwrite)
        : m_err(err)
        , m_overwrite(overwrite)
    {
    }

    int messageBox(const std::string &text, const std::string &, Buttons buttons) override
    {
        if (buttons == Buttons::Ok) {
            m_err << "travelia-cli: " << text << '\n';
            return IdOk;
        }
        return IdYes; // the only question asked here: create the output folder
    }
    void errorBox(const std::string &text) override { m_err << "travelia-cli: " << errorBoxText(text) << '\n'; }
    void errorMessage(const std::string &text) override { m_err << "travelia-cli: " << text << '\n'; }
    std::string inputBox(const std::string &, const std::string &, const std::string &defaultText) override
    {
        return defaultText;
    }
    bool inputQuery(const std::string &, const std::string &, std::string &) override { return false; }
    void processMessages() override { }
    void waitForMessages() override { }
    void setCursor(Cursor) override { }
    std::string openPictureFile(const std::string &, const std::string &) override { return {}; }
    std::string savePictureFile(const std::string &, const std::string &) override { return {}; }
    std::string chooseFolder(const std::string &, const std::string &) override { return {}; }
    int askOverwrite(const std::string &, const std::string &) override
    {
        return m_overwrite ? OverwriteYes : OverwriteNo;
    }

private:
    std::ostream &m_err;
    bool m_overwrite;
};

class CliHost : public RunHost {
public:
    CliHost(
        const CliOptions &options, const Bitmap24 &panorama, std::ostream &err, CliEnvironment env, bool &stopRequested)
        : m_options(options)
        , m_panorama(panorama)
        , m_err(err)
        , m_env(env)
        , m_stop(stopRequested)
        , m_services(err, options.overwrite)
    {
    }

    int settingsError = ExitOk;
    int written = 0, skipped = 0, failed = 0, shown = 0;
    std::int64_t total = 0;

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
        prm.DstDir = BuildDstDir(*o.folder, o.useSubDir, NormalizeSubDir(o.subDir));
        // A test run writes nothing, not even the folder.
        if (!o.test && !EnsureFolder(prm.DstDir, m_services, *o.folder))
            return refuse({});
        prm.DstName = BaseNameFrom(o.name);
        prm.NumStart = o.start;
        prm.NameFormat = o.formattedNumbers ? kFormattedNamePattern : kPlainNamePattern;
        prm.Ext = ExtensionFor(o.format);
        if (o.test) {
            prm.DstDir.clear();
            prm.DstName = kTestFrameName;
            prm.Ext.clear();
        } else if (exists(
                       AbsolutePath(MakeFrameName(prm.NameFormat, prm.DstDir, prm.DstName, prm.NumStart, prm.Ext)))) {
            if (o.nextFree) {
                prm.NumStart = FindFreeNumber(prm.NameFormat, prm.DstDir, prm.DstName, prm.NumStart, prm.Ext,
                    [](const std::string &name) { return exists(AbsolutePath(name)); });
            } else if (!o.overwrite) {
                return refuse(
                    AbsolutePath(MakeFrameName(prm.NameFormat, prm.DstDir, prm.DstName, prm.NumStart, prm.Ext))
                    + " exists already (use --overwrite or --next-free)");
            }
        }
        prm.FileName = MakeFrameName(prm.NameFormat, prm.DstDir, prm.DstName, prm.NumStart, prm.Ext);
        prm.ScrollDirection = !o.reverse;
        prm.ScrollBack = !o.oneWay;
        prm.ScrollType = *o.scrollType;

        // The frame count, for the progress bar; the engine computes the same.
        Bitmap24 scratch;
        tanimprm copy = prm;
        copy.FrameBitmap = &scratch;
        try {
            const PassPlan plan = PrepareFrames(copy, m_panorama.width(), m_panorama.height());
            total = plan.PassCount > 0 ? std::int64_t(plan.PassCount) * (prm.ScrollBack ? 2 : 1) : 0;
        } catch (const std::exception &) {
            total = 0; // the engine reports it
        }
        m_started = Clock::now();
        return true;
    }

    SaveOutcome saveFrame(const Bitmap24 &frame, const std::string &fileName, bool &confirmOverwrite) override
    {
        const SaveOutcome outcome = SaveFrameFile(frame, fileName, confirmOverwrite, m_services, m_stop);
        switch (outcome) {
        case SaveOutcome::Written:
            ++written;
            break;
        case SaveOutcome::Skipped:
            ++skipped;
            break;
        case SaveOutcome::Failed:
            ++failed;
            if (m_reportedFailures++ < 5)
                m_err << "travelia-cli: cannot write " << fileName << '\n';
            break;
        case SaveOutcome::Abandoned:
            break;
        }
        return outcome;
    }

    void showFrame(const Bitmap24 &) override
    {
        ++shown;
        progress(false);
    }
    void setStatusText(const std::string &) override { }
    void processMessages() override
    {
        if (m_env.interrupted && *m_env.interrupted)
            m_stop = true;
    }
    void waitTempo() override { }

    void finishProgress()
    {
        if (m_barShown)
            progress(true);
    }

private:
    static bool exists(const std::string &name)
    {
        std::error_code ec;
        return std::filesystem::exists(name, ec);
    }

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
    std::ostream &m_err;
    CliEnvironment m_env;
    bool &m_stop;
    CliServices m_services;
    Clock::time_point m_started = Clock::now();
    Clock::time_point m_lastBar;
    bool m_barShown = false;
    int m_reportedFailures = 0;
};

// The JPEG settings are program-wide; the run borrows them.
class JpegOptionsScope {
public:
    explicit JpegOptionsScope(const TJpegOptions &options)
        : m_saved(JpegOptions)
    {
        JpegOptions = options;
    }
    ~JpegOptionsScope() { JpegOptions = m_saved; }

private:
    TJpegOptions m_saved;
};

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

    Bitmap24 panorama;
    if (!LoadPictureFile(options.panorama, panorama) || panorama.isEmpty()) {
        err << "travelia-cli: cannot read the picture " << options.panorama << '\n';
        return ExitPicture;
    }
    ResolveDefaults(options, panorama.width(), panorama.height());

    const JpegOptionsScope jpeg(options.jpeg);
    bool stopRequested = false;
    CliHost host(options, panorama, err, env, stopRequested);
    const auto started = Clock::now();
    int frames = 0;
    try {
        frames = RunAnimation(panorama, options.test, host, stopRequested);
    } catch (const std::exception &e) {
        err << "travelia-cli: " << e.what() << '\n';
        return ExitSettings;
    }
    if (host.settingsError != ExitOk)
        return host.settingsError;
    host.finishProgress();
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    if (options.test) {
        out << formatText("%d frames rendered in ", { std::int64_t(frames) });
    } else {
        out << formatText("%d frames written, %d skipped, %d failed in ",
            { std::int64_t(host.written), std::int64_t(host.skipped), std::int64_t(host.failed) });
    }
    char secondsText[32];
    std::snprintf(secondsText, sizeof secondsText, "%.2f s", seconds);
    out << secondsText << '\n';
    if (env.interrupted && *env.interrupted)
        err << "travelia-cli: interrupted\n";
    return host.failed > 0 ? ExitFrameFailed : ExitOk;
}
