#include "convolve.h"

#include "op_support.h"
#include "small_kernel.h"

#include <cmath>
#include <opencv2/imgproc.hpp>

namespace pix::ops {

namespace {

struct Convolution {
    cv::Mat kernel; // CV_32F, divisor applied
    double bias = 0;
    bool absolute = false, invert = false;
    AlphaMode alpha = AlphaMode::KeepStraight;
};

void checkKernel(const Kernel& k, double divisor, double bias, const char* source) {
    require(k.width >= 1 && k.height >= 1 && k.width <= 31 && k.height <= 31 && k.width % 2 == 1 &&
                k.height % 2 == 1 && k.values.size() == size_t(k.width) * size_t(k.height),
            QStringLiteral("The kernel must be odd-sided, up to 31 x 31"), source);
    for (double v : k.values)
        require(std::isfinite(v) && std::abs(v) <= 1e6, QStringLiteral("Kernel value %1").arg(v),
                source);
    require(std::isfinite(divisor) && std::abs(divisor) >= 1e-6 && std::abs(divisor) <= 1e6,
            QStringLiteral("Divisor %1 is not usable").arg(divisor), source);
    require(std::isfinite(bias) && std::abs(bias) <= 1000,
            QStringLiteral("Bias %1 is not -1000..1000").arg(bias), source);
}

cv::Mat toMat(const Kernel& k, double divisor) {
    cv::Mat m(k.height, k.width, CV_32F);
    for (int j = 0; j < k.height; ++j)
        for (int i = 0; i < k.width; ++i) m.at<float>(j, i) = float(k.at(i, j) / divisor);
    return m;
}

QImage run(const QImage& src, const Convolution& c, const ProgressFn& progress,
           const char* source) {
    const double gain = cv::sum(c.kernel)[0];
    const bool alphaSafe = std::abs(gain - 1.0) < 1e-6 && c.bias == 0 && !c.invert;
    if (fitsSmallKernel(c.kernel.rows, c.kernel.cols)) {
        // One pass that leaves the alpha as it was unless it is filtered.
        SmallKernel k{c.kernel.cols,
                      c.kernel.rows,
                      std::vector<float>(c.kernel.begin<float>(), c.kernel.end<float>()),
                      float(c.bias),
                      c.absolute,
                      c.invert,
                      c.alpha == AlphaMode::Filter && src.format() == QImage::Format_ARGB32};
        return filterImage(
            src, c.alpha, alphaSafe || !k.filterAlpha,
            [&](const cv::Mat& in, cv::Mat& out) { convolveSmall(in, out, k, progress); }, source);
    }
    return filterImage(
        src, c.alpha, alphaSafe,
        [&](const cv::Mat& in, cv::Mat& out) {
            if (!c.absolute && !c.invert)
                return filterRows(in, out, progress, [&](const cv::Mat& i, cv::Mat& o) {
                    cv::filter2D(i, o, -1, c.kernel, cv::Point(-1, -1), c.bias,
                                 cv::BORDER_REPLICATE);
                });
            const int radius = c.kernel.rows / 2;
            filterRowsWithHalo(in, out, radius, progress, [&](const cv::Mat& i, cv::Mat& o) {
                thread_local cv::Mat f;
                cv::filter2D(i, f, CV_32F, c.kernel, cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);
                if (c.absolute) f = cv::abs(f);
                if (c.invert)
                    f.convertTo(o, CV_8U, -1.0, 255.0 - c.bias);
                else
                    f.convertTo(o, CV_8U, 1.0, c.bias);
            });
        },
        source);
}

// `mix` of kernel `k` with the identity: (1 - mix) * identity + mix * k.
cv::Mat mixedWithIdentity(const cv::Mat& k, double mix) {
    cv::Mat m = k * mix;
    m.at<float>(k.rows / 2, k.cols / 2) += float(1.0 - mix);
    return m;
}

} // namespace

QImage customFilter(const QImage& src, const Kernel& kernel, double divisor, double bias,
                    const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.CustomFilter";
    checkKernel(kernel, divisor, bias, kSource);
    Convolution c{toMat(kernel, divisor), bias};
    c.kernel.at<float>(kernel.height / 2, kernel.width / 2) += 1.0f;
    return run(src, c, progress, kSource);
}

QImage customMatrix(const QImage& src, const Kernel& kernel, double divisor, double bias,
                    bool absolute, bool invert, const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.CustomMatrix";
    checkKernel(kernel, divisor, bias, kSource);
    return run(src, {toMat(kernel, divisor), bias, absolute, invert}, progress, kSource);
}

QImage boxBlur(const QImage& src, int strength, int size, bool ignoreAlpha,
               const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.Blur";
    require(strength >= 0 && strength <= 100,
            QStringLiteral("Strength %1 is not 0..100").arg(strength), kSource);
    require(size >= 1 && size <= 99 && size % 2 == 1,
            QStringLiteral("Size %1 is not an odd number 1..99").arg(size), kSource);
    const cv::Mat box = cv::Mat::ones(size, size, CV_32F) / double(size * size);
    return run(src,
               {mixedWithIdentity(box, strength / 100.0), 0, false, false,
                ignoreAlpha ? AlphaMode::Keep : AlphaMode::Filter},
               progress, kSource);
}

QImage sharpen(const QImage& src, int strength, int size, bool ignoreAlpha,
               const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.Sharpen";
    require(strength >= 0 && strength <= 1000,
            QStringLiteral("Strength %1 is not 0..1000").arg(strength), kSource);
    require(size >= 3 && size <= 99 && size % 2 == 1,
            QStringLiteral("Size %1 is not an odd number 3..99").arg(size), kSource);
    const cv::Mat box = cv::Mat::ones(size, size, CV_32F) / double(size * size);
    return run(src,
               {mixedWithIdentity(box, -strength / 100.0), 0, false, false,
                ignoreAlpha ? AlphaMode::Keep : AlphaMode::Filter},
               progress, kSource);
}

QImage soften(const QImage& src, int strength, const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.Soften";
    require(strength >= 0 && strength <= 100,
            QStringLiteral("Strength %1 is not 0..100").arg(strength), kSource);
    const cv::Mat binomial = (cv::Mat_<float>(3, 3) << 1, 2, 1, 2, 4, 2, 1, 2, 1) / 16.0;
    return run(src,
               {mixedWithIdentity(binomial, strength / 100.0), 0, false, false, AlphaMode::Keep},
               progress, kSource);
}

QImage edgeDetect(const QImage& src, int strength, const ProgressFn& progress) {
    constexpr const char* kSource = "Processor.EdgeDetect";
    require(strength >= 1 && strength <= 100,
            QStringLiteral("Strength %1 is not 1..100").arg(strength), kSource);
    const cv::Mat laplacian =
        (cv::Mat_<float>(3, 3) << -1, -1, -1, -1, 8, -1, -1, -1, -1) * (strength / 25.0);
    return run(src, {laplacian, 0, false, false, AlphaMode::KeepStraight}, progress, kSource);
}

} // namespace pix::ops
