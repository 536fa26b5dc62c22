// The magnifier: a small floating window that shows the image around the pointer enlarged.
#pragma once

#include <QPointF>
#include <QWidget>

namespace pix {

class PixCtrl;

class ZoomWindow : public QWidget {
    Q_OBJECT
public:
    explicit ZoomWindow(PixCtrl& ctrl);

    void Show() { show(); }
    void Hide() { hide(); }
    bool Visible() const { return isVisible(); }
    double ZoomRate() const { return rate_; }
    void setZoomRate(double rate);
    // Moves the window next to `beside` (global coordinates): to its right, else to its left,
    // else over its top-right corner, always inside the available area of the screen.
    void placeBeside(const QRect& beside);
    // The image point shown at the centre.
    void setCentre(const QPointF& imagePoint);
    QPointF centre() const { return centre_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PixCtrl& ctrl_;
    double rate_ = 8.0;
    QPointF centre_;
};

} // namespace pix
