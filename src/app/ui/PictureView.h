#pragma once

#include "anim/PictureDisplay.h"
#include "common/Bitmap24.h"
#include "common/TRect.h"

#include <QImage>
#include <QWidget>

// The main window's drawing area: the current picture on black, unscaled,
// at the top-left corner of the area or centred in it. It paints straight
// from DisplayBitmap's 24-bit rows, converting only the part it draws, so a
// large panorama is held once, not once more in the screen's format.
class PictureView : public QWidget, public PictureDisplay {
    Q_OBJECT
public:
    explicit PictureView(QWidget *parent = nullptr);

    Bitmap24 &DisplayBitmap() override { return m_display; }
    const Bitmap24 &DisplayBitmap() const { return m_display; }
    void ShowFrame(const Bitmap24 &bitmap) override;
    // The same without a copy: the shown picture shares the bitmap's pixels
    // until either is drawn into (the panorama is then held once).
    void SharePicture(const Bitmap24 &bitmap) { m_display.share(bitmap); }
    void RepaintNow() override { repaint(); }

    bool CenterInWindow() const { return m_center; }
    void setCenterInWindow(bool center) { m_center = center; }

    // The client rectangle, and where pictures are drawn: the client
    // rectangle less the margin and, when the panel is shown, its width.
    const TRect &ClientArea() const { return m_clientArea; }
    const TRect &DrawArea() const { return m_drawArea; }
    // Recomputes both areas and schedules a repaint.
    void Layout(int visiblePanelWidth);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Bitmap24 m_display;
    bool m_center = false;
    TRect m_clientArea;
    TRect m_drawArea;
    QImage m_paintBuffer; // the part being painted, in the screen's format; reused
};
