#pragma once

#include <QObject>

class Bitmap24;
class CommandPanel;
class PictureView;
class QMainWindow;
class RunContext;
struct TAviOptions;
struct TVideoOptions;

// What the main window shows of a run before it starts: the path of its
// frames drawn over the panorama, and on the panel how many frames it makes
// and how long they play. Both follow the panel's edits and the pause; the
// program's start calls refresh() when an option window changes a rate. It
// also gives the window the "Affichage" menu, whose commands zoom the view.
class PanoramaPreview : public QObject {
    Q_OBJECT
public:
    PanoramaPreview(QMainWindow &window, PictureView &view, CommandPanel &panel, const Bitmap24 &panorama,
        const RunContext &run, const TAviOptions &avi, const TVideoOptions &video);

public slots:
    void refresh();

private:
    void addViewMenu(QMainWindow &window);

    PictureView &m_view;
    CommandPanel &m_panel;
    const Bitmap24 &m_panorama;
    const RunContext &m_run;
    const TAviOptions &m_avi;
    const TVideoOptions &m_video;
};
