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
    if (m_load || fileName.empty())
        return false;
    PanelState &state = m_panel.state();
    const bool hadPicture = !m_panorama.Picture.isEmpty();
    PictureLoadFeedback feedback(fileName, m_services, [this](const std::string &text) { m_status.setText(text); });
    PictureLoadResult result;
    bool opened = false;
    {
        m_load = &feedback;
        // The runs wait for the picture: greyed while it loads, as they were after.
        struct Loading {
            PictureLoadFeedback *&load;
            SettingsPanel &panel;
            const bool test = panel.state().SpeedButtonTestEnabled;
            const bool create = panel.state().SpeedButtonCreateEnabled;
            ~Loading()
            {
                load = nullptr;
                panel.state().SpeedButtonTestEnabled = test;
                panel.state().SpeedButtonCreateEnabled = create;
            }
        } loading { m_load, m_panel };
        state.SpeedButtonTestEnabled = state.SpeedButtonCreateEnabled = false;
        m_panel.stateChanged();
        opened = m_panorama.Open(
            fileName, m_services, m_jpegOptions, &result, feedback.cancelCheck(), feedback.progress(), releaseShown);
    }
    const Bitmap24 &picture = m_panorama.Picture;
    if (!opened) {
        m_status.setText(result.error == PictureError::Interrupted
                ? std::string("Chargement annulé")
                : formatText("Image non chargée : %s", { PictureErrorText(result) }));
        const bool droppedForRoom = hadPicture && picture.isEmpty();
        if (!droppedForRoom) {
            m_panel.stateChanged(); // the previous picture stays, as shown
            return false;
        }
        state.EditSrcName.clear();
        m_panel.RefreshPanel(false, 0, 0);
        return true;
    }
    state.EditSrcName = QFileInfo(QString::fromStdString(fileName)).absoluteFilePath().toStdString();
    m_panel.RefreshPanel(false, picture.width(), picture.height());
    m_panel.setScrollType(picture.width() > picture.height() ? ScrollHorizontal : ScrollVertical);
    m_status.setText({}); // earlier results belong to the earlier picture
    return true;
}
