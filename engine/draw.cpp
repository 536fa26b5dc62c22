#include "draw.h"

#include "image_type.h"
#include "pix_error.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace pix::Draw {

namespace {

const QString kSource = QStringLiteral("Draw");

// Draws with `paint` on the page's 32-bit form: pages with alpha (or asked to gain it) become
// "32-bit RGB w/ Alpha", the others "24-bit RGB" (drawn colours do not fit a palette or a grey
// scale). A page already in that form is drawn into in place and its step keeps only `touched`;
// any other is converted, which changes the whole page.
void drawOnPage(PixImage& img, const QString& label, const QRect& touched, bool withAlpha,
                const std::function<void(QImage& work)>& paint) {
    const int type = withAlpha || typeHasAlpha(img.imageType()) ? kRgba : kRgb;
    const bool inForm = !img.IsEmpty() && img.image().format() == storageFormat(type);
    img.modifyPage(label, inForm ? touched : QRect(), [&](PixPage& page) {
        page.type = type;
        if (!inForm) page.image = convertToType(toWorkingFormat(page.image, type), type);
        paint(page.image);
    });
}

// Straight-alpha mix of src over dst by weight w (0..256).
inline QRgb mix(QRgb dst, QRgb src, int w) {
    auto ch = [w](int d, int s) { return d + (((s - d) * w) >> 8); };
    return qRgba(ch(qRed(dst), qRed(src)), ch(qGreen(dst), qGreen(src)), ch(qBlue(dst), qBlue(src)),
                 ch(qAlpha(dst), qAlpha(src)));
}

// src over dst with straight alpha.
inline QRgb over(QRgb dst, QRgb src) {
    const int sa = qAlpha(src);
    if (sa == 255) return src;
    if (sa == 0) return dst;
    const int da = qAlpha(dst);
    const int outA = sa + da * (255 - sa) / 255;
    if (outA == 0) return 0;
    auto ch = [&](int s, int d) { return (s * sa + d * da * (255 - sa) / 255) / outA; };
    return qRgba(ch(qRed(src), qRed(dst)), ch(qGreen(src), qGreen(dst)), ch(qBlue(src), qBlue(dst)),
                 outA);
}

template <typename Blend>
void blit(PixImage& img, const QImage& picture, int x, int y, const QString& label, Blend blend,
          bool withAlpha = false) {
    if (picture.isNull())
        throw PixError(kErrInvalidArgument, QStringLiteral("No picture"), kSource);
    const QImage src = picture.convertToFormat(QImage::Format_ARGB32);
    const QRect touched(x, y, picture.width(), picture.height());
    drawOnPage(img, label, touched, withAlpha, [&](QImage& work) {
        const QRect area = QRect(x, y, src.width(), src.height()) & work.rect();
        const bool keepOpaque = !work.hasAlphaChannel();
        for (int row = area.top(); row <= area.bottom(); ++row) {
            auto* d = reinterpret_cast<QRgb*>(work.scanLine(row));
            const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(row - y));
            for (int col = area.left(); col <= area.right(); ++col) {
                QRgb out = blend(d[col], s[col - x]);
                if (keepOpaque) out |= 0xFF000000u;
                d[col] = out;
            }
        }
    });
}

bool near(QRgb a, QRgb b, int tol) {
    return std::abs(qRed(a) - qRed(b)) <= tol && std::abs(qGreen(a) - qGreen(b)) <= tol &&
           std::abs(qBlue(a) - qBlue(b)) <= tol && std::abs(qAlpha(a) - qAlpha(b)) <= tol;
}

Qt::PenStyle penStyle(int lineStyle) {
    static const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                          Qt::DashDotDotLine};
    return lineStyle >= 0 && lineStyle < 5 ? styles[lineStyle] : Qt::SolidLine;
}

Qt::BrushStyle brushStyle(int fillStyle) {
    static const Qt::BrushStyle styles[] = {
        Qt::HorPattern,   Qt::VerPattern,       Qt::FDiagPattern, Qt::BDiagPattern,
        Qt::CrossPattern, Qt::DiagCrossPattern, Qt::SolidPattern};
    return fillStyle >= 0 && fillStyle < 7 ? styles[fillStyle] : Qt::NoBrush;
}

} // namespace

