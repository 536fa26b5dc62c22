#include "autocrop.h"

#include "op_support.h"

#include <cmath>
#include <cstdlib>

namespace pix::ops {

namespace {

bool near(uint32_t p, uint32_t border, int limit) {
    for (int shift : {24, 16, 8, 0})
        if (std::abs(int((p >> shift) & 0xFF) - int((border >> shift) & 0xFF)) > limit)
            return false;
    return true;
}

} // namespace

QRect autoCropRect(const QImage& src, double tolerance, std::optional<QRgb> border) {
    require(src.format() == QImage::Format_RGB32 || src.format() == QImage::Format_ARGB32,
            QStringLiteral("AutoCrop needs a 32-bit image"), "Effects.AutoCrop");
    require(std::isfinite(tolerance) && tolerance >= 0 && tolerance <= 100,
            QStringLiteral("AutoCrop tolerance %1 is not 0..100").arg(tolerance),
            "Effects.AutoCrop");
    const int w = src.width(), h = src.height();
    if (w == 0 || h == 0) return src.rect();
    const uint32_t opaque = src.format() == QImage::Format_RGB32 ? 0xFF000000u : 0;
    const uint32_t colour = border.value_or(row32(src, 0)[0]) | opaque;
    const int limit = int(std::floor(tolerance * 255.0 / 100.0));
    auto rowIsBorder = [&](int y, int x0, int x1) {
        const uint32_t* r = row32(src, y);
        for (int x = x0; x < x1; ++x)
            if (!near(r[x] | opaque, colour, limit)) return false;
        return true;
    };
    auto columnIsBorder = [&](int x, int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            if (!near(row32(src, y)[x] | opaque, colour, limit)) return false;
        return true;
    };
    int top = 0, bottom = h;
    while (top < h && rowIsBorder(top, 0, w)) ++top;
    if (top == h) return src.rect(); // one colour: nothing would be left
    while (rowIsBorder(bottom - 1, 0, w)) --bottom;
    int left = 0, right = w;
    while (columnIsBorder(left, top, bottom)) ++left;
    while (columnIsBorder(right - 1, top, bottom)) --right;
    return QRect(left, top, right - left, bottom - top);
}

} // namespace pix::ops
