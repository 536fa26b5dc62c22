#include "morphology.h"

#include "op_support.h"

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
    auto pass = [&](const cv::Mat& in, cv::Mat& out, int kind, int from, int to) {
        filterRows(
            in, out, progress,
            [&](const cv::Mat& i, cv::Mat& o) {
                cv::morphologyEx(i, o, kind, shape, anchor, 1, cv::BORDER_REPLICATE);
            },
            from, to);
    };
    return filterImage(
        src, AlphaMode::KeepStraight, op != kTopHat,
        [&](const cv::Mat& in, cv::Mat& out) {
            if (op == kDilate || op == kErode)
                return pass(in, out, op == kDilate ? cv::MORPH_DILATE : cv::MORPH_ERODE, 0, 100);
            // Two passes, each over the whole previous result.
            const bool erodeFirst = op != kClose;
            cv::Mat mid(in.size(), in.type());
            pass(in, mid, erodeFirst ? cv::MORPH_ERODE : cv::MORPH_DILATE, 0, 50);
            pass(mid, out, erodeFirst ? cv::MORPH_DILATE : cv::MORPH_ERODE, 50, 100);
            if (op == kTopHat) cv::subtract(in, out, out);
        },
        kSource);
}

} // namespace pix::ops
