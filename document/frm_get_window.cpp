#include "frm_get_window.h"

#include "platform/capture.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace {

// The drag target: cross hairs in a circle, drawn at the screen's pixel ratio.
QPixmap targetPicture(const QPalette& palette, qreal ratio) {
    const int size = 32;
    QPixmap pm(QSize(size, size) * ratio);
    pm.setDevicePixelRatio(ratio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette.color(QPalette::WindowText), 2));
    p.drawEllipse(QRectF(4, 4, size - 8, size - 8));
    p.drawLine(QPointF(size / 2.0, 1), QPointF(size / 2.0, size - 1));
    p.drawLine(QPointF(1, size / 2.0), QPointF(size - 1, size / 2.0));
    return pm;
}

} // namespace

frmGetWindow::frmGetWindow(QWidget* owner) : QDialog(owner, Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmGetWindow"));
    setWindowTitle(QStringLiteral("Capture Window"));
    Label1 =
        new QLabel(QStringLiteral("Drag the image below to the window you want to capture."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    imgSelect = new QLabel(this);
    imgSelect->setObjectName(QStringLiteral("imgSelect"));
    imgSelect->setPixmap(targetPicture(palette(), devicePixelRatioF()));
    imgSelect->setCursor(Qt::CrossCursor);
    imgSelect->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(imgSelect, 0, Qt::AlignHCenter);
}

void frmGetWindow::dropAt(const QPoint& global) {
    // Released over the picker itself: it stays open for another try.
    if (QWidget* under = QApplication::widgetAt(global); under && under->window() == this) return;
    const quintptr window = platform::capture().windowAt(global);
    if (!window || window == quintptr(winId())) return;
    Picked = window;
    accept();
}

bool frmGetWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != imgSelect) return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        dragging_ = true;
        imgSelect->grabMouse(Qt::CrossCursor);
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease && dragging_) {
        dragging_ = false;
        imgSelect->releaseMouse();
        dropAt(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
