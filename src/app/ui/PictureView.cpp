#include "app/ui/PictureView.h"

#include "app/DisplayGeometry.h"
#include "app/ViewportPaint.h"
#include "app/ui/FramePathOverlay.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

namespace {

QRect ToQRect(const TRect &r)
{
    return QRect(QPoint(r.Left, r.Top), QPoint(r.Right, r.Bottom));
}

} // namespace

PictureView::PictureView(QWidget *parent)
    : QWidget(parent)
    , m_levelsMaker(*this)
    , m_horizontal(new QScrollBar(Qt::Horizontal, this))
    , m_vertical(new QScrollBar(Qt::Vertical, this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_horizontal->setObjectName(QStringLiteral("PictureHorizontalScroll"));
    m_vertical->setObjectName(QStringLiteral("PictureVerticalScroll"));
    for (QScrollBar *bar : { m_horizontal, m_vertical }) {
        bar->hide();
        bar->setFocusPolicy(Qt::NoFocus);
    }
    connect(m_horizontal, &QScrollBar::valueChanged, this, [this](int value) {
        m_viewport.scrollHorizontally(value);
        update();
    });
    connect(m_vertical, &QScrollBar::valueChanged, this, [this](int value) {
        m_viewport.scrollVertically(value);
        update();
    });
}

PictureView::~PictureView() = default;

void PictureView::ShowFrame(const Bitmap24 &bitmap)
{
    m_showsPanorama = false;
    if (&bitmap == &m_display)
        return;
    if (!m_display.resize(bitmap.width(), bitmap.height()))
        throw std::bad_alloc();
    if (bitmap.byteCount())
        std::memcpy(m_display.bits(), bitmap.bits(), bitmap.byteCount());
}

void PictureView::RepaintNow()
{
    // Runs and replays draw into the shown picture, then ask for this.
    if (m_showsPanorama) {
        m_showsPanorama = false;
        viewportChanged();
    }
    repaint();
}

void PictureView::SharePicture(const Bitmap24 &bitmap)
{
    Bitmap24 picture; // the bitmap may be one of the view's own
    picture.share(bitmap);
    ReleasePicture();
    m_display.share(picture);
    m_panorama.share(picture);
    m_showsPanorama = true;
    m_viewport.setPicture(bitmap.width(), bitmap.height());
    if (!bitmap.isEmpty())
        m_levelsMaker.start(m_panorama, [this](std::vector<Bitmap24> levels) {
            m_levels = std::move(levels);
            update();
        });
    viewportChanged();
}

void PictureView::ReleasePicture()
{
    m_levelsMaker.cancel();
    m_levels.clear();
    m_display.clear();
    m_panorama.clear();
}

void PictureView::setFramePath(PathOutline path)
{
    m_path = std::move(path);
    if (m_showsPanorama)
        update();
}

void PictureView::setViewFrame(QImage frame)
{
    if (frame.isNull() && m_viewFrame.isNull())
        return;
    m_viewFrame = std::move(frame);
    if (m_showsPanorama)
        viewportChanged(); // the scroll bars go with the panorama
}

void PictureView::setCenterInWindow(bool center)
{
    m_center = center;
    m_viewport.setCentred(center);
}

void PictureView::Layout(int visiblePanelWidth)
{
    const QRect client = rect();
    m_clientArea = { client.left(), client.top(), client.left() + client.width(), client.top() + client.height() };
    m_drawArea = ComputeDrawArea(m_clientArea, visiblePanelWidth);
    m_viewport.setArea(m_drawArea.Left, m_drawArea.Top, m_drawArea.Right - m_drawArea.Left + 1,
        m_drawArea.Bottom - m_drawArea.Top + 1);
    viewportChanged();
}

void PictureView::showPanorama()
{
    if (m_showsPanorama)
        return;
    m_showsPanorama = true;
    m_display.share(m_panorama);
    m_viewport.fit();
}

void PictureView::FitToWindow()
{
    showPanorama();
    m_viewport.fit();
    viewportChanged();
}

void PictureView::ZoomIn()
{
    showPanorama();
    m_viewport.zoomIn();
    viewportChanged();
}

void PictureView::ZoomOut()
{
    showPanorama();
    m_viewport.zoomOut();
    viewportChanged();
}

void PictureView::ActualSize()
{
    showPanorama();
    m_viewport.actualSize();
    viewportChanged();
}

void PictureView::ZoomAt(double factor, const QPointF &point)
{
    showPanorama();
    m_viewport.zoomAt(factor, point.x(), point.y());
    viewportChanged();
}

void PictureView::viewportChanged()
{
    const QRect area = ToQRect(m_drawArea);
    const auto place = [this](QScrollBar *bar, const PictureViewport::Scroll &s, const QRect &geometry) {
        const QSignalBlocker blocker(bar);
        bar->setRange(0, s.Maximum);
        bar->setPageStep(s.Page);
        bar->setSingleStep(std::max(1, s.Page / 20));
        bar->setValue(s.Value);
        bar->setGeometry(geometry);
        bar->setVisible(m_showsPanorama && m_viewFrame.isNull() && s.Maximum > 0);
    };
    const int h = m_horizontal->sizeHint().height(), w = m_vertical->sizeHint().width();
    place(m_horizontal, m_viewport.horizontal(), QRect(area.left(), area.bottom() - h + 1, area.width(), h));
    place(m_vertical, m_viewport.vertical(), QRect(area.right() - w + 1, area.top(), w, area.height()));
    update();
}

void PictureView::mousePressEvent(QMouseEvent *event)
{
    const bool pannable = m_viewport.horizontal().Maximum > 0 || m_viewport.vertical().Maximum > 0;
    if (event->button() != Qt::LeftButton || !m_showsPanorama || ShowsViewFrame() || !pannable) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_dragFrom = event->position();
    setCursor(Qt::ClosedHandCursor);
}

void PictureView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragFrom) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QPointF delta = event->position() - *m_dragFrom;
    m_dragFrom = event->position();
    m_viewport.panBy(delta.x(), delta.y());
    viewportChanged();
}

