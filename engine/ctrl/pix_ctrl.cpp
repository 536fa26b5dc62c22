#include "pix_ctrl.h"

#include "engine/image_type.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <cmath>

namespace pix {

namespace {

// The checkerboard drawn behind transparent pixels: 8-pixel light and mid grey squares.
const QBrush& checkerBrush() {
    static const QBrush brush = [] {
        QImage tile(16, 16, QImage::Format_RGB32);
        tile.fill(QColor(255, 255, 255));
        QPainter p(&tile);
        p.fillRect(0, 0, 8, 8, QColor(204, 204, 204));
        p.fillRect(8, 8, 8, 8, QColor(204, 204, 204));
        return QBrush(tile);
    }();
    return brush;
}

QColor bgrToColor(uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

} // namespace

PixCtrl::PixCtrl(QWidget* parent)
    : QAbstractScrollArea(parent), image_(new PixImage(this)), view_(new ViewCache(this)) {
    setFrameShape(QFrame::NoFrame);
    connect(view_, &ViewCache::ready, viewport(), qOverload<>(&QWidget::update));
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    connect(image_, &PixImage::changed, this, &PixCtrl::onImageChanged);
    connect(image_, &PixImage::pageChanged, this, &PixCtrl::keepSelectionInImage);
    connect(image_, &PixImage::pageChanged, this, &PixCtrl::pageChanged);
    connect(image_, &PixImage::loaded, this, [this] {
        clearSelection();
        setZoomFactor(1.0);
        emit loaded();
    });
    image_->setProgressHandler([this](int percent) {
        bool cancel = false;
        emit progress(percent, &cancel);
        return !cancel;
    });
}

PixCtrl::~PixCtrl() {
    // The magnifier is a window of its own (owned by the top-level window) and paints from this
    // control: it goes with it.
    delete zoomWindow_;
}

void PixCtrl::onImageChanged() {
    view_->noteChange(image_->image(), image_->changedArea());
    keepSelectionInImage();
    updateScrollBars();
    if (autoFit_) applyFit();
    viewport()->update();
    emit imageChanged();
}

QSize PixCtrl::zoomedSize() const {
    if (image_->IsEmpty()) return {0, 0};
    // The tolerance keeps a fitted zoom (view / image) from rounding up to one pixel more.
    auto extent = [this](int n) { return int(std::ceil(n * zoom_ - 1e-6)); };
    return QSize(extent(image_->width()), extent(image_->height()));
}

QSize PixCtrl::scrollBarExtents() const {
    return QSize(verticalScrollBar()->sizeHint().width(),
                 horizontalScrollBar()->sizeHint().height());
}

QSize PixCtrl::viewFor(const QSize& content) const {
    // The whole view when the content fits it; each scroll bar that is needed takes its room,
    // which may make the other one needed too.
    const QSize full = maximumViewportSize();
    const QSize bars = scrollBarExtents();
    bool h = content.width() > full.width();
    bool v = content.height() > full.height();
    if (h && !v) v = content.height() > full.height() - bars.height();
    if (v && !h) h = content.width() > full.width() - bars.width();
    return QSize(full.width() - (v ? bars.width() : 0), full.height() - (h ? bars.height() : 0));
}

void PixCtrl::setZoomFactor(double zoom) {
    if (!(zoom > 0) || !std::isfinite(zoom) || zoom == zoom_) return;
    // Keep the image point at the centre of the view where it is.
    const QPointF centre =
        controlToImage(QPointF(viewport()->width() / 2.0, viewport()->height() / 2.0));
    zoom_ = zoom;
    updateScrollBars();
    const QPointF at = QPointF(centre.x() * zoom_, centre.y() * zoom_);
    setScroll(int(at.x() - viewport()->width() / 2.0), int(at.y() - viewport()->height() / 2.0));
    viewport()->update();
    emit zoomChanged(zoom_);
}

void PixCtrl::setAutoFit(bool on) {
    autoFit_ = on;
    if (on) applyFit();
}

void PixCtrl::setFitMode(int mode) {
    fitMode_ = mode;
    if (autoFit_) applyFit();
}

void PixCtrl::applyFit() {
    if (image_->IsEmpty()) return;
    // Fitted against the view without scroll bars: a best fit needs none.
    const QSize avail = maximumViewportSize();
    if (avail.isEmpty()) return;
    const int iw = image_->width(), ih = image_->height();
    double z = std::min(double(avail.width()) / iw, double(avail.height()) / ih);
    if (fitMode_ == kFitWidth) {
        // When the height then scrolls, the width fits beside the vertical scroll bar.
        z = double(avail.width()) / iw;
        if (ih * z > avail.height()) z = double(avail.width() - scrollBarExtents().width()) / iw;
    } else if (fitMode_ == kFitHeight) {
        z = double(avail.height()) / ih;
        if (iw * z > avail.width()) z = double(avail.height() - scrollBarExtents().height()) / ih;
    }
    if (z > 0) setZoomFactor(z);
}

void PixCtrl::setBackgroundColor(uint32_t bgr) {
    backgroundColor_ = bgr & 0xFFFFFF;
    viewport()->update();
}

void PixCtrl::setBackgroundPicture(const QImage& tile) {
    backgroundPicture_ = tile;
    viewport()->update();
}

void PixCtrl::setAlphaDisplay(bool checkerboard) {
    alphaDisplay_ = checkerboard;
    viewport()->update();
}

void PixCtrl::setRedraw(bool on) {
    redraw_ = on;
    if (on) {
        updateScrollBars();
        viewport()->update();
    }
}

void PixCtrl::setDoubleBuffer(bool on) {
    // The window system's backing store already buffers every paint; the flag is kept so the
    // setting round-trips, and painting straight to screen is never needed.
    doubleBuffer_ = on;
    viewport()->update();
}

void PixCtrl::setAntialiasDisplay(bool on) {
    antialias_ = on;
    viewport()->update();
}

int PixCtrl::ScrollX() const {
    return horizontalScrollBar()->value();
}
int PixCtrl::ScrollY() const {
    return verticalScrollBar()->value();
}

void PixCtrl::setScroll(int x, int y) {
    horizontalScrollBar()->setValue(x);
    verticalScrollBar()->setValue(y);
}

void PixCtrl::updateScrollBars() {
    // Ranges from the view the content leaves once the scroll bars have come or gone, not from
    // the viewport as it is now: otherwise bars shown for a larger zoom would stay.
    const QSize content = zoomedSize();
    const QSize view = viewFor(content);
    horizontalScrollBar()->setRange(0, std::max(0, content.width() - view.width()));
    verticalScrollBar()->setRange(0, std::max(0, content.height() - view.height()));
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setPageStep(view.height());
    horizontalScrollBar()->setSingleStep(std::max(1, view.width() / 20));
    verticalScrollBar()->setSingleStep(std::max(1, view.height() / 20));
}

QRectF PixCtrl::imageRectInViewport() const {
    const QSize content = zoomedSize();
    const QSize view = viewport()->size();
    // A smaller image is centred; a larger one scrolls.
    // Whole-pixel offsets keep image pixels on screen pixels.
    const double x =
        content.width() < view.width() ? (view.width() - content.width()) / 2 : -double(ScrollX());
    const double y = content.height() < view.height() ? (view.height() - content.height()) / 2
                                                      : -double(ScrollY());
    return QRectF(x, y, image_->width() * zoom_, image_->height() * zoom_);
}

QPointF PixCtrl::controlToImage(const QPointF& p) const {
    const QRectF r = imageRectInViewport();
    return QPointF((p.x() - r.x()) / zoom_, (p.y() - r.y()) / zoom_);
}

QPointF PixCtrl::imageToControl(const QPointF& p) const {
    const QRectF r = imageRectInViewport();
    return QPointF(r.x() + p.x() * zoom_, r.y() + p.y() * zoom_);
}

void PixCtrl::paintView(QPainter& painter, const QRect& area) {
    // Around the image: the background picture tiled, or the background colour.
    if (!backgroundPicture_.isNull())
        painter.drawTiledPixmap(
            area, QPixmap::fromImage(backgroundPicture_),
            QPoint(area.x() % backgroundPicture_.width(), area.y() % backgroundPicture_.height()));
    else
        painter.fillRect(area, bgrToColor(backgroundColor_));
    if (image_->IsEmpty()) return;

    const QRectF whole = imageRectInViewport();
    const QRect visible = whole.toAlignedRect() & area;
    if (visible.isEmpty()) return;
    const QImage& img = image_->image();
    if (img.hasAlphaChannel() || typeHasAlpha(image_->imageType()))
        painter.fillRect(visible,
                         alphaDisplay_ ? checkerBrush() : QBrush(bgrToColor(backgroundColor_)));

    if (zoom_ < 1.0) {
        // Zoomed out: draw from a cached scaled copy, one pixel per screen pixel; while it is
        // rebuilt, the image itself sampled at the nearest pixel.
        if (const QImage* scaled = view_->scaled(img, zoomedSize(), antialias_)) {
            const QRect src = visible.translated(-whole.topLeft().toPoint());
            painter.drawImage(visible.topLeft(), *scaled, src);
        } else {
            painter.save();
            painter.setClipRect(visible);
            painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
            painter.drawImage(QRectF(whole.topLeft(), QSizeF(zoomedSize())), img);
            painter.restore();
        }
    } else {
        // Zoomed in or 1:1: draw only the source pixels that cover the visible part.
        const QPointF a = controlToImage(visible.topLeft());
        const QPointF b = controlToImage(visible.bottomRight() + QPoint(1, 1));
        const QRect src = QRect(QPoint(int(std::floor(a.x())), int(std::floor(a.y()))),
                                QPoint(int(std::ceil(b.x())) - 1, int(std::ceil(b.y())) - 1)) &
                          img.rect();
        const QRectF target(imageToControl(src.topLeft()),
                            QSizeF(src.width() * zoom_, src.height() * zoom_));
        painter.setRenderHint(QPainter::SmoothPixmapTransform, antialias_ && zoom_ != 1.0);
        painter.save();
        painter.setClipRect(visible);
        painter.drawImage(target, img, src);
        painter.restore();
    }
}

void PixCtrl::paintEvent(QPaintEvent* event) {
    if (!redraw_) return;
    QPainter painter(viewport());
    paintView(painter, event->rect());
    paintInteraction(painter);
    if (overlayPainter) overlayPainter(painter);
    emit painted();
}

void PixCtrl::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    if (autoFit_) applyFit();
}

void PixCtrl::scrollContentsBy(int, int) {
    viewport()->update();
}

} // namespace pix
