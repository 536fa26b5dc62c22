#include "emboss_shape.h"

#include "op_support.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <opencv2/imgproc.hpp>

namespace pix::ops {

namespace {

// Rows lit per step of a band: the softened heights of these rows (and one more on each side)
// sit in a buffer of the thread's own, small enough to stay in its cache.
constexpr int kBlockRows = 128;

// The light and the two colours, as the shading loop uses them.
struct Lighting {
    float lx, ly, gain;                // light direction and slope gain
    float shadow[3], highlight[3];     // blue, green, red
    float shadowAlpha, highlightAlpha; // alpha / 255
};

// The level 0..255 of each pixel of a row the heights come from: its alpha, or its luminance.
PIX_HOT void levelRow(const uint32_t* row, int n, bool byAlpha, uint8_t* out) {
    if (byAlpha)
        for (int x = 0; x < n; ++x) out[x] = uint8_t(row[x] >> 24);
    else
        for (int x = 0; x < n; ++x) out[x] = uint8_t(luma(row[x]));
}

// Channel c (0 blue, 1 green, 2 red) of pixel p moved towards the shadow (lit 0) or the
// highlight (lit 1) colour by k, rounded, at its place in a pixel.
[[gnu::always_inline]] inline uint32_t blendChannel(uint32_t p, int c, float lit, float k,
                                                    const Lighting& l) {
    const float v = float(int(p >> (8 * c)) & 0xFF);
    const float target = l.shadow[c] + (l.highlight[c] - l.shadow[c]) * lit;
    return uint32_t(int(v + (target - v) * k + 0.5f)) << (8 * c);
}

// Blends the colours over one row by the slope of the softened heights around it. `mid` holds
// one repeated value past each end, so every pixel takes the same central difference.
PIX_HOT void shadeRow(uint32_t* row, int n, const float* up, const float* mid, const float* down,
                      const Lighting& light) {
    const Lighting l = light; // a local copy: stores to the row cannot change it
    for (int x = 0; x < n; ++x) {
        const float gx = (mid[x + 1] - mid[x - 1]) / 2;
        const float gy = (down[x] - up[x]) / 2;
        // Slopes that fall away towards the light face it. (Facing under 1/510 moves no
        // channel by half a level, so nearly flat ground keeps its pixels without a test.)
        const float facing = -(gx * l.lx + gy * l.ly) * l.gain;
        const float lit = facing > 0 ? 1.0f : 0.0f;
        const float amount = std::abs(facing);
        const float k = (amount < 1.0f ? amount : 1.0f) *
                        (l.shadowAlpha + (l.highlightAlpha - l.shadowAlpha) * lit);
        const uint32_t p = row[x];
        row[x] = (p & 0xFF000000u) | blendChannel(p, 0, lit, k, l) | blendChannel(p, 1, lit, k, l) |
                 blendChannel(p, 2, lit, k, l);
    }
}

} // namespace

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
    // The height field is the levels / 255, softened by a Gaussian of sigma reaching 4 sigma
    // each way; the 1 / 255 rides on the horizontal kernel.
    const double sigma = 0.5 + softness / 25.0;
    const cv::Mat kernel = cv::getGaussianKernel(cvRound(sigma * 8 + 1) | 1, sigma, CV_32F);
    const cv::Mat kernelX = kernel / 255.0;
    const double a = angle * std::numbers::pi / 180.0;
    Lighting light{};
    light.lx = float(std::cos(a));
    light.ly = float(-std::sin(a));
    // A step over the whole softened edge gives a slope of about 1 / (2.5 sigma).
    light.gain = float(depth * sigma * 0.5);
    for (int c = 0; c < 3; ++c) {
        light.shadow[c] = float((shadow >> (8 * c)) & 0xFF);
        light.highlight[c] = float((highlight >> (8 * c)) & 0xFF);
    }
    light.shadowAlpha = qAlpha(shadow) / 255.0f;
    light.highlightAlpha = qAlpha(highlight) / 255.0f;
    // Levels of every pixel, taken before any row changes: the blur of a row reads rows that
    // other bands (and this band's earlier steps) shade. Reused between calls of the same size.
    thread_local cv::Mat scratch;
    cv::Mat& levels = scratch; // the caller's buffer, also inside the pool's threads
    levels.create(h, w, CV_8U);
    forEachRowBand(
        h, progress,
        [&](int y0, int y1) {
            for (int y = y0; y < y1; ++y) levelRow(rows[y], w, byAlpha, levels.ptr<uint8_t>(y));
        },
        0, 10);
    forEachRowBand(
        h, progress,
        [&](int y0, int y1) {
            thread_local cv::Mat soft;
            if (soft.rows < kBlockRows + 2 || soft.cols != w + 2)
                soft.create(kBlockRows + 2, w + 2, CV_32F);
            for (int b0 = y0; b0 < y1; b0 += kBlockRows) {
                const int b1 = std::min(y1, b0 + kBlockRows);
                // Softened rows g0..g1 serve the gradients of rows b0..b1. Filtering a part of
                // `levels` reads the rows around it and repeats only the image's own edges, so
                // the part comes out as in a blur of the whole image.
                const int g0 = std::max(0, b0 - 1), g1 = std::min(h, b1 + 1);
                cv::Mat inner = soft(cv::Rect(1, 0, w, g1 - g0));
                cv::sepFilter2D(levels.rowRange(g0, g1), inner, CV_32F, kernelX, kernel,
                                cv::Point(-1, -1), 0, cv::BORDER_REPLICATE);
                // One repeated value past each end of a row, for the central differences.
                for (int y = 0; y < g1 - g0; ++y) {
                    float* r = soft.ptr<float>(y);
                    r[0] = r[1];
                    r[w + 1] = r[w];
                }
                for (int y = b0; y < b1; ++y) {
                    auto line = [&](int row) { return soft.ptr<float>(row - g0) + 1; };
                    shadeRow(rows[y], w, line(std::max(0, y - 1)), line(y),
                             line(std::min(h - 1, y + 1)), light);
                }
            }
        },
        10, 100, 1);
}

} // namespace pix::ops
