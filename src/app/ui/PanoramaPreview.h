#pragma once

#include "app/ViewFramePreview.h"

#include <QObject>

class Bitmap24;
class CommandPanel;
class PictureView;
class QMainWindow;
class QWidget;
class RunContext;
struct TAviOptions;
struct TVideoOptions;

// What the main window shows of a run before it starts: the path of its
// frames drawn over the panorama (or, for a view of a 360° panorama, its
// first frame), and on the panel how many frames it makes and how long they
// play. Both follow the panel's edits and the pause; the
// program's start calls refresh() when an option window changes a rate. It
// also gives the window the "Affichage" menu, whose commands zoom the view.
class PanoramaPreview : public QObject {
    Q_OBJECT
public:
    PanoramaPreview(QMainWindow &window, PictureView &view, CommandPanel &panel, const Bitmap24 &panorama,
        const RunContext &run, const TAviOptions &avi, const TVideoOptions &video);

    // Refreshes when `window` hides: an option window's "Annuler" takes its
    // rate back without a signal.
    void refreshWhenHidden(QWidget &window);

    // Another picture opened: what was made from the last one goes.
    void pictureChanged() { m_viewFrame.forget(); }

public slots:
    void refresh();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void addViewMenu(QMainWindow &window);

    PictureView &m_view;
    CommandPanel &m_panel;
    const Bitmap24 &m_panorama;
    const RunContext &m_run;
    const TAviOptions &m_avi;
    const TVideoOptions &m_video;
    ViewFramePreview m_viewFrame;
};