void PictureView::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_dragFrom || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_dragFrom.reset();
    unsetCursor();
}

// Ctrl + wheel zooms at the pointer; the wheel alone pans, vertically when
// the picture is taller than the area, else across, as it does with Shift.
void PictureView::wheelEvent(QWheelEvent *event)
{
    const QPoint notches = event->angleDelta();
    if (event->modifiers() & Qt::ControlModifier) {
        if (notches.y() != 0)
            ZoomAt(std::pow(2.0, notches.y() / 240.0), event->position());
        event->accept();
        return;
    }
    if (!m_showsPanorama || ShowsViewFrame()) {
        event->ignore();
        return;
    }
    QPointF move = event->pixelDelta().isNull() ? QPointF(notches) : QPointF(event->pixelDelta());
    if (m_viewport.vertical().Maximum == 0 || (event->modifiers() & Qt::ShiftModifier))
        move = QPointF(move.x() + move.y(), 0);
    m_viewport.panBy(move.x(), move.y());
    viewportChanged();
    event->accept();
}

QImage &PictureView::paintBuffer(const QSize &size)
{
    if (m_paintBuffer.width() < size.width() || m_paintBuffer.height() < size.height())
        m_paintBuffer = QImage(std::max(size.width(), m_paintBuffer.width()),
            std::max(size.height(), m_paintBuffer.height()), QImage::Format_RGB32);
    return m_paintBuffer;
}

void PictureView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    if (ShowsViewFrame())
        paintViewFrame(painter, event->rect());
    else if (m_showsPanorama)
        paintPanorama(painter, event->rect());
    else
        paintFrame(painter, event->rect());
}

