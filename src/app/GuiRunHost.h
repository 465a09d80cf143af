#pragma once

#include "anim/AnimationRun.h"

#include <functional>
#include <string>

class CommandPanel;
class PictureDisplay;
class RunContext;
class WindowServices;
struct TJpegOptions;

// The window's side of a run: settings from the command panel, frames shown
// in the drawing area, questions through the window services, the stop
// request and the pause of the shared run context.
class GuiRunHost : public RunHost {
public:
    using StatusLine = std::function<void(const std::string &text)>;

    GuiRunHost(CommandPanel &panel, PictureDisplay &display, RunContext &run, WindowServices &services,
        const TJpegOptions &jpegOptions, StatusLine statusLine);

    bool readSettings(tanimprm &prm) override;
    SaveOutcome saveFrame(const Bitmap24 &frame, const std::string &fileName, bool &confirmOverwrite) override;
    void showFrame(const Bitmap24 &frame) override;
    void setStatusText(const std::string &text) override { m_statusLine(text); }
    void processMessages() override;
    void waitTempo() override;

private:
    CommandPanel &m_panel;
    PictureDisplay &m_display;
    RunContext &m_run;
    WindowServices &m_services;
    const TJpegOptions &m_jpegOptions;
    StatusLine m_statusLine;
};
