#pragma once

#include "anim/AnimSettings.h"
#include "common/ProgramInfo.h"
#include "output/OutputNaming.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class WindowServices;

// What each control of the command panel holds, as plain data. The main
// window mirrors it into its widgets; the rules below work on it alone.
struct PanelState {
    std::string Caption; // the main window's caption
    std::string EditSrcName; // full path of the loaded panorama
    std::string LabelSrcDim;
    std::string EditFrameWidth = "1024";
    std::string EditFrameHeight = "768";
    // The frame size follows each picture opened (4:3 of its height or
    // width) until a size is typed; the defaults follow it again.
    bool FrameSizeFollowsPicture = true;
    std::string EditStep = "1";
    std::int32_t RadioGroupScrollType = ScrollHorizontal;
    bool CheckBoxScrollDirection = true;
    bool CheckBoxScrollBack = true;
    bool CheckBoxCenter = true;
    bool CheckBoxLoop360 = false;
    bool CheckBoxCopy = false;
    std::string EditCopy;
    bool CheckBoxSubDir = true;
    std::string EditSubDir = "./anim";
    bool CheckBoxRename = true;
    std::string EditDstName = "IMAGE";
    std::string EditNumStart = "0";
    bool CheckBoxFormat = true;
    std::int32_t RadioGroupFormat = FormatBmp;
    bool CheckBoxVisu = true;
    bool SpeedButtonTestEnabled = false;
    bool SpeedButtonCreateEnabled = false;
    bool SpeedButtonVerifyEnabled = true;
    // "Ouvrir le dossier": once a creation run has made something.
    bool SpeedButtonOpenFolderEnabled = false;
    bool GroupBoxAnimVisible = false;
    bool GroupBoxSaveVisible = false;

    bool operator==(const PanelState &) const = default;
};

inline constexpr const char *kNoPicture = "Aucune Image Chargée";

// What the window remembers of the panel from one session to the next: the
// choices a person makes once, not what follows the picture.
struct PanelChoices {
    std::int32_t Format = FormatBmp;
    bool MoveTo = false; // "Déplacer vers:" with its base folder
    std::string BaseFolder;
    bool UseSubDir = true;
    std::string SubDir = "./anim";
    bool FrameSizeFollowsPicture = true; // else the two texts as typed
    std::string FrameWidth = "1024";
    std::string FrameHeight = "768";
    std::string Step = "1";
    bool ScrollDirection = true;
    bool ScrollBack = true;
    bool Center = true;
    bool Loop360 = false;

    bool operator==(const PanelChoices &) const = default;
};

// The series the last creation run of frame files wrote into: one of its
// names and the format it was written in.
struct MadeSeries {
    std::string AnyFrame;
    std::int32_t Format = FormatBmp;
};

// The panel's rules: refresh, the two radio-group handlers and the settings
// reader. Questions and errors go through the window services; the process's
// current folder is changed by ReadSettings, as the frame names are relative
// to it.
class SettingsPanel {
public:
    SettingsPanel(WindowServices &services, std::string programFolder);

    PanelState &state() { return m_state; }
    const PanelState &state() const { return m_state; }
    // Folder of the program, with its trailing separator.
    const std::string &programFolder() const { return m_programFolder; }

    // Called whenever the rules changed the state in the middle of an
    // operation, before pending messages are processed, so the window can
    // show the new values at once.
    std::function<void()> onStateChanged;

    // The extension of "Vidéo" files, with its dot: the chosen container's.
    std::function<std::string()> videoExtension;

    // The camera of the runs (none: none); nothing, with the message, when
    // its settings are refused. With an output size, that is the frame.
    std::function<std::optional<CameraMove>(std::string &error)> camera;
    // The view of a 360° panorama (none, or inactive: frames cut from the
    // picture); nothing, with the message, when refused. Without an output
    // size, a view's frames are kDefaultViewWidth x kDefaultViewHeight.
    std::function<std::optional<SphereView>(bool loop360, std::string &error)> sphere;

    std::int32_t AspectX = 4;
    std::int32_t AspectY = 3;

    // Brings the panel up to date with the panorama (0 x 0: none) and, with
    // resetDefaults, restores the default values.
    void RefreshPanel(bool resetDefaults, int panoramaWidth, int panoramaHeight);

    PanelChoices choices() const;
    // Puts remembered choices in place, through the groups' handlers; the
    // next refresh brings what follows the picture up to date.
    void applyChoices(const PanelChoices &choices);

    // Selecting an item runs the group's handler when the selection changes.
    void setScrollType(std::int32_t index);
    void setFormat(std::int32_t index);
    void RadioGroupScrollTypeClick();
    void RadioGroupFormatClick();

    // Validates the panel and fills the run's settings and its output names;
    // false (after its message or question) when no run may start.
    // checkFrames, when given, is asked once the frame settings are read and
    // before anything is made on disk (the output folder): false refuses the
    // run (after its own message).
    bool ReadSettings(tanimprm &prm, OutputNames &names, const std::function<bool(const tanimprm &)> &checkFrames = {});
    // The frame settings as ReadSettings reads them, without its message,
    // question or output folder: nothing when a frame field is invalid.
    // For showing what a run would make while the panel is edited.
    std::optional<tanimprm> FrameSettings() const;
    // Tells the window that the state changed (onStateChanged).
    void stateChanged()
    {
        if (onStateChanged)
            onStateChanged();
    }
    // The file the last AVI or "Vidéo" run made (empty: none yet): from
    // then on "Vérifier" is enabled for those formats, and plays it.
    const std::string &MadeVideoFile() const { return m_madeVideoFile; }
    void setMadeVideoFile(std::string fileName);
    // The series the last creation run of frame files wrote (none: no frame
    // written yet): "Vérifier" lists and plays it.
    const std::optional<MadeSeries> &LastMadeSeries() const { return m_madeSeries; }
    void setMadeSeries(MadeSeries series);
    // The folder of what the last creation run made, absolute and without a
    // trailing separator (empty: nothing made yet): "Ouvrir le dossier" opens it.
    const std::string &MadeFolder() const { return m_madeFolder; }

private:
    bool readOutputSettings(OutputNames &names);
    void showError(const std::string &text);
    bool verifyEnabled() const;

    WindowServices &m_services;
    std::string m_programFolder;
    PanelState m_state;
    std::string m_madeVideoFile;
    std::optional<MadeSeries> m_madeSeries;
    std::string m_madeFolder;
};
