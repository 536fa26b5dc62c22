// The control's mouse work: rubber-band selection, panning, zooming by click, rectangle and
// drag, and the interactive shapes, drawn into the image when finished.
#include "pix_ctrl.h"

#include "engine/draw.h"
#include "engine/pix_error.h"
#include "zoom_window.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <cmath>

namespace pix {

namespace {

bool isShapeMode(int mode) {
    return mode >= kMouseLine && mode <= kMouseFreehand;
}

// A press and release closer than this (viewport pixels) is a click, not a drag.
constexpr double kClickSlop = 3.0;

} // namespace

void PixCtrl::setMouseMode(int mode) {
    mouseMode_ = mode;
    dragging_ = false;
    points_.clear();
    viewport()->update();
}

ZoomWindow& PixCtrl::zoomWindow() {
    if (!zoomWindow_) zoomWindow_ = new ZoomWindow(*this);
    return *zoomWindow_;
}

void PixCtrl::setImageCursor(const QCursor& cursor) {
    viewport()->setCursor(cursor);
}

void PixCtrl::setSelection(const QRectF& rect) {
    const QRectF inside = rect.normalized() & QRectF(image_->image().rect());
    selection_ = inside.isEmpty() ? QRectF() : inside;
    selectionShown_ = !selection_.isEmpty();
    selectionImageSize_ = image_->image().size();
    viewport()->update();
    emit selectionChanged(selection_.left(), selection_.top(), selection_.width(),
                          selection_.height());
}

void PixCtrl::setSelectionShown(bool shown) {
    selectionShown_ = shown && !selection_.isEmpty();
    viewport()->update();
}

void PixCtrl::clearSelection() {
    selection_ = QRectF();
    selectionShown_ = false;
    viewport()->update();
    emit selectionChanged(0, 0, 0, 0);
}

// A selection drawn on an image of another size (resized, rotated, cropped, replaced) means
// nothing on the new one: it is dropped.
void PixCtrl::keepSelectionInImage() {
    const QSize size = image_->IsEmpty() ? QSize() : image_->image().size();
    if (size == selectionImageSize_) return;
    selectionImageSize_ = size;
    if (!selection_.isEmpty() || selectionShown_) clearSelection();
}

QPointF PixCtrl::clampToImage(const QPointF& p) const {
    return QPointF(std::clamp(p.x(), 0.0, double(image_->width())),
                   std::clamp(p.y(), 0.0, double(image_->height())));
}

void PixCtrl::mousePressEvent(QMouseEvent* e) {
    emit mouseDown(e->button(), e->modifiers(), e->position().x(), e->position().y());
    if (image_->IsEmpty()) return;
    beginDrag(e);
}

void PixCtrl::mouseMoveEvent(QMouseEvent* e) {
    emit mouseMove(e->buttons(), e->modifiers(), e->position().x(), e->position().y());
    const QPointF ip = controlToImage(e->position());
    if (zoomWindow_) zoomWindow_->setCentre(ip);
    if (!image_->IsEmpty() && QRectF(image_->image().rect()).contains(ip))
        emit imageMouseMove(e->buttons(), e->modifiers(), int(std::floor(ip.x())),
                            int(std::floor(ip.y())));
    continueDrag(e);
}

void PixCtrl::mouseReleaseEvent(QMouseEvent* e) {
    endDrag(e);
    emit mouseUp(e->button(), e->modifiers(), e->position().x(), e->position().y());
}

void PixCtrl::mouseDoubleClickEvent(QMouseEvent* e) {
    if (mouseMode_ == kMousePolygon && !points_.isEmpty()) {
        // The double click places the last corner, where the pointer is.
        points_.last() = clampToImage(controlToImage(e->position()));
        finishShape();
    }
    const QPointF p = e->position();
    emit dblClick(p.x(), p.y());
}

void PixCtrl::wheelEvent(QWheelEvent* e) {
    // Three lines per notch of 120.
    const int lines = e->angleDelta().y() / 40;
    if (lines != 0) emit mouseWheel(lines, e->modifiers());
    e->accept();
}

void PixCtrl::beginDrag(QMouseEvent* e) {
    dragButton_ = e->button();
    dragStartView_ = e->position();
    dragAnchor_ = controlToImage(e->position());
    dragStartImage_ = clampToImage(dragAnchor_);
    dragNowImage_ = dragStartImage_;
    dragStartScroll_ = QPoint(ScrollX(), ScrollY());
    dragStartZoom_ = zoom_;
    switch (mouseMode_) {
    case kMouseSelect:
        if (dragButton_ != Qt::LeftButton) return;
        selectionShown_ = false;
        dragging_ = true;
        break;
    case kMousePan:
    case kMouseZoomRect:
    case kMouseZoomHand:
    case kMouseLine:
    case kMouseRectangle:
    case kMouseEllipse:
        dragging_ = dragButton_ == Qt::LeftButton;
        break;
    case kMouseFreehand:
        if (dragButton_ != Qt::LeftButton) return;
        dragging_ = true;
        points_ = {dragStartImage_};
        break;
    case kMousePolygon:
        if (dragButton_ != Qt::LeftButton) return;
        if (points_.isEmpty()) points_ << dragStartImage_;
        points_ << dragStartImage_; // the point that follows the mouse until the next click
        break;
    case kMouseZoomClick: {
        const QPointF at = controlToImage(e->position());
        setZoomFactor(zoom_ * (dragButton_ == Qt::RightButton ? 0.75 : 1.25));
        // Keep the clicked image point under the mouse.
        const QPointF now = imageToControl(at);
        setScroll(ScrollX() + int(now.x() - e->position().x()),
                  ScrollY() + int(now.y() - e->position().y()));
        break;
    }
    default:
        break;
    }
    viewport()->update();
}

void PixCtrl::continueDrag(QMouseEvent* e) {
    const QPointF ip = clampToImage(controlToImage(e->position()));
    if (mouseMode_ == kMousePolygon && !points_.isEmpty()) {
        points_.last() = ip;
        viewport()->update();
        return;
    }
    if (!dragging_) return;
    dragNowImage_ = ip;
    switch (mouseMode_) {
    case kMousePan: {
        const QPointF d = e->position() - dragStartView_;
        setScroll(dragStartScroll_.x() - int(d.x()), dragStartScroll_.y() - int(d.y()));
        break;
    }
    case kMouseZoomHand:
        zoomHandTo(e->position());
        break;
    case kMouseFreehand:
        points_ << ip;
        break;
    default:
        break;
    }
    viewport()->update();
}

void PixCtrl::endDrag(QMouseEvent* e) {
    if (!dragging_ || e->button() != dragButton_) return;
    dragging_ = false;
    dragNowImage_ = clampToImage(controlToImage(e->position()));
    const QRectF dragged = QRectF(dragStartImage_, dragNowImage_).normalized();
    switch (mouseMode_) {
    case kMouseSelect:
        // Whole pixels: the rectangle runs from the pixel pressed to the pixel released.
        setSelection(QRectF(std::floor(dragged.left()), std::floor(dragged.top()),
                            std::floor(dragged.right()) - std::floor(dragged.left()),
                            std::floor(dragged.bottom()) - std::floor(dragged.top())));
        break;
    case kMouseZoomRect: {
        const QPointF moved = e->position() - dragStartView_;
        if (std::hypot(moved.x(), moved.y()) < kClickSlop || dragged.width() < 1 ||
            dragged.height() < 1) {
            setZoomFactor(zoom_ * 2.0);
        } else {
            const QSize view = viewport()->size();
            setZoomFactor(
                std::min(view.width() / dragged.width(), view.height() / dragged.height()));
            const QPointF topLeft = QPointF(dragged.left() * zoom_, dragged.top() * zoom_);
            setScroll(int(topLeft.x()), int(topLeft.y()));
        }
        break;
    }
    case kMouseLine:
    case kMouseRectangle:
    case kMouseEllipse:
        points_ = {dragStartImage_, dragNowImage_};
        finishShape();
        break;
    case kMouseZoomHand:
        zoomHandTo(e->position());
        break;
    case kMouseFreehand:
        // The stroke ends where the button was released, however few moves came before.
        if (points_.isEmpty() || points_.last() != dragNowImage_) points_ << dragNowImage_;
        finishShape();
        break;
    default:
        break;
    }
    viewport()->update();
}

void PixCtrl::zoomHandTo(const QPointF& viewportPos) {
    // Twice the size per 100 pixels up, half per 100 down, from 0.5 % to 1600 %.
    const double dy = viewportPos.y() - dragStartView_.y();
    setZoomFactor(std::clamp(dragStartZoom_ * std::pow(2.0, -dy / 100.0), 0.005, 16.0));
    // The image point pressed stays under the place pressed.
    const QPointF now = imageToControl(dragAnchor_);
    setScroll(ScrollX() + int(std::lround(now.x() - dragStartView_.x())),
              ScrollY() + int(std::lround(now.y() - dragStartView_.y())));
}

void PixCtrl::finishShape() {
    // Corners clicked twice in one place (the presses of a double click) count once.
    QPolygonF points;
    for (const QPointF& p : std::as_const(points_))
        if (points.isEmpty() || points.last() != p) points << p;
    points_.clear();
    // A click without a drag leaves nothing to draw (a freehand dot aside).
    if (points.isEmpty() || (points.size() < 2 && mouseMode_ != kMouseFreehand)) return;
    emit beforeDraw();
    bool cancel = false;
    emit shapeFinished(points.first().x(), points.first().y(), points.last().x(), points.last().y(),
                       &cancel);
    if (cancel || image_->IsEmpty()) return;
    static const Draw::ShapeKind kKinds[] = {Draw::ShapeKind::Line, Draw::ShapeKind::Polygon,
                                             Draw::ShapeKind::Rectangle, Draw::ShapeKind::Ellipse,
                                             Draw::ShapeKind::Polyline};
    const Draw::ShapeKind kind = kKinds[std::clamp(mouseMode_ - kMouseLine, 0, 4)];
    // The shape takes its pen from the Draw settings and its geometry settings from Shape.
    DrawSettings settings = image_->Draw();
    settings.thickness = shape_.thickness;
    settings.lineStyle = shape_.lineStyle;
    settings.fillStyle = shape_.fillStyle;
    try {
        Draw::DrawShape(*image_, kind, points, settings, QString());
    } catch (const PixError&) {
        // The image went away or refused the shape: nothing is drawn and nothing changes.
    }
}

void PixCtrl::paintInteraction(QPainter& painter) {
    if (image_->IsEmpty()) return;
    auto toView = [this](const QPointF& p) { return imageToControl(p); };
    painter.save();
    if (mouseMode_ == kMouseSelect && dragging_) {
        painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
        painter.drawRect(QRectF(toView(dragStartImage_), toView(dragNowImage_)).normalized());
    } else if (selectionShown_ && selection_.isValid()) {
        painter.setPen(QPen(Qt::white, 1));
        const QRectF r(toView(selection_.topLeft()), toView(selection_.bottomRight()));
        painter.drawRect(r);
        painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
        painter.drawRect(r);
    }
    if (isShapeMode(mouseMode_) && (dragging_ || !points_.isEmpty())) {
        const DrawSettings& d = image_->Draw();
        QColor c = toQColor(d.penColor);
        painter.setPen(QPen(c, std::max(1.0, shape_.thickness * zoom_)));
        painter.setRenderHint(QPainter::Antialiasing, d.antialias > 0);
        const QRectF box(toView(dragStartImage_), toView(dragNowImage_));
        QPolygonF view;
        for (const QPointF& p : points_) view << toView(p);
        switch (mouseMode_) {
        case kMouseLine:
            painter.drawLine(box.topLeft(), box.bottomRight());
            break;
        case kMouseRectangle:
            painter.drawRect(box.normalized());
            break;
        case kMouseEllipse:
            painter.drawEllipse(box.normalized());
            break;
        default:
            painter.drawPolyline(view);
            break;
        }
    }
    if (mouseMode_ == kMouseZoomRect && dragging_) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(QRectF(toView(dragStartImage_), toView(dragNowImage_)).normalized());
    }
    painter.restore();
}

} // namespace pix
