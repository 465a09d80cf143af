#pragma once

#include "anim/RunCommands.h"
#include "anim/RunContext.h"
#include "anim/SphereChoices.h"
#include "app/LanguageChoice.h"
#include "app/PictureOpening.h"
#include "app/SessionSettings.h"
#include "app/ui/GuiRunFeedback.h"
#include "options/VideoOptions.h"
#include "picture/Panorama.h"

#include <QMainWindow>

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>

class CommandPanel;
class PanoramaPreview;
class PictureView;
class QAction;
class QLabel;
class QMenu;
class QSettings;
class WindowServices;

// The main window: the picture on black at the left, the command panel at
// the right, a status line, the main menu and the context menu. It holds
// the panorama and the shared run state, and dispatches every command to the
// piece that carries it out. The other windows are not known here: showing
// them is asked for with a signal that the program's start connects. The
// settings of one session are kept in settings for the next
// (RestoreSettings, and when the window closes).
class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    TFormMain(WindowServices &services, TJpegOptions &jpegOptions, TAviOptions &aviOptions, const QString &programPath,
        QSettings &settings, QWidget *parent = nullptr);
    ~TFormMain() override;

    CommandPanel &Panel() { return *ScrollBox1; }
    PictureView &View() { return *m_view; }
    RunContext &Run() { return m_run; }
    // The path and run length shown before a run (refresh() when a rate changes).
    PanoramaPreview &Preview() { return *m_preview; }
    Bitmap24 &PanoramaBitmap() { return m_panorama.Picture; }
    // The progress of runs that write one file, for the progress window.
    const GuiRunFeedback &RunProgress() const { return m_runFeedback; }

    // Puts the last session's settings in place, once every window that
    // edits them is made (some set their defaults when they are made).
    void RestoreSettings();

    // Full screen: the picture alone, over the whole screen. Leaving it (and
    // "Stop") gives the window back as it was, maximised or not; a hidden
    // panel alone counts as full screen too.
    bool IsFullScreen() const;
    void EnterFullScreen();
    void LeaveFullScreen();
    // Open steps after the dialog: load the chosen file (empty: none), refresh
    // the panel, pick the scroll type from the picture's shape, show it. A
    // long load shows its progress on the status line; Escape cancels it and
    // keeps the previous picture.
    void OpenChosenPicture(const std::string &fileName);
    bool IsLoading() const { return m_opening.loading(); }
    // A picture dropped on the window: "Ouvrir..." with that file chosen.
    void OpenDroppedPicture(const std::string &fileName);
    QString StatusText() const;
    // Escape opens the context menu at the centre of the drawing area, or
    // cancels the picture being loaded.
    bool FormKeyDown(int key);

signals:
    void helpRequested();
    void aboutRequested();
    void jpegOptionsRequested();
    void aviOptionsRequested();
    void videoOptionsRequested();
    void cameraOptionsRequested();
    void viewerRequested();
    // "Vérifier" after a creation run of frame files: the viewer lists and
    // plays that series (anyFrame: one of its names; format: its format).
    void seriesViewRequested(const QString &anyFrame, int format);
    // "Vérifier" for AVI and "Vidéo" after a run made that file: the player plays it.
    void videoPlayerRequested(const QString &fileName);
    // A picture was opened or wiped: the camera's projection is the one it offers.
    void projectionOffered();
    // "Réinitialiser les réglages": the options windows show the defaults.
    void settingsReset();
    // The window is closing (its settings kept): the program ends, every
    // other window goes.
    void closing();

