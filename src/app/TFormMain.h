#pragma once

#include "anim/AnimSettings.h"
#include "anim/AnimationRun.h"
#include "anim/SettingsPanel.h"
#include "common/Bitmap24.h"

#include <QImage>
#include <QMainWindow>

#include <cstdint>
#include <memory>
#include <string>

class QAction;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTimer;
class QToolButton;
class WindowServices;
struct TJpegOptions;
class TFormOpJpeg;
class TDlgYesAllNo;
class TFormHelp;
class TAboutBox;
class TFormOpAvi;
class TFormView;
class TFormencours;

// The main window: the picture on black at the left, the command panel at the
// right, a status line, the main menu and the context menu. Runs are driven
// from here through the run engine; every question goes through the window
// services given at construction.
class TFormMain : public QMainWindow, private RunHost {
    Q_OBJECT
public:
    TFormMain(WindowServices &services, const TJpegOptions &jpegOptions, const QString &programPath,
        QWidget *parent = nullptr);
    ~TFormMain() override;

    // The other windows, created after this one.
    struct Windows {
        TFormOpJpeg *OpJpeg = nullptr;
        TDlgYesAllNo *YesAllNo = nullptr;
        TFormHelp *Help = nullptr;
        TAboutBox *About = nullptr;
        TFormOpAvi *OpAvi = nullptr;
        TFormView *View = nullptr;
        TFormencours *Encours = nullptr;
    };
    void setWindows(const Windows &windows) { m_windows = windows; }

    Bitmap24 PanoramaBitmap;
    Bitmap24 DisplayBitmap;
    bool StopRequested = false;
    std::int32_t Tempo = 100;
    bool CenterInWindow = false;
    TRect ClientArea;
    TRect DrawArea;

    SettingsPanel &Panel() { return m_panel; }
    bool IsFullScreen() const;

    bool LoadPicture(Bitmap24 &target, const std::string &fileName);
    void ShowFrame(const Bitmap24 &bitmap);
    void EnterFullScreen();
    void LeaveFullScreen();
    void RefreshPanel(bool resetDefaults);
    bool ReadSettings(tanimprm &prm);
    void RunAnimation(bool test);
    void WaitTempo(std::int32_t ms);
    // Open steps after the dialog: load the chosen file (empty: none), refresh
    // the panel, pick the scroll type from the picture's shape, show it.
    void OpenChosenPicture(const std::string &fileName);
    // Writes a bitmap as a picture file after the overwrite decision.
    bool SaveFrameFile(const Bitmap24 &bitmap, const std::string &fileName, bool &confirmOverwrite);
    QString StatusText() const;
    // Mirrors the panel's state into the widgets.
    void ApplyPanelState();

    // Menus.
    QMenu *Menu_File, *Menu_Anim, *Menu_Options, *Menu_Help;
    QAction *Menu_FileOpen, *Menu_FileWipe, *Menu_FileSaveAs, *esterleNomdeFichier1, *Menu_FileQuit;
    QAction *Menu_AnimStop, *Menu_AnimFullScreen, *Menu_AnimCenter, *Menu_AnimTest, *Menu_AnimCreate, *Menu_AnimVerify;
    QAction *Menu_OptionsJpeg, *Menu_OptionsDefault, *Menu_OptionsShowPanel, *Menu_OptionsTempo;
    QAction *Menu_HelpHelp, *Menu_HelpAbout;
    QMenu *PopupMenu;
    QAction *PopupMenu_Stop, *PopupMenu_Tempo, *PopupMenu_FullScreen, *PopupMenu_Center, *PopupMenu_Test,
        *PopupMenu_Create, *PopupMenu_Verify, *PopupMenu_Quit;

    // Panel.
    QScrollArea *ScrollBox1;
    QWidget *PanelAnim;
    QGroupBox *GroupBoxSrc, *GroupBoxAnim, *GroupBoxSave, *GroupBox1;
    QToolButton *SpeedButtonSrcName, *SpeedButtonCopy;
    QLineEdit *EditSrcName, *EditFrameWidth, *EditFrameHeight, *EditStep, *EditCopy, *EditSubDir, *EditDstName,
        *EditNumStart;
    QLabel *LabelSrcDim, *Label1, *Label2;
    QGroupBox *RadioGroupScrollType, *RadioGroupFormat;
    QButtonGroup *m_scrollTypeButtons, *m_formatButtons;
    QCheckBox *CheckBoxScrollDirection, *CheckBoxScrollBack, *CheckBoxCenter, *CheckBoxCopy, *CheckBoxSubDir,
        *CheckBoxRename, *CheckBoxFormat, *CheckBoxVisu;
    QPushButton *SpeedButtonOpJPG, *SpeedButtonOpAVI, *SpeedButtonTest, *SpeedButtonCreate, *SpeedButtonVerify,
        *SpeedButtonStop, *SpeedButtonFilename, *SpeedButtonDefault;
    QLabel *StatusBar1Text;
    QTimer *Timer1;

    // Command handlers.
    void Menu_FileOpenClick();
    void Menu_FileWipeClick();
    void Menu_FileSaveAsClick();
    void Menu_FileQuitClick();
    void Menu_AnimClick();
    void Menu_AnimStopClick();
    void Menu_AnimFullScreenClick();
    void Menu_AnimCenterClick();
    void Menu_AnimTestClick();
    void Menu_AnimCreateClick();
    void Menu_AnimVerifyClick();
    void Menu_OptionsJpegClick();
    void Menu_OptionsDefaultClick();
    void Menu_OptionsShowPanelClick();
    void Menu_OptionsTempoClick();
    void Menu_HelpHelpClick();
    void Menu_HelpAboutClick();
    void PopupMenuPopup();
    void SpeedButtonTestClick();
    void SpeedButtonCreateClick();
    void SpeedButtonVerifyClick();
    void SpeedButtonStopClick();
    void SpeedButtonFilenameClick();
    void SpeedButtonDefaultClick();
    void SpeedButtonOpJPGClick();
    void SpeedButtonOpAVIClick();
    void SpeedButtonCopyClick();
    void Timer1Timer();
    // Escape opens the context menu at the centre of the drawing area.
    bool FormKeyDown(int key);
    void FormResize();
    void FormPaint(class QPainter &painter);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void FormClose();
    void createMenus();
    void createPanel();
    void connectPanel();
    void setStatus(const std::string &text);
    // "Visualisation sans sauvegarde": the kind of the last run command.
    void setVisuMode(bool testOnly);
    static void showModeless(QWidget *window);

    // RunHost
    bool readSettings(tanimprm &prm) override { return ReadSettings(prm); }
    SaveOutcome saveFrame(const Bitmap24 &frame, const std::string &fileName, bool &confirmOverwrite) override;
    void showFrame(const Bitmap24 &frame) override;
    void setStatusText(const std::string &text) override { setStatus(text); }
    void processMessages() override;
    void waitTempo() override { WaitTempo(Tempo); }

    WindowServices &m_services;
    const TJpegOptions &m_jpegOptions;
    QString m_programPath;
    SettingsPanel m_panel;
    Windows m_windows;
    QWidget *m_drawingArea = nullptr;
    QImage m_displayImage; // DisplayBitmap in the screen's pixel format
    bool m_waiting = false; // the pause flag of WaitTempo, shared by nested waits
};
