#include "app/GuiRunHost.h"

#include "common/TextFormat.h"

#include "anim/PictureDisplay.h"
#include "anim/RunContext.h"
#include "app/CommandPanel.h"
#include "common/OrderedPipeline.h"
#include "output/FrameFile.h"
#include "platform/WindowServices.h"

GuiRunHost::GuiRunHost(CommandPanel &panel, PictureDisplay &display, RunContext &run, WindowServices &services,
    const TJpegOptions &jpegOptions, const std::optional<FileIdentity> &inputPicture, AviProgress &progress,
    StatusLine statusLine, StatusText statusText)
    : m_panel(panel)
    , m_display(display)
    , m_run(run)
    , m_services(services)
    , m_jpegOptions(jpegOptions)
    , m_inputPicture(inputPicture)
    , m_progress(progress)
    , m_statusLine(std::move(statusLine))
    , m_statusText(std::move(statusText))
{
}

bool GuiRunHost::readSettings(tanimprm &prm)
{
    return m_panel.ReadSettings(prm);
}

FrameFilePlan GuiRunHost::planFrame(const std::string &fileName, bool &confirmOverwrite, FrameEncoding &encoding)
{
    encoding.jpeg = m_jpegOptions; // the options window is not modal: the settings as they stand now
    return PlanFrameFile(
        fileName, confirmOverwrite,
        [this](const std::string &name, const std::string &caption) { return m_services.askOverwrite(name, caption); },
        m_run.StopRequested, m_inputPicture ? &*m_inputPicture : nullptr);
}

unsigned GuiRunHost::frameThreads() const
{
    return OrderedPipeline::defaultWorkers();
}

void GuiRunHost::showFrame(const Bitmap24 &frame)
{
    m_display.ShowFrame(frame);
    m_display.RepaintNow();
}

void GuiRunHost::processMessages()
{
    m_services.processMessages();
}

void GuiRunHost::waitTempo()
{
    m_run.WaitTempo(m_run.Tempo);
}

bool GuiRunHost::chooseCompression(AviCompression &options)
{
    return m_services.aviSaveOptions(options);
}

void GuiRunHost::finishingQueuedFrames(std::int64_t count)
{
    const std::string before = statusText();
    m_statusLine(formatText("%s - finishing %d queued frames", { before, count }));
    m_beforeFinishing = before;
    m_services.processMessages();
}

BusyCursors &GuiRunHost::cursors()
{
    return m_services;
}
