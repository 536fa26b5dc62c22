#include "morphology.h"

#include "op_support.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>

namespace pix::ops {

QImage morphology(const QImage& src, const Element& element, int op, const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.Morphology";
    require(op >= kDilate && op <= kTopHat,
            QStringLiteral("Morphology operation %1 is not 0..4").arg(op), kSource);
    const int w = element.width, h = element.height;
    require(w >= 1 && h >= 1 && w <= 31 && h <= 31 && w % 2 == 1 && h % 2 == 1 &&
                element.values.size() == size_t(w) * size_t(h),
            QStringLiteral("The structuring element must be odd-sided, up to 31 x 31"), kSource);
    cv::Mat shape(h, w, CV_8U);
    cv::Point anchor(w / 2, h / 2);
    bool any = false;
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const int v = element.at(i, j);
            require(v >= 0, QStringLiteral("Structuring element entries must not be negative"),
                    kSource);
            shape.at<uint8_t>(j, i) = v > 0;
            any |= v > 0;
            if (v == 2) anchor = cv::Point(i, j);
        }
    require(any, QStringLiteral("The structuring element is empty"), kSource);
    // Open, close and top-hat: both passes on one band of rows at a time, the first pass over
    // the band and the rows the second one reads around it, so its result stays in cache.
    const int halo = std::max(anchor.y, h - 1 - anchor.y);
    const int first = op == kClose ? cv::MORPH_DILATE : cv::MORPH_ERODE;
    const int second = op == kClose ? cv::MORPH_ERODE : cv::MORPH_DILATE;
    auto twoPasses = [&](const cv::Mat& in, cv::Mat& out) {
        const int rows = in.rows;
        constexpr int kBandRows = 64;
        forEachRowBand(rows, progress, [&](int y0, int y1) {
            thread_local cv::Mat mid;
            for (int b0 = y0; b0 < y1; b0 += kBandRows) {
                const int b1 = std::min(y1, b0 + kBandRows);
                const int m0 = std::max(0, b0 - halo), m1 = std::min(rows, b1 + halo);
                // Views of the whole image: OpenCV reads the real rows around each one.
                cv::morphologyEx(in.rowRange(m0, m1), mid, first, shape, anchor, 1,
                                 cv::BORDER_REPLICATE);
                cv::Mat o = out.rowRange(b0, b1);
                cv::morphologyEx(mid.rowRange(b0 - m0, b1 - m0), o, second, shape, anchor, 1,
                                 cv::BORDER_REPLICATE);
                if (op == kTopHat) cv::subtract(in.rowRange(b0, b1), o, o);
            }
        });
    };
    return filterImage(
        src, AlphaMode::KeepStraight, op != kTopHat,
        [&](const cv::Mat& in, cv::Mat& out) {
            if (op == kDilate || op == kErode)
                return filterRows(in, out, progress, [&](const cv::Mat& i, cv::Mat& o) {
                    cv::morphologyEx(i, o, op == kDilate ? cv::MORPH_DILATE : cv::MORPH_ERODE,
                                     shape, anchor, 1, cv::BORDER_REPLICATE);
                });
            twoPasses(in, out);
        },
        kSource);
}

} // namespace pix::ops