public slots:
    void Menu_FileOpenClick();
    void Menu_FileWipeClick();
    void Menu_FileSaveAsClick();
    void Menu_FileQuitClick();
    void Menu_AnimClick() { setCheckMarks("Menu_AnimFullScreen", "Menu_AnimCenter"); }
    void Menu_AnimStopClick();
    void Menu_AnimFullScreenClick();
    void Menu_AnimCenterClick();
    void Menu_AnimTestClick() { SpeedButtonTestClick(); }
    void Menu_AnimCreateClick();
    void Menu_AnimVerifyClick();
    void Menu_AnimOpenFolderClick() { SpeedButtonOpenFolderClick(); }
    void Menu_OptionsDefaultClick() { SpeedButtonDefaultClick(); }
    void Menu_OptionsJpegClick() { emit jpegOptionsRequested(); }
    void Menu_OptionsAviClick() { emit aviOptionsRequested(); }
    void Menu_OptionsVideoClick() { emit videoOptionsRequested(); }
    void Menu_OptionsCameraClick() { emit cameraOptionsRequested(); }
    void Menu_OptionsResetClick();
    void Menu_OptionsClick();
    void Menu_LanguageFrenchClick() { m_language.choose(InterfaceLanguage::French); }
    void Menu_LanguageEnglishClick() { m_language.choose(InterfaceLanguage::English); }
    void Menu_OptionsShowPanelClick();
    void Menu_OptionsTempoClick();
    void PopupMenuPopup() { setCheckMarks("PopupMenu_FullScreen", "PopupMenu_Center"); }
    void SpeedButtonTestClick();
    void SpeedButtonCreateClick();
    void SpeedButtonVerifyClick();
    void SpeedButtonOpenFolderClick();
    void SpeedButtonStopClick() { m_run.StopRequested = true; }
    void SpeedButtonFilenameClick();
    void SpeedButtonDefaultClick();
    void SpeedButtonOpJPGClick() { emit jpegOptionsRequested(); }
    void SpeedButtonOpAVIClick() { emit aviOptionsRequested(); }
    void SpeedButtonOpVideoClick() { emit videoOptionsRequested(); }
    // The settings of "Vidéo" runs, for the "Options Vidéo" window.
    TVideoOptions &VideoOptions() { return m_videoOptions; }
    // The camera of every run, for the "Options Caméra" window.
    CameraChoices &CameraOptions() { return m_cameraChoices; }
    // What the opened picture says of its place on a 360° sphere.
    const PictureSphere &OpenedPictureSphere() const { return m_pictureSphere; }
    void Menu_HelpHelpClick() { emit helpRequested(); }
    void Menu_HelpAboutClick() { emit aboutRequested(); }
    void FormResize();

protected:
    void closeEvent(QCloseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void createMenus();
    void connectPanel();
    void setStatus(const std::string &text);
    // The opened picture's sphere, and the projection it offers.
    void offerProjection(PictureSphere picture);
    // The player for a video file made, else the sequence viewer.
    void requestVerify();
    using Command = void (TFormMain::*)();
    void setCheckMarks(const char *fullScreen, const char *center);
    // Runs a command: an error escaping it is shown in the error box here,
    // not thrown through Qt's event loop.
    void runCommand(const std::function<void()> &command);

    WindowServices &m_services;
    TJpegOptions &m_jpegOptions;
    TVideoOptions m_videoOptions;
    CameraChoices m_cameraChoices;
    PictureSphere m_pictureSphere;
    RunContext m_run;
    Panorama m_panorama;
    PictureView *m_view;
    // The command panel at the right (the original's scrolling box, hence the
    // name): the window counts as full screen exactly when it is hidden.
    CommandPanel *ScrollBox1;
    QLabel *StatusBar1Text;
    QLabel *StatusTimeLeft; // beside it while a run without the progress window goes on
    GuiRunFeedback m_runFeedback;
    RunCommands m_commands;
    PictureOpening m_opening;
    PanoramaPreview *m_preview = nullptr;
    SessionSettings m_session;
    LanguageChoice m_language;
    QByteArray m_geometryBeforeFullScreen;
    Qt::WindowStates m_stateBeforeFullScreen;

    QMenu *Menu_File, *Menu_Anim, *PopupMenu;
};
