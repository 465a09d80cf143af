// Draws the sample panorama shipped in samples/: a landscape with a ruler
// along its bottom edge, so that the horizontal position of every frame can
// be read off the picture.
#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>

namespace {

double ridge(double x, int layer)
{
    return std::sin(x / (310.0 - 60 * layer) + layer) * (55 - 10 * layer)
        + std::sin(x / (97.0 - 20 * layer) + 2 * layer) * (18 - 3 * layer) + std::sin(x / 23.0 + layer) * 4;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const char *out = argc > 1 ? argv[1] : "panorama.jpg";
    const int width = 3000, height = 500;

    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0.0, QColor(40, 90, 170));
    sky.setColorAt(0.55, QColor(150, 195, 235));
    sky.setColorAt(0.75, QColor(250, 215, 160));
    p.fillRect(image.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 245, 200));
    p.drawEllipse(QPointF(2200, 110), 45, 45);

    const QColor layers[] = { QColor(120, 130, 170), QColor(80, 110, 120), QColor(50, 95, 60), QColor(35, 70, 40) };
    for (int layer = 0; layer < 4; ++layer) {
        QPainterPath path;
        path.moveTo(0, height);
        const double base = 230 + layer * 45;
        for (int x = 0; x <= width; x += 4)
            path.lineTo(x, base - ridge(x, layer));
        path.lineTo(width, height);
        path.closeSubpath();
        p.setBrush(layers[layer]);
        p.drawPath(path);
    }

    // Trees, spaced irregularly so that no two frames look alike.
    for (int i = 0; i < 70; ++i) {
        const double x = 20 + i * 42.7 + 15 * std::sin(i * 1.7);
        const double y = 375 - ridge(x, 3) * 0.3;
        const double h = 28 + 10 * std::sin(i * 2.3);
        p.setBrush(QColor(90, 60, 30));
        p.drawRect(QRectF(x - 2, y, 4, h * 0.35));
        p.setBrush(QColor(20 + (i * 37) % 40, 90 + (i * 53) % 50, 30));
        QPolygonF crown;
        crown << QPointF(x - h * 0.3, y + 2) << QPointF(x, y - h) << QPointF(x + h * 0.3, y + 2);
        p.drawPolygon(crown);
    }

    // The ruler: a tick every 50 pixels, a label every 250.
    p.setBrush(QColor(245, 245, 240));
    p.drawRect(0, height - 60, width, 60);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(22);
    font.setBold(true);
    p.setFont(font);
    for (int x = 0; x < width; x += 10) {
        const int len = x % 250 == 0 ? 26 : x % 50 == 0 ? 14 : 6;
        p.setPen(QPen(x % 250 == 0 ? QColor(200, 30, 30) : QColor(30, 30, 30), x % 50 == 0 ? 2 : 1));
        p.drawLine(x, height - 60, x, height - 60 + len);
        if (x % 250 == 0 && x > 0)
            p.drawText(QRect(x - 60, height - 32, 120, 28), Qt::AlignCenter, QString::number(x));
    }
    p.end();

    if (!image.save(QString::fromLocal8Bit(out), nullptr, 88)) {
        std::fprintf(stderr, "cannot write %s\n", out);
        return 1;
    }
    return 0;
}
