// PixCtrl: the control that shows a PixImage — zoom, fit, scrolling, background colour or
// picture, a checkerboard behind transparent pixels — and reports what happens as signals.
#pragma once

#include "engine/pix_image.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QPointF>
#include <QRect>

namespace pix {

// How the image fits the control while AutoFit is on.
enum FitMode : int { kFitBest = 1, kFitWidth = 2, kFitHeight = 3 };

class PixCtrl : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit PixCtrl(QWidget* parent = nullptr);
    ~PixCtrl() override;

    PixImage& image() { return *image_; }
    const PixImage& image() const { return *image_; }

    // --- view state --------------------------------------------------------------------------
    double ZoomFactor() const { return zoom_; }
    void setZoomFactor(double zoom); // emits zoomChanged when it changes; non-positive ignored
    bool AutoFit() const { return autoFit_; }
    void setAutoFit(bool on); // turning it on fits at once and on every resize
    int FitMode() const { return fitMode_; }
    void setFitMode(int mode); // fits at once when AutoFit is on

    // 0x00BBGGRR colour shown around the image (and behind alpha when AlphaDisplay is off).
    uint32_t BackgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(uint32_t bgr);
    // A picture tiled around the image instead of the colour; a null image clears it.
    const QImage& BackgroundPicture() const { return backgroundPicture_; }
    void setBackgroundPicture(const QImage& tile);
    // True: transparent pixels show a checkerboard; false: the background colour.
    bool AlphaDisplay() const { return alphaDisplay_; }
    void setAlphaDisplay(bool checkerboard);
    // False suspends painting (batches of changes); true repaints.
    bool Redraw() const { return redraw_; }
    void setRedraw(bool on);
    bool DoubleBuffer() const { return doubleBuffer_; }
    void setDoubleBuffer(bool on);
    // Smooth scaling when zoomed.
    bool AntialiasDisplay() const { return antialias_; }
    void setAntialiasDisplay(bool on);

    int ScrollX() const;
    int ScrollY() const;
    void setScroll(int x, int y);

    // The Shape settings: how the interactive shape being dragged is drawn.
    DrawSettings& Shape() { return shape_; }

    // Mouse mode of the control (0 = none); the interactive modes act on it.
    int MouseMode() const { return mouseMode_; }
    void setMouseMode(int mode) { mouseMode_ = mode; }

    // --- coordinates -------------------------------------------------------------------------
    // Image pixel under a viewport position (may lie outside the image).
    QPointF controlToImage(const QPointF& viewportPos) const;
    QPointF imageToControl(const QPointF& imagePos) const;
    // Where the whole image lies in viewport coordinates.
    QRectF imageRectInViewport() const;

    // Paints the visible part of the view into painter (the viewport's paint and benchmarks).
    void paintView(QPainter& painter, const QRect& viewportRect);

signals:
    void imageChanged();
    void zoomChanged(double zoom);
    void pageChanged();
    void loaded();
    void selectionChanged();
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, double x, double y);
    void mouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods, double x, double y);
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers mods, double x, double y);
    void dblClick(double x, double y);
    void mouseWheel(int delta, Qt::KeyboardModifiers mods, double x, double y);
    void shapeFinished(int shape, bool* cancel);
    void painted();
    void progress(int percent, bool* cancel);
    void downloadProgress(qint64 received, qint64 total);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void onImageChanged();
    void updateScrollBars();
    void applyFit();
    const QImage& scaledForView(); // cached copy of the image at the zoom when zoomed out
    QSize zoomedSize() const;

    PixImage* image_;
    double zoom_ = 1.0;
    bool autoFit_ = false;
    int fitMode_ = kFitBest;
    uint32_t backgroundColor_ = 0xFFFFFF;
    QImage backgroundPicture_;
    bool alphaDisplay_ = true;
    bool redraw_ = true;
    bool doubleBuffer_ = true;
    bool antialias_ = false;
    int mouseMode_ = 0;
    DrawSettings shape_;

    QImage scaledCache_;
    qint64 scaledCacheKey_ = 0;
    double scaledCacheZoom_ = 0;
    bool scaledCacheSmooth_ = false;
};

} // namespace pix
