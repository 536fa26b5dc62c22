#include "means.h"

#include "area_support.h"
#include "op_support.h"

#include <cmath>
#include <opencv2/imgproc.hpp>

namespace pix::ops {

namespace {

constexpr double kYpPower = 3.0;

// Level v -> the value averaged (of v + 1).
cv::Mat forwardTable(MeanKind kind) {
    cv::Mat lut(1, 256, CV_32F);
    for (int v = 0; v < 256; ++v) {
        const double u = v + 1.0;
        double f = u;
        switch (kind) {
        case MeanKind::Harmonic:
            f = 1.0 / u;
            break;
        case MeanKind::Geometric:
            f = std::log(u);
            break;
        case MeanKind::YpLow:
            f = std::pow(u, kYpPower);
            break;
        case MeanKind::YpHigh:
            f = std::pow(u, -kYpPower);
            break;
        case MeanKind::Arithmetic:
            break;
        }
        lut.at<float>(v) = float(f);
    }
    return lut;
}

// The averaged values back to levels, in place.
void backward(cv::Mat& m, MeanKind kind) {
    switch (kind) {
    case MeanKind::Harmonic:
        cv::divide(1.0, m, m);
        break;
    case MeanKind::Geometric:
        cv::exp(m, m);
        break;
    case MeanKind::YpLow:
        cv::pow(m, 1.0 / kYpPower, m);
        break;
    case MeanKind::YpHigh:
        cv::pow(m, -1.0 / kYpPower, m);
        break;
    case MeanKind::Arithmetic:
        break;
    }
}

} // namespace

QImage meanFilter(const QImage& src, MeanKind kind, int size, bool ignoreAlpha,
                  const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.Mean";
    require(size >= 1 && size <= 255 && size % 2 == 1,
            QStringLiteral("Filter size %1 is not an odd number 1..255").arg(size), kSource);
    const cv::Size window(size, size);
    return filterImage(
        src, ignoreAlpha ? AlphaMode::Keep : AlphaMode::Filter, true,
        [&](const cv::Mat& in, cv::Mat& out) {
            if (kind == MeanKind::Arithmetic)
                return filterRows(in, out, progress, [&](const cv::Mat& i, cv::Mat& o) {
                    cv::blur(i, o, window, cv::Point(-1, -1), cv::BORDER_REPLICATE);
                });
            const cv::Mat table = forwardTable(kind);
            filterRowsWithHalo(in, out, size / 2, progress, [&](const cv::Mat& i, cv::Mat& o) {
                thread_local cv::Mat f;
                cv::LUT(i, table, f);
                cv::blur(f, f, window, cv::Point(-1, -1), cv::BORDER_REPLICATE);
                backward(f, kind);
                f.convertTo(o, CV_8U, 1.0, -1.0);
            });
        },
        kSource);
}

} // namespace pix::ops
