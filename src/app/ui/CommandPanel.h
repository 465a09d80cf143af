#pragma once

#include "anim/SettingsPanel.h"
#include "app/BrowseForFolder.h"

#include <QScrollArea>

#include <string>

class Bitmap24;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class WindowServices;

// The command panel at the right of the main window: a scrolling box holding
// every setting of an animation and the run buttons. The panel's rules live
// in SettingsPanel; this class builds the controls, keeps them and the rules'
// state in step, and answers the small base-folder button. The main window
// connects the command buttons.
class CommandPanel : public QScrollArea {
    Q_OBJECT
public:
    CommandPanel(WindowServices &services, const std::string &programFolder, QWidget *parent = nullptr);

    SettingsPanel &Rules() { return m_rules; }
    const SettingsPanel &Rules() const { return m_rules; }

    // Mirrors the rules' state into the controls (and the caption).
    void ApplyPanelState();
    void RefreshPanel(bool resetDefaults, const Bitmap24 &panorama);
    // "Visualisation sans sauvegarde": the kind of the last run command.
    void setVisuMode(bool testOnly);
    // SpeedButtonCopy: chooses the base output folder in the folder dialog,
    // starting from the field's folder (offering to create it first). The
    // field changes only to a folder that exists.
    void ChooseFolder();

    QWidget *PanelAnim;
    QGroupBox *GroupBoxSrc, *GroupBoxAnim, *GroupBoxSave, *GroupBox1;
    QToolButton *SpeedButtonSrcName, *SpeedButtonCopy;
    QLineEdit *EditSrcName, *EditFrameWidth, *EditFrameHeight, *EditStep, *EditCopy, *EditSubDir, *EditDstName,
        *EditNumStart;
    QLabel *LabelSrcDim, *Label1, *Label2;
    QGroupBox *RadioGroupScrollType, *RadioGroupFormat;
    QCheckBox *CheckBoxLoop360 = nullptr;
    // Under the step: how many frames a run makes and how long they play.
    QLabel *LabelRunLength = nullptr;
    QPushButton *SpeedButtonOpVideo = nullptr;
    QCheckBox *CheckBoxScrollDirection, *CheckBoxScrollBack, *CheckBoxCenter, *CheckBoxCopy, *CheckBoxSubDir,
        *CheckBoxRename, *CheckBoxFormat, *CheckBoxVisu;
    QPushButton *SpeedButtonOpJPG, *SpeedButtonOpAVI, *SpeedButtonTest, *SpeedButtonCreate, *SpeedButtonVerify,
        *SpeedButtonStop, *SpeedButtonFilename, *SpeedButtonDefault;
    // Beside "Vérifier": the folder of what the last creation run made.
    QPushButton *SpeedButtonOpenFolder = nullptr;

signals:
    // The main window's caption, as the rules set it.
    void captionChanged(const QString &caption);
    // A setting of the frames was edited, or the controls show the rules anew.
    void settingsChanged();

private:
    void createControls();
    void bindControls();

    WindowServices &m_services;
    SettingsPanel m_rules;
    TBrowseForFolder BrowseForFolder1;
    QButtonGroup *m_scrollTypeButtons = nullptr;
    QButtonGroup *m_formatButtons = nullptr;
};
