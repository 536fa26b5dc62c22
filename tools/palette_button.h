// The palette's owner-drawn 3-D buttons: raised or pressed edges in the system colours and a
// picture drawn by a painter function, so they stay sharp at every screen scale.
#pragma once

#include <QWidget>
#include <functional>

class PaletteButton : public QWidget {
    Q_OBJECT
public:
    using Glyph = std::function<void(QPainter&, const QRectF&)>;
    PaletteButton(const QString& name, Glyph glyph, QWidget* parent);

    bool isDown() const { return down_; }
    // Paints the button pressed or raised.
    void setDown(bool down);

signals:
    void pressed();
    void released();
    void clicked();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void changeEvent(QEvent*) override;

private:
    Glyph glyph_;
    bool down_ = false;
};

// Paints a 3-D frame in `rect`: pressed on the scroll-bar colour with shadow above and left and
// highlight below and right; raised on the button face the other way round.
void paint3dFrame(QPainter& p, const QRect& rect, bool pressed);
