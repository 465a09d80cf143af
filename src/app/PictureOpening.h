#pragma once

#include <functional>
#include <string>

class PictureLoadFeedback;
class SettingsPanel;
class StatusLine;
class WindowServices;
struct Panorama;
struct TJpegOptions;

// The steps of "Ouvrir..." (and of a picture dropped on the window) once a
// file is chosen: the picture is loaded with the window's feedback (the part
// read on the status line, Escape cancels: cancel()), "Tester" and "Créer"
// greyed meanwhile, the panel's rules are brought up to date with it (its
// name, size and a 4:3 frame, the scroll type from its shape) and the status
// line is cleared of earlier results, or says what went wrong. The window
// then shows the panel and the picture.
class PictureOpening {
public:
    PictureOpening(Panorama &panorama, SettingsPanel &panel, WindowServices &services, const TJpegOptions &jpegOptions,
        StatusLine &status);

    // Loads fileName (empty: none chosen). releaseShown lets go of the
    // shown copy of the panorama when the memory needs it. False when the
    // window has nothing to show anew: no file was chosen, the load failed
    // or was cancelled and left the previous picture as it was, or another
    // load is under way (which this one waits for).
    bool Open(const std::string &fileName, const std::function<void()> &releaseShown);

    bool loading() const { return m_load != nullptr; }
    void cancel();

private:
    Panorama &m_panorama;
    SettingsPanel &m_panel;
    WindowServices &m_services;
    const TJpegOptions &m_jpegOptions;
    StatusLine &m_status;
    PictureLoadFeedback *m_load = nullptr; // while a picture loads
};