void DrawImage(PixImage& img, const QImage& picture, int x, int y, double opacity,
               const QString& undoLabel) {
    if (!(opacity >= 0.0 && opacity <= 1.0))
        throw PixError(kErrInvalidArgument, QStringLiteral("Opacity must lie in 0..1"), kSource);
    const int w = int(opacity * 256.0 + 0.5);
    blit(img, picture, x, y, undoLabel,
         [w](QRgb d, QRgb s) { return w >= 256 ? s : mix(d, s, w); });
}

void PutImage(PixImage& img, const QImage& picture, int x, int y, bool withAlpha,
              const QString& undoLabel) {
    blit(
        img, picture, x, y, undoLabel, [](QRgb, QRgb s) { return s; }, withAlpha);
}

void DrawImageAlpha(PixImage& img, const QImage& picture, int x, int y, const QString& undoLabel) {
    blit(img, picture, x, y, undoLabel, [](QRgb d, QRgb s) { return over(d, s); });
}

void FloodFill(PixImage& img, int x, int y, double tolerance, const QString& undoLabel) {
    if (img.IsEmpty()) throw PixError(kErrNoImage, QStringLiteral("No image"), kSource);
    if (!img.image().rect().contains(x, y)) return; // outside the image: nothing to fill
    const QRgb pen = toQRgb(img.Draw().penColor);
    const int tol = int(std::clamp(tolerance, 0.0, 1.0) * 255.0 * 0.1); // gentle by default
    struct Span {
        int y, l, r;
    };
    std::vector<Span> spans;
    QRect box;
    {
        // The fill is found on the pixels as they are, then written: the step keeps only the
        // bounding box of what it fills. The scanned copy goes before the write, so that a page
        // already in 32 bits is written in place.
        const QImage scan =
            toWorkingFormat(img.image(), typeHasAlpha(img.imageType()) ? kRgba : kRgb);
        const QRgb seed = reinterpret_cast<const QRgb*>(scan.constScanLine(y))[x];
        const int w = scan.width(), h = scan.height();
        std::vector<uint8_t> done(size_t(w) * size_t(h), 0);
        // Scanline fill: each span is filled once and its neighbours' spans are queued.
        std::vector<QPoint> stack{{x, y}};
        while (!stack.empty()) {
            const QPoint p = stack.back();
            stack.pop_back();
            const auto* row = reinterpret_cast<const QRgb*>(scan.constScanLine(p.y()));
            uint8_t* mark = &done[size_t(p.y()) * size_t(w)];
            if (mark[p.x()] || !near(row[p.x()], seed, tol)) continue;
            int l = p.x(), r = p.x();
            while (l > 0 && !mark[l - 1] && near(row[l - 1], seed, tol)) --l;
            while (r < w - 1 && !mark[r + 1] && near(row[r + 1], seed, tol)) ++r;
            std::fill(mark + l, mark + r + 1, uint8_t(1));
            spans.push_back({p.y(), l, r});
            box |= QRect(l, p.y(), r - l + 1, 1);
            for (int ny : {p.y() - 1, p.y() + 1}) {
                if (ny < 0 || ny >= h) continue;
                const auto* nrow = reinterpret_cast<const QRgb*>(scan.constScanLine(ny));
                const uint8_t* nmark = &done[size_t(ny) * size_t(w)];
                for (int i = l; i <= r; ++i)
                    if (!nmark[i] && near(nrow[i], seed, tol) &&
                        (i == l || !near(nrow[i - 1], seed, tol) || nmark[i - 1]))
                        stack.push_back({i, ny});
            }
        }
    }
    drawOnPage(img, undoLabel, box, false, [&](QImage& work) {
        const QRgb fill = work.hasAlphaChannel() ? pen : (pen | 0xFF000000u);
        for (const Span& s : spans) {
            auto* row = reinterpret_cast<QRgb*>(work.scanLine(s.y));
            std::fill(row + s.l, row + s.r + 1, fill);
        }
    });
}

void DrawShape(PixImage& img, ShapeKind kind, const QPolygonF& points, const QString& undoLabel) {
    DrawShape(img, kind, points, img.Draw(), undoLabel);
}

