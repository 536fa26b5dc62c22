#include "palette_button.h"

#include "platform/system_colours.h"

#include <QMouseEvent>
#include <QPainter>

using platform::systemColour;

void paint3dFrame(QPainter& p, const QRect& r, bool pressed) {
    p.fillRect(r, systemColour(pressed ? platform::kScrollBarColour : platform::kButtonFace));
    const QColor topLeft =
        systemColour(pressed ? platform::kButtonShadow : platform::kButtonHighlight);
    const QColor bottomRight =
        systemColour(pressed ? platform::kButtonHighlight : platform::kButtonShadow);
    // Whole logical pixels: at any scale each edge covers exact device pixels.
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
    p.fillRect(QRect(r.left() + 1, r.bottom(), r.width() - 1, 1), bottomRight);
    p.fillRect(QRect(r.right(), r.top() + 1, 1, r.height() - 1), bottomRight);
}

PaletteButton::PaletteButton(const QString& name, Glyph glyph, QWidget* parent)
    : QWidget(parent), glyph_(std::move(glyph)) {
    setObjectName(name);
    setFixedSize(22, 22);
}

void PaletteButton::setDown(bool down) {
    if (down_ == down) return;
    down_ = down;
    update();
}

void PaletteButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paint3dFrame(p, rect(), down_);
    if (!glyph_) return;
    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) p.setOpacity(0.35);
    const QRectF inner =
        QRectF(rect()).adjusted(4, 4, -4, -4).translated(down_ ? 1 : 0, down_ ? 1 : 0);
    glyph_(p, inner);
}

void PaletteButton::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    emit pressed();
}

void PaletteButton::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    emit released();
    if (rect().contains(e->position().toPoint())) emit clicked();
}

void PaletteButton::changeEvent(QEvent* e) {
    if (e->type() == QEvent::EnabledChange) update();
    QWidget::changeEvent(e);
}
