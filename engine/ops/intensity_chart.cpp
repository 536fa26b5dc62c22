#include "intensity_chart.h"

#include <algorithm>
#include <cmath>

namespace pix::ops {

Histogram intensityHistogram(const QImage& image) {
    Histogram counts{};
    if (image.isNull()) return counts;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) ++counts[size_t(qGray(row[x]))];
    }
    return counts;
}

QImage histogramChart(const Histogram& counts, int margin, int height) {
    QImage chart(256 + 2 * margin, height, QImage::Format_RGB32);
    chart.fill(Qt::white);
    const uint64_t most = *std::max_element(counts.begin(), counts.end());
    if (most == 0) return chart;
    for (int level = 0; level < 256; ++level) {
        const int bar = int(std::nearbyint(double(counts[size_t(level)]) * height / double(most)));
        for (int y = height - bar; y < height; ++y)
            reinterpret_cast<QRgb*>(chart.scanLine(y))[margin + level] = qRgb(0, 0, 0);
    }
    return chart;
}

} // namespace pix::ops
