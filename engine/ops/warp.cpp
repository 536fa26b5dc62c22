#include "warp.h"

#include "inverse_map.h"
#include "op_support.h"

#include <climits>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <vector>

namespace pix::ops {

namespace {

// Where the pixels x0..x0+count-1 of row y read from, relative to `origin`: pulled back along
// the line (vx, vy) by a weight falling from 1 at (x1, y1) to 0 at `radius`.
void sourceRow(int x1, int y1, double vx, double vy, double radius, int x0, int y, QPoint origin,
               float* sx, float* sy, int count) {
    for (int i = 0; i < count; ++i) {
        const int x = x0 + i;
        const double r2 =
            ((x - x1) * double(x - x1) + (y - y1) * double(y - y1)) / (radius * radius);
        const double f = r2 < 1.0 ? (1.0 - r2) * (1.0 - r2) : 0.0;
        sx[i] = float(x - vx * f - origin.x());
        sy[i] = float(y - vy * f - origin.y());
    }
}

} // namespace

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
    // OpenCV's remap takes sources below 32767 pixels a side; the engine's sampler the rest.
    if (from.width() >= SHRT_MAX || from.height() >= SHRT_MAX) {
        const BilinearSampler sampler(from, Edges{});
        const RowView rows(img);
        forEachRowBand(moved.height(), progress, [&](int b0, int b1) {
            std::vector<float> sx(size_t(moved.width())), sy(size_t(moved.width()));
            for (int j = b0; j < b1; ++j) {
                const int y = moved.top() + j;
                sourceRow(x1, y1, vx, vy, radius, moved.left(), y, read.topLeft(), sx.data(),
                          sy.data(), moved.width());
                sampler.row(sx.data(), sy.data(), rows[y] + moved.left(), moved.width());
            }
        });
        return;
    }
    if (alpha)
        for (int y = 0; y < from.height(); ++y) premultiplyRow(RowView(from)[y], from.width());
    const cv::Mat src(from.height(), from.width(), CV_8UC4, from.bits(),
                      size_t(from.bytesPerLine()));
    const RowView rows(img);
    forEachRowBand(moved.height(), progress, [&](int b0, int b1) {
        cv::Mat mapX(b1 - b0, moved.width(), CV_32F), mapY(b1 - b0, moved.width(), CV_32F);
        for (int j = b0; j < b1; ++j) {
            const int y = moved.top() + j;
            sourceRow(x1, y1, vx, vy, radius, moved.left(), y, read.topLeft(),
                      mapX.ptr<float>(j - b0), mapY.ptr<float>(j - b0), moved.width());
        }
        cv::Mat band(b1 - b0, moved.width(), CV_8UC4,
                     rows.bytes(moved.top() + b0) + 4 * moved.left(), size_t(img.bytesPerLine()));
        cv::remap(src, band, mapX, mapY, cv::INTER_LINEAR, cv::BORDER_REPLICATE);
        if (alpha)
            for (int j = 0; j < band.rows; ++j) unpremultiplyRow(band.ptr<uint32_t>(j), band.cols);
    });
}

} // namespace pix::ops
