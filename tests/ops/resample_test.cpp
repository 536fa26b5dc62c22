// Resampling: every method hits the asked size, keeps flat colour flat and filters alpha right.
#include "engine/effects.h"
#include "engine/image_type.h"
#include "engine/ops/resample.h"
#include "engine/pix_error.h"
#include "ops_test_util.h"
#include "support/test_images.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace pix;
using opstest::at;
using opstest::flat;

namespace {

const std::vector<QSize> kTargets{{37, 23}, {200, 140}, {1, 1}, {13, 97}, {60, 40}};

TEST(Resample, EveryMethodHitsSizeAndKeepsFlatColourFlat) {
    for (QRgb c : {qRgb(12, 200, 77), qRgba(200, 30, 90, 128)}) {
        const QImage src = flat(60, 40, c);
        for (int m = 0; m < ops::kResizeMethodCount; ++m)
            for (QSize t : kTargets) {
                const QImage out = ops::resample(src, t.width(), t.height(), m);
                ASSERT_EQ(out.size(), t) << "method " << m;
                const int worst = pixtest::maxChannelDiff(out, flat(t.width(), t.height(), c));
                EXPECT_LE(worst, qAlpha(c) == 255 ? 0 : 1)
                    << "method " << m << " to " << t.width() << "x" << t.height();
            }
    }
}

TEST(Resample, DecimateAndBoxAverageAFineCheckerboardToMidGrey) {
    const QImage board = opstest::checkerboard(200, 120);
    for (int m : {3, 5}) {
        const QImage out = ops::resample(board, 100, 60, m);
        const auto s = opstest::stats(out);
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(s.mean[c], 127.5, 0.6) << "method " << m;
            EXPECT_LT(s.var[c], 1.0) << "method " << m;
        }
    }
    // Odd factors too: every output pixel covers 3 x 3 source pixels.
    const auto s = opstest::stats(ops::resample(opstest::checkerboard(300, 150), 100, 50, 3));
    EXPECT_NEAR(s.mean[0], 127.5, 15.0);
    EXPECT_LT(s.var[0], 16 * 16);
}

TEST(Resample, SimpleTakesSourcePixelsUnchanged) {
    const QImage src = pixtest::gradientImage(80, 60, true);
    const QImage out = ops::resample(src, 40, 30, 2);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(at(out, x, y), at(src, 2 * x + 1, 2 * y + 1));
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

TEST(Resample, SmoothKernelsKeepARampMonotonicWhenEnlarging) {
    QImage ramp(16, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x) ramp.setPixel(x, y, qRgb(x * 16, x * 16, x * 16));
    for (int m : {0, 3, 5, 6, 9, 10, 11}) { // kernels without negative lobes
        const QImage out = ops::resample(ramp, 100, 4, m);
        for (int x = 1; x < 100; ++x)
            ASSERT_GE(qRed(at(out, x, 2)), qRed(at(out, x - 1, 2))) << "method " << m;
    }
}

TEST(Resample, MethodTableHasTheListCaptions) {
    const QStringList c = Effects::resizeMethodCaptions();
    ASSERT_EQ(c.size(), 22);
    EXPECT_EQ(c[0], "Bi-Linear");
    EXPECT_EQ(c[3], "Decimate");
    EXPECT_EQ(c[4], "Default");
    EXPECT_EQ(c[15], "Lanczos3 Filter");
    EXPECT_EQ(c[21], "Catrom Filter");
    for (int i : {8, 14, 19}) EXPECT_NE(c[i], "Triangle Filter");
    EXPECT_EQ(QSet<QString>(c.begin(), c.end()).size(), 22);
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

TEST(ResizeEffect, BadArgumentsFailAndLeaveTheImage) {
    PixImage img;
    img.setImage(pixtest::gradientImage(40, 30), kRgb, {});
    const QImage before = img.image();
    EXPECT_THROW(Effects::Resize(img, 0, 0, 3), PixError);
    EXPECT_THROW(Effects::Resize(img, -5, 10, 3), PixError);
    EXPECT_THROW(Effects::Resize(img, 10, 10, 22), PixError);
    EXPECT_THROW(Effects::Resize(img, 100000, 100000, 0), PixError);
    EXPECT_TRUE(pixtest::samePixels(img.image(), before));
    EXPECT_EQ(img.Undos(), 1);
}

} // namespace
