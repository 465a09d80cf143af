#pragma once

#include "anim/FramePath.h"
#include "anim/PictureDisplay.h"
#include "app/PictureLevelsMaker.h"
#include "app/PictureViewport.h"
#include "common/Bitmap24.h"
#include "common/TRect.h"

#include <QImage>
#include <QWidget>

#include <optional>
#include <vector>

class QScrollBar;

// The main window's drawing area. It shows either the opened panorama,
// fitted to the area, zoomed and panned (drag, wheel, scroll bars; Ctrl +
// wheel zooms at the pointer), with the path of the frames a run would make
// drawn over it; or, once a run or a replay shows a frame, that frame
// unscaled on black, at the area's top-left corner or centred in it. The last
// frame stays until a zoom command brings the panorama back, fitted.
//
// It paints straight from 24-bit rows, converting only the part it draws, so
// a large panorama is held once: the view shares its pixels. Below a fifth
// of its size it is drawn from reduced copies made on a thread when it is
// shown; until they are ready the area says so.
class PictureView : public QWidget, public PictureDisplay {
    Q_OBJECT
public:
    explicit PictureView(QWidget *parent = nullptr);
    ~PictureView() override;

    Bitmap24 &DisplayBitmap() override { return m_display; }
    const Bitmap24 &DisplayBitmap() const { return m_display; }
    // A frame of a run or a replay: shown unscaled from now on.
    void ShowFrame(const Bitmap24 &bitmap) override;
    void RepaintNow() override;
    // The opened panorama (0 x 0: none), shown fitted. The shown picture
    // shares the bitmap's pixels until either is drawn into.
    void SharePicture(const Bitmap24 &bitmap);
    // Lets go of every share of the panorama's pixels (the shown picture, the
    // reduced copies and the thread making them), for a load that needs the memory.
    void ReleasePicture();

    // The panorama is shown (not a frame).
    bool ShowsPanorama() const { return m_showsPanorama; }
    const PictureViewport &Viewport() const { return m_viewport; }
    // The reduced copies of the panorama are made (none may be needed).
    bool ReducedCopiesReady() const { return !m_levelsMaker.busy(); }
    // Drawn over a reduced view until its copies are ready.
    static QString PreparingText() { return tr("Préparation de l'aperçu..."); }
    const std::vector<Bitmap24> &ReducedCopies() const { return m_levels; }
    // Drawn over the panorama: the path of the frames a run would make.
    void setFramePath(PathOutline path);
    // The first frame of a view of a 360° panorama, shown in the panorama's
    // place (fitted, centred, no path) while the panorama would be shown; a
    // null image: the panorama again.
    void setViewFrame(QImage frame);
    const QImage &ViewFrame() const { return m_viewFrame; }
    bool ShowsViewFrame() const { return m_showsPanorama && !m_viewFrame.isNull(); }
    const PathOutline &FramePath() const { return m_path; }

    bool CenterInWindow() const { return m_center; }
    void setCenterInWindow(bool center);

    // The client rectangle, and where pictures are drawn: the client
    // rectangle less the margin and, when the panel is shown, its width.
    const TRect &ClientArea() const { return m_clientArea; }
    const TRect &DrawArea() const { return m_drawArea; }
    // Recomputes both areas and schedules a repaint.
    void Layout(int visiblePanelWidth);

    // The zoom commands; shown frames give way to the panorama, fitted first.
    void FitToWindow();
    void ZoomIn();
    void ZoomOut();
    void ActualSize();
    void ZoomAt(double factor, const QPointF &point);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void showPanorama();
    // The scroll bars follow the viewport; the area is repainted.
    void viewportChanged();
    void paintFrame(QPainter &painter, const QRect &exposed);
    void paintPanorama(QPainter &painter, const QRect &exposed);
    void paintViewFrame(QPainter &painter, const QRect &exposed);
    QImage &paintBuffer(const QSize &size);

    Bitmap24 m_display;
    Bitmap24 m_panorama; // the opened panorama's pixels, shared
    std::vector<Bitmap24> m_levels; // its reduced copies, largest first
    PictureLevelsMaker m_levelsMaker;
    PictureViewport m_viewport;
    PathOutline m_path;
    QImage m_viewFrame;
    bool m_showsPanorama = true;
    bool m_center = false;
    TRect m_clientArea;
    TRect m_drawArea;
    QScrollBar *m_horizontal;
    QScrollBar *m_vertical;
    std::optional<QPointF> m_dragFrom;
    QImage m_paintBuffer; // the part being painted, in the screen's format; reused
};
