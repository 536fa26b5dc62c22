#include "color_replace.h"

#include "op_support.h"

#include <atomic>
#include <cmath>

namespace pix::ops {

int64_t replaceColor(QImage& img, QRgb oldColor, QRgb newColor, double tolerance, bool opaque,
                     const ProgressFn& progress) {
    constexpr const char* kSource = "Effects.ReplaceColor";
    require(std::isfinite(tolerance) && tolerance >= 0.0 && tolerance <= 100.0,
            QStringLiteral("Tolerance %1 is not 0..100").arg(tolerance), kSource);
    require(opaque || img.format() == QImage::Format_ARGB32,
            QStringLiteral("A transparent replacement needs an image with alpha"), kSource);
    const int limit = int(std::floor(tolerance * 255.0 / 100.0 + 1e-9));
    const int r0 = qRed(oldColor), g0 = qGreen(oldColor), b0 = qBlue(oldColor);
    const uint32_t rgb = newColor & 0x00FFFFFFu;
    std::atomic<int64_t> changed = 0;
    const RowView rows(img);
    forEachRowBand(img.height(), progress, [&](int y0, int y1) {
        int64_t n = 0;
        for (int y = y0; y < y1; ++y) {
            uint32_t* r = rows[y];
            for (int x = 0; x < img.width(); ++x) {
                const uint32_t p = r[x];
                if (std::abs(qRed(p) - r0) > limit || std::abs(qGreen(p) - g0) > limit ||
                    std::abs(qBlue(p) - b0) > limit)
                    continue;
                r[x] = rgb | (opaque ? (p & 0xFF000000u) : 0u);
                ++n;
            }
        }
        changed += n;
    });
    return changed;
}

} // namespace pix::ops
