// Geometry: rotation, skew, canvas, border, flip and crop move pixels where they belong.
#include "engine/effects.h"
#include "engine/image_type.h"
#include "engine/ops/canvas.h"
#include "engine/ops/rotate.h"
#include "engine/pix_error.h"
#include "ops_test_util.h"
#include "support/test_images.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace pix;
using opstest::at;

namespace {

constexpr QRgb kFill = 0xFF102030u;

TEST(Rotate, FourQuarterTurnsAreTheIdentity) {
    for (bool alpha : {false, true}) {
        const QImage src = pixtest::gradientImage(37, 21, alpha);
        QImage img = src;
        for (int i = 0; i < 4; ++i) {
            img = ops::rotate(img, 90, kFill);
            EXPECT_EQ(img.size(), i % 2 ? src.size() : src.size().transposed());
        }
        EXPECT_TRUE(pixtest::samePixels(img, src));
    }
}

TEST(Rotate, QuarterTurnIsClockwiseAndHalfTurnIsBothFlips) {
    const QImage src = pixtest::gradientImage(30, 20, true);
    const QImage cw = ops::rotate(src, 90, kFill);
    EXPECT_EQ(at(cw, 19, 0), at(src, 0, 0)); // top left goes to top right
    EXPECT_EQ(at(cw, 0, 29), at(src, 29, 19));
    EXPECT_TRUE(pixtest::samePixels(ops::rotate(src, -90, kFill), ops::rotate(src, 270, kFill)));
    EXPECT_TRUE(pixtest::samePixels(ops::rotate(src, 180, kFill), ops::flip(ops::flip(src, 0), 1)));
    EXPECT_TRUE(pixtest::samePixels(ops::rotate(src, 720, kFill), src));
}

TEST(Rotate, ThirtyDegreesGrowsTheCanvasToTheTurnedBounds) {
    const QImage out = ops::rotate(opstest::flat(200, 100, qRgb(200, 200, 200)), 30, kFill);
    const double c = std::cos(M_PI / 6), s = std::sin(M_PI / 6);
    EXPECT_EQ(out.size(),
              QSize(int(std::ceil(200 * c + 100 * s)), int(std::ceil(200 * s + 100 * c))));
    EXPECT_EQ(at(out, 0, 0), kFill);
}

TEST(Rotate, TransparentFillGivesAlphaOnAnOpaqueImage) {
    const QImage out = ops::rotate(opstest::flat(50, 30, qRgb(9, 9, 9)), 45, qRgba(0, 0, 0, 0));
    EXPECT_EQ(out.format(), QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(at(out, 0, 0)), 0);
    EXPECT_EQ(at(out, out.width() / 2, out.height() / 2), qRgb(9, 9, 9));
}

// Bilinear sample of the opaque `src` at (u, v): the position cut to 1/32 pixel, neighbours
// outside the image taking `fill`, each channel rounded.
QRgb bilinearSample(const QImage& src, double u, double v, QRgb fill) {
    const auto qx = int64_t(std::floor(u * 32 + 0.5)), qy = int64_t(std::floor(v * 32 + 0.5));
    const int sx = int(qx >> 5), sy = int(qy >> 5), fx = int(qx & 31), fy = int(qy & 31);
    auto pixel = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < src.width() && y < src.height() ? src.pixel(x, y) : fill;
    };
    const QRgb p[4] = {pixel(sx, sy), pixel(sx + 1, sy), pixel(sx, sy + 1), pixel(sx + 1, sy + 1)};
    const int w[4] = {(32 - fx) * (32 - fy), fx * (32 - fy), (32 - fx) * fy, fx * fy};
    int c[3] = {512, 512, 512};
    for (int i = 0; i < 4; ++i) {
        c[0] += w[i] * qRed(p[i]);
        c[1] += w[i] * qGreen(p[i]);
        c[2] += w[i] * qBlue(p[i]);
    }
    return qRgb(c[0] >> 10, c[1] >> 10, c[2] >> 10);
}

TEST(Rotate, EveryPixelIsTheBilinearSampleOfItsTurnedPosition) {
    // Turning about the centres of both canvases: output (x, y) samples the source at the
    // inverse turn of (x, y). Inside, at the edges and in the corners alike.
    const QImage src = opstest::smoothImage(97, 61, false);
    for (double degrees : {30.0, 7.3, -13.0, 135.0, 200.5})
        for (QRgb fill : {kFill, 0xFFFFFFFFu}) {
            SCOPED_TRACE(testing::Message() << degrees << " degrees, fill " << std::hex << fill);
            const QImage out = ops::rotate(src, degrees, fill);
            ASSERT_EQ(out.size(), ops::rotatedBounds(97, 61, degrees));
            const double r = degrees * M_PI / 180, c = std::cos(r), s = std::sin(r);
            const double cx = (out.width() - 1) / 2.0, cy = (out.height() - 1) / 2.0;
            int worst = 0, filled = 0;
            for (int y = 0; y < out.height(); ++y)
                for (int x = 0; x < out.width(); ++x) {
                    const double u = c * (x - cx) + s * (y - cy) + 48;
                    const double v = -s * (x - cx) + c * (y - cy) + 30;
                    const QRgb got = out.pixel(x, y);
                    filled += got == (fill | 0xFF000000u);
                    // A position a hair off may cut to the next 1/32: that matters across the
                    // image's edge, where the fill meets it. Any of those samples will do.
                    int best = 255;
                    for (double du : {-1 / 32.0, 0.0, 1 / 32.0})
                        for (double dv : {-1 / 32.0, 0.0, 1 / 32.0}) {
                            const QRgb want = bilinearSample(src, u + du, v + dv, fill);
                            int diff = 0;
                            for (int shift : {0, 8, 16})
                                diff = std::max(diff, std::abs(int((want >> shift) & 0xFF) -
                                                               int((got >> shift) & 0xFF)));
                            best = std::min(best, diff);
                        }
                    worst = std::max(worst, best);
                }
            EXPECT_LE(worst, 1);
            EXPECT_NEAR(out.width() * out.height() - filled, 97 * 61, 97 * 61 / 10);
        }
}

