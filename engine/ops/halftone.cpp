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
    // Pixels of a cell by distance of their centres from the cell's centre, nearest first: a hard
    // dot that covers k pixels inks the first k (ties in a fixed order), so its area follows the
    // tone exactly; a smooth dot reaches halfway between the k-th and the (k+1)-th distance.
    std::vector<double> dist(static_cast<size_t>(cellPixels));
    std::vector<int> order(static_cast<size_t>(cellPixels)), rank(static_cast<size_t>(cellPixels));
    for (int i = 0; i < cellPixels; ++i) {
        dist[i] = std::hypot(i % side + 0.5 - centre, i / side + 0.5 - centre);
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return dist[a] < dist[b]; });
    for (int i = 0; i < cellPixels; ++i) rank[order[i]] = i;
    std::vector<int> covered(256); // by mean darkness 0..255
    std::vector<double> radius(256);
    for (int d = 0; d < 256; ++d) {
        const int k = int(std::lround(double(d) * cellPixels / 255.0));
        covered[d] = k;
        radius[d] = k == 0            ? -1.0
                    : k == cellPixels ? 1e9
                                      : (dist[order[k - 1]] + dist[order[k]]) / 2;
    }
    const int w = img.width(), h = img.height();
    const int columns = (w + side - 1) / side;
    const RowView rows(img);
    // Split by rows (a band takes the cells that start inside it), for frequent progress.
    forEachRowBand(h, progress, [&](int ya, int yb) {
        std::vector<uint64_t> sums(static_cast<size_t>(columns)), counts(sums);
        for (int c = (ya + side - 1) / side; c < (yb + side - 1) / side; ++c) {
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
                for (int x = 0; x < w; ++x) {
                    const int cell = x / side;
                    const int darkness = 255 - int((sums[cell] + counts[cell] / 2) / counts[cell]);
                    const int i = (y - y0) * side + x - cell * side;
                    const double ink = smooth
                                           ? std::clamp(radius[darkness] - dist[i] + 0.5, 0.0, 1.0)
                                           : (rank[i] < covered[darkness] ? 1.0 : 0.0);
                    const uint32_t v = clampByte(255.0 * (1.0 - ink));
                    r[x] = (r[x] & 0xFF000000u) | v << 16 | v << 8 | v;
                }
            }
        }
    });
}

} // namespace pix::ops
