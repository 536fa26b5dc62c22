#include "artwork.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <cmath>
#include <functional>

namespace artwork {

namespace {

// A canvas of w x h device-independent pixels at `ratio` device pixels each; the painter that
// draws on it works in device-independent pixels.
QImage canvas(int w, int h, qreal ratio = 1.0) {
    QImage img(int(std::ceil(w * ratio)), int(std::ceil(h * ratio)),
               QImage::Format_ARGB32_Premultiplied);
    img.setDevicePixelRatio(ratio);
    img.fill(Qt::transparent);
    return img;
}

// The program's mark, a painter's palette, as plain shapes in a 64 x 64 box, shared by the
// raster icons and the SVG.
const QRectF kPaletteBody(4, 8, 56, 48);
const QRectF kPaletteHole(4 + 56 * 0.58, 8 + 48 * 0.55, 56 * 0.18, 48 * 0.18);
const QColor kPaletteWood(222, 184, 135), kPaletteEdge(120, 80, 40);
constexpr double kPaletteEdgeWidth = 56.0 / 40;
const QColor kPaletteDots[] = {Qt::red, QColor(255, 200, 0), QColor(0, 160, 0), QColor(0, 90, 220)};

QPointF dotCentre(int i) {
    const double a = 3.6 + i * 0.55;
    return {kPaletteBody.center().x() + std::cos(a) * kPaletteBody.width() * 0.3,
            kPaletteBody.center().y() + std::sin(a) * kPaletteBody.height() * 0.3};
}
QSizeF dotRadii() {
    return {kPaletteBody.width() * 0.08, kPaletteBody.height() * 0.08};
}

// Draws the mark scaled from its 64 x 64 box into r.
void paintPalette(QPainter& p, const QRectF& r) {
    p.save();
    p.translate(r.topLeft());
    p.scale(r.width() / 64.0, r.height() / 64.0);
    QPainterPath body;
    body.addEllipse(kPaletteBody);
    QPainterPath hole;
    hole.addEllipse(kPaletteHole);
    p.fillPath(body.subtracted(hole), kPaletteWood);
    p.setPen(QPen(kPaletteEdge, kPaletteEdgeWidth));
    p.drawPath(body.subtracted(hole));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
        p.setBrush(kPaletteDots[i]);
        p.drawEllipse(dotCentre(i), dotRadii().width(), dotRadii().height());
    }
    p.restore();
}

// An icon drawn by a function at whatever size and pixel ratio it is asked for.
class VectorIconEngine : public QIconEngine {
public:
    using Painter = std::function<void(QPainter&, QIcon::Mode)>;
    VectorIconEngine(QSizeF box, Painter paint) : box_(box), paint_(std::move(paint)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / box_.width(), rect.height() / box_.height());
        paint_(*painter, mode);
        painter->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QImage img(size, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        {
            QPainter p(&img);
            paint(&p, QRect(QPoint(0, 0), size), mode, state);
        }
        return QPixmap::fromImage(img);
    }
    QIconEngine* clone() const override { return new VectorIconEngine(box_, paint_); }

private:
    QSizeF box_;
    Painter paint_;
};

void paintToolIcon(QPainter& p, int tool, QIcon::Mode mode);

} // namespace

QIcon toolIconSet(int tool) {
    return QIcon(new VectorIconEngine(
        QSizeF(20, 20), [tool](QPainter& p, QIcon::Mode mode) { paintToolIcon(p, tool, mode); }));
}

QIcon appIconSet() {
    return QIcon(new VectorIconEngine(
        QSizeF(64, 64), [](QPainter& p, QIcon::Mode) { paintPalette(p, QRectF(0, 0, 64, 64)); }));
}

