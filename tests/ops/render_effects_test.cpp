// Drop shadow, the perspective warp and the renderings: shape and alpha of the shadow, flatness
// and exact corners of the warp, and the argument checks of the group calls.
#include "engine/effects_render.h"
#include "engine/ops/drop_shadow.h"
#include "engine/ops/perspective.h"
#include "engine/ops/sample_bilinear.h"
#include "engine/ops/sketch.h"
#include "engine/pix_error.h"
#include "ops_test_util.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

using namespace pix;
using opstest::at;

namespace {

// A w x h transparent image holding an opaque square and a half-transparent one.
QImage twoSquares(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(0);
    for (int y = 10; y < 30; ++y)
        for (int x = 10; x < 30; ++x) {
            img.setPixel(x, y, qRgba(200, 40, 40, 255));
            img.setPixel(x + 30, y, qRgba(40, 200, 40, 100));
        }
    return img;
}

} // namespace

TEST(DropShadow, LiesUnderTheShapeKeepsItsAlphaAndGrowsTheCanvasWhenAsked) {
    const QImage src = twoSquares(80, 40);
    const QRgb blue = qRgba(0, 0, 255, 160);
    for (bool grow : {true, false}) {
        SCOPED_TRACE(grow);
        const QImage out = ops::dropShadow(src, 12, 6, blue, 64.0, grow);
        const QRect canvas = ops::shadowCanvas(src.size(), 12, 6, 64.0, grow);
        ASSERT_EQ(out.size(), canvas.size());
        EXPECT_EQ(canvas.contains(QRect(12, 6, 80, 40).adjusted(-6, -6, 6, 6)), grow);
        const QPoint o = -canvas.topLeft(); // where the image's (0, 0) went
        // Opaque pixels are untouched; translucent ones gain alpha from the shadow under them
        // and keep their own colour's pull; the shadow shows beside the shape in its colour,
        // never beyond its opacity; far away nothing.
        EXPECT_EQ(at(out, o.x() + 15, o.y() + 15), qRgba(200, 40, 40, 255));
        const QRgb overShadow = at(out, o.x() + 45, o.y() + 25);
        EXPECT_GT(qAlpha(overShadow), 100);
        EXPECT_GT(qGreen(overShadow), qBlue(overShadow) / 2);
        const QRgb shade = at(out, o.x() + 35, o.y() + 33); // right of and below the red square
        EXPECT_GT(qAlpha(shade), 80);
        EXPECT_LE(qAlpha(shade), 160);
        EXPECT_EQ(shade & 0xFFFFFF, 0x0000FFu);
        EXPECT_EQ(qAlpha(at(out, o.x() + 2, o.y() + 2)), 0);
    }
    // On an opaque image without a larger canvas the shadow is hidden: nothing changes.
    const QImage opaque = pixtest::gradientImage(30, 20);
    EXPECT_TRUE(pixtest::samePixels(ops::dropShadow(opaque, 5, 5, blue, 255.0, false), opaque));
}

TEST(SampleBilinear, PixelCentresAreExactAndEdgesClampWrapOrFade) {
    const QImage img = pixtest::gradientImage(13, 9, true);
    const ops::SampleSource src(img);
    for (auto edge : {ops::SampleEdge::Transparent, ops::SampleEdge::Clamp, ops::SampleEdge::Wrap})
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_EQ(ops::sampleBilinear(src, x, y, edge, false), img.pixel(x, y));
    // Halfway between two pixels: the alpha-weighted mean, within rounding.
    const QRgb a = img.pixel(3, 4), b = img.pixel(4, 4);
    const QRgb mid = ops::sampleBilinear(src, 3.5, 4, ops::SampleEdge::Clamp, false);
    EXPECT_NEAR(qAlpha(mid), (qAlpha(a) + qAlpha(b)) / 2.0, 1.0);
    EXPECT_NEAR(qRed(mid),
                (qRed(a) * qAlpha(a) + qRed(b) * qAlpha(b)) / double(qAlpha(a) + qAlpha(b)), 1.0);
    EXPECT_EQ(ops::sampleBilinear(src, -4.3, 2, ops::SampleEdge::Clamp, false), img.pixel(0, 2));
    EXPECT_EQ(ops::sampleBilinear(src, 15.25, 8.5, ops::SampleEdge::Wrap, false),
              ops::sampleBilinear(src, 2.25, -0.5, ops::SampleEdge::Wrap, false));
    EXPECT_EQ(ops::sampleBilinear(src, -1.0, 2, ops::SampleEdge::Transparent, false), 0u);
    EXPECT_EQ(qAlpha(ops::sampleBilinear(src, -0.5, 2, ops::SampleEdge::Transparent, false)),
              (qAlpha(img.pixel(0, 2)) + 1) / 2);
}

