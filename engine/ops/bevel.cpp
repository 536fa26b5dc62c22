#include "bevel.h"

#include "op_support.h"

#include <array>
#include <cmath>
#include <vector>

namespace pix::ops {

void bevelEdge(QImage& img, int size, int leftPct, int topPct, int rightPct, int bottomPct,
               double smoothness, const ProgressFn& progress) {
    constexpr const char* kSource = "Effects.BevelEdge";
    require(size >= 0 && size <= 65535, QStringLiteral("Bevel size %1 is not 0..65535").arg(size),
            kSource);
    const std::array<int, 4> pct{leftPct, topPct, rightPct, bottomPct};
    for (int p : pct)
        require(p >= 0 && p <= 1000, QStringLiteral("Bright percent %1 is not 0..1000").arg(p),
                kSource);
    require(std::isfinite(smoothness) && smoothness >= 0 && smoothness <= 500,
            QStringLiteral("Smoothness %1 is not 0..500").arg(smoothness), kSource);
    const int w = img.width(), h = img.height();
    size = std::min(size, (std::max(w, h) + 1) / 2);
    if (size == 0) return;
    // Gain (x 1/256) of each side at each distance from its edge.
    std::array<std::vector<int>, 4> gain;
    for (int s = 0; s < 4; ++s) {
        gain[s].resize(size);
        for (int d = 0; d < size; ++d) {
            const double ramp = std::pow(1.0 - double(d) / size, smoothness / 100.0);
            gain[s][d] = int(std::lround(256.0 * (1.0 + (pct[s] / 100.0 - 1.0) * ramp)));
        }
    }
    const RowView rows(img);
    forEachRowBand(h, progress, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint32_t* r = rows[y];
            const bool nearTopOrBottom = y < size || h - 1 - y < size;
            for (int x = 0; x < w; ++x) {
                if (!nearTopOrBottom && x == size && w - size > x) x = w - size; // skip the middle
                const std::array<int, 4> dist{x, y, w - 1 - x, h - 1 - y};
                int side = 0;
                for (int s = 1; s < 4; ++s)
                    if (dist[s] < dist[side]) side = s;
                if (dist[side] >= size) continue;
                const int g = gain[side][dist[side]];
                const uint32_t p = r[x];
                auto ch = [g](uint32_t c) { return uint32_t(clampByte(int((c * g + 128) >> 8))); };
                r[x] = (p & 0xFF000000u) | (ch((p >> 16) & 0xFF) << 16) |
                       (ch((p >> 8) & 0xFF) << 8) | ch(p & 0xFF);
            }
        }
    });
}

} // namespace pix::ops
