// The screen-capture component: the whole screen, a rectangle the user drags over a frozen
// picture of the screen, or a top-level window, behind an interface so that window tests can
// stand in for the screen.
#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <functional>

namespace platform {

class Capture {
public:
    virtual ~Capture() = default;
    // Why this session cannot capture the screen; empty when it can.
    virtual QString unavailableReason() const = 0;
    // The whole desktop (every screen), in screen pixels.
    virtual QImage captureScreen() = 0;
    // A rectangle of the desktop in screen coordinates.
    virtual QImage captureRect(const QRect& area) = 0;
    // A top-level window as it shows on the screen.
    virtual QImage captureWindow(quintptr window) = 0;
    // The top-level window under a screen point; 0 when none.
    virtual quintptr windowAt(const QPoint& global) const = 0;
    // Whether windows can be picked and read one by one (not through a portal).
    virtual bool canPickWindows() const = 0;
    // Shows a frozen picture of the screen for the user to drag a rectangle on, and returns at
    // once; `finished` receives the rectangle, or an empty one when the user pressed Escape.
    virtual void selectRectangle(std::function<void(const QRect&)> finished) = 0;
};

// Captures with Qt's screen grabbing and the X server's window tree, or through the desktop
// portal where the X server is not there (Wayland).
class QtCapture : public Capture {
public:
    QString unavailableReason() const override;
    QImage captureScreen() override;
    QImage captureRect(const QRect& area) override;
    QImage captureWindow(quintptr window) override;
    quintptr windowAt(const QPoint& global) const override;
    bool canPickWindows() const override;
    void selectRectangle(std::function<void(const QRect&)> finished) override;
};

// The capture component in use: the real one unless a test installed another.
Capture& capture();
// Installs a component (nullptr restores the real one). The caller keeps ownership.
void setCapture(Capture* c);

} // namespace platform
