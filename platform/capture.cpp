#include "capture.h"

#include "portal_screenshot.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QScreen>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace platform {

namespace {

Capture* gInstalled = nullptr;

xcb_connection_t* x11Connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

QRect desktopArea() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualGeometry() : QRect();
}

// A full-screen window over every other one showing the frozen desktop; the user drags a
// rectangle on it (Escape abandons). It deletes itself when done.
class RectangleSelector : public QWidget {
public:
    RectangleSelector(QImage frozen, const QRect& area, std::function<void(const QRect&)> done)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::BypassWindowManagerHint),
          frozen_(std::move(frozen)), done_(std::move(done)),
          band_(new QRubberBand(QRubberBand::Rectangle, this)) {
        setAttribute(Qt::WA_DeleteOnClose);
        setCursor(Qt::CrossCursor);
        setGeometry(area);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.drawImage(rect(), frozen_);
    }
    void mousePressEvent(QMouseEvent* e) override {
        origin_ = e->position().toPoint();
        band_->setGeometry(QRect(origin_, QSize()));
        band_->show();
    }
    void mouseMoveEvent(QMouseEvent* e) override { band_->setGeometry(dragged(e)); }
    void mouseReleaseEvent(QMouseEvent* e) override {
        const QRect local = dragged(e);
        finish(QRect(mapToGlobal(local.topLeft()), local.size()));
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Escape) finish(QRect());
    }

private:
    // The pixels between the press and the pointer: a drag of 50 pixels selects 50.
    QRect dragged(const QMouseEvent* e) const {
        const QPoint at = e->position().toPoint();
        return QRect(QPoint(std::min(origin_.x(), at.x()), std::min(origin_.y(), at.y())),
                     QSize(std::abs(at.x() - origin_.x()), std::abs(at.y() - origin_.y())));
    }
    void finish(const QRect& area) {
        hide();
        auto done = std::move(done_);
        close();
        if (done) done(area);
    }

    QImage frozen_;
    std::function<void(const QRect&)> done_;
    QRubberBand* band_;
    QPoint origin_;
};

} // namespace

QString QtCapture::unavailableReason() const {
    if (x11Connection() || portalScreenshotAvailable()) return {};
    if (QGuiApplication::platformName() == QLatin1String("wayland"))
        return QStringLiteral("this Wayland session offers no screenshot portal; use the "
                              "desktop's own screenshot tool and open the picture.");
    return QStringLiteral("the screen of this session (%1) cannot be read.")
        .arg(QGuiApplication::platformName());
}

QImage QtCapture::captureScreen() {
    return captureRect(desktopArea());
}

bool QtCapture::canPickWindows() const {
    return x11Connection() != nullptr;
}

QImage QtCapture::captureRect(const QRect& area) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || area.isEmpty()) return {};
    if (!x11Connection()) {
        // Without the X server, the portal's picture of the whole desktop, cut to the area.
        const QImage whole = portalScreenshot();
        const qreal ratio = screen->devicePixelRatio();
        const QRect local = area.translated(-screen->virtualGeometry().topLeft());
        return whole.copy(QRect(local.topLeft() * ratio, local.size() * ratio))
            .convertToFormat(QImage::Format_RGB32);
    }
    // The root window holds every screen, so one grab covers a rectangle across screens.
    const QRect local = area.translated(-screen->geometry().topLeft());
    return screen->grabWindow(0, local.x(), local.y(), local.width(), local.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

QImage QtCapture::captureWindow(quintptr window) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || !window) return {};
    // Brought to the top first, so that no other window covers it in the grab.
    if (xcb_connection_t* c = x11Connection()) {
        const uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(c, xcb_window_t(window), XCB_CONFIG_WINDOW_STACK_MODE, &above);
        free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); // waits for it
    }
    return screen->grabWindow(WId(window)).toImage().convertToFormat(QImage::Format_RGB32);
}

quintptr QtCapture::windowAt(const QPoint& global) const {
    xcb_connection_t* c = x11Connection();
    if (!c) return 0;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    // The child of the root window that holds the point: the top-level window (or the window
    // manager's frame around it) that shows there.
    const xcb_translate_coordinates_cookie_t cookie =
        xcb_translate_coordinates(c, root, root, int16_t(global.x()), int16_t(global.y()));
    std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&free)> reply(
        xcb_translate_coordinates_reply(c, cookie, nullptr), &free);
    return reply ? quintptr(reply->child) : 0;
}

void QtCapture::selectRectangle(std::function<void(const QRect&)> finished) {
    const QRect area = desktopArea();
    auto* selector = new RectangleSelector(captureRect(area), area, std::move(finished));
    selector->show();
    selector->activateWindow();
    selector->grabKeyboard();
}

Capture& capture() {
    if (gInstalled) return *gInstalled;
    static QtCapture real;
    return real;
}

void setCapture(Capture* c) {
    gInstalled = c;
}

} // namespace platform
