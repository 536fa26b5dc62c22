// Tone and colour: histogram stretch and equalisation, colour replacement.
#include "engine/ops/color_replace.h"
#include "engine/ops/histogram.h"
#include "engine/pix_error.h"
#include "ops_test_util.h"
#include "support/test_images.h"

#include <QTransform>
#include <array>
#include <cmath>
#include <gtest/gtest.h>

using namespace pix;
using namespace pix::ops;
using opstest::at;

namespace {

// A low-contrast image: red 60..120, green 100..140, blue a skewed spread.
QImage dullImage() {
    QImage img(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            img.setPixel(x, y,
                         qRgb(60 + x * 60 / 63, 100 + y * 40 / 47, (x * y) % 50 + (x % 3) * 40));
    return img;
}

std::array<int, 2> range(const QImage& img, int shift) {
    int lo = 255, hi = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const int v = (img.pixel(x, y) >> shift) & 0xFF;
            lo = std::min(lo, v), hi = std::max(hi, v);
        }
    return {lo, hi};
}

TEST(HistogramStretch, DarkestGoesLowAndBrightestHighOnMaskedChannels) {
    QImage img = dullImage();
    const QImage before = img;
    ops::histogramStretch(img, 10, 240, kMaskRed | kMaskGreen);
    EXPECT_EQ(range(img, 16), (std::array<int, 2>{10, 240}));
    EXPECT_EQ(range(img, 8), (std::array<int, 2>{10, 240}));
    EXPECT_EQ(range(img, 0), range(before, 0)); // blue not in the mask
    for (int x = 1; x < 64; ++x)                // order kept
        EXPECT_GE(qRed(img.pixel(x, 0)), qRed(img.pixel(x - 1, 0)));
}

TEST(HistogramStretch, IgnoresInvisiblePixelsAndRejectsBadLimits) {
    QImage img = dullImage().convertToFormat(QImage::Format_ARGB32);
    img.setPixel(0, 0, qRgba(255, 255, 255, 0)); // invisible white must not count as brightest
    ops::histogramStretch(img, 0, 255, 7);
    EXPECT_EQ(qRed(img.pixel(63, 0)), 255);
    EXPECT_THROW(ops::histogramStretch(img, 200, 100, 7), PixError);
    EXPECT_THROW(ops::histogramStretch(img, -1, 100, 7), PixError);
    EXPECT_THROW(ops::histogramStretch(img, 0, 256, 7), PixError);
    EXPECT_THROW(ops::histogramStretch(img, 0, 255, 8), PixError);
}

TEST(HistogramEqualize, EachChannelByItsOwnCountsWhereverPixelsSit) {
    // Three differently skewed channels; odd and even widths, with and without alpha (where
    // fully transparent pixels must not count). Moving pixels around leaves every count, so
    // the result moves with them; and each channel comes out flat on its own.
    auto skewed = [](int w, int h, bool alpha) {
        QImage img(w, h, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int i = y * w + x;
                const int a = alpha && i % 7 == 0 ? 0 : 255;
                const int green = int(255 * std::sqrt((i % 256) / 255.0)); // mostly bright
                img.setPixel(x, y,
                             qRgba((i * i / 97) % 256 / 2, green, (i * 37 % 256) / 3 + 100, a));
            }
        return img;
    };
    auto worstGap = [](const QImage& im, int shift) { // CDF against a straight line
        std::array<int, 256> h{};
        double n = 0;
        for (int y = 0; y < im.height(); ++y)
            for (int x = 0; x < im.width(); ++x)
                if (qAlpha(im.pixel(x, y)) > 0) ++h[(im.pixel(x, y) >> shift) & 0xFF], ++n;
        double cum = 0, worst = 0;
        for (int v = 0; v < 256; ++v) {
            cum += h[v];
            worst = std::max(worst, std::abs(cum / n - (v + 1) / 256.0));
        }
        return worst;
    };
    for (bool alpha : {false, true})
        for (QSize size : {QSize(63, 41), QSize(64, 41)}) {
            SCOPED_TRACE(testing::Message()
                         << size.width() << " x " << size.height() << (alpha ? " with alpha" : ""));
            const QImage src = skewed(size.width(), size.height(), alpha);
            QImage img = src;
            ops::histogramEqualize(img, 0, 255, 7);
            for (int shift : {0, 8, 16}) {
                EXPECT_LT(worstGap(img, shift), 0.06) << shift;
                EXPECT_EQ(range(img, shift)[1], 255) << shift;
            }
            QImage flipped = src.mirrored(true, false);
            ops::histogramEqualize(flipped, 0, 255, 7);
            EXPECT_TRUE(pixtest::samePixels(flipped, img.mirrored(true, false)));
            const QTransform quarter = QTransform().rotate(90);
            QImage turned = src.transformed(quarter);
            ops::histogramEqualize(turned, 0, 255, 7);
            EXPECT_TRUE(pixtest::samePixels(turned, img.transformed(quarter)));
        }
}

TEST(HistogramEqualize, MapsOntoTheLimitsAndLeavesUnmaskedChannels) {
    QImage img = dullImage();
    const QImage before = img;
    ops::histogramEqualize(img, 50, 200, kMaskBlue);
    EXPECT_EQ(range(img, 0), (std::array<int, 2>{50, 200}));
    EXPECT_EQ(range(img, 16), range(before, 16));
    QImage same = before;
    ops::histogramEqualize(same, 0, 255, 0); // black mask: nothing to do
    EXPECT_TRUE(pixtest::samePixels(same, before));
}

TEST(ReplaceColor, ToleranceDecidesWhichPixelsChange) {
    QImage img(4, 1, QImage::Format_ARGB32);
    img.setPixel(0, 0, qRgba(200, 100, 50, 255));
    img.setPixel(1, 0, qRgba(205, 100, 50, 128)); // 5 away
    img.setPixel(2, 0, qRgba(200, 100, 70, 255)); // 20 away
    img.setPixel(3, 0, qRgba(0, 0, 0, 255));
    QImage a = img;
    EXPECT_EQ(ops::replaceColor(a, qRgb(200, 100, 50), qRgb(1, 2, 3), 0, true), 1);
    QImage b = img;
    EXPECT_EQ(ops::replaceColor(b, qRgb(200, 100, 50), qRgb(1, 2, 3), 3, true), 2); // 7.65
    EXPECT_EQ(b.pixel(1, 0), qRgba(1, 2, 3, 128)); // keeps its alpha
    EXPECT_EQ(b.pixel(2, 0), img.pixel(2, 0));
    QImage c = img;
    EXPECT_EQ(ops::replaceColor(c, qRgb(200, 100, 50), qRgb(1, 2, 3), 10, false), 3);
    EXPECT_EQ(qAlpha(c.pixel(2, 0)), 0);
    EXPECT_EQ(c.pixel(3, 0), img.pixel(3, 0));
    EXPECT_THROW(ops::replaceColor(c, 0, 0, 101, true), PixError);
    QImage opaque = opstest::flat(2, 2, qRgb(0, 0, 0));
    EXPECT_THROW(ops::replaceColor(opaque, 0, 0, 1, false), PixError);
}

} // namespace
