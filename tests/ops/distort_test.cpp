// The distortions: the identities their arguments promise, the wrap of Offset against a plain
// cyclic shift, alpha-weighted sampling, bad arguments and cancel.
#include "engine/distortions.h"
#include "engine/ops/distort.h"
#include "engine/pix_error.h"
#include "ops_test_util.h"
#include "support/test_images.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace pix;
using opstest::at;

namespace {

TEST(Distortions, LensAndPinchWithNothingToDoAreTheIdentity) {
    for (const bool alpha : {false, true}) {
        const QImage src = opstest::smoothImage(61, 40, alpha);
        EXPECT_TRUE(pixtest::samePixels(ops::lens(src, 0, 3, -2), src)) << "lens radius 0";
        EXPECT_TRUE(pixtest::samePixels(ops::pinch(src, 0, 10, 0, 0), src)) << "pinch radius 0";
        EXPECT_TRUE(pixtest::samePixels(ops::pinch(src, 200, 0, 5, 5), src)) << "pinch amount 0";
        EXPECT_FALSE(pixtest::samePixels(ops::pinch(src, 200, 10, 0, 0), src));
        EXPECT_FALSE(pixtest::samePixels(ops::lens(src, 30, 0, 0), src));
    }
}

TEST(Distortions, OffsetWrapBothIsACyclicShift) {
    // Opaque and translucent pictures take different samplers, and so do pictures over 32767
    // pixels a side, which OpenCV's remap refuses: all must wrap exactly.
    QImage wide(32800, 3, QImage::Format_RGB32);
    for (int y = 0; y < wide.height(); ++y)
        for (int x = 0; x < wide.width(); ++x) wide.setPixel(x, y, qRgb(x & 255, x >> 8, 80 * y));
    for (const QImage& src :
         {opstest::smoothImage(37, 23, false), opstest::smoothImage(37, 23, true), wide}) {
        const int w = src.width(), h = src.height();
        for (const auto& [dx, dy] : {std::pair{w, h}, {w + 3, -5}, {-2 * w - 1, 7}, {0, 0}}) {
            const QImage out = ops::offset(src, 1, dx, dy);
            int wrong = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    wrong +=
                        at(out, x, y) != at(src, ((x - dx) % w + w) % w, ((y - dy) % h + h) % h);
            EXPECT_EQ(wrong, 0) << w << " x " << h << " by " << dx << ", " << dy;
        }
    }
}

TEST(Distortions, TransparentPixelsLendNoColour) {
    // Left half transparent red, right half opaque blue: whatever a distortion blends across the
    // border keeps blue's colour, only its alpha falls.
    QImage src(40, 20, QImage::Format_ARGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            src.setPixel(x, y, x < 20 ? qRgba(255, 0, 0, 0) : qRgb(0, 0, 255));
    const QImage out = ops::wave(src, 0, 2.7, 3);
    int blended = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            const QRgb p = at(out, x, y);
            if (qAlpha(p) == 0) continue;
            blended += qAlpha(p) < 255;
            EXPECT_EQ(qRed(p), 0) << x << "," << y;
            EXPECT_EQ(qBlue(p), 255) << x << "," << y;
        }
    EXPECT_GT(blended, 0) << "the wave crosses the border";
}

TEST(Distortions, BadArgumentsAndCancel) {
    opstest::expectRejected({
        {"Marble size 0", [](PixImage& i) { Distortions::Marble(i, 10, 0, 5); }},
        {"Perlin size -1", [](PixImage& i) { Distortions::Perlin(i, 10, 5, -1); }},
        {"Wave style 4", [](PixImage& i) { Distortions::Wave(i, 4, 20, 2); }},
        {"Ripple style -1", [](PixImage& i) { Distortions::Ripple(i, -1, 200, 10, 4, 0, 0); }},
        {"Offset style 4", [](PixImage& i) { Distortions::Offset(i, 4, 1, 1); }},
        {"Spin radius NaN", [](PixImage& i) { Distortions::Spin(i, std::nan(""), 45, 0, 0); }},
        {"Random 1e300", [](PixImage& i) { Distortions::Random(i, 1e300); }},
        {"BumpMap empty", [](PixImage& i) { Distortions::BumpMap(i, 10, PixImage()); }},
    });
    opstest::expectCancelLeavesTheImage(
        {{"Spin", [](PixImage& i) { Distortions::Spin(i, 400, 45, 0, 0); }},
         {"Perlin", [](PixImage& i) { Distortions::Perlin(i, 10, 10, 50); }}},
        pixtest::gradientImage(600, 500, true), 1);
}

} // namespace
