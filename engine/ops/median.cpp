#include "median.h"

#include "area_support.h"
#include "op_support.h"

#include <opencv2/imgproc.hpp>

namespace pix::ops {

QImage median(const QImage& src, int size, bool ignoreAlpha, const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.Median";
    require(size >= 1 && size <= 255 && size % 2 == 1,
            QStringLiteral("Filter size %1 is not an odd number 1..255").arg(size), kSource);
    return filterImage(
        src, ignoreAlpha ? AlphaMode::Keep : AlphaMode::Filter, true,
        [&](const cv::Mat& in, cv::Mat& out) {
            if (size == 1) return in.copyTo(out);
            // medianBlur treats its input as the whole picture: without progress one call on
            // the whole image (parallel inside), else chunks with their halo rows.
            if (!progress) return cv::medianBlur(in, out, size);
            filterRowsWithHalo(in, out, size / 2, progress,
                               [&](const cv::Mat& i, cv::Mat& o) { cv::medianBlur(i, o, size); });
        },
        kSource);
}

} // namespace pix::ops
