#include "zoom_window.h"

#include "pix_ctrl.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace pix {

ZoomWindow::ZoomWindow(PixCtrl& ctrl)
    : QWidget(ctrl.window(), Qt::Tool | Qt::WindowStaysOnTopHint), ctrl_(ctrl) {
    setWindowTitle(QStringLiteral("Zoom Window"));
    resize(200, 200);
}

void ZoomWindow::setZoomRate(double rate) {
    if (rate > 0) rate_ = rate;
    update();
}

void ZoomWindow::placeBeside(const QRect& beside) {
    const QScreen* screen = QGuiApplication::screenAt(beside.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect avail = screen->availableGeometry();
    // The frame around the window (title bar, borders) counts as part of it; move() places it.
    const QSize outer = frameGeometry().size().expandedTo(size());
    QPoint at(beside.right() + 1, beside.top());
    if (at.x() + outer.width() - 1 > avail.right()) at.setX(beside.left() - outer.width());
    if (at.x() < avail.left()) at.setX(beside.right() + 1 - outer.width());
    at.setX(std::clamp(at.x(), avail.left(),
                       std::max(avail.left(), avail.right() + 1 - outer.width())));
    at.setY(std::clamp(at.y(), avail.top(),
                       std::max(avail.top(), avail.bottom() + 1 - outer.height())));
    move(at);
}

void ZoomWindow::setCentre(const QPointF& imagePoint) {
    centre_ = imagePoint;
    if (isVisible()) update();
}

void ZoomWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::darkGray);
    const QImage& img = ctrl_.image().image();
    if (img.isNull()) return;
    // Only the source pixels that the window covers are drawn, each as a rate x rate block.
    const QSizeF span(width() / rate_, height() / rate_);
    const QRectF src(centre_ - QPointF(span.width() / 2, span.height() / 2), span);
    const QRect pixels = src.toAlignedRect() & img.rect();
    if (pixels.isEmpty()) return;
    const QRectF target((pixels.x() - src.x()) * rate_, (pixels.y() - src.y()) * rate_,
                        pixels.width() * rate_, pixels.height() * rate_);
    p.drawImage(target, img, pixels);
}

} // namespace pix
