#include "frm_selector.h"

#include "tools/palette_button.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

frmSelector::frmSelector(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
    setObjectName(QStringLiteral("frmSelector"));
    setFixedSize(140, 24);
    ScrollBar = new QWidget(this);
    ScrollBar->setObjectName(QStringLiteral("ScrollBar"));
    ScrollBar->setGeometry(5, 5, 130, 14);
    ScrollBar->setFocusPolicy(Qt::StrongFocus);
    ScrollBlock = new PaletteButton(QStringLiteral("ScrollBlock"), {}, this);
    ScrollBlock->setFixedSize(10, 14);
    ScrollBlock->move(ScrollBar->x(), ScrollBar->y());
    ScrollBlock->installEventFilter(this);
}

double frmSelector::position() const {
    const int free = ScrollBar->width() - ScrollBlock->width();
    return free > 0 ? double(ScrollBlock->x() - ScrollBar->x()) / free : 0.0;
}

void frmSelector::setPosition(double fraction) {
    const int free = ScrollBar->width() - ScrollBlock->width();
    ScrollBlock->move(ScrollBar->x() + int(std::lround(std::clamp(fraction, 0.0, 1.0) * free)),
                      ScrollBar->y());
}

bool frmSelector::eventFilter(QObject* watched, QEvent* event) {
    if (watched != ScrollBlock) return QWidget::eventFilter(watched, event);
    auto* e = static_cast<QMouseEvent*>(event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        pressX_ = int(e->position().x());
        dragging_ = true;
        return true;
    case QEvent::MouseMove: {
        if (!dragging_) return false;
        const int left =
            std::clamp(ScrollBlock->x() + int(e->position().x()) - pressX_, ScrollBar->x(),
                       ScrollBar->x() + ScrollBar->width() - ScrollBlock->width());
        ScrollBlock->move(left, ScrollBlock->y());
        if (moved) moved();
        return true;
    }
    case QEvent::MouseButtonRelease:
        dragging_ = false;
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void frmSelector::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paint3dFrame(p, rect(), false);
    paint3dFrame(p, ScrollBar->geometry(), true);
}
