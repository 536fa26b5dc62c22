// PixCtrl: the control that shows a PixImage — zoom, fit, scrolling, background colour or
// picture, a checkerboard behind transparent pixels — and reports what happens as signals.
#pragma once

#include "engine/ctrl/view_cache.h"
#include "engine/ctrl/zoom_window.h"
#include "engine/pix_image.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QPointF>
#include <QPointer>
#include <QPolygonF>
#include <QRect>
#include <functional>
#include <vector>

namespace pix {

// What a drag in the control does.
enum MouseModeKind : int {
    kMouseNone = 0,
    kMouseSelect = 1,    // rubber-band rectangle selection
    kMousePan = 2,       // drag the view
    kMouseZoomRect = 3,  // zoom to the dragged rectangle
    kMouseZoomClick = 4, // left click zooms in, right click out
    kMouseLine = 7,
    kMousePolygon = 8, // clicks add points, a double click closes it
    kMouseRectangle = 9,
    kMouseEllipse = 10,
    kMouseFreehand = 11,
    kMouseZoomHand = 12, // drag up to zoom in, down to zoom out
};

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

    // Mouse mode of the control (MouseModeKind); setting it ends any drag in progress.
    int MouseMode() const { return mouseMode_; }
    void setMouseMode(int mode);
    // Cursor shown over the image.
    void setImageCursor(const QCursor& cursor);

    // --- selection (image pixels) ------------------------------------------------------------
    // The rectangle always lies inside the image: it is clipped when set and dropped when the
    // image changes size or a new one is loaded. Every change of it is reported.
    double SelectionLeft() const { return selection_.left(); }
    double SelectionTop() const { return selection_.top(); }
    double SelectionWidth() const { return selection_.width(); }
    double SelectionHeight() const { return selection_.height(); }
    bool SelectionShown() const { return selectionShown_; }
    // Sets the selection rectangle clipped to the image, shows it unless empty, and reports it.
    void setSelection(const QRectF& rect);
    // Hides the outline; the rectangle stays.
    void setSelectionShown(bool shown);
    // Drops the selection (an empty rectangle, no outline) and reports it.
    void clearSelection();

    // Drawn over the view after the image (the document's overlay); painter is in viewport
    // coordinates.
    std::function<void(QPainter&)> overlayPainter;

    // --- coordinates -------------------------------------------------------------------------
    // Image pixel under a viewport position (may lie outside the image).
    QPointF controlToImage(const QPointF& viewportPos) const;
    QPointF imageToControl(const QPointF& imagePos) const;
    // Where the whole image lies in viewport coordinates.
    QRectF imageRectInViewport() const;

    // The magnifier window of this control (created on first use).
    ZoomWindow& zoomWindow();
    // The magnifier if it exists, else nullptr.
    ZoomWindow* existingZoomWindow() const { return zoomWindow_; }

    // Paints the visible part of the view into painter (the viewport's paint and benchmarks).
    void paintView(QPainter& painter, const QRect& viewportRect);
    // True while the zoomed-out view is rebuilt after a change of the whole image; meanwhile
    // the image is drawn sampled, and the view repaints when the rebuild is done.
    bool viewBuilding() const { return view_->building(); }

signals:
    void imageChanged();
    void zoomChanged(double zoom);
    void pageChanged();
    void loaded();
    // Selection rectangle in image pixels, after every change of it.
    void selectionChanged(double left, double top, double width, double height);
    // Mouse positions in viewport (control) pixels.
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers mods, double x, double y);
    void mouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods, double x, double y);
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers mods, double x, double y);
    // The pointer over the image, in image pixels.
    void imageMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods, int x, int y);
    void dblClick(double x, double y);
    // Wheel steps in lines (three per notch).
    void mouseWheel(int delta, Qt::KeyboardModifiers mods);
    // An interactive shape is about to be drawn (the pen colour may be set now).
    void beforeDraw();
    // The shape from (x1, y1) to (x2, y2) in image pixels is complete; *cancel = true stops it
    // from being drawn.
    void shapeFinished(double x1, double y1, double x2, double y2, bool* cancel);
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
    void beginDrag(QMouseEvent* e);
    void continueDrag(QMouseEvent* e);
    void endDrag(QMouseEvent* e);
    void finishShape();
    void zoomHandTo(const QPointF& viewportPos);
    void paintInteraction(QPainter& painter);
    QPointF clampToImage(const QPointF& p) const;
    void keepSelectionInImage();
    void onImageChanged();
    void updateScrollBars();
    void applyFit();
    QSize zoomedSize() const;
    QSize scrollBarExtents() const; // width of the vertical bar, height of the horizontal one
    QSize viewFor(const QSize& content) const; // the viewport that content leaves

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
    QRectF selection_;
    bool selectionShown_ = false;
    QSize selectionImageSize_; // the image's size when the selection was last checked
    // The drag in progress.
    bool dragging_ = false;
    Qt::MouseButton dragButton_ = Qt::NoButton;
    QPointF dragStartView_;  // viewport pixels
    QPointF dragStartImage_; // image pixels, within the image
    QPointF dragAnchor_;     // image pixels pressed, anywhere
    QPointF dragNowImage_;
    QPoint dragStartScroll_;
    double dragStartZoom_ = 1.0;
    QPolygonF points_;                // polygon and freehand points in image pixels
    QPointer<ZoomWindow> zoomWindow_; // owned by the top-level window, or by this control

    ViewCache* view_; // the image halved, quartered, ... and scaled for a zoom below 1
};

} // namespace pix
