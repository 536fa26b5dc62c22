#include "emboss_shape.h"

#include "op_support.h"

#include <cmath>
#include <numbers>
#include <opencv2/imgproc.hpp>

namespace pix::ops {

void embossShape(QImage& img, int depth, int angle, int softness, QRgb shadow, QRgb highlight,
                 const ProgressFn& progress) {
    constexpr const char* kSource = "Effects.EmbossShape";
    require(depth >= 0 && depth <= 100, QStringLiteral("Depth %1 is not 0..100").arg(depth),
            kSource);
    require(softness >= 0 && softness <= 1000,
            QStringLiteral("Softness %1 is not 0..1000").arg(softness), kSource);
    const int w = img.width(), h = img.height();
    const RowView rows(img);
    const bool byAlpha = img.format() == QImage::Format_ARGB32 && !isOpaque(img);
    // Height field 0..1, reused between calls of the same size.
    thread_local cv::Mat scratch;
    cv::Mat& height = scratch; // the caller's buffer, also inside the pool's threads
    height.create(h, w, CV_32F);
    forEachRowBand(h, {}, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint32_t* r = rows[y];
            auto* o = height.ptr<float>(y);
            for (int x = 0; x < w; ++x) o[x] = (byAlpha ? int(r[x] >> 24) : luma(r[x])) / 255.0f;
        }
    });
    const double sigma = 0.5 + softness / 25.0;
    cv::GaussianBlur(height, height, cv::Size(0, 0), sigma, sigma, cv::BORDER_REPLICATE);
    if (!reportProgress(progress, 40))
        throw PixError(kErrCancelled, QStringLiteral("Cancelled"), QString::fromLatin1(kSource));
    const double a = angle * std::numbers::pi / 180.0;
    const double lx = std::cos(a), ly = -std::sin(a);
    // A step over the whole softened edge gives a slope of about 1 / (2.5 sigma).
    const double gain = depth * sigma * 0.5;
    const QRgb colours[2] = {shadow, highlight};
    forEachRowBand(
        h, progress,
        [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) {
                const float* up = height.ptr<float>(std::max(0, y - 1));
                const float* mid = height.ptr<float>(y);
                const float* down = height.ptr<float>(std::min(h - 1, y + 1));
                uint32_t* r = rows[y];
                for (int x = 0; x < w; ++x) {
                    const double gx = (mid[std::min(w - 1, x + 1)] - mid[std::max(0, x - 1)]) / 2;
                    const double gy = (down[x] - up[x]) / 2;
                    // Slopes that fall away towards the light face it.
                    const double facing = -(gx * lx + gy * ly) * gain;
                    if (std::abs(facing) < 1e-3) continue;
                    const QRgb c = colours[facing > 0];
                    const double k = std::min(1.0, std::abs(facing)) * qAlpha(c) / 255.0;
                    const uint32_t p = r[x];
                    auto mix = [&](int shift) {
                        const double v = (p >> shift) & 0xFF;
                        return uint32_t(clampByte(v + (((c >> shift) & 0xFF) - v) * k)) << shift;
                    };
                    r[x] = (p & 0xFF000000u) | mix(16) | mix(8) | mix(0);
                }
            }
        },
        40, 100);
}

} // namespace pix::ops
