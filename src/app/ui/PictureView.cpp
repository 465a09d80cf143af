#include "app/ui/PictureView.h"

#include "app/DisplayGeometry.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

PictureView::PictureView(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureView::ShowFrame(const Bitmap24 &bitmap)
{
    if (&bitmap == &m_display)
        return;
    if (!m_display.resize(bitmap.width(), bitmap.height()))
        throw std::bad_alloc();
    if (bitmap.byteCount())
        std::memcpy(m_display.bits(), bitmap.bits(), bitmap.byteCount());
}

void PictureView::Layout(int visiblePanelWidth)
{
    const QRect client = rect();
    m_clientArea = { client.left(), client.top(), client.left() + client.width(), client.top() + client.height() };
    m_drawArea = ComputeDrawArea(m_clientArea, visiblePanelWidth);
    update();
}

void PictureView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const PaintPlacement p = ComputePaintPlacement(m_drawArea, m_display.width(), m_display.height(), m_center);
    const QRect picture(p.X, p.Y, p.SourceWidth, p.SourceHeight);
    const QRect part = p.Draws ? picture & event->rect() : QRect();
    // Black around the picture only: the picture covers the rest.
    const QRegion black = QRegion(event->rect()).subtracted(part);
    for (const QRect &r : black)
        painter.fillRect(r, Qt::black);
    if (part.isEmpty())
        return;

    if (m_paintBuffer.width() < part.width() || m_paintBuffer.height() < part.height())
        m_paintBuffer = QImage(std::max(part.width(), m_paintBuffer.width()),
            std::max(part.height(), m_paintBuffer.height()), QImage::Format_RGB32);
    const int x0 = part.left() - picture.left();
    const int y0 = part.top() - picture.top();
    const int last = part.width() - 1;
    for (int y = 0; y < part.height(); ++y) {
        // Read through a const view: a shared picture stays shared.
        const std::uint8_t *in = std::as_const(m_display).scanLine(y0 + y) + 3 * std::size_t(x0);
        auto *out = reinterpret_cast<std::uint32_t *>(m_paintBuffer.scanLine(y));
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
    painter.drawImage(part.topLeft(), m_paintBuffer, QRect(0, 0, part.width(), part.height()));
}
