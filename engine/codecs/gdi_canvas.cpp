#include "gdi_canvas.h"

#include "../image_limits.h"
#include "../image_type.h"
#include "codec_progress.h"
#include "raster_util.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>

namespace pix {

namespace {

constexpr int kPenNull = 5;
constexpr int kBrushNull = 1;
constexpr int kBrushHatched = 2;
constexpr double kCoordLimit = 1e6; // device coordinates are clamped to this
constexpr int kMaxPenWidth = 1000;
constexpr int64_t kPixelBudget = 4 * kMaxPixels;

QColor colorRef(uint32_t c) {
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

Qt::BrushStyle hatchStyle(int hatch) {
    static constexpr std::array kHatches{Qt::HorPattern,   Qt::VerPattern,   Qt::FDiagPattern,
                                         Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
    return hatch >= 0 && hatch < int(kHatches.size()) ? kHatches[size_t(hatch)] : Qt::SolidPattern;
}

double clampCoord(double v) {
    return std::clamp(v, -kCoordLimit, kCoordLimit);
}

} // namespace

GdiCanvas::GdiCanvas(int64_t width, int64_t height, uint32_t maxObjects, const QString& source)
    : source_(source), maxObjects_(maxObjects) {
    canvas_ = allocateImage(width, height, QImage::Format_RGB32, source);
    canvas_.fill(Qt::white);
}

void GdiCanvas::setWindowExt(double w, double h) {
    if (w != 0 && h != 0) winExt_ = {w, h};
}

void GdiCanvas::setViewportExt(double w, double h) {
    if (w != 0 && h != 0) vpExt_ = {w, h};
}

QPointF GdiCanvas::map(double x, double y) const {
    double dx = x - winOrg_.x(), dy = y - winOrg_.y();
    if (scaling_) {
        dx = dx * vpExt_.x() / winExt_.x();
        dy = dy * vpExt_.y() / winExt_.y();
    }
    return {clampCoord(dx + vpOrg_.x()), clampCoord(dy + vpOrg_.y())};
}

QRectF GdiCanvas::mapRect(double l, double t, double r, double b) const {
    return QRectF(map(l, t), map(r, b)).normalized();
}

void GdiCanvas::addObject(const Object& object, int64_t slot) {
    uint32_t index = 0;
    if (slot >= 0) {
        index = uint32_t(slot);
    } else if (!freed_.empty()) {
        index = *freed_.begin();
        freed_.erase(freed_.begin());
    } else {
        index = nextSlot_++;
    }
    if (index >= maxObjects_)
        throwCorrupt(QStringLiteral("Object index %1 lies past the object table").arg(index),
                     source_);
    objects_[index] = object;
}

void GdiCanvas::createPen(int style, int width, uint32_t color, int64_t slot) {
    addObject({Object::kPen, style & 0xFF, std::clamp(width, 0, kMaxPenWidth), color, 0}, slot);
}

void GdiCanvas::createBrush(int style, uint32_t color, int hatch, int64_t slot) {
    addObject({Object::kBrush, style, 0, color, hatch}, slot);
}

void GdiCanvas::createOther(int64_t slot) {
    addObject({}, slot);
}

void GdiCanvas::selectObject(uint32_t index) {
    // Stock objects (high bit set): white, light grey, grey, dark grey, black and null brushes;
    // white, black and null pens.
    if (index & 0x80000000u) {
        struct Stock {
            Object::Kind kind;
            int style;
            uint32_t color;
        };
        static constexpr std::array<Stock, 9> kStock{{
            {Object::kBrush, 0, 0xFFFFFF},
            {Object::kBrush, 0, 0xC0C0C0},
            {Object::kBrush, 0, 0x808080},
            {Object::kBrush, 0, 0x404040},
            {Object::kBrush, 0, 0x000000},
            {Object::kBrush, kBrushNull, 0},
            {Object::kPen, 0, 0xFFFFFF},
            {Object::kPen, 0, 0x000000},
            {Object::kPen, kPenNull, 0},
        }};
        const uint32_t stock = index & 0x7FFFFFFFu;
        if (stock >= kStock.size()) return;
        const Stock& s = kStock[stock];
        (s.kind == Object::kPen ? pen_ : brush_) = Object{s.kind, s.style, 0, s.color, 0};
        return;
    }
    const auto it = objects_.find(index);
    if (it == objects_.end()) return; // selecting a missing object is ignored, as GDI does
    if (it->second.kind == Object::kPen) pen_ = it->second;
    if (it->second.kind == Object::kBrush) brush_ = it->second;
}

void GdiCanvas::deleteObject(uint32_t index) {
    if (objects_.erase(index) && index < nextSlot_) freed_.insert(index);
}

void GdiCanvas::beginShape() {
    onlyBitmap_ = false;
}

// Sets the painter up with the current pen and brush.
static void applyTools(QPainter& p, int penStyle, int penWidth, uint32_t penColor, int brushStyle,
                       uint32_t brushColor, int hatch) {
    if (penStyle == kPenNull)
        p.setPen(Qt::NoPen);
    else
        p.setPen(QPen(colorRef(penColor), std::max(1, penWidth), Qt::SolidLine, Qt::SquareCap,
                      Qt::MiterJoin));
    if (brushStyle == kBrushNull)
        p.setBrush(Qt::NoBrush);
    else
        p.setBrush(QBrush(colorRef(brushColor),
                          brushStyle == kBrushHatched ? hatchStyle(hatch) : Qt::SolidPattern));
}

void GdiCanvas::rectangle(double l, double t, double r, double b) {
    beginShape();
    QPainter p(&canvas_);
    applyTools(p, pen_.style, pen_.width, pen_.color, brush_.style, brush_.color, brush_.hatch);
    const QRectF rect = mapRect(l, t, r, b);
    p.drawRect(rect.adjusted(0, 0, -1, -1));
}

void GdiCanvas::ellipse(double l, double t, double r, double b) {
    beginShape();
    QPainter p(&canvas_);
    p.setRenderHint(QPainter::Antialiasing);
    applyTools(p, pen_.style, pen_.width, pen_.color, brush_.style, brush_.color, brush_.hatch);
    p.drawEllipse(mapRect(l, t, r, b));
}

void GdiCanvas::polygon(const QPolygonF& logical, bool closed) {
    beginShape();
    QPolygonF device;
    device.reserve(logical.size());
    for (const QPointF& pt : logical) device.append(map(pt.x(), pt.y()));
    QPainter p(&canvas_);
    applyTools(p, pen_.style, pen_.width, pen_.color, closed ? brush_.style : kBrushNull,
               brush_.color, brush_.hatch);
    if (closed)
        p.drawPolygon(device);
    else
        p.drawPolyline(device);
}

void GdiCanvas::lineTo(double x, double y) {
    polygon(QPolygonF{current_, QPointF(x, y)}, false);
    current_ = {x, y};
}

void GdiCanvas::fillRect(double x, double y, double w, double h) {
    beginShape();
    if (brush_.style == kBrushNull) return;
    QPainter p(&canvas_);
    p.fillRect(mapRect(x, y, x + w, y + h),
               QBrush(colorRef(brush_.color),
                      brush_.style == kBrushHatched ? hatchStyle(brush_.hatch) : Qt::SolidPattern));
}

PixPage GdiCanvas::decodeDib(ByteReader& reader, const DibReadOptions& options) {
    const CodecStage decoding(0, 60); // drawing the bitmap reports the rest
    PixPage page = readDib(reader, options).page;
    decodedPixels_ += int64_t(page.image.width()) * page.image.height();
    if (decodedPixels_ > kPixelBudget)
        throw PixError(kErrTooLarge, QStringLiteral("The picture holds too many bitmap pixels"),
                       source_);
    return page;
}

void GdiCanvas::drawDib(const PixPage& dib, double x, double y, double w, double h, int sx, int sy,
                        int sw, int sh) {
    const QImage& img = dib.image;
    // Source rectangle in 64-bit arithmetic (hostile sizes overflow int), cut to the bitmap.
    const int64_t top = int64_t(img.height()) - sy - sh;
    const int64_t left = std::max<int64_t>(sx, 0),
                  right = std::min<int64_t>(int64_t(sx) + sw, img.width());
    const int64_t upper = std::max<int64_t>(top, 0),
                  lower = std::min<int64_t>(top + sh, img.height());
    const QRectF dest = mapRect(x, y, x + w, y + h);
    const bool whole = sx == 0 && top == 0 && sw == img.width() && sh == img.height() &&
                       dest == QRectF(canvas_.rect()) && img.size() == canvas_.size();
    if (whole && w > 0 && h > 0 && onlyBitmap_)
        soleBitmap_ = dib;
    else
        onlyBitmap_ = false;
    if (sw <= 0 || sh <= 0 || right <= left || lower <= upper) return;
    const QImage work = toWorkingFormat(img, dib.type);
    const QRect from(int(left), int(upper), int(right - left), int(lower - upper));
    QPainter p(&canvas_);
    // A bitmap drawn unscaled and unmirrored at a whole-pixel place is a copy of each pixel on
    // its own: drawn in bands of rows, it reports as it goes. Others are drawn in one call.
    const bool unscaled = w > 0 && h > 0 && dest.size() == QSizeF(from.size()) &&
                          dest.x() == std::round(dest.x()) && dest.y() == std::round(dest.y());
    if (!unscaled) {
        p.drawImage(dest, work.copy(from).mirrored(w < 0, h < 0));
        return;
    }
    const CodecStage drawing(60, 100);
    constexpr int kBand = 256;
    for (int r = 0; r < from.height(); r += kBand) {
        reportCodecRows(r, from.height());
        p.drawImage(
            dest.topLeft() + QPointF(0, r), work,
            QRect(from.x(), from.y() + r, from.width(), std::min(kBand, from.height() - r)));
    }
}

PixPage GdiCanvas::result() const {
    if (onlyBitmap_ && !soleBitmap_.image.isNull()) return soleBitmap_;
    return {canvas_, kRgb, {}};
}

} // namespace pix
