// Resampling: every method against its definition in double precision (premultiplied alpha, so
// invisible pixels lend no colour), long reductions, and the Resize call's arguments.
#include "engine/effects.h"
#include "engine/image_type.h"
#include "engine/ops/resample.h"
#include "ops_test_util.h"
#include "support/test_images.h"

#include <QSet>
#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <vector>

using namespace pix;
using opstest::at;
using opstest::flat;

namespace {

// Weights of every source sample (second index) for every output sample (first index) along
// one axis, by the definition of the method: the kernel widened by the reduction factor around
// the output sample's centre, area coverage for Decimate, the sample under the centre for
// Simple; normalised to sum 1.
std::vector<std::vector<double>> axisWeights(int srcSize, int dstSize, const ops::ResizeMethod& m) {
    const double scale = double(srcSize) / dstSize, widen = std::max(1.0, scale);
    std::vector<std::vector<double>> w(dstSize, std::vector<double>(srcSize, 0.0));
    for (int i = 0; i < dstSize; ++i) {
        const double center = (i + 0.5) * scale;
        double sum = 0;
        for (int x = 0; x < srcSize; ++x) {
            double v = 0;
            if (m.sampling == ops::Sampling::Nearest)
                v = x == std::min(srcSize - 1, int(center)) ? 1 : 0;
            else if (m.sampling == ops::Sampling::Area)
                v = std::max(0.0,
                             std::min(x + 1.0, (i + 1) * scale) - std::max(x * 1.0, i * scale));
            else
                v = m.weight((x + 0.5 - center) / widen);
            w[i][x] = v;
            sum += v;
        }
        for (double& v : w[i]) v /= sum;
    }
    return w;
}

// `src` resampled by the definition in double precision: premultiplied colour filtered along
// x, then along y, then divided by the filtered alpha.
QImage referenceResample(const QImage& src, int width, int height, int method) {
    const ops::ResizeMethod& m = ops::resizeMethods()[method];
    const auto wx = axisWeights(src.width(), width, m), wy = axisWeights(src.height(), height, m);
    using Pixel = std::array<double, 4>; // premultiplied red, green, blue; alpha
    std::vector<std::vector<Pixel>> rows(src.height(), std::vector<Pixel>(width, Pixel{}));
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) {
            const QRgb p = src.pixel(x, y);
            const double a = qAlpha(p);
            const Pixel v{qRed(p) * a / 255, qGreen(p) * a / 255, qBlue(p) * a / 255, a};
            for (int i = 0; i < width; ++i)
                for (int c = 0; c < 4; ++c) rows[y][i][c] += wx[i][x] * v[c];
        }
    QImage out(width, height, src.format());
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i) {
            Pixel v{};
            for (int y = 0; y < src.height(); ++y)
                for (int c = 0; c < 4; ++c) v[c] += wy[j][y] * rows[y][i][c];
            const double a = std::clamp(v[3], 0.0, 255.0);
            auto channel = [&](double c) { return int(std::clamp(c * 255 / a, 0.0, 255.0) + 0.5); };
            out.setPixel(
                i, j,
                a < 0.5 ? 0u : qRgba(channel(v[0]), channel(v[1]), channel(v[2]), int(a + 0.5)));
        }
    return out;
}

TEST(Resample, EveryMethodMatchesItsDefinitionInDoublePrecision) {
    for (bool alpha : {false, true}) {
        const QImage src = opstest::smoothImage(60, 40, alpha);
        for (int m = 0; m < ops::kResizeMethodCount; ++m)
            for (QSize t : {QSize(23, 17), QSize(97, 71), QSize(61, 13), QSize(4, 90), QSize(1, 1)})
                EXPECT_LE(pixtest::maxChannelDiff(ops::resample(src, t.width(), t.height(), m),
                                                  referenceResample(src, t.width(), t.height(), m)),
                          1)
                    << "method " << m << " to " << t.width() << "x" << t.height()
                    << (alpha ? " with alpha" : "");
    }
}

TEST(Resample, TransparentPixelsDoNotBleedTheirColour) {
    // Left half invisible red, right half opaque blue: no visible pixel may turn reddish.
    QImage src(40, 20, QImage::Format_ARGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            src.setPixel(x, y, x < 20 ? qRgba(255, 0, 0, 0) : qRgba(0, 0, 255, 255));
    for (int m = 0; m < ops::kResizeMethodCount; ++m) {
        const QImage out = ops::resample(src, 17, 9, m);
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) {
                const QRgb p = at(out, x, y);
                if (qAlpha(p) > 8) {
                    ASSERT_LE(qRed(p), 2) << "method " << m << " at " << x;
                }
            }
    }
}

TEST(Resample, HugeReductionAveragesEveryRowItCovers) {
    // Each output row covers 1500 source rows: more than are kept converted at a time.
    QImage src(1500, 3000, QImage::Format_RGB32);
    for (int y = 0; y < src.height(); ++y) {
        auto* r = reinterpret_cast<QRgb*>(src.scanLine(y));
        for (int x = 0; x < src.width(); ++x) r[x] = qRgb(x % 256, y % 251, (x + 7 * y) % 256);
    }
    const QImage out = ops::resample(src, 1500, 2, 3);
    for (int j = 0; j < 2; ++j)
        for (int x = 0; x < 1500; x += 7) {
            std::array<double, 3> sum{};
            for (int y = j * 1500; y < (j + 1) * 1500; ++y) {
                const QRgb p = reinterpret_cast<const QRgb*>(src.constScanLine(y))[x];
                sum[0] += qRed(p), sum[1] += qGreen(p), sum[2] += qBlue(p);
            }
            const QRgb got = out.pixel(x, j);
            EXPECT_NEAR(qRed(got), sum[0] / 1500, 0.51) << x << "," << j;
            EXPECT_NEAR(qGreen(got), sum[1] / 1500, 0.51) << x << "," << j;
            EXPECT_NEAR(qBlue(got), sum[2] / 1500, 0.51) << x << "," << j;
        }
}

TEST(Resample, SharpAndSoftKernelsDiffer) {
    // The four free positions are kernels of their own, not copies of a neighbour.
    const QImage src = opstest::checkerboard(31, 31);
    const QImage tri = ops::resample(src, 50, 50, 6);
    for (int m : {4, 8, 14, 19})
        EXPECT_GT(pixtest::maxChannelDiff(ops::resample(src, 50, 50, m), tri), 4) << m;
}

TEST(ResizeEffect, ZeroSideKeepsTheProportions) {
    PixImage img;
    img.setImage(pixtest::gradientImage(400, 300), kRgb, {});
    Effects::Resize(img, 100, 0, 3);
    EXPECT_EQ(img.image().size(), QSize(100, 75));
    Effects::Resize(img, 0, 150, 0);
    EXPECT_EQ(img.image().size(), QSize(200, 150));
}

} // namespace
