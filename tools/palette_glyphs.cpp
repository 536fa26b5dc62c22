#include "palette_glyphs.h"

#include <QPainter>

namespace paletteglyphs {

namespace {
const QColor kInk(32, 32, 32);
} // namespace

void thicknessGlyph(QPainter& p, const QRectF& r) {
    for (int i = 0; i < 3; ++i)
        p.fillRect(QRectF(r.left(), r.top() + 1 + i * 4.5, r.width(), 1 + i), kInk);
}
void antialiasGlyph(QPainter& p, const QRectF& r) {
    p.setPen(QPen(kInk, 1.4));
    p.drawEllipse(r.adjusted(1, 1, -1, -1));
}
void lineStyleGlyph(QPainter& p, const QRectF& r) {
    p.setPen(QPen(kInk, 1.5, Qt::DashLine, Qt::FlatCap));
    p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
}
void fillStyleGlyph(QPainter& p, const QRectF& r) {
    p.setPen(QPen(kInk, 1));
    p.drawRect(r);
    p.setClipRect(r);
    for (double d = -r.height(); d < r.width(); d += 3.5)
        p.drawLine(QPointF(r.left() + d, r.bottom()), QPointF(r.left() + d + r.height(), r.top()));
}
void opacityGlyph(QPainter& p, const QRectF& r) {
    p.fillRect(QRectF(r.topLeft(), r.size() * 0.65), kInk);
    QColor light = kInk;
    light.setAlpha(110);
    p.fillRect(QRectF(r.center() - QPointF(1, 1), r.size() * 0.6), light);
}
void textureGlyph(QPainter& p, const QRectF& r) {
    const double w = r.width() / 3.0, h = r.height() / 3.0;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            if ((x + y) % 2 == 0) p.fillRect(QRectF(r.left() + x * w, r.top() + y * h, w, h), kInk);
}
void applyGlyph(QPainter& p, const QRectF& r) {
    p.setPen(QPen(QColor(0, 128, 0), 2.0));
    p.drawPolyline(QPolygonF({{r.left(), r.center().y()},
                              {r.left() + r.width() * 0.4, r.bottom()},
                              {r.right(), r.top()}}));
}
void discardGlyph(QPainter& p, const QRectF& r) {
    p.setPen(QPen(QColor(180, 0, 0), 2.0));
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomLeft());
}
void dropDownGlyph(QPainter& p, const QRectF& r) {
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    const QPointF c = r.center();
    p.drawPolygon(QPolygonF({{c.x() - 4, c.y() - 2}, {c.x() + 4, c.y() - 2}, {c.x(), c.y() + 2}}));
}

} // namespace paletteglyphs
