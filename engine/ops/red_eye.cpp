#include "red_eye.h"

#include "op_support.h"

#include <algorithm>
#include <cstdlib>

namespace pix::ops {

void redEyeReduction(QImage& img, int left, int top, int right, int bottom, int saturation,
                     int colourRange, const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.RedEyeReduction";
    require(saturation >= 0 && saturation <= 100 && colourRange >= 0 && colourRange <= 100,
            QStringLiteral("Saturation %1 and colour range %2 must be 0..100")
                .arg(saturation)
                .arg(colourRange),
            kSource);
    const int x0 = std::max(left, 0), y0 = std::max(top, 0);
    const int x1 = std::min(right, img.width()), y1 = std::min(bottom, img.height());
    require(x0 < x1 && y0 < y1,
            QStringLiteral("The rectangle %1, %2, %3, %4 does not meet the image")
                .arg(left)
                .arg(top)
                .arg(right)
                .arg(bottom),
            kSource);
    const RowView rows(img);
    forEachRowBand(y1 - y0, progress, [&](int b0, int b1) {
        for (int y = y0 + b0; y < y0 + b1; ++y) {
            uint32_t* r = rows[y];
            for (int x = x0; x < x1; ++x) {
                const uint32_t p = r[x];
                const int red = int(p >> 16) & 0xFF, g = int(p >> 8) & 0xFF, b = int(p) & 0xFF;
                if (red <= g || red <= b) continue;
                // The hue lies |g - b| / (red - min) of 60 degrees away from red.
                if (std::abs(g - b) * 100 > colourRange * (red - std::min(g, b))) continue;
                const int mean = (g + b + 1) / 2;
                const int nr = red - ((red - mean) * saturation + 50) / 100;
                r[x] = (p & 0xFF00FFFFu) | uint32_t(nr) << 16;
            }
        }
    });
}

} // namespace pix::ops
