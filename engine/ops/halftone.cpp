#include "halftone.h"

#include "op_support.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace pix::ops {

void halftone(QImage& img, int maxDotSize, bool smooth, const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.Halftone";
    require(maxDotSize >= 1 && maxDotSize <= 100,
            QStringLiteral("Dot size %1 is not 1..100").arg(maxDotSize), kSource);
    const int side = 2 * maxDotSize, cellPixels = side * side;
    const double centre = side / 2.0;
    // Distance of each pixel centre of a cell from the cell's centre, nearest first: a dot that
    // covers k pixels reaches halfway between the k-th and the (k+1)-th distance.
    std::vector<double> dist;
    dist.reserve(size_t(cellPixels));
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            dist.push_back(std::hypot(x + 0.5 - centre, y + 0.5 - centre));
    std::sort(dist.begin(), dist.end());
    std::vector<double> radius(256); // by mean darkness 0..255
    for (int d = 0; d < 256; ++d) {
        const int k = int(std::lround(double(d) * cellPixels / 255.0));
        radius[d] = k == 0 ? -1.0 : k == cellPixels ? 1e9 : (dist[k - 1] + dist[k]) / 2;
    }
    const int w = img.width(), h = img.height();
    const int columns = (w + side - 1) / side, cellRows = (h + side - 1) / side;
    const RowView rows(img);
    forEachRowBand(cellRows, progress, [&](int c0, int c1) {
        std::vector<uint64_t> sums(static_cast<size_t>(columns)), counts(sums);
        for (int c = c0; c < c1; ++c) {
            const int y0 = c * side, y1 = std::min(h, y0 + side);
            std::fill(sums.begin(), sums.end(), 0);
            std::fill(counts.begin(), counts.end(), 0);
            for (int y = y0; y < y1; ++y) {
                const uint32_t* r = rows[y];
                for (int x = 0; x < w; ++x) {
                    sums[x / side] += uint64_t(luma(r[x]));
                    ++counts[x / side];
                }
            }
            for (int y = y0; y < y1; ++y) {
                uint32_t* r = rows[y];
                const double dy = y - y0 + 0.5 - centre;
                for (int x = 0; x < w; ++x) {
                    const int cell = x / side;
                    const int darkness = 255 - int((sums[cell] + counts[cell] / 2) / counts[cell]);
                    const double dx = x - cell * side + 0.5 - centre;
                    const double d = std::sqrt(dx * dx + dy * dy), rad = radius[darkness];
                    const double ink =
                        smooth ? std::clamp(rad - d + 0.5, 0.0, 1.0) : (d <= rad ? 1.0 : 0.0);
                    const uint32_t v = clampByte(255.0 * (1.0 - ink));
                    r[x] = (r[x] & 0xFF000000u) | v << 16 | v << 8 | v;
                }
            }
        }
    });
}

} // namespace pix::ops
