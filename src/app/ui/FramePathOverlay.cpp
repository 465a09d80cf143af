#include "app/ui/FramePathOverlay.h"

#include "app/PictureViewport.h"

#include <QPainter>
#include <QPolygonF>

namespace {

const QColor kFirstFrame(80, 220, 80);
const QColor kLastFrame(240, 90, 60);
const QColor kCentreLine(250, 220, 60);

QRectF OnWindow(const FrameRect &r, const PictureViewport &v)
{
    return QRectF(
        QPointF(v.toWindowX(r.Left), v.toWindowY(r.Top)), QPointF(v.toWindowX(r.Right), v.toWindowY(r.Bottom)));
}

// A line of colour over a wider dark one.
void Stroke(QPainter &painter, const QColor &colour, Qt::PenStyle style, const auto &draw)
{
    painter.setPen(QPen(QColor(0, 0, 0, 160), 4, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    draw();
    painter.setPen(QPen(colour, 2, style, Qt::FlatCap, Qt::MiterJoin));
    draw();
}

} // namespace

void DrawFramePath(QPainter &painter, const PathOutline &path, const PictureViewport &viewport)
{
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const std::vector<PathPoint> &line : path.CentreLines) {
        QPolygonF points;
        for (const PathPoint &p : line)
            points << QPointF(viewport.toWindowX(p.X), viewport.toWindowY(p.Y));
        Stroke(painter, kCentreLine, Qt::SolidLine, [&] {
            if (points.size() == 1)
                painter.drawPoint(points.front());
            else
                painter.drawPolyline(points);
        });
    }
    for (const FrameRect &r : path.Last)
        Stroke(painter, kLastFrame, Qt::DashLine, [&] { painter.drawRect(OnWindow(r, viewport)); });
    for (const FrameRect &r : path.First)
        Stroke(painter, kFirstFrame, Qt::SolidLine, [&] { painter.drawRect(OnWindow(r, viewport)); });
    painter.restore();
}
