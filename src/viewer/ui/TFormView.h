#pragma once

#include <QWidget>

#include <cstdint>
#include <string>

class PictureDisplay;
class QCheckBox;
class QListWidget;
class QPushButton;
class RunContext;
class SettingsPanel;
class WindowServices;
struct TJpegOptions;

// The sequence viewer: lists a created series of frame files and replays it
// in the main window's drawing area, once or in a loop, at the pace of the
// shared tempo. Created hidden at start-up, shown without blocking; its list
// survives hiding. Playback runs on the UI thread and pumps messages between
// frames, so a playback started during another runs inside it.
class TFormView : public QWidget {
    Q_OBJECT
public:
    // The panel's rules give the format selection that decides the extension.
    TFormView(PictureDisplay &display, RunContext &run, WindowServices &services, const TJpegOptions &jpegOptions,
        const SettingsPanel &panel, QWidget *parent = nullptr);

    // Lets the user pick one frame, lists its series, shows the viewer and
    // plays from the first item. Cancel changes nothing.
    void OpenSequence();
    // Lists the series one of whose frames is anyFrame (format: the format
    // selection, for an extension the name leaves open), shows the viewer
    // titled with its folder and plays from the first item.
    void ShowSequence(const std::string &anyFrame, std::int32_t format);
    // Plays the list from start; an index outside the list plays nothing.
    void PlayFrom(int start);
    // "Jouer": the left button plays from the first item, another asks where
    // to start.
    void SpeedButtonPlayMouseDown(Qt::MouseButtons buttons);
    // A press on the list (viewport coordinates) shows the frame under the
    // pointer, or the last one below the items, and stops a playback.
    void ListBox1MouseDown(const QPoint &pos);

    const std::string &ViewDir() const { return m_viewDir; }

    QPushButton *SpeedButtonOpen, *SpeedButtonPlay, *SpeedButtonStop, *SpeedButtonClose;
    QCheckBox *CheckBoxBoucle;
    QListWidget *ListBox1;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showItem(int index);
    int selectedIndex() const;

    PictureDisplay &m_display;
    RunContext &m_run;
    WindowServices &m_services;
    const TJpegOptions &m_jpegOptions;
    const SettingsPanel &m_panel;
    std::string m_viewDir;
};
