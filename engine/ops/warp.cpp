#include "warp.h"

#include "op_support.h"

#include <cmath>
#include <opencv2/imgproc.hpp>

namespace pix::ops {

void warp(QImage& img, int x1, int y1, int x2, int y2, const ProgressFn& progress) {
    constexpr const char* kSource = "Effects.Warp";
    constexpr int kReach = 1 << 20;
    for (int v : {x1, y1, x2, y2})
        require(std::abs(v) <= kReach, QStringLiteral("Warp point %1 is out of range").arg(v),
                kSource);
    const double vx = x2 - x1, vy = y2 - y1;
    const double len = std::hypot(vx, vy);
    if (len == 0) return;
    const double radius = std::max(8.0, 2.0 * len);
    // Output pixels that move, and the source pixels they can read.
    const QRect moved = QRect(QPoint(int(std::floor(x1 - radius)), int(std::floor(y1 - radius))),
                              QPoint(int(std::ceil(x1 + radius)), int(std::ceil(y1 + radius)))) &
                        img.rect();
    if (moved.isEmpty()) return;
    const int pad = int(std::ceil(len)) + 2;
    const QRect read = moved.adjusted(-pad, -pad, pad, pad) & img.rect();
    QImage from = img.copy(read);
    requireAllocated(from, kSource);
    const bool alpha = img.format() == QImage::Format_ARGB32;
    if (alpha)
        for (int y = 0; y < from.height(); ++y) premultiplyRow(RowView(from)[y], from.width());
    const cv::Mat src(from.height(), from.width(), CV_8UC4, from.bits(),
                      size_t(from.bytesPerLine()));
    const RowView rows(img);
    forEachRowBand(moved.height(), progress, [&](int b0, int b1) {
        cv::Mat mapX(b1 - b0, moved.width(), CV_32F), mapY(b1 - b0, moved.width(), CV_32F);
        for (int j = b0; j < b1; ++j) {
            const int y = moved.top() + j;
            auto* mx = mapX.ptr<float>(j - b0);
            auto* my = mapY.ptr<float>(j - b0);
            for (int i = 0; i < moved.width(); ++i) {
                const int x = moved.left() + i;
                const double r2 =
                    ((x - x1) * double(x - x1) + (y - y1) * double(y - y1)) / (radius * radius);
                const double f = r2 < 1.0 ? (1.0 - r2) * (1.0 - r2) : 0.0;
                mx[i] = float(x - vx * f - read.left());
                my[i] = float(y - vy * f - read.top());
            }
        }
        cv::Mat band(b1 - b0, moved.width(), CV_8UC4,
                     rows.bytes(moved.top() + b0) + 4 * moved.left(), size_t(img.bytesPerLine()));
        cv::remap(src, band, mapX, mapY, cv::INTER_LINEAR, cv::BORDER_REPLICATE);
        if (alpha)
            for (int j = 0; j < band.rows; ++j) unpremultiplyRow(band.ptr<uint32_t>(j), band.cols);
    });
}

} // namespace pix::ops