TEST(Skew, RowsShiftLinearlyFromTopToBottom) {
    const QImage src = pixtest::gradientImage(40, 11, false);
    for (bool fast : {true, false}) {
        const QImage out = ops::skew(src, 0, 20, kFill, fast);
        ASSERT_EQ(out.size(), QSize(60, 11));
        EXPECT_EQ(at(out, 0, 0), at(src, 0, 0));    // top row in place
        EXPECT_EQ(at(out, 20, 10), at(src, 0, 10)); // bottom row moved by the whole offset
        EXPECT_EQ(at(out, 10, 5), at(src, 0, 5));   // middle row by half of it
        EXPECT_EQ(at(out, 0, 10), kFill);
        EXPECT_EQ(at(out, 59, 0), kFill);
    }
    const QImage up = ops::skew(src, 1, -8, kFill, true);
    ASSERT_EQ(up.size(), QSize(40, 19));
    EXPECT_EQ(at(up, 0, 8), at(src, 0, 0)); // negative offset: first column moves most
    EXPECT_EQ(at(up, 39, 0), at(src, 39, 0));
}

TEST(Canvas, AddBorderRoundsTheSumsOnce) {
    PixImage img;
    img.setImage(pixtest::gradientImage(200, 100), kRgb, {});
    const QImage old = img.image();
    Effects::AddBorder(img, 2.5, MakeColor(0x0000FF, 255));
    ASSERT_EQ(img.image().size(), QSize(205, 105));
    EXPECT_TRUE(pixtest::samePixels(img.image().copy(2, 2, 200, 100), old));
    EXPECT_EQ(at(img.image(), 0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(at(img.image(), 204, 104), qRgb(255, 0, 0));
    EXPECT_EQ(img.imageType(), kRgb);
    img.UndoStep();
    Effects::AddBorder(img, 10, MakeColor(0, 255));
    EXPECT_EQ(img.image().size(), QSize(220, 120));
    EXPECT_TRUE(pixtest::samePixels(img.image().copy(10, 10, 200, 100), old));
}

TEST(Canvas, OffsetsClipAndTranslucentFillAddsAlpha) {
    const QImage src = pixtest::gradientImage(30, 20, false);
    const QImage out = ops::resizeCanvas(src, 20, 30, qRgba(1, 2, 3, 100), -5, 4);
    ASSERT_EQ(out.format(), QImage::Format_ARGB32);
    EXPECT_EQ(at(out, 0, 4), at(src, 5, 0));
    EXPECT_EQ(at(out, 19, 23), at(src, 24, 19));
    EXPECT_EQ(at(out, 0, 0), qRgba(1, 2, 3, 100));
    EXPECT_EQ(at(out, 0, 29), qRgba(1, 2, 3, 100));
}

TEST(FlipAndCrop, FlipTwiceIsIdentityInEveryPageType) {
    for (int type = 0; type < kImageTypeCount; ++type) {
        PixImage img;
        img.setImage(pixtest::imageOfType(type, 23, 17), type, {});
        const QImage before = img.image();
        Effects::Flip(img, 0);
        EXPECT_EQ(at(img.image(), 22, 3), at(before, 0, 3));
        Effects::Flip(img, 1);
        Effects::Flip(img, 1);
        Effects::Flip(img, 0);
        EXPECT_TRUE(pixtest::samePixels(img.image(), before)) << type;
        EXPECT_EQ(img.imageType(), type);
        EXPECT_EQ(img.image().format(), before.format());
    }
}

TEST(FlipAndCrop, CropKeepsTheRectanglesPixelsAndRejectsOutsideRectangles) {
    PixImage img;
    img.setImage(pixtest::gradientImage(50, 40, true), kRgba, {});
    const QImage before = img.image();
    EXPECT_THROW(Effects::Crop(img, 45, 0, 10, 10), PixError);
    EXPECT_THROW(Effects::Crop(img, 0, 0, 0, 10), PixError);
    EXPECT_THROW(Effects::Flip(img, 2), PixError);
    EXPECT_TRUE(pixtest::samePixels(img.image(), before));
    Effects::Crop(img, 5, 7, 20, 10);
    EXPECT_TRUE(pixtest::samePixels(img.image(), before.copy(5, 7, 20, 10)));
}

} // namespace