void DrawShape(PixImage& img, ShapeKind kind, const QPolygonF& points, const DrawSettings& s,
               const QString& undoLabel) {
    if (points.size() < 2 && kind != ShapeKind::Polyline)
        throw PixError(kErrInvalidArgument, QStringLiteral("A shape needs two points"), kSource);
    if (points.isEmpty()) return;
    // The pen reaches half its width (plus a pixel of smoothing) beyond the points.
    const int reach = std::max(1, s.thickness) / 2 + 2;
    const QRect touched =
        points.boundingRect().toAlignedRect().adjusted(-reach, -reach, reach, reach);
    drawOnPage(img, undoLabel, touched, false, [&](QImage& work) {
        QPainter p(&work);
        p.setRenderHint(QPainter::Antialiasing, s.antialias > 0);
        const QColor colour = toQColor(s.penColor);
        QPen pen(colour, std::max(1, s.thickness), penStyle(s.thickness == 1 ? s.lineStyle : 0),
                 Qt::RoundCap, Qt::RoundJoin);
        p.setPen(pen);
        const QRectF box = QRectF(points.first(), points.last()).normalized();
        if (s.fillStyle >= 0 && kind != ShapeKind::Line && kind != ShapeKind::Polyline) {
            if (!s.texture.isNull() && s.fillStyle == 6) {
                QBrush tex(s.texture);
                if (s.textureMode != kTextureTile) {
                    const QRectF over =
                        s.textureMode == kTextureStretchImage ? QRectF(work.rect()) : box;
                    tex = QBrush(s.texture.scaled(over.size().toSize().expandedTo({1, 1})));
                    tex.setTransform(QTransform::fromTranslate(over.x(), over.y()));
                }
                p.setBrush(tex);
            } else {
                p.setBrush(QBrush(colour, brushStyle(s.fillStyle)));
            }
        }
        switch (kind) {
        case ShapeKind::Line:
            p.drawLine(points.first(), points.last());
            break;
        case ShapeKind::Polyline:
            if (points.size() == 1)
                p.drawPoint(points.first());
            else
                p.drawPolyline(points);
            break;
        case ShapeKind::Polygon:
            p.drawPolygon(points);
            break;
        case ShapeKind::Rectangle:
            p.drawRect(box);
            break;
        case ShapeKind::Ellipse:
            p.drawEllipse(box);
            break;
        }
    });
}

QFont textQFont(const TextFont& f, double zoom) {
    static constexpr QFont::Weight kWeights[] = {
        QFont::Normal, QFont::Thin,     QFont::ExtraLight, QFont::Light,     QFont::Normal,
        QFont::Medium, QFont::DemiBold, QFont::Bold,       QFont::ExtraBold, QFont::Black};
    QFont font(f.name);
    // Points at 96 dots per inch: 12 points are 16 image pixels.
    // Shown at a zoom, the size is the image's pixel size times the zoom.
    font.setPixelSize(std::max(1, int(std::lround(std::lround(f.size * 96.0 / 72.0) * zoom))));
    font.setWeight(kWeights[std::clamp(f.weight, 0, 9)]);
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    return font;
}

void DrawText(PixImage& img, int x, int y, const QString& text, const QString& undoLabel) {
    if (img.IsEmpty()) throw PixError(kErrNoImage, QStringLiteral("No image"), kSource);
    if (text.isEmpty()) return;
    const DrawSettings& s = img.Draw();
    if (!(s.font.size > 0.0 && s.font.size <= 4096.0))
        throw PixError(kErrInvalidArgument, QStringLiteral("Invalid font size"), kSource);
    const bool smooth = s.antialias > 0;
    QFont font = textQFont(s.font);
    if (!smooth) font.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(font);
    const QStringList lines =
        QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")).split(QLatin1Char('\n'));
    // Each line's ink box, widened by the font's size for slanted and overhanging glyphs.
    QRect touched;
    for (int i = 0; i < lines.size(); ++i)
        touched |= metrics.boundingRect(lines[i]).translated(x, y + metrics.ascent() +
                                                                    i * metrics.lineSpacing());
    const int margin = font.pixelSize() + 2;
    touched.adjust(-margin, -margin, margin, margin);
    drawOnPage(img, undoLabel, touched, false, [&](QImage& work) {
        QPainter p(&work);
        p.setRenderHint(QPainter::TextAntialiasing, smooth);
        p.setRenderHint(QPainter::Antialiasing, smooth);
        p.setFont(font);
        p.setPen(toQColor(s.penColor));
        for (int i = 0; i < lines.size(); ++i)
            p.drawText(QPoint(x, y + metrics.ascent() + i * metrics.lineSpacing()), lines[i]);
    });
}

} // namespace pix::Draw
