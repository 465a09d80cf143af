#include "app/PictureViewport.h"

#include <algorithm>
#include <cmath>

namespace {

// A picture whose scaled side is within this of the area's fits it: the
// scale is a quotient, its product with the side not always exact.
constexpr double kSlack = 1e-6;

// Where the picture's near edge stands along one axis.
double Placed(double origin, int start, int length, double shown, bool centred)
{
    if (shown <= length + kSlack)
        return start + (centred ? std::floor((length - shown) / 2 + kSlack) : 0.0);
    return std::clamp(origin, start + length - shown, double(start));
}

PictureViewport::Scroll ScrollAlong(double origin, int start, int length, double shown)
{
    PictureViewport::Scroll s;
    s.Page = std::max(length, 0);
    if (shown <= length + kSlack)
        return s;
    s.Maximum = int(std::ceil(shown - length));
    s.Value = std::clamp(int(std::lround(start - origin)), 0, s.Maximum);
    return s;
}

} // namespace

double PictureViewport::FitScale() const
{
    if (m_pictureWidth <= 0 || m_pictureHeight <= 0 || m_width <= 0 || m_height <= 0)
        return 1;
    return std::min({ 1.0, double(m_width) / m_pictureWidth, double(m_height) / m_pictureHeight });
}

void PictureViewport::setArea(int left, int top, int width, int height)
{
    const double x = toPictureX(centreX()), y = toPictureY(centreY());
    m_left = left;
    m_top = top;
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    if (m_fitted) {
        fit();
        return;
    }
    // A zoom below the new fitting scale is the fitting scale.
    m_scale = std::max(m_scale, FitScale());
    m_originX = centreX() - x * m_scale;
    m_originY = centreY() - y * m_scale;
    keepInBounds();
}

void PictureViewport::setPicture(int width, int height)
{
    m_pictureWidth = std::max(width, 0);
    m_pictureHeight = std::max(height, 0);
    fit();
}

void PictureViewport::setCentred(bool centred)
{
    m_centred = centred;
    keepInBounds();
}

void PictureViewport::fit()
{
    m_fitted = true;
    m_scale = FitScale();
    m_originX = m_left;
    m_originY = m_top;
    keepInBounds();
}

void PictureViewport::actualSize()
{
    setScaleAt(1, centreX(), centreY());
}

void PictureViewport::zoomIn()
{
    zoomAt(kZoomStep, centreX(), centreY());
}

void PictureViewport::zoomOut()
{
    zoomAt(1 / kZoomStep, centreX(), centreY());
}

void PictureViewport::zoomAt(double factor, double x, double y)
{
    double scale = m_scale * factor;
    // Passing 1 stops there: the picture's own pixels are one step away.
    if ((m_scale < 1 && scale > 1) || (m_scale > 1 && scale < 1))
        scale = 1;
    setScaleAt(scale, x, y);
}

void PictureViewport::setScaleAt(double scale, double x, double y)
{
    const double fitting = FitScale();
    scale = std::clamp(scale, fitting, kMaxScale);
    const double px = toPictureX(x), py = toPictureY(y);
    m_scale = scale;
    m_fitted = scale == fitting;
    m_originX = x - px * scale;
    m_originY = y - py * scale;
    keepInBounds();
}

void PictureViewport::panBy(double dx, double dy)
{
    m_originX += dx;
    m_originY += dy;
    keepInBounds();
}

PictureViewport::Scroll PictureViewport::horizontal() const
{
    return ScrollAlong(m_originX, m_left, m_width, m_pictureWidth * m_scale);
}

PictureViewport::Scroll PictureViewport::vertical() const
{
    return ScrollAlong(m_originY, m_top, m_height, m_pictureHeight * m_scale);
}

void PictureViewport::scrollHorizontally(int value)
{
    m_originX = m_left - double(value);
    keepInBounds();
}

void PictureViewport::scrollVertically(int value)
{
    m_originY = m_top - double(value);
    keepInBounds();
}

void PictureViewport::keepInBounds()
{
    m_originX = Placed(m_originX, m_left, m_width, m_pictureWidth * m_scale, m_centred);
    m_originY = Placed(m_originY, m_top, m_height, m_pictureHeight * m_scale, m_centred);
}