void PictureView::paintPanorama(QPainter &painter, const QRect &exposed)
{
    const PictureViewport &v = m_viewport;
    const QRectF shown(v.OriginX(), v.OriginY(), v.PictureWidth() * v.Scale(), v.PictureHeight() * v.Scale());
    const QRect area = ToQRect(m_drawArea);
    const QRect part = m_panorama.isEmpty() ? QRect() : exposed & area & shown.toAlignedRect();
    for (const QRect &r : QRegion(exposed).subtracted(part))
        painter.fillRect(r, Qt::black);
    if (!part.isEmpty()) {
        if (v.Scale() < kReducedCopiesBelow && !ReducedCopiesReady()) {
            painter.fillRect(part, Qt::black);
            painter.setPen(Qt::white);
            painter.drawText(shown.intersected(QRectF(area)), Qt::AlignCenter, PreparingText());
        } else {
            const int level = ChooseLevel(m_levels, v.PictureWidth(), v.Scale());
            const Bitmap24 &source = level < 0 ? m_panorama : m_levels[std::size_t(level)];
            QImage &buffer = paintBuffer(part.size());
            PaintViewport(std::as_const(source), v, { part.x(), part.y(), part.width(), part.height() },
                reinterpret_cast<std::uint32_t *>(buffer.bits()), std::size_t(buffer.bytesPerLine()) / 4);
            painter.drawImage(part.topLeft(), buffer, QRect(QPoint(0, 0), part.size()));
        }
    }
    if (!m_panorama.isEmpty()) {
        painter.setClipRect(area);
        DrawFramePath(painter, m_path, v);
    }
}

void PictureView::paintViewFrame(QPainter &painter, const QRect &exposed)
{
    const QRect area = ToQRect(m_drawArea);
    QSize size = m_viewFrame.size();
    if (size.width() > area.width() || size.height() > area.height())
        size.scale(area.size(), Qt::KeepAspectRatio); // the window shrank since it was rendered
    const QRect target(area.center() - QPoint(size.width() / 2, size.height() / 2), size);
    for (const QRect &r : QRegion(exposed).subtracted(target))
        painter.fillRect(r, Qt::black);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_viewFrame);
}

void PictureView::paintFrame(QPainter &painter, const QRect &exposed)
{
    const PaintPlacement p = ComputePaintPlacement(m_drawArea, m_display.width(), m_display.height(), m_center);
    const QRect picture(p.X, p.Y, p.SourceWidth, p.SourceHeight);
    const QRect part = p.Draws ? picture & exposed : QRect();
    // Black around the picture only: the picture covers the rest.
    const QRegion black = QRegion(exposed).subtracted(part);
    for (const QRect &r : black)
        painter.fillRect(r, Qt::black);
    if (part.isEmpty())
        return;

    QImage &buffer = paintBuffer(part.size());
    const int x0 = part.left() - picture.left();
    const int y0 = part.top() - picture.top();
    const int last = part.width() - 1;
    for (int y = 0; y < part.height(); ++y) {
        // Read through a const view: a shared picture stays shared.
        const std::uint8_t *in = std::as_const(m_display).scanLine(y0 + y) + 3 * std::size_t(x0);
        auto *out = reinterpret_cast<std::uint32_t *>(buffer.scanLine(y));
        static_assert(std::endian::native == std::endian::little);
        // Blue, green, red in memory are the low three bytes of the screen's
        // 0xffRRGGBB: one 4-byte load a pixel, its fourth byte replaced.
        for (int x = 0; x < last; ++x, in += 3) {
            std::uint32_t v;
            std::memcpy(&v, in, 4);
            out[x] = v | 0xFF000000u;
        }
        // The last pixel may end the bitmap: no byte past it is read.
        out[last] = 0xFF000000u | (std::uint32_t(in[2]) << 16) | (std::uint32_t(in[1]) << 8) | in[0];
    }
    painter.drawImage(part.topLeft(), buffer, QRect(0, 0, part.width(), part.height()));
}
