#include "canvas.h"

#include "op_support.h"

#include <algorithm>
#include <cstring>

namespace pix::ops {

QImage resizeCanvas(const QImage& src, int width, int height, QRgb fill, int offsetX, int offsetY,
                    const ProgressFn& progress) {
    constexpr const char* kSource = "Effects.ResizeCanvas";
    const bool alpha = src.format() == QImage::Format_ARGB32 || qAlpha(fill) != 255;
    QImage dst = newImage32(width, height, alpha, kSource);
    const uint32_t colour = alpha ? fill : (fill | 0xFF000000u);
    const QImage in = src.convertToFormat(dst.format());
    // The part of the old image that lands on the new canvas.
    const QRect placed = QRect(QPoint(offsetX, offsetY), in.size()) & dst.rect();
    const RowView rows(dst);
    // Row by row in bands: the old image where it lands, the fill colour around it.
    forEachRowBand(height, progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint32_t* row = rows[y];
            if (y < placed.top() || y > placed.bottom()) {
                std::fill(row, row + width, colour);
                continue;
            }
            std::fill(row, row + placed.left(), colour);
            std::memcpy(row + placed.left(), row32(in, y - offsetY) + (placed.left() - offsetX),
                        size_t(placed.width()) * 4);
            std::fill(row + placed.left() + placed.width(), row + width, colour);
        }
    });
    return dst;
}

QImage crop(const QImage& src, const QRect& rect) {
    require(rect.isValid() && src.rect().contains(rect),
            QStringLiteral("Crop rectangle %1,%2 %3 x %4 is not inside the %5 x %6 image")
                .arg(rect.left())
                .arg(rect.top())
                .arg(rect.width())
                .arg(rect.height())
                .arg(src.width())
                .arg(src.height()),
            "Effects.Crop");
    QImage out = src.copy(rect);
    requireAllocated(out, "Effects.Crop");
    return out;
}

QImage flip(const QImage& src, int direction) {
    require(direction == 0 || direction == 1,
            QStringLiteral("Flip direction must be 0 (horizontal) or 1 (vertical), not %1")
                .arg(direction),
            "Effects.Flip");
    const bool wide = src.format() == QImage::Format_RGB32 || src.format() == QImage::Format_ARGB32;
    if (!wide) {
        QImage out = src.mirrored(direction == 0, direction == 1);
        requireAllocated(out, "Effects.Flip");
        return out;
    }
    // 32-bit pages: rows copied (or reversed) in bands on the shared pool.
    QImage out = newImageLike(src, "Effects.Flip");
    const RowView rows(out);
    const int w = src.width(), h = src.height();
    forEachRowBand(h, {}, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            if (direction == 1) {
                std::memcpy(rows[y], row32(src, h - 1 - y), size_t(w) * 4);
                continue;
            }
            const uint32_t* in = row32(src, y);
            uint32_t* o = rows[y];
            for (int x = 0; x < w; ++x) o[x] = in[w - 1 - x];
        }
    });
    return out;
}

} // namespace pix::ops