QString appIconSvg() {
    auto num = [](double v) { return QString::number(v, 'f', 3); };
    const QPointF c = kPaletteBody.center(), h = kPaletteHole.center();
    const double rx = kPaletteBody.width() / 2, ry = kPaletteBody.height() / 2;
    const double hx = kPaletteHole.width() / 2, hy = kPaletteHole.height() / 2;
    // The body with its thumb hole, as two ellipses filled even-odd.
    auto ellipse = [&](QPointF m, double a, double b) {
        return QStringLiteral("M %1 %2 a %3 %4 0 1 0 %5 0 a %3 %4 0 1 0 %6 0 Z")
            .arg(num(m.x() - a), num(m.y()), num(a), num(b), num(2 * a), num(-2 * a));
    };
    QString svg = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" "
                                 "height=\"64\" viewBox=\"0 0 64 64\">\n");
    svg += QStringLiteral("  <path fill-rule=\"evenodd\" fill=\"%1\" stroke=\"%2\" "
                          "stroke-width=\"%3\" d=\"%4 %5\"/>\n")
               .arg(kPaletteWood.name(), kPaletteEdge.name(), num(kPaletteEdgeWidth),
                    ellipse(c, rx, ry), ellipse(h, hx, hy));
    for (int i = 0; i < 4; ++i)
        svg += QStringLiteral("  <ellipse cx=\"%1\" cy=\"%2\" rx=\"%3\" ry=\"%4\" fill=\"%5\"/>\n")
                   .arg(num(dotCentre(i).x()), num(dotCentre(i).y()), num(dotRadii().width()),
                        num(dotRadii().height()), kPaletteDots[i].name());
    return svg + QStringLiteral("</svg>\n");
}

QImage splashPicture(qreal ratio) {
    QImage img = canvas(480, 280, ratio);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 480, 280);
    g.setColorAt(0, QColor(24, 40, 72));
    g.setColorAt(1, QColor(60, 110, 160));
    p.fillRect(QRect(0, 0, 480, 280), g);
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

QImage appIcon(int size) {
    QImage img = canvas(size, size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    paintPalette(p, QRectF(0, 0, size, size));
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

QImage toolIcon(int tool, qreal ratio) {
    QImage img = canvas(20, 20, ratio);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    paintToolIcon(p, tool, QIcon::Normal);
    return img;
}

namespace {

void paintToolIcon(QPainter& p, int tool, QIcon::Mode mode) {
    // Strokes in the palette's button text, fills in its base: readable light or dark.
    const QPalette palette = QGuiApplication::palette();
    const QPalette::ColorGroup group =
        mode == QIcon::Disabled ? QPalette::Disabled : QPalette::Active;
    const QColor ink = palette.color(group, QPalette::ButtonText);
    p.setPen(QPen(ink, 1.5));
    p.setBrush(Qt::NoBrush);
    switch (tool) {
    case 0: // arrow
        p.setBrush(palette.color(group, QPalette::Base));
        p.drawPolygon(
            QPolygonF({{5, 2}, {5, 16}, {9, 12}, {12, 18}, {14, 17}, {11, 11}, {16, 11}}));
        break;
    case 1: // hand
        p.drawRoundedRect(QRectF(5, 8, 10, 9), 3, 3);
        for (int i = 0; i < 4; ++i) p.drawLine(QPointF(6 + i * 2.7, 8), QPointF(6 + i * 2.7, 3));
        break;
    // Upright strokes are one pixel wide on the half pixel: whole device pixels at 1x and 2x.
    case 2: // dashed selection
        p.setPen(QPen(ink, 1, Qt::DashLine));
        p.drawRect(QRectF(3.5, 4.5, 13, 11));
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
        p.setPen(QPen(ink, 1));
        p.drawRect(QRectF(3.5, 5.5, 13, 9));
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
        p.setBrush(ink);
        p.drawEllipse(QRectF(12, 3, 5, 5));
        break;
    case 17: // bucket
        p.drawPolygon(QPolygonF({{4, 8}, {10, 3}, {16, 9}, {10, 15}}));
        p.setBrush(QColor(0, 90, 220));
        p.drawEllipse(QRectF(14, 13, 4, 5));
        break;
    case 19: // crop marks
        p.setPen(QPen(ink, 1));
        p.drawPolyline(QPolygonF({{5.5, 1}, {5.5, 15.5}, {19, 15.5}}));
        p.drawPolyline(QPolygonF({{1, 5.5}, {15.5, 5.5}, {15.5, 19}}));
        break;
    case 20: // eraser
        p.setBrush(QColor(240, 150, 160));
        p.drawPolygon(QPolygonF({{3, 13}, {11, 5}, {17, 11}, {9, 19}}));
        break;
    default:
        p.drawRect(QRectF(6, 6, 8, 8));
        break;
    }
}

} // namespace

} // namespace artwork
