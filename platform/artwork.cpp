#include "artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace artwork {

namespace {

QImage canvas(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

void paintPalette(QPainter& p, const QRectF& r) {
    // A painter's palette: the program's mark.
    QPainterPath path;
    path.addEllipse(r);
    QPainterPath hole;
    hole.addEllipse(QRectF(r.x() + r.width() * 0.58, r.y() + r.height() * 0.55, r.width() * 0.18,
                           r.height() * 0.18));
    p.fillPath(path.subtracted(hole), QColor(222, 184, 135));
    p.setPen(QPen(QColor(120, 80, 40), std::max(1.0, r.width() / 40)));
    p.drawPath(path.subtracted(hole));
    const QColor dots[] = {Qt::red, QColor(255, 200, 0), QColor(0, 160, 0), QColor(0, 90, 220)};
    for (int i = 0; i < 4; ++i) {
        const double a = 3.6 + i * 0.55;
        const QPointF c(r.center().x() + std::cos(a) * r.width() * 0.3,
                        r.center().y() + std::sin(a) * r.height() * 0.3);
        p.setBrush(dots[i]);
        p.setPen(Qt::NoPen);
        p.drawEllipse(c, r.width() * 0.08, r.height() * 0.08);
    }
}

} // namespace

QImage splashPicture() {
    QImage img(480, 280, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 480, 280);
    g.setColorAt(0, QColor(24, 40, 72));
    g.setColorAt(1, QColor(60, 110, 160));
    p.fillRect(img.rect(), g);
    paintPalette(p, QRectF(40, 70, 140, 140));
    p.setPen(Qt::white);
    QFont title(QStringLiteral("DejaVu Sans"), 34, QFont::Bold);
    p.setFont(title);
    p.drawText(QRect(200, 90, 270, 60), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Pixendra"));
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 11));
    p.drawText(QRect(202, 150, 270, 24), Qt::AlignLeft, QStringLiteral("Corvane image editor"));
    return img;
}

QImage appIcon() {
    QImage img = canvas(64, 64);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    paintPalette(p, QRectF(4, 8, 56, 48));
    return img;
}

QImage backgroundTile() {
    // A quiet diagonal weave in two greys.
    QImage img(32, 32, QImage::Format_RGB32);
    img.fill(QColor(128, 128, 136));
    QPainter p(&img);
    p.setPen(QPen(QColor(118, 118, 126), 2));
    p.drawLine(0, 32, 32, 0);
    p.drawLine(-16, 16, 16, -16);
    p.drawLine(16, 48, 48, 16);
    return img;
}

QImage toolIcon(int tool, qreal scale) {
    // Drawn in 20 x 20 logical units at the asked scale, so it stays sharp on dense screens.
    QImage img = canvas(qRound(20 * scale), qRound(20 * scale));
    img.setDevicePixelRatio(scale);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 30, 30), 1.5));
    p.setBrush(Qt::NoBrush);
    switch (tool) {
    case 0: // arrow
        p.setBrush(Qt::white);
        p.drawPolygon(
            QPolygonF({{5, 2}, {5, 16}, {9, 12}, {12, 18}, {14, 17}, {11, 11}, {16, 11}}));
        break;
    case 1: // hand
        p.drawRoundedRect(QRectF(5, 8, 10, 9), 3, 3);
        for (int i = 0; i < 4; ++i) p.drawLine(QPointF(6 + i * 2.7, 8), QPointF(6 + i * 2.7, 3));
        break;
    case 2: // dashed selection
        p.setPen(QPen(QColor(30, 30, 30), 1.2, Qt::DashLine));
        p.drawRect(QRectF(3, 4, 14, 12));
        break;
    case 3:  // magnifier
    case 4:  // magnifier with frame
    case 12: // magnifier with hand
        p.drawEllipse(QRectF(3, 3, 10, 10));
        p.drawLine(QPointF(12, 12), QPointF(17, 17));
        if (tool == 4) p.drawRect(QRectF(1, 1, 18, 18));
        if (tool == 12) p.drawLine(QPointF(6, 8), QPointF(10, 8));
        break;
    case 7:
        p.drawLine(QPointF(3, 17), QPointF(17, 3));
        break;
    case 8:
        p.drawPolygon(QPolygonF({{3, 15}, {8, 3}, {17, 7}, {14, 17}}));
        break;
    case 9:
        p.drawRect(QRectF(3, 5, 14, 10));
        break;
    case 10:
        p.drawEllipse(QRectF(2, 5, 16, 10));
        break;
    case 11: // pen
        p.drawLine(QPointF(4, 16), QPointF(15, 5));
        p.drawLine(QPointF(4, 16), QPointF(3, 18));
        break;
    case 15: // text
        p.setFont(QFont(QStringLiteral("DejaVu Serif"), 13, QFont::Bold));
        p.drawText(QRect(0, 0, 20, 20), Qt::AlignCenter, QStringLiteral("A"));
        break;
    case 16: // dropper
        p.drawLine(QPointF(4, 16), QPointF(13, 7));
        p.setBrush(QColor(30, 30, 30));
        p.drawEllipse(QRectF(12, 3, 5, 5));
        break;
    case 17: // bucket
        p.drawPolygon(QPolygonF({{4, 8}, {10, 3}, {16, 9}, {10, 15}}));
        p.setBrush(QColor(0, 90, 220));
        p.drawEllipse(QRectF(14, 13, 4, 5));
        break;
    case 19: // crop marks
        p.drawPolyline(QPolygonF({{5, 1}, {5, 15}, {19, 15}}));
        p.drawPolyline(QPolygonF({{1, 5}, {15, 5}, {15, 19}}));
        break;
    case 20: // eraser
        p.setBrush(QColor(240, 150, 160));
        p.drawPolygon(QPolygonF({{3, 13}, {11, 5}, {17, 11}, {9, 19}}));
        break;
    default:
        p.drawRect(QRectF(6, 6, 8, 8));
        break;
    }
    return img;
}

} // namespace artwork