TEST(Perspective, MapsTheCornersExactlyAndKeepsAFlatImageFlat) {
    const QRgb colour = qRgba(70, 140, 210, 180);
    const QImage flat = opstest::flat(120, 80, colour);
    const ops::Quad corners = {QPointF(0, 79), QPointF(0, 0), QPointF(119, 0), QPointF(119, 79)};
    const ops::Quad targets[] = {
        {QPointF(0, 79), QPointF(0, 0), QPointF(119, 20), QPointF(119, 60)},
        {QPointF(30, 60), QPointF(0, 0), QPointF(119, 0), QPointF(90, 60)},
        {QPointF(0, 79), QPointF(0, 0), QPointF(99, 79), QPointF(99, 100)},
        {QPointF(-10, 90), QPointF(5, -7), QPointF(130, 12), QPointF(101, 77)},
    };
    for (const ops::Quad& to : targets)
        for (bool grow : {true, false}) {
            const QImage out = ops::perspective(flat, corners, to, grow);
            const QPoint o = -ops::perspectiveCanvas(flat.size(), to, grow).topLeft();
            int covered = 0;
            for (int y = 0; y < out.height(); ++y)
                for (int x = 0; x < out.width(); ++x) {
                    const QRgb p = at(out, x, y);
                    if (qAlpha(p) == 0) continue;
                    ++covered;
                    ASSERT_EQ(p & 0xFFFFFF, colour & 0xFFFFFF) << x << "," << y;
                    ASSERT_LE(qAlpha(p), qAlpha(colour));
                }
            EXPECT_GT(covered, 1000);
            // The corners of the source land on the target points (inside the canvas).
            for (const QPointF& p : to) {
                const QPoint q = p.toPoint() + o;
                if (out.rect().contains(q)) {
                    EXPECT_GE(qAlpha(at(out, q.x(), q.y())), 40);
                }
            }
        }
    // A quadrilateral with three points on one line is refused.
    EXPECT_THROW(ops::perspective(flat, corners,
                                  {QPointF(0, 0), QPointF(50, 0), QPointF(100, 0), QPointF(9, 9)},
                                  true),
                 PixError);
}

TEST(Renderings, DarknessFollowsTheImageAndBadArgumentsAreRefused) {
    // Left half dark, right half light: both renderings leave more ink on the left.
    QImage halves(96, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 96; ++x)
            halves.setPixel(x, y, x < 48 ? qRgb(40, 40, 40) : qRgb(225, 225, 225));
    for (const QImage& out : {ops::scribble(halves, 60), ops::stipple(halves, 30)}) {
        const auto left = opstest::stats(out.copy(0, 0, 44, 64));
        const auto right = opstest::stats(out.copy(52, 0, 44, 64));
        EXPECT_LT(left.mean[0] + 40, right.mean[0]);
    }
    opstest::expectCancelLeavesTheImage(
        {{"DropShadow", [](PixImage& i) { Effects::DropShadow(i, 9, 9, std::nullopt, 255, true); }},
         {"Gauzy", [](PixImage& i) { Effects::Gauzy(i, 50, 60, 50, 0); }},
         {"Scribble", [](PixImage& i) { Effects::Scribble(i, 50, 2, true); }},
         {"Stipple", [](PixImage& i) { Effects::Stipple(i, 50, 4, false); }},
         {"Perspective",
          [](PixImage& i) {
              Effects::Perspective(i, {0, 499}, {0, 0}, {599, 90}, {599, 400}, 1);
          }}},
        pixtest::gradientImage(600, 500, true), 1);
    opstest::expectRejected({
        {"shadow blur", [](PixImage& i) { Effects::DropShadow(i, 5, 5, std::nullopt, -1, true); }},
        {"gauzy mode", [](PixImage& i) { Effects::Gauzy(i, 20, 20, 20, 5); }},
        {"gauzy blur", [](PixImage& i) { Effects::Gauzy(i, 101, 20, 20, 0); }},
        {"scribble filter", [](PixImage& i) { Effects::Scribble(i, 20, 4, true); }},
        {"stipple filter", [](PixImage& i) { Effects::Stipple(i, 20, -2, true); }},
        {"stipple size", [](PixImage& i) { Effects::Stipple(i, 101, 0, true); }},
        {"perspective flags",
         [](PixImage& i) {
             Effects::Perspective(i, {0, 9}, {0, 0}, {9, 0}, {9, 9}, 2);
         }},
        {"perspective huge",
         [](PixImage& i) {
             Effects::Perspective(i, {0, 9}, {0, 0}, {90000, 0}, {9, 90000}, 1);
         }},
    });
}
