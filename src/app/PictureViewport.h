#pragma once

// How the main window shows the opened panorama: at what scale, and where
// its top-left corner stands, in the window's pixels. Fitting shows it whole
// in the drawing area (never enlarged); zooming keeps a chosen point where
// it is; panning moves it within bounds. Along an axis where the picture is
// larger than the area it always covers the area; where it is smaller it sits
// at the area's left (top) edge or, centred, in its middle.
//
// Window pixel (c, r) shows the picture's point ((c + 0.5 - OriginX) / Scale,
// (r + 0.5 - OriginY) / Scale).
class PictureViewport {
public:
    static constexpr double kMaxScale = 32;
    // One step of "Zoom avant" / "Zoom arrière".
    static constexpr double kZoomStep = 1.4142135623730951;

    // The drawing area, in window pixels. A fitted picture is fitted again;
    // otherwise the picture's point at the area's centre stays there.
    void setArea(int left, int top, int width, int height);
    // A new picture (0 x 0: none), fitted.
    void setPicture(int width, int height);
    void setCentred(bool centred);

    // The whole picture in the area, at most at its own size.
    void fit();
    // Scale 1, keeping the point at the area's centre.
    void actualSize();
    void zoomIn();
    void zoomOut();
    // Multiplies the scale by factor (held between the fitting scale and
    // kMaxScale, and stopping at 1 on the way past it), keeping the picture's
    // point under (x, y) there when the bounds allow.
    void zoomAt(double factor, double x, double y);
    // Moves the picture by (dx, dy) window pixels, within bounds.
    void panBy(double dx, double dy);

    // The scroll bars: how far the picture can move along an axis (0: it fits
    // across), the area's length and the part scrolled past.
    struct Scroll {
        int Maximum = 0;
        int Page = 0;
        int Value = 0;
        bool operator==(const Scroll &) const = default;
    };
    Scroll horizontal() const;
    Scroll vertical() const;
    void scrollHorizontally(int value);
    void scrollVertically(int value);

    double Scale() const { return m_scale; }
    double OriginX() const { return m_originX; }
    double OriginY() const { return m_originY; }
    // Fitted: the area's changes fit the picture again.
    bool Fitted() const { return m_fitted; }
    double FitScale() const;
    int PictureWidth() const { return m_pictureWidth; }
    int PictureHeight() const { return m_pictureHeight; }

    // Picture coordinates of a window point and back.
    double toPictureX(double x) const { return (x - m_originX) / m_scale; }
    double toPictureY(double y) const { return (y - m_originY) / m_scale; }
    double toWindowX(double x) const { return m_originX + x * m_scale; }
    double toWindowY(double y) const { return m_originY + y * m_scale; }

private:
    void setScaleAt(double scale, double x, double y);
    void keepInBounds();
    double centreX() const { return m_left + m_width / 2.0; }
    double centreY() const { return m_top + m_height / 2.0; }

    int m_left = 0, m_top = 0, m_width = 0, m_height = 0;
    int m_pictureWidth = 0, m_pictureHeight = 0;
    bool m_centred = false;
    bool m_fitted = true;
    double m_scale = 1;
    double m_originX = 0, m_originY = 0;
};
