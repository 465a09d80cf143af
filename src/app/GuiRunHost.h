#pragma once

#include "anim/AviAnimationRun.h"

#include "common/InputFile.h"

#include <functional>
#include <optional>
#include <string>

class CommandPanel;
class PictureDisplay;
class RunContext;
class WindowServices;
struct TJpegOptions;

// The window's side of a run: settings from the command panel, frames shown
// in the drawing area, questions through the window services, the stop
// request and the pause of the shared run context; for AVI runs also the
// compression dialog and the progress report.
class GuiRunHost : public AviRunHost {
public:
    // Sets the status line's text, or reads it back.
    using StatusLine = std::function<void(const std::string &text)>;
    using StatusText = std::function<std::string()>;

    // inputPicture: the file the panorama was read from, never replaced by a frame.
    GuiRunHost(CommandPanel &panel, PictureDisplay &display, RunContext &run, WindowServices &services,
        const TJpegOptions &jpegOptions, const std::optional<FileIdentity> &inputPicture, AviProgress &progress,
        StatusLine statusLine, StatusText statusText);

    bool readSettings(tanimprm &prm) override;
    FrameFilePlan planFrame(const std::string &fileName, bool &confirmOverwrite, FrameEncoding &encoding) override;
    // One per processor.
    unsigned frameThreads() const override;
    void showFrame(const Bitmap24 &frame) override;
    void setStatusText(const std::string &text) override
    {
        m_beforeFinishing.reset();
        m_statusLine(text);
    }
    void processMessages() override;
    void waitTempo() override;
    bool chooseCompression(AviCompression &options) override;
    AviProgress &progress() override { return m_progress; }
    BusyCursors &cursors() override;
    // Without the note on queued frames, which ends with them.
    std::string statusText() const override { return m_beforeFinishing ? *m_beforeFinishing : m_statusText(); }
    // The status line says why the window waits after the last frame.
    void finishingQueuedFrames(std::int64_t count) override;

private:
    CommandPanel &m_panel;
    PictureDisplay &m_display;
    RunContext &m_run;
    WindowServices &m_services;
    const TJpegOptions &m_jpegOptions;
    const std::optional<FileIdentity> &m_inputPicture;
    AviProgress &m_progress;
    StatusLine m_statusLine;
    StatusText m_statusText;
    std::optional<std::string> m_beforeFinishing; // the status line before the queued-frames note
};
