#include "app/PictureOpening.h"

#include "anim/SettingsPanel.h"
#include "anim/StatusLine.h"
#include "app/PictureLoadFeedback.h"
#include "common/TextFormat.h"
#include "picture/Panorama.h"
#include "platform/WindowServices.h"

#include <QFileInfo>

PictureOpening::PictureOpening(Panorama &panorama, SettingsPanel &panel, WindowServices &services,
    const TJpegOptions &jpegOptions, StatusLine &status)
    : m_panorama(panorama)
    , m_panel(panel)
    , m_services(services)
    , m_jpegOptions(jpegOptions)
    , m_status(status)
{
}

void PictureOpening::cancel()
{
    if (m_load)
        m_load->cancel();
}

bool PictureOpening::Open(const std::string &fileName, const std::function<void()> &releaseShown)
{
    // An open asked for while a picture loads (the load handles messages)
    // waits for that load to end.
    if (m_load)
        return false;
    const std::string statusBefore = m_status.text();
    PictureLoadFeedback feedback(fileName, m_services, [this](const std::string &text) { m_status.setText(text); });
    PictureLoadResult result;
    bool opened = false;
    {
        m_load = &feedback;
        struct Loading {
            PictureLoadFeedback *&load;
            ~Loading() { load = nullptr; }
        } loading { m_load };
        opened = m_panorama.Open(
            fileName, m_services, m_jpegOptions, &result, feedback.cancelCheck(), feedback.progress(), releaseShown);
    }
    const Bitmap24 &picture = m_panorama.Picture;
    if (result.error == PictureError::Interrupted && !picture.isEmpty()) {
        m_status.setText("Chargement annulé"); // the previous picture stays, as shown
        return false;
    }
    if (opened)
        m_panel.state().EditSrcName = QFileInfo(QString::fromStdString(fileName)).absoluteFilePath().toStdString();
    m_panel.RefreshPanel(false, picture.width(), picture.height());
    m_panel.setScrollType(picture.width() > picture.height() ? ScrollHorizontal : ScrollVertical);
    if (!opened && !fileName.empty())
        m_status.setText(result.error == PictureError::Interrupted
                ? std::string("Chargement annulé")
                : formatText("Image non chargée : %s", { PictureErrorText(result) }));
    else if (feedback.showedProgress())
        m_status.setText(statusBefore);
    return true;
}
