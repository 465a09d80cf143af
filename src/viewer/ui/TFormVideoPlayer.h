#pragma once

#include "viewer/VideoPlayback.h"

#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class PictureDisplay;
class PlaybackClock;
class QLabel;
class QPushButton;
class QSlider;
class VideoFrameSource;
class WindowServices;

// The video player: a small window, transient for the main window, that
// plays a video or AVI file in the main window's drawing area at the
// file's rate, with "Lecture", "Pause", a position slider with the time
// ("0:03 / 0:20") and "Fermer". The playback (VideoPlayback) is driven by a
// timer set for the next frame's time; it loops when loop says so (the
// sequence viewer's "Jouer en Boucle"). Hiding the window stops it.
class TFormVideoPlayer : public QWidget {
    Q_OBJECT
public:
    TFormVideoPlayer(PictureDisplay &display, WindowServices &services, PlaybackClock &clock,
        std::function<bool()> loop, QWidget *parent = nullptr);
    ~TFormVideoPlayer() override;

    // Opens the file, shows the window and plays from the first frame. A
    // file that cannot be played is told in the error box, with its cause;
    // the window then stays as it was.
    void PlayVideo(const std::string &fileName);
    // The timer's work: shows the frame due and sets the timer for the next.
    void Tick();
    // The file's playback; null before the first file.
    const VideoPlayback *Playback() const { return m_playback.get(); }
    bool TimerActive() const { return m_timer.isActive(); }

    QPushButton *ButtonPlay, *ButtonPause, *ButtonClose;
    QSlider *SliderPosition;
    QLabel *LabelTime;

protected:
    void hideEvent(QHideEvent *event) override;

private:
    // Runs a step of the playback; a failure stops it and shows its cause.
    void guarded(const std::function<void()> &step);
    void schedule(std::optional<VideoPlayback::Duration> next);
    void showPosition(std::int64_t frame);
    void updateButtons();

    PictureDisplay &m_display;
    WindowServices &m_services;
    PlaybackClock &m_clock;
    std::function<bool()> m_loop;
    std::unique_ptr<VideoFrameSource> m_source;
    std::unique_ptr<VideoPlayback> m_playback; // plays m_source: destroyed first
    QTimer m_timer;
};
